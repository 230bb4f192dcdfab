// Splitting file names into drive, directory, base name and extension, as the backup name
// and the console's true name need them. Both '\' and '/' separate directories, and a
// double-byte character counts as one character, so that its trail byte is never taken
// for a separator or a dot.
#pragma once

#include <cstddef>

namespace vorbix {

struct NameParts {
    std::size_t driveEnd = 0;      // "C:" or nothing
    std::size_t directoryEnd = 0;  // up to and including the last separator
    std::size_t extensionStart = 0;  // the last '.' after the directory, or the end
    std::size_t end = 0;
};

NameParts SplitName(const char* name);

// Characters (not bytes) in [begin, end) of name.
std::size_t CountCharacters(const char* name, std::size_t begin, std::size_t end);

}  // namespace vorbix
