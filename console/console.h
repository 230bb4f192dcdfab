// The console program Vorbix: its option word, option parser, debug and error output.
#pragma once

#include <cstdint>
#include <string>

#include "output.h"

// The process-wide option word, set only while the options are parsed.
extern std::uint32_t RunFlags;
enum : std::uint32_t {
    RunDebug = 0x00000001,      // -x: "Dbg: " lines on standard error
    RunErrorText = 0x00000002,  // -e: the system's text after each failed file
    RunNoLogo = 0x00000004,     // -nologo: no banner
    RunViewOnly = 0x10000000,   // -v: show the scale only; no backup, nothing written
};

// Option parser state, process-wide as the parser keeps it between calls.
extern int OptionIndex;
extern int OptionPosition;
extern const char* OptionArgument;
extern int OptionLetter;
extern int OptionErrors;

// One option letter per call; '?' for an unknown letter or a missing argument; -1 when
// the options have ended, with OptionIndex at the first model file name.
int NextOption(int argc, char** argv, const char* options);

// What the command line asks for once its options are read.
enum class Command { Usage, Help, Process };
struct CommandLine {
    Command command = Command::Process;
    std::int32_t scale = 9;  // as typed; 0xFFFF when -s is not followed by a number
};

// Reads the options, setting RunFlags; OptionIndex is left at the first model file name.
CommandLine ParseCommandLine(int argc, char** argv);

// printf to standard error while RunDebug is set; returns the count written, or 0.
int DebugPrint(const char* format, ...) VORBIX_PRINTF(1, 2);

// With RunErrorText, writes the system's text for a Windows error code to standard error.
void ReportError(std::uint32_t code);
// The text ReportError writes for code.
std::string ErrorText(std::uint32_t code);

// The complaint of the option parser, on the console behind standard error.
void WriteComplaint(const char* text);

// The whole program: options, banner, scale test, one update per named file.
int RunVorbix(int argc, char** argv);
