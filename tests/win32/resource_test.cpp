// Reads the resources of the built Vorbix.exe back as Windows sees them. VORBIX_EXE in the
// environment names another build of it, read as data: a 64-bit test reads a 32-bit program.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

const char* ProgramPath() {
    const char* path = std::getenv("VORBIX_EXE");
    return path != nullptr && *path != '\0' ? path : VORBIX_EXE;
}

class VersionBlock : public ::testing::Test {
protected:
    void SetUp() override {
        DWORD ignored = 0;
        DWORD size = GetFileVersionInfoSizeA(ProgramPath(), &ignored);
        ASSERT_NE(size, 0u) << "no version block in " << ProgramPath() << ", error " << GetLastError();
        block_.resize(size);
        ASSERT_TRUE(GetFileVersionInfoA(ProgramPath(), 0, size, block_.data()));
    }
    std::string Value(const std::string& key) {
        void* text = nullptr;
        UINT length = 0;
        std::string path = "\\StringFileInfo\\040904e4\\" + key;
        if (!VerQueryValueA(block_.data(), path.c_str(), &text, &length)) return "<missing>";
        return length == 0 ? std::string() : std::string(static_cast<const char*>(text));
    }
    std::vector<char> block_;
};

TEST_F(VersionBlock, FixedPart) {
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(block_.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwFileVersionLS, (1u << 16) | 9142u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwProductVersionLS, (1u << 16) | 9142u);
    EXPECT_EQ(fixed->dwFileFlagsMask, 0x3Fu);
    EXPECT_EQ(fixed->dwFileFlags, 0u);
    EXPECT_EQ(fixed->dwFileOS, 0x40004u);
    EXPECT_EQ(fixed->dwFileType, 1u);
}

TEST_F(VersionBlock, TranslationAndStrings) {
    WORD* translation = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(block_.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation),
                               &length));
    ASSERT_EQ(length, 4u);
    EXPECT_EQ(translation[0], 0x0409);
    EXPECT_EQ(translation[1], 0x04E4);
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

TEST(Icon, TwoImagesOf16Colours) {
    HMODULE exe = LoadLibraryExA(ProgramPath(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(exe, nullptr);
    HRSRC group = FindResourceA(exe, MAKEINTRESOURCEA(1), reinterpret_cast<LPCSTR>(RT_GROUP_ICON));
    ASSERT_NE(group, nullptr);
    const BYTE* data = static_cast<const BYTE*>(LockResource(LoadResource(exe, group)));
    ASSERT_NE(data, nullptr);
    WORD count = *reinterpret_cast<const WORD*>(data + 4);
    ASSERT_EQ(count, 2);
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
    EXPECT_EQ(sizes, (std::vector<int>{32, 16}));
    FreeLibrary(exe);
}

}  // namespace
