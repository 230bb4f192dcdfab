// Where the engine's lines go. The console program supplies a sink that writes report
// lines to standard output and "Dbg: " lines to standard error; the dialog program
// supplies none, and the engine then writes nothing.
#pragma once

#if defined(__MINGW32__)
#define VORBIX_PRINTF(f, a) __attribute__((format(gnu_printf, f, a)))
#else
#define VORBIX_PRINTF(f, a) __attribute__((format(printf, f, a)))
#endif

namespace vorbix {

class Output {
public:
    virtual ~Output() = default;
    virtual void Write(const char* text);
    virtual bool DebugEnabled() const;
    virtual void WriteDebug(const char* text);
};

// A sink that writes nothing.
Output& NullOutput();

// printf-style report line.
void Print(Output& out, const char* format, ...) VORBIX_PRINTF(2, 3);
// printf-style "Dbg: " line; formats nothing while debug output is off.
void Debug(Output& out, const char* format, ...) VORBIX_PRINTF(2, 3);

}  // namespace vorbix
