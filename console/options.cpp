#include <cctype>
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

constexpr const char* kOptions = "ehn:s:vx?";

// Reads a decimal integer as "%d" does: leading white space, an optional sign, digits;
// what follows the digits is ignored. The value wraps as a 32-bit integer, the same on
// every platform.
bool ReadInteger(const char* text, std::int32_t& value) {
    while (std::isspace(static_cast<unsigned char>(*text))) ++text;
    bool negative = *text == '-';
    if (*text == '-' || *text == '+') ++text;
    if (!std::isdigit(static_cast<unsigned char>(*text))) return false;
    std::uint32_t magnitude = 0;
    while (std::isdigit(static_cast<unsigned char>(*text))) magnitude = magnitude * 10 + static_cast<std::uint32_t>(*text++ - '0');
    value = static_cast<std::int32_t>(negative ? 0u - magnitude : magnitude);
    return true;
}

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

CommandLine ParseCommandLine(int argc, char** argv) {
    CommandLine line;
    for (int letter; (letter = NextOption(argc, argv, kOptions)) != -1;) {
        switch (letter) {
            case '?': line.command = Command::Usage; return line;
            case 'h': line.command = Command::Help; return line;
            case 'e': RunFlags |= RunErrorText; break;
            case 'n':
                if (std::strcmp(OptionArgument, "ologo") == 0) RunFlags |= RunNoLogo;
                break;
            case 's':
                if (!ReadInteger(OptionArgument, line.scale)) line.scale = 0xFFFF;
                break;
            case 'v': RunFlags |= RunViewOnly; break;
            case 'x': RunFlags |= RunDebug; break;
            default: break;
        }
    }
    return line;
}
