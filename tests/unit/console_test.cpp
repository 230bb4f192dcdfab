#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "console.h"

namespace {

// The letters (and arguments) NextOption yields for a command line, and where the
// model file names begin.
std::string Parse(std::vector<const char*> words, int* firstName = nullptr) {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>("Vorbix"));
    for (const char* word : words) argv.push_back(const_cast<char*>(word));
    OptionIndex = 1;
    OptionPosition = 1;
    OptionArgument = nullptr;
    std::string result;
    int argc = static_cast<int>(argv.size());
    for (int letter; (letter = NextOption(argc, argv.data(), "ehn:s:vx?")) != -1;) {
        result += static_cast<char>(letter);
        if (OptionArgument != nullptr && (letter == 's' || letter == 'n')) result += "(" + std::string(OptionArgument) + ")";
        result += ' ';
    }
    if (firstName != nullptr) *firstName = OptionIndex;
    return result;
}

TEST(NextOption, GroupsArgumentsAndTheEndOfOptions) {
    int first = 0;
    EXPECT_EQ(Parse({"-xv", "m.mdl"}, &first), "x v ");
    EXPECT_EQ(first, 2);
    EXPECT_EQ(Parse({"-vs5"}), "v s(5) ");
    EXPECT_EQ(Parse({"-sv"}), "s(v) ");
    EXPECT_EQ(Parse({"-s", "-1"}), "s(-1) ");
    EXPECT_EQ(Parse({"-nologo", "-n", "ologo"}), "n(ologo) n(ologo) ");
    EXPECT_EQ(Parse({"-x", "--", "-v"}, &first), "x ");
    EXPECT_EQ(first, 3);
    EXPECT_EQ(Parse({"-", "-x"}, &first), "");
    EXPECT_EQ(first, 1);
    EXPECT_EQ(Parse({"m.mdl", "-x"}, &first), "");
    EXPECT_EQ(first, 1);
}

TEST(NextOption, UnknownLettersAndMissingArguments) {
    EXPECT_EQ(Parse({"-qx"}), "? x ");
    EXPECT_EQ(Parse({"-:"}), "? ");
    EXPECT_EQ(Parse({"-?"}), "? ");
    int first = 0;
    EXPECT_EQ(Parse({"-x", "-s"}, &first), "x ? ");
    EXPECT_EQ(first, 3);
}

TEST(ReportError, TextsForEveryCodeTheEngineLeaves) {
    for (std::uint32_t code : {1u, 2u, 3u, 5u, 32u, 80u, 87u, 112u, 122u, 193u, 206u, 1006u, 1813u}) {
        std::string text = ErrorText(code);
        EXPECT_FALSE(text.empty()) << code;
        EXPECT_EQ(text.back(), '\n') << code;
#ifndef _WIN32
        // Our own texts; on Windows they are the system's.
        EXPECT_EQ(text.find("No message text"), std::string::npos) << code;
#endif
    }
#ifndef _WIN32
    EXPECT_EQ(ErrorText(0x4D2), "No message text for error code X\"4d2\".\n");
#endif
}

TEST(DebugPrint, WritesNothingWhileDebugIsOff) {
    std::uint32_t saved = RunFlags;
    RunFlags = 0;
    EXPECT_EQ(DebugPrint("Dbg: %s\n", "quiet"), 0);
    RunFlags = saved;
}

}  // namespace
