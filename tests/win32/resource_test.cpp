// Reads the resources of the built Vorbix.exe and Vorbixw.exe back as Windows sees them.
// VORBIX_EXE and VORBIXW_EXE in the environment name other builds of them, read as data: a
// 64-bit test reads a 32-bit program.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

namespace {

const char* ProgramPath(const char* variable = "VORBIX_EXE", const char* built = VORBIX_EXE) {
    const char* path = std::getenv(variable);
    return path != nullptr && *path != '\0' ? path : built;
}
const char* DialogProgramPath() { return ProgramPath("VORBIXW_EXE", VORBIXW_EXE); }

class VersionBlock : public ::testing::Test {
protected:
    void SetUp() override { Load(ProgramPath()); }
    void Load(const char* program) {
        DWORD ignored = 0;
        DWORD size = GetFileVersionInfoSizeA(program, &ignored);
        ASSERT_NE(size, 0u) << "no version block in " << program << ", error " << GetLastError();
        block_.resize(size);
        ASSERT_TRUE(GetFileVersionInfoA(program, 0, size, block_.data()));
    }
    std::string Value(const std::string& key) {
        void* text = nullptr;
        UINT length = 0;
        std::string path = "\\StringFileInfo\\" + table_ + "\\" + key;
        if (!VerQueryValueA(block_.data(), path.c_str(), &text, &length)) return "<missing>";
        return length == 0 ? std::string() : std::string(static_cast<const char*>(text));
    }
    // Version 1.0.x.y of file and product, flags mask 0x3F, an application, no file date.
    void ExpectFixedPart(DWORD versionLS, DWORD flags, DWORD os) {
        VS_FIXEDFILEINFO* fixed = nullptr;
        UINT length = 0;
        ASSERT_TRUE(VerQueryValueA(block_.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
        EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
        EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
        EXPECT_EQ(fixed->dwFileVersionLS, versionLS);
        EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
        EXPECT_EQ(fixed->dwProductVersionLS, versionLS);
        EXPECT_EQ(fixed->dwFileFlagsMask, 0x3Fu);
        EXPECT_EQ(fixed->dwFileFlags, flags);
        EXPECT_EQ(fixed->dwFileOS, os);
        EXPECT_EQ(fixed->dwFileType, 1u);
        EXPECT_EQ(fixed->dwFileDateMS | fixed->dwFileDateLS, 0u);
    }
    // One translation: US English in the given code page.
    void ExpectTranslation(WORD codePage) {
        WORD* translation = nullptr;
        UINT length = 0;
        ASSERT_TRUE(VerQueryValueA(block_.data(), "\\VarFileInfo\\Translation",
                                   reinterpret_cast<void**>(&translation), &length));
        ASSERT_EQ(length, 4u);
        EXPECT_EQ(translation[0], 0x0409);
        EXPECT_EQ(translation[1], codePage);
    }
    std::vector<char> block_;
    std::string table_ = "040904e4";
};

class DialogVersionBlock : public VersionBlock {
protected:
    void SetUp() override {
        table_ = "040904b0";
        Load(DialogProgramPath());
    }
};

TEST_F(VersionBlock, FixedPart) { ExpectFixedPart((1u << 16) | 9142u, 0u, 0x40004u); }

TEST_F(VersionBlock, TranslationAndStrings) {
    ExpectTranslation(0x04E4);
    EXPECT_EQ(Value("CompanyName").rfind("quarnel (", 0), 0u) << Value("CompanyName");
    EXPECT_EQ(Value("CompanyName").back(), ')');
    EXPECT_EQ(Value("FileDescription"), "Vorbix Model File Scaling Utility");
    EXPECT_EQ(Value("FileVersion"), "1.0.1.9142");
    EXPECT_EQ(Value("InternalName"), "Vorbix Version 1.0.1.9142");
    EXPECT_FALSE(Value("LegalCopyright").empty());
    EXPECT_NE(Value("LegalCopyright"), "<missing>");
    EXPECT_EQ(Value("LegalTrademarks"), "");
    EXPECT_EQ(Value("ProductName"), "Vorbix");
    EXPECT_EQ(Value("ProductVersion"), "1.0.1.9142");
    EXPECT_EQ(Value("OriginalFilename"), "Vorbix.exe");
    EXPECT_EQ(Value("Comments"), "Vorbix Version 1.0.1.9142");
}

// Icon directory entries as a group icon resource stores them.
#pragma pack(push, 2)
struct GroupIconEntry {
    BYTE width, height, colours, reserved;
    WORD planes, bitCount;
    DWORD bytes;
    WORD id;
};
#pragma pack(pop)

void ExpectIconsOf16Colours(const char* program, WORD groupId, const std::vector<int>& expected) {
    HMODULE exe = LoadLibraryExA(program, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(exe, nullptr);
    HRSRC group = FindResourceA(exe, MAKEINTRESOURCEA(groupId), reinterpret_cast<LPCSTR>(RT_GROUP_ICON));
    ASSERT_NE(group, nullptr);
    const BYTE* data = static_cast<const BYTE*>(LockResource(LoadResource(exe, group)));
    ASSERT_NE(data, nullptr);
    WORD count = *reinterpret_cast<const WORD*>(data + 4);
    ASSERT_EQ(count, expected.size());
    const GroupIconEntry* entries = reinterpret_cast<const GroupIconEntry*>(data + 6);
    std::vector<int> sizes;
    for (WORD i = 0; i < count; ++i) {
        sizes.push_back(entries[i].width);
        EXPECT_EQ(entries[i].width, entries[i].height);
        EXPECT_EQ(entries[i].colours, 16);
        EXPECT_EQ(entries[i].bitCount, 4);
        HRSRC image = FindResourceA(exe, MAKEINTRESOURCEA(entries[i].id), reinterpret_cast<LPCSTR>(RT_ICON));
        EXPECT_NE(image, nullptr);
    }
    EXPECT_EQ(sizes, expected);
    FreeLibrary(exe);
}

// Vorbixw's icon has a 48 by 48 image too, which scaled displays pick.
TEST(Icon, ImagesOf16Colours) {
    ExpectIconsOf16Colours(ProgramPath(), 1, {32, 16});
    ExpectIconsOf16Colours(DialogProgramPath(), 128, {48, 32, 16});
}

// Common controls 6, the system's DPI, Vista to 11; no execution level, so that Windows
// keeps virtualizing writes under Program Files.
TEST(Manifest, VisualStylesDpiAndNoExecutionLevel) {
    HMODULE exe = LoadLibraryExA(DialogProgramPath(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(exe, nullptr);
    HRSRC found = FindResourceA(exe, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));  // RT_MANIFEST
    ASSERT_NE(found, nullptr);
    const std::string text(static_cast<const char*>(LockResource(LoadResource(exe, found))), SizeofResource(exe, found));
    FreeLibrary(exe);
    for (const char* part : {"name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"",
                             "<dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">true</dpiAware>",
                             "{e2011457-1546-43c5-a5fe-008deee3d3f0}", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
                             "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}", "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",
                             "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"})
        EXPECT_NE(text.find(part), std::string::npos) << part;
    for (const char* absent : {"<trustInfo", "<requestedExecutionLevel"})
        EXPECT_EQ(text.find(absent), std::string::npos) << absent;
}

TEST_F(DialogVersionBlock, FixedPart) { ExpectFixedPart((2u << 16) | 9169u, 0x2Au, 0x4u); }

TEST_F(DialogVersionBlock, TranslationAndStrings) {
    ExpectTranslation(0x04B0);
    const std::string release = "Vorbix Version 1.0.2.9169-W Pre-release";
    const std::pair<const char*, std::string> strings[] = {
        {"Comments", release},          {"FileDescription", release},     {"FileVersion", "1, 0, 2, 9169"},
        {"InternalName", "Vorbixw"},    {"LegalTrademarks", ""},          {"OriginalFilename", "Vorbixw.exe"},
        {"PrivateBuild", "1.0.2.9169-W Pre-release"}, {"ProductName", release}, {"ProductVersion", "1, 0, 2, 9169"},
        {"SpecialBuild", release},
    };
    for (const auto& [key, value] : strings) EXPECT_EQ(Value(key), value) << key;
    EXPECT_EQ(Value("CompanyName").rfind("quarnel (", 0), 0u) << Value("CompanyName");
    EXPECT_NE(Value("LegalCopyright"), "<missing>");
}

// The dialog templates' headers: style, extended style, number of controls, size in
// dialog units.
TEST(DialogTemplates, StylesSizesAndControls) {
    HMODULE exe = LoadLibraryExA(DialogProgramPath(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(exe, nullptr);
    struct Expected {
        WORD id;
        bool extended;
        DWORD style, exStyle;
        WORD controls;
        short cx, cy;
    };
    const Expected templates[] = {
        {102, true, 0x90CE0844, 0x00040000, 11, 214, 113},
        {129, false, 0x80C800C0, 0, 3, 226, 65},
        {130, false, 0x80CC0040, 0, 7, 280, 164},
        {131, true, 0x80CC0040, 0, 2, 300, 200},
        {133, true, 0x80CC0040, 0, 8, 360, 220},
    };
    for (const Expected& e : templates) {
        SCOPED_TRACE(e.id);
        HRSRC found = FindResourceA(exe, MAKEINTRESOURCEA(e.id), reinterpret_cast<LPCSTR>(RT_DIALOG));
        ASSERT_NE(found, nullptr);
        const BYTE* data = static_cast<const BYTE*>(LockResource(LoadResource(exe, found)));
        auto word = [&](int at) { return *reinterpret_cast<const WORD*>(data + at); };
        auto dword = [&](int at) { return *reinterpret_cast<const DWORD*>(data + at); };
        bool extended = word(0) == 1 && word(2) == 0xFFFF;
        EXPECT_EQ(extended, e.extended);
        int base = extended ? 8 : 0;  // DLGTEMPLATEEX: version, signature, help id first
        EXPECT_EQ(dword(base + (extended ? 4 : 0)), e.style);
        EXPECT_EQ(dword(base + (extended ? 0 : 4)), e.exStyle);
        EXPECT_EQ(word(base + 8), e.controls);
        EXPECT_EQ(static_cast<short>(word(base + 14)), e.cx);
        EXPECT_EQ(static_cast<short>(word(base + 16)), e.cy);
    }
    FreeLibrary(exe);
}

}  // namespace
