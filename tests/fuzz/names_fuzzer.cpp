// Arbitrary file names through the name splitting and MakeBackupName. The input's first byte
// chooses the code page (single bytes, or code page 932's double-byte characters) and the
// next two the buffer's capacity; the rest, up to a NUL, is the name. The backup name fits
// its buffer, or the call fails with 122 exactly when it could not fit. Only look-ups reach
// the file system.
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "engine.h"
#include "fuzz.h"
#include "names.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace vorbix;
    if (size < 3) return 0;
    platform::UseDoubleByteCodePage((data[0] & 1) != 0);
    const std::uint32_t capacity = data[1] | (data[2] << 8);
    const std::string name(reinterpret_cast<const char*>(data + 3), size - 3);
    const char* text = name.c_str();  // cut at the first NUL

    const NameParts parts = SplitName(text);
    const std::size_t length = std::strlen(text);
    FUZZ_ASSERT(parts.end == length);
    FUZZ_ASSERT(parts.driveEnd <= parts.directoryEnd && parts.directoryEnd <= parts.extensionStart &&
                parts.extensionStart <= parts.end);
    FUZZ_ASSERT(parts.directoryEnd == parts.driveEnd || text[parts.directoryEnd - 1] == '\\' ||
                text[parts.directoryEnd - 1] == '/');
    FUZZ_ASSERT(parts.extensionStart == parts.end || text[parts.extensionStart] == '.');
    const std::size_t characters = CountCharacters(text, 0, length);
    FUZZ_ASSERT(characters <= length && 2 * characters >= length);

    // A buffer of exactly the capacity, so that a write past it shows.
    std::unique_ptr<char[]> buffer(capacity > 0 ? new char[capacity] : nullptr);
    std::uint32_t room = capacity;
    bool made = MakeBackupName(text, buffer.get(), &room);
    const std::size_t stampLength = 16;  // ".Zyyyymmddhhmmss"
    const std::size_t needed = length + stampLength + 1;
    bool partsFit = CountCharacters(text, parts.driveEnd, parts.directoryEnd) <= 255 &&
                    CountCharacters(text, parts.directoryEnd, parts.extensionStart) <= 255 &&
                    CountCharacters(text, parts.extensionStart, parts.end) <= 255;
    if (capacity == 0) {
        FUZZ_ASSERT(!made && platform::LastError() == platform::kErrorInvalidParameter);
    } else if (!made) {
        FUZZ_ASSERT(platform::LastError() == platform::kErrorInsufficientBuffer);
        FUZZ_ASSERT(!partsFit || needed > capacity || needed > platform::kMaxPath);
    } else {
        FUZZ_ASSERT(partsFit && needed <= capacity && needed <= platform::kMaxPath);
        const char* backup = buffer.get();
        FUZZ_ASSERT(std::strlen(backup) == needed - 1);
        FUZZ_ASSERT(std::memcmp(backup, text, parts.extensionStart) == 0);
        FUZZ_ASSERT(std::memcmp(backup + parts.extensionStart, ".Z", 2) == 0);
        for (std::size_t i = 2; i < stampLength; ++i) {
            char digit = backup[parts.extensionStart + i];
            FUZZ_ASSERT(digit >= '0' && digit <= '9');
        }
        // The extension as typed, case and all.
        FUZZ_ASSERT(std::strcmp(backup + parts.extensionStart + stampLength, text + parts.extensionStart) == 0);
    }
    return 0;
}
