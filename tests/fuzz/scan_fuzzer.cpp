// Arbitrary bytes through the image scan of both sections, in memory: each scan works on a
// heap copy of the exact size, so that the sanitizer sees any access past the end. The view
// and the update of one image agree, the view writes nothing, the update only the scale.
#include <cstdint>
#include <cstring>
#include <vector>

#include "fuzz.h"
#include "image.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vorbix;
    constexpr std::uint16_t kNewScale = 0xA55A;
    for (SectionKind kind : {SectionKind::Rsrc, SectionKind::Data}) {
        std::vector<std::uint8_t> viewed(data, data + size), updated(data, data + size);
        std::uint16_t viewScale = 0, oldScale = 0;
        // Writable, so that a write by the view would show instead of failing.
        bool viewOk = ScanModelImage(ImageView{viewed.data(), size, true}, kind, false, &viewScale, kNewScale, NullOutput());
        platform::ErrorCode viewCode = platform::LastError();
        bool updateOk = ScanModelImage(ImageView{updated.data(), size, true}, kind, true, &oldScale, kNewScale, NullOutput());
        FUZZ_ASSERT(viewOk == updateOk);
        FUZZ_ASSERT(viewOk || viewCode == platform::LastError());
        FUZZ_ASSERT(size == 0 || std::memcmp(viewed.data(), data, size) == 0);
        fuzz::CheckUpdate(data, updated.data(), size, kNewScale, viewOk, viewScale, updateOk, oldScale);
    }
    return 0;
}
