// The sequence check alone, on arbitrary code bytes with the offset byte at an arbitrary
// place: the input's first two bytes give that place, the next two the new scale, the rest
// is the image. Also the two filters the quiet search relies on: a place they pass over
// could never have printed the SUPER_SCALE line.
#include <cstdint>
#include <cstring>
#include <vector>

#include "fuzz.h"
#include "sequence.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vorbix;
    if (size < 5) return 0;
    const std::uint8_t* code = data + 4;
    const std::size_t length = size - 4;
    const std::size_t base = (data[0] | (data[1] << 8)) % length;
    const auto newScale = static_cast<std::uint16_t>(data[2] | (data[3] << 8));

    std::vector<std::uint8_t> viewed(code, code + length), updated(code, code + length);
    const ImageView view{viewed.data(), length, true}, update{updated.data(), length, true};
    std::uint16_t viewScale = 0, oldScale = 0;
    bool viewOk = CheckScaleSequence(view, viewed.data() + base, false, &viewScale, newScale);
    bool updateOk = CheckScaleSequence(update, updated.data() + base, true, &oldScale, newScale);
    FUZZ_ASSERT(std::memcmp(viewed.data(), code, length) == 0);
    // The update trusts the view at the same place for the instructions after SUPER_SCALE.
    fuzz::CheckUpdate(code, updated.data(), length, newScale, viewOk, viewScale, updateOk, oldScale);

    const std::uint64_t s = base + code[base];
    FUZZ_ASSERT(!viewOk || !SequenceFailsBeforeScale(view, s));
    const std::uint64_t next = FindPossibleSequenceStart(view, base, length);
    FUZZ_ASSERT(next <= length);
    FUZZ_ASSERT(next == length || (code[next] == 0x76 && next + 2 < length && code[next + 2] == 0x3A));
    for (std::uint64_t place = base; place < next; ++place) FUZZ_ASSERT(SequenceFailsBeforeScale(view, place));
    return 0;
}
