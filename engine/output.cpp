#include "output.h"

#include <cstdarg>
#include <cstdio>
#include <string>

namespace vorbix {
namespace {

std::string Format(const char* format, va_list args) {
    char small[512];
    va_list copy;
    va_copy(copy, args);
    int length = std::vsnprintf(small, sizeof small, format, copy);
    va_end(copy);
    if (length < 0) return std::string();
    if (static_cast<std::size_t>(length) < sizeof small) return std::string(small, static_cast<std::size_t>(length));
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    std::vsnprintf(text.data(), text.size(), format, args);
    text.resize(static_cast<std::size_t>(length));
    return text;
}

}  // namespace

void Output::Write(const char*) {}
bool Output::DebugEnabled() const { return false; }
void Output::WriteDebug(const char*) {}

Output& NullOutput() {
    static Output silent;
    return silent;
}

void Print(Output& out, const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = Format(format, args);
    va_end(args);
    out.Write(text.c_str());
}

void Debug(Output& out, const char* format, ...) {
    if (!out.DebugEnabled()) return;
    va_list args;
    va_start(args, format);
    std::string text = Format(format, args);
    va_end(args);
    out.WriteDebug(text.c_str());
}

}  // namespace vorbix
