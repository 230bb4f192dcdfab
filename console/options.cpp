#include <cstdio>
#include <cstring>

#include "console.h"

std::uint32_t RunFlags = 0;

int OptionIndex = 1;
int OptionPosition = 1;
const char* OptionArgument = nullptr;
int OptionLetter = 0;
int OptionErrors = 1;

namespace {

void Complain(const char* program, const char* message, int letter) {
    if (OptionErrors == 0) return;
    char line[512];
    std::snprintf(line, sizeof line, "%s %s %c\n", program, message, letter);
    WriteComplaint(line);
}

// Moves to the next character of the current argument, or to the next argument.
void Advance(char** argv) {
    ++OptionPosition;
    if (argv[OptionIndex][OptionPosition] == '\0') {
        ++OptionIndex;
        OptionPosition = 1;
    }
}

}  // namespace

int NextOption(int argc, char** argv, const char* options) {
    if (OptionPosition == 1) {
        if (OptionIndex >= argc || argv[OptionIndex][0] != '-' || argv[OptionIndex][1] == '\0') return -1;
        if (std::strcmp(argv[OptionIndex], "--") == 0) {
            ++OptionIndex;
            return -1;
        }
    }
    const char* argument = argv[OptionIndex];
    OptionLetter = static_cast<unsigned char>(argument[OptionPosition]);
    const char* known = OptionLetter == ':' ? nullptr : std::strchr(options, OptionLetter);
    if (known == nullptr) {
        Complain(argv[0], ": illegal option -- ", OptionLetter);
        Advance(argv);
        return '?';
    }
    if (known[1] == ':') {
        if (argument[OptionPosition + 1] != '\0') {
            OptionArgument = argument + OptionPosition + 1;
            ++OptionIndex;
        } else if (++OptionIndex >= argc) {
            Complain(argv[0], ": option requires an argument -- ", OptionLetter);
            OptionPosition = 1;
            return '?';
        } else {
            OptionArgument = argv[OptionIndex++];
        }
        OptionPosition = 1;
        return OptionLetter;
    }
    Advance(argv);
    OptionArgument = nullptr;
    return OptionLetter;
}
