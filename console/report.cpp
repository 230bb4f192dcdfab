// Debug lines, system error texts and the parser's complaints.
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "console.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>

#include "platform/platform.h"
#endif

int DebugPrint(const char* format, ...) {
    if ((RunFlags & RunDebug) == 0) return 0;
    va_list args;
    va_start(args, format);
    int count = std::vfprintf(stderr, format, args);
    va_end(args);
    return count;
}

namespace {

std::string NoMessageText(std::uint32_t code) {
    char line[64];
    std::snprintf(line, sizeof line, "No message text for error code X\"%x\".\n", code);
    return line;
}

}  // namespace

#ifdef _WIN32

std::string ErrorText(std::uint32_t code) {
    char* text = nullptr;
    // Inserts are ignored: some texts hold "%1", and there is nothing to put in them.
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, code,
                                  MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), reinterpret_cast<LPSTR>(&text), 80, nullptr);
    if (length == 0 || text == nullptr) return NoMessageText(code);
    std::string message(text);
    LocalFree(text);
    return message;
}

void WriteComplaint(const char* text) {
    // Written to the console itself: when standard error is not a console, it is lost.
    DWORD written = 0;
    WriteConsoleA(GetStdHandle(STD_ERROR_HANDLE), text, static_cast<DWORD>(std::strlen(text)), &written, nullptr);
}

#else

std::string ErrorText(std::uint32_t code) {
    // The Windows codes the engine and its OS layer leave, in our own words.
    switch (code) {
        case platform::kErrorInvalidFunction: return "The model's code is not the expected instruction sequence.\n";
        case platform::kErrorFileNotFound: return "The file cannot be found.\n";
        case platform::kErrorPathNotFound: return "The path cannot be found.\n";
        case platform::kErrorTooManyOpenFiles: return "Too many files are open.\n";
        case platform::kErrorAccessDenied: return "Access is denied: the file is read-only, a directory or not permitted.\n";
        case platform::kErrorNotEnoughMemory: return "There is not enough memory for this operation.\n";
        case platform::kErrorGenFailure: return "The system could not carry out the operation.\n";
        case platform::kErrorSharingViolation: return "The file is in use.\n";
        case platform::kErrorFileExists: return "The file exists already.\n";
        case platform::kErrorInvalidParameter: return "A parameter is not valid.\n";
        case platform::kErrorDiskFull: return "There is not enough space on the disk.\n";
        case platform::kErrorInsufficientBuffer: return "The name is too long.\n";
        case platform::kErrorBadExeFormat: return "The file is not a valid 32-bit model image.\n";
        case platform::kErrorFilenameExceedsRange: return "The file name or extension is too long.\n";
        case platform::kErrorFileTooLarge: return "The file is too large.\n";
        case platform::kErrorFileInvalid: return "The file is empty or damaged.\n";
        case platform::kErrorIoDevice: return "The device reported an input or output error.\n";
        case platform::kErrorResourceTypeNotFound: return "The resource section holds no model code.\n";
        case platform::kErrorCantResolveFilename: return "The file name cannot be resolved.\n";
        default: return NoMessageText(code);
    }
}

void WriteComplaint(const char* text) {
    // As on Windows, the complaint goes to the console (terminal) behind standard error
    // and is lost when standard error is redirected.
    if (isatty(STDERR_FILENO)) std::fputs(text, stderr);
}

#endif

void ReportError(std::uint32_t code) {
    if ((RunFlags & RunErrorText) == 0) return;
    std::fprintf(stderr, "%s", ErrorText(code).c_str());
}
