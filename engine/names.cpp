#include "names.h"

#include <cstring>

#include "platform/platform.h"

namespace vorbix {

NameParts SplitName(const char* name) {
    NameParts parts;
    parts.end = std::strlen(name);
    if (parts.end >= 2 && name[1] == ':') parts.driveEnd = 2;
    parts.directoryEnd = parts.driveEnd;
    std::size_t lastDot = parts.end;
    for (std::size_t i = parts.driveEnd; i < parts.end; ++i) {
        unsigned char c = static_cast<unsigned char>(name[i]);
        if (platform::IsLeadByte(c) && i + 1 < parts.end) {
            ++i;
        } else if (c == '\\' || c == '/') {
            parts.directoryEnd = i + 1;
            lastDot = parts.end;
        } else if (c == '.') {
            lastDot = i;
        }
    }
    parts.extensionStart = lastDot;
    return parts;
}

std::size_t CountCharacters(const char* name, std::size_t begin, std::size_t end) {
    std::size_t count = 0;
    for (std::size_t i = begin; i < end; ++i, ++count)
        if (platform::IsLeadByte(static_cast<unsigned char>(name[i])) && i + 1 < end) ++i;
    return count;
}

}  // namespace vorbix
