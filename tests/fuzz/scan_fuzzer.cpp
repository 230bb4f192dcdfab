// Arbitrary bytes through both scans, reading and updating: in memory (a heap buffer of
// the exact size, so that the sanitizer sees any read or write past the end) and as a
// mapped file.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "image.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vorbix;
    for (SectionKind kind : {SectionKind::Rsrc, SectionKind::Data}) {
        for (bool update : {false, true}) {
            std::vector<std::uint8_t> copy(data, data + size);
            ImageView view{copy.data(), copy.size(), update};
            std::uint16_t scale = 0;
            ScanModelImage(view, kind, update, &scale, 9, NullOutput());
        }
    }
    static const std::string path = "/tmp/vorbix-fuzz-" + std::to_string(getpid()) + ".mdl";
    if (FILE* file = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data, 1, size, file);
        std::fclose(file);
        std::uint16_t scale = 0;
        if (!ScanRsrcSection(path.c_str(), false, &scale, 9)) ScanDataSection(path.c_str(), false, &scale, 9);
        if (!ScanRsrcSection(path.c_str(), true, &scale, 9)) ScanDataSection(path.c_str(), true, &scale, 9);
    }
    return 0;
}
