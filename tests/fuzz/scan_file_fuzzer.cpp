// Arbitrary bytes as a model file, through the file scans as the update transaction calls
// them: mapped for reading to view, for writing to update. The quiet search and the debug
// search (which looks at every 0x76 byte) find the same; the file changes in its scale alone.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine.h"
#include "fuzz.h"

namespace {

using namespace vorbix;

// Takes the debug search; the lines themselves are not kept.
class DebugSink : public Output {
public:
    void Write(const char*) override {}
    bool DebugEnabled() const override { return true; }
    void WriteDebug(const char*) override {}
};

const std::string& ModelPath() {
    static const std::string path = [] {
        const char* directory = std::getenv("TMPDIR");
        return std::string(directory != nullptr ? directory : "/tmp") + "/vorbix-fuzz-" + std::to_string(getpid()) +
               ".mdl";
    }();
    return path;
}

std::vector<std::uint8_t> ReadBack(const std::string& path) {
    std::vector<std::uint8_t> bytes;
    if (FILE* file = std::fopen(path.c_str(), "rb")) {
        std::uint8_t block[4096];
        for (std::size_t got; (got = std::fread(block, 1, sizeof block, file)) > 0;) bytes.insert(bytes.end(), block, block + got);
        std::fclose(file);
    }
    return bytes;
}

using Scan = bool (*)(const char*, bool, std::uint16_t*, std::uint16_t, Output&);

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    constexpr std::uint16_t kNewScale = 0xA55A;
    const char* path = ModelPath().c_str();
    FILE* file = std::fopen(path, "wb");
    FUZZ_ASSERT(file != nullptr);
    FUZZ_ASSERT(std::fwrite(data, 1, size, file) == size);
    std::fclose(file);

    DebugSink debug;
    bool viewed = false;
    std::uint16_t viewScale = 0;
    for (Scan scan : {ScanRsrcSection, ScanDataSection}) {
        std::uint16_t quietScale = 0, debugScale = 0;
        bool quietOk = scan(path, false, &quietScale, kNewScale, NullOutput());
        platform::ErrorCode quietCode = platform::LastError();
        bool debugOk = scan(path, false, &debugScale, kNewScale, debug);
        FUZZ_ASSERT(quietOk == debugOk);
        FUZZ_ASSERT(quietOk ? quietScale == debugScale : quietCode == platform::LastError());
        if (quietOk && !viewed) viewed = true, viewScale = quietScale;
    }
    std::vector<std::uint8_t> after = ReadBack(path);
    FUZZ_ASSERT(after.size() == size && std::equal(after.begin(), after.end(), data));

    std::uint16_t oldScale = 0;
    bool updated = ScanRsrcSection(path, true, &oldScale, kNewScale, NullOutput()) ||
                   ScanDataSection(path, true, &oldScale, kNewScale, NullOutput());
    after = ReadBack(path);
    FUZZ_ASSERT(after.size() == size && updated == viewed);
    fuzz::CheckUpdate(data, after.data(), size, kNewScale, viewed, viewScale, updated, oldScale);
    std::remove(path);  // libFuzzer ends the process without running exit handlers
    return 0;
}
