#include <cstdio>

#include "console.h"
#include "engine.h"

namespace {

constexpr int kInvalidParameter = static_cast<int>(platform::kErrorInvalidParameter);

const char kBanner[] =
    "Vorbix Model File Scaling Utility  Version 1.0.1.9142\n"
    "Copyright (C) 2026 quarnel. All rights reserved.\n"
    "\n";

const char kUsage[] = "Usage: Vorbix [-nologo] [-hvx?] [-s Scale] Mdlfile [Mdlfile ...]\n\n";

const char kHelp[] =
    "  Options:\n"
    "    h - Help, (this)\n"
    "    s - Specify the scale value to set. Default is 9.\n"
    "    v - View Only. View the current scale without updating it.\n"
    "    x - Debug. Emit [numerous] debug messages.\n"
    "    ? - Usage.\n"
    "\n"
    "    nologo - Don't display copyright information.\n"
    "    Scale - The scale value to set for the SUPER_SCALE instruction.\n"
    "    Mdlfile - The name of the Model file to modify.\n"
    "\n"
    "With no parameters, other than the name of a Model file, Vorbix adjusts\n"
    "the scale in the specified Model file to the [default] value \"9\".\n"
    "\n"
    "The \"-s\" option can be used to specify a different scale, which must be\n"
    "in the range [0..16].\n"
    "\n"
    "A backup copy of the original Model fileis created using a name built in\n"
    "the following format:\n"
    "\n"
    "Mdlbasename.Zyyyymmddhhmmss.MDL\n"
    "\n"
    "where \"yyyymmddhhmmss\" is the date and time when the utility began to\n"
    "process the specified file.\n"
    "\n";

// The engine's lines: reports to standard output, "Dbg: " lines through DebugPrint.
class ConsoleOutput : public vorbix::Output {
public:
    void Write(const char* text) override { std::fputs(text, stdout); }
    bool DebugEnabled() const override { return (RunFlags & RunDebug) != 0; }
    void WriteDebug(const char* text) override {
        // Keeps report and debug lines in order when both streams go to one place.
        std::fflush(stdout);
        DebugPrint("%s", text);
    }
};

}  // namespace

int RunVorbix(int argc, char** argv) {
#ifdef _WIN32
    // The Windows C runtime writes an unbuffered standard output one byte per WriteFile;
    // buffered, each file's report is one write (flushed below).
    static char reportBuffer[1 << 14];
    std::setvbuf(stdout, reportBuffer, _IOFBF, sizeof reportBuffer);
#endif
    const CommandLine line = ParseCommandLine(argc, argv);
    if (line.command == Command::Usage) {
        std::printf("%s", kUsage);
        return 0;
    }
    if (line.command == Command::Help) {
        std::printf("%s%s", kUsage, kHelp);
        return 0;
    }
    const std::int32_t scale = line.scale;
    if ((RunFlags & RunNoLogo) == 0) std::printf("%s", kBanner);
    // Only the low 16 bits are a scale; 0 to 15 pass.
    if ((static_cast<std::uint32_t>(scale) & 0xFFFF) > 15) {
        std::printf("ERROR:%x  Invalid scale value.\n", kInvalidParameter);
        return kInvalidParameter;
    }
    if (OptionIndex >= argc) {
        std::printf("ERROR:%x  At least one .MDL file must be specified.\n", kInvalidParameter);
        return kInvalidParameter;
    }
    ConsoleOutput out;
    const auto mode = vorbix::TransactionMode::Console(out, (RunFlags & RunViewOnly) != 0);
    for (int i = OptionIndex; i < argc; ++i) {
        bool updated = vorbix::UpdateModelFile(argv[i], static_cast<std::uint32_t>(scale), mode);
        std::uint32_t code = platform::LastError();
        if (!updated) std::printf("ERROR:%x  Processing failed for %s\n", code, argv[i]);
        // Each file's report as it is done; the system text goes to standard error after it.
        std::fflush(stdout);
        if (!updated) ReportError(code);
    }
    return 0;
}
