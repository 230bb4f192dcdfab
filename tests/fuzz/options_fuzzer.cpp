// Arbitrary argument vectors through the console's option parsing: the input split at NUL
// bytes, each argument in a heap block of its own size, so that a read past an argument
// shows. The parse ends in one of its outcomes with the first model file name in reach;
// nothing touches a file.
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "console.h"
#include "fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::vector<std::unique_ptr<char[]>> arguments;
    auto add = [&](const char* text, std::size_t length) {
        arguments.emplace_back(new char[length + 1]);
        std::memcpy(arguments.back().get(), text, length);
        arguments.back()[length] = '\0';
    };
    add("Vorbix", 6);
    const char* text = reinterpret_cast<const char*>(data);
    for (std::size_t start = 0, i = 0; i <= size; ++i) {
        if (i < size && data[i] != 0) continue;
        add(text + start, i - start);
        start = i + 1;
    }
    std::vector<char*> argv;
    for (auto& argument : arguments) argv.push_back(argument.get());
    const int argc = static_cast<int>(argv.size());
    argv.push_back(nullptr);

    RunFlags = 0;
    OptionIndex = 1;
    OptionPosition = 1;
    OptionArgument = nullptr;
    OptionErrors = 1;  // complaints are formatted; they reach standard error only on a terminal
    const CommandLine line = ParseCommandLine(argc, argv.data());

    FUZZ_ASSERT(line.command == Command::Usage || line.command == Command::Help || line.command == Command::Process);
    FUZZ_ASSERT(OptionIndex >= 1 && OptionIndex <= argc);
    FUZZ_ASSERT((RunFlags & ~(RunDebug | RunErrorText | RunNoLogo | RunViewOnly)) == 0);
    if (line.command == Command::Process && OptionIndex < argc && std::strcmp(argv[OptionIndex - 1], "--") != 0) {
        // Options end at the first argument that is not one.
        const char* first = argv[OptionIndex];
        FUZZ_ASSERT(first[0] != '-' || first[1] == '\0');
    }
    return 0;
}
