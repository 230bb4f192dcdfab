// The OS layer's Windows semantics: the results here are what Windows gives.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <thread>

#include "fixture.h"
#include "installation.h"
#include "platform/platform.h"

namespace vorbix::test {
namespace {

class PlatformTest : public ScratchTest {};

#ifdef _WIN32
constexpr bool kWindows = true;
#else
constexpr bool kWindows = false;
#endif

TEST_F(PlatformTest, ReadOnlyFilesAreNeitherWrittenReplacedNorDeleted) {
    SKIP_UNLESS_READ_ONLY_ENFORCED();
    Write("ro.mdl", mdlgen::Bytes{1, 2, 3});
    Write("src.mdl", mdlgen::Bytes{4});
    MakeReadOnly("ro.mdl");
    platform::MappedFile file;
    EXPECT_FALSE(file.Map("ro.mdl", true));
    EXPECT_EQ(file.FailedStep(), platform::MappedFile::Step::Open);
    EXPECT_EQ(platform::LastError(), 5u);
    EXPECT_TRUE(file.Map("ro.mdl", false));
    EXPECT_EQ(file.Size(), 3u);
    file.Release();
    EXPECT_FALSE(platform::CopyFileTo("src.mdl", "ro.mdl", false));
    EXPECT_EQ(platform::LastError(), 5u);
    EXPECT_FALSE(platform::ReplaceFileWith("src.mdl", "ro.mdl"));
    EXPECT_EQ(platform::LastError(), 5u);
    EXPECT_FALSE(platform::DeleteFileNamed("ro.mdl"));
    EXPECT_EQ(platform::LastError(), 5u);
    EXPECT_EQ(Read("ro.mdl"), (mdlgen::Bytes{1, 2, 3}));
    MakeReadOnly("ro.mdl", false);
    EXPECT_TRUE(platform::DeleteFileNamed("ro.mdl"));
}

TEST_F(PlatformTest, CopyCarriesTheAttributeAndHonoursFailIfExists) {
    Write("a.mdl", mdlgen::Bytes{1, 2});
    Write("b.mdl", mdlgen::Bytes{9});
    EXPECT_FALSE(platform::CopyFileTo("a.mdl", "b.mdl", true));
    EXPECT_EQ(platform::LastError(), 80u);
    EXPECT_TRUE(platform::CopyFileTo("a.mdl", "b.mdl", false));
    EXPECT_EQ(Read("b.mdl"), (mdlgen::Bytes{1, 2}));
    MakeReadOnly("a.mdl");
    EXPECT_TRUE(platform::CopyFileTo("a.mdl", "c.mdl", true));
    EXPECT_EQ(platform::GetAttributes("c.mdl"), platform::kAttributeArchive | platform::kAttributeReadOnly);
    EXPECT_EQ(platform::GetAttributes("b.mdl"), platform::kAttributeArchive);
    EXPECT_FALSE(platform::CopyFileTo("missing.mdl", "d.mdl", false));
    EXPECT_EQ(platform::LastError(), 2u);
    EXPECT_FALSE(platform::CopyFileTo("a.mdl", "nodir/d.mdl", false));
    EXPECT_EQ(platform::LastError(), 3u);
    EXPECT_EQ(Entries(), (std::vector<std::string>{"a.mdl", "b.mdl", "c.mdl"}));

    // A whole copy never replaces a file, however late its name was taken, and leaves
    // nothing where it is refused.
    EXPECT_FALSE(platform::CopyFileWhole("a.mdl", "b.mdl"));
    EXPECT_EQ(platform::LastError(), 80u);
    platform::InjectFault(platform::Operation::Rename, 80);
    EXPECT_FALSE(platform::CopyFileWhole("a.mdl", "w.mdl"));
    EXPECT_EQ(platform::LastError(), 80u);
    EXPECT_EQ(Entries(), (std::vector<std::string>{"a.mdl", "b.mdl", "c.mdl"}));
    EXPECT_TRUE(platform::CopyFileWhole("a.mdl", "w.mdl"));
    EXPECT_EQ(Read("w.mdl"), (mdlgen::Bytes{1, 2}));
    EXPECT_EQ(platform::GetAttributes("w.mdl"), platform::kAttributeArchive | platform::kAttributeReadOnly);

    // A replacement takes the source's bytes and attribute, and its name is gone.
    std::string entry;
    ASSERT_TRUE(platform::FindFirstEntry("c.mdl", entry));
    EXPECT_TRUE(platform::ReplaceFileWith("c.mdl", "b.mdl"));
    EXPECT_EQ(Read("b.mdl"), (mdlgen::Bytes{1, 2}));
    EXPECT_EQ(platform::GetAttributes("b.mdl"), platform::kAttributeArchive | platform::kAttributeReadOnly);
    EXPECT_FALSE(platform::FindFirstEntry("C.MDL", entry));
    EXPECT_TRUE(platform::SameFolder("b.mdl", ".\\x") || platform::SameFolder("b.mdl", "./x"));
    EXPECT_FALSE(platform::SameFolder("b.mdl", "nodir/x"));
}

TEST_F(PlatformTest, MissingFileAndMissingDirectoryAreTwoCodes) {
    EXPECT_EQ(platform::GetAttributes("none.mdl"), platform::kInvalidAttributes);
    EXPECT_EQ(platform::LastError(), 2u);
    EXPECT_EQ(platform::GetAttributes("nodir/none.mdl"), platform::kInvalidAttributes);
    EXPECT_EQ(platform::LastError(), 3u);
    platform::MappedFile file;
    EXPECT_FALSE(file.Map("nodir/none.mdl", false));
    EXPECT_EQ(platform::LastError(), 3u);
    EXPECT_FALSE(platform::DeleteFileNamed("none.mdl"));
    EXPECT_EQ(platform::LastError(), 2u);
    EXPECT_EQ(platform::GetAttributes("."), platform::kAttributeDirectory);
}

TEST_F(PlatformTest, EmptyFileCannotBeMapped) {
    Write("empty.mdl", mdlgen::Bytes{});
    platform::MappedFile file;
    EXPECT_FALSE(file.Map("empty.mdl", true));
    EXPECT_EQ(file.FailedStep(), platform::MappedFile::Step::CreateMapping);
    EXPECT_EQ(platform::LastError(), 1006u);
}

TEST_F(PlatformTest, StoreThroughTheViewReachesTheFile) {
    Write("m.mdl", mdlgen::Bytes{1, 2, 3, 4});
    {
        platform::MappedFile file;
        ASSERT_TRUE(file.Map("m.mdl", true));
        file.Data()[2] = 0x77;
    }
    EXPECT_EQ(Read("m.mdl"), (mdlgen::Bytes{1, 2, 0x77, 4}));
}

TEST_F(PlatformTest, TempFilesAreUniqueAndCreated) {
    std::set<std::string> names;
    for (int i = 0; i < 20; ++i) {
        char name[260];
        ASSERT_NE(platform::MakeTempFile(".", "KRV", name), 0u);
        std::string text(name);
        EXPECT_TRUE(text.rfind("./KRV", 0) == 0 || text.rfind(".\\KRV", 0) == 0) << text;
        EXPECT_EQ(text.substr(text.size() - 4), ".tmp");
        EXPECT_EQ(Read(text.substr(2)).size(), 0u);
        names.insert(text);
    }
    EXPECT_EQ(names.size(), 20u);
}

TEST_F(PlatformTest, LookUpIgnoresCaseAndReturnsNamesInOrder) {
    for (const char* name : {"b.mdl", "A.MDL", "c.txt", "a2.mdl"}) Write(name, mdlgen::Bytes{1});
    std::string entry;
    ASSERT_TRUE(platform::FindFirstEntry("a.mdl", entry));
    EXPECT_EQ(entry, "A.MDL");
    ASSERT_TRUE(platform::FindFirstEntry("*.MDL", entry));
    EXPECT_EQ(entry, "A.MDL");
    ASSERT_TRUE(platform::FindFirstEntry("?.mdl", entry));
    EXPECT_EQ(entry, "A.MDL");
    ASSERT_TRUE(platform::FindFirstEntry("*2*", entry));
    EXPECT_EQ(entry, "a2.mdl");
    ASSERT_TRUE(platform::FindFirstEntry("C.*", entry));
    EXPECT_EQ(entry, "c.txt");
    EXPECT_FALSE(platform::FindFirstEntry("*.zip", entry));
    EXPECT_EQ(platform::LastError(), 2u);
}

// A batch looks names up again and again in one directory while the layer and others
// change it: every look-up must see the directory as it is.
TEST_F(PlatformTest, LookUpFollowsChangesToTheDirectory) {
    namespace fs = std::filesystem;
    fs::create_directories("other");
    auto external = [](const char* name) { std::ofstream(name) << "x"; };
    char temp[platform::kMaxPath] = "";
    struct Step {
        std::function<void()> change;
        const char* pattern;
        const char* found;  // nullptr: not found (2)
    };
    const Step steps[] = {
        {[&] { external("Alpha.MDL"); }, "alpha.mdl", "Alpha.MDL"},
        {nullptr, "beta.mdl", nullptr},
        {[&] { external("BETA.mdl"); }, "Beta.MDL", "BETA.mdl"},
        {[&] { ASSERT_TRUE(platform::CopyFileTo("Alpha.MDL", "gamma.MDL", true)); }, "GAMMA.mdl", "gamma.MDL"},
        {[&] { ASSERT_TRUE(platform::DeleteFileNamed("gamma.MDL")); }, "GAMMA.mdl", nullptr},
        {[&] { fs::remove("Alpha.MDL"); }, "ALPHA.MDL", nullptr},
        {[&] { external("other/Alpha.MDL"); }, "other/alpha.mdl", "Alpha.MDL"},
        // Natively the first in name order; Windows gives the file system's first.
        {[&] { external("Case.mdl"); external("CASE.mdl"); }, "case.MDL", kWindows ? "Case.mdl|CASE.mdl" : "CASE.mdl"},
        {[&] { ASSERT_NE(platform::MakeTempFile(".", "KRV", temp), 0u); }, "*.tmp", nullptr},
        {[&] { fs::rename("BETA.mdl", "beta2.mdl"); }, "BETA.MDL", nullptr},
        {nullptr, "*.MDL", "beta2.mdl"},
        {[&] { ASSERT_TRUE(platform::CopyFileTo("missing", "never.mdl", false) == false); }, "NEVER.MDL", nullptr},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.pattern);
        if (step.change) step.change();
        std::string entry;
        bool found = platform::FindFirstEntry(step.pattern, entry);
        if (std::string(step.pattern) == "*.tmp") {
            // The working copy the layer made is listed at once.
            ASSERT_TRUE(found);
            std::string made(temp);
            EXPECT_EQ(made.substr(made.size() - entry.size()), entry);
            continue;
        }
        EXPECT_EQ(found, step.found != nullptr);
        if (step.found != nullptr) {
            std::string alternatives = std::string("|") + step.found + "|";
            EXPECT_NE(alternatives.find("|" + entry + "|"), std::string::npos) << entry << " is not " << step.found;
        } else {
            EXPECT_EQ(platform::LastError(), 2u);
        }
    }
}

// Where the kernel copies and where it refuses, so that the plain loop copies: the same
// bytes, the source's last-write time and its read-only attribute.
TEST_F(PlatformTest, CopyKeepsBytesTimeAndAttributeWithOrWithoutTheKernelCopy) {
    namespace fs = std::filesystem;
    mdlgen::Bytes bytes(300 * 1024 + 17);
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 31 + i / 256);
    Write("source.mdl", bytes);
    auto written = fs::file_time_type::clock::now() - std::chrono::hours(24 * 400);
    fs::last_write_time("source.mdl", written);
    MakeReadOnly("source.mdl");
    for (bool refused : {false, true}) {
        SCOPED_TRACE(refused ? "kernel copy refused" : "kernel copy");
        Write("over.mdl", mdlgen::Bytes{1, 2, 3});
#ifdef _WIN32
        if (refused) continue;  // CopyFileA is the whole copy
#endif
        if (refused) platform::InjectFault(platform::Operation::KernelCopy, 95, 0, 2);
        ASSERT_TRUE(platform::CopyFileTo("source.mdl", "new.mdl", true));
        ASSERT_TRUE(platform::CopyFileTo("source.mdl", "over.mdl", false));
        EXPECT_FALSE(platform::FaultInjected(platform::Operation::KernelCopy)) << "both copies took the loop";
        for (const char* copy : {"new.mdl", "over.mdl"}) {
            SCOPED_TRACE(copy);
            EXPECT_EQ(Read(copy), bytes);
            // Natively to the nanosecond; Wine's CopyFileA keeps it to the second.
            auto drift = fs::last_write_time(copy) - written;
            EXPECT_LE(std::chrono::abs(drift), kWindows ? std::chrono::seconds(1) : fs::file_time_type::duration(0));
            // Wine's CopyFileA does not carry the attribute to a file that it replaces
            // (Windows does).
            if (!kWindows || std::string(copy) == "new.mdl") {
                EXPECT_EQ(platform::GetAttributes(copy), platform::kAttributeArchive | platform::kAttributeReadOnly);
            }
            MakeReadOnly(copy, false);
        }
        fs::remove("new.mdl");
    }
}

// A file is one file however it is named; a file that cannot be opened is known by its
// full path, so that spellings of one missing name agree too.
TEST_F(PlatformTest, FileIdentityIsTheFileNotItsName) {
    namespace fs = std::filesystem;
    fs::create_directory("sub");
    Write("M.MDL", mdlgen::Bytes{1});
    Write("sub/N.MDL", mdlgen::Bytes{1});
    fs::create_hard_link("M.MDL", "hard.MDL");
    std::error_code made;
    fs::create_symlink("M.MDL", "soft.MDL", made);
    const bool symlinks = !made && fs::is_symlink("soft.MDL");
    const std::string full = (dir_ / "M.MDL").string();
    struct Case {
        std::string a, b;
        bool same;
    };
    std::vector<Case> cases = {
        {"M.MDL", "./M.MDL", true},       {"M.MDL", "sub/../M.MDL", true}, {"sub/N.MDL", "sub//N.MDL", true},
        {"M.MDL", full, true},            {"M.MDL", "hard.MDL", false},    {"M.MDL", "sub/N.MDL", false},
        {"none.MDL", "./none.MDL", true}, {"none.MDL", "other.MDL", false}, {"none.MDL", "M.MDL", false},
    };
    if (kWindows) cases.insert(cases.end(), {{"M.MDL", "m.mdl", true}, {"sub\\N.MDL", ".\\sub\\\\N.MDL", true},
                                             {"none.MDL", "sub\\..\\NONE.mdl", true}});
    if (symlinks) cases.push_back({"M.MDL", "soft.MDL", true});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.a + " ~ " + c.b);
        platform::SetLastError(1813);
        EXPECT_EQ(platform::FileIdentity(c.a.c_str()) == platform::FileIdentity(c.b.c_str()), c.same);
        EXPECT_EQ(platform::LastError(), 1813u);
    }
}

// The layer is called from two threads at once, as the Fleet reads its cells: each thread
// gets what it gets alone, while both read an installation and make and delete files in
// its folders. make tsan runs this under ThreadSanitizer.
TEST_F(PlatformTest, TwoThreadsReadAnInstallation) {
    ASSERT_TRUE(mdlgen::WriteInstallation("CFS", mdlgen::FleetInstallation()));
    std::vector<std::string> models;
    for (const auto& entry : std::filesystem::recursive_directory_iterator("CFS"))
        if (entry.path().extension() == ".MDL") models.push_back(entry.path().string());
    std::sort(models.begin(), models.end());
    auto cells = [&](std::vector<std::string>& seen, bool changes) {
        for (int round = 0; round < 20; ++round)
            for (const std::string& model : models) {
                std::uint16_t scale = 0, installed = 0;
                std::vector<std::string> entries;
                std::string folder = model.substr(0, model.find_last_of("/\\") + 1);
                bool listed = platform::ListEntries((folder + "*").c_str(), entries);
                bool read = PeekModelScale(model.c_str(), &scale);
                bool found = ReadInstalledScale(model.c_str(), &installed);
                char temp[platform::kMaxPath];
                if (changes && platform::MakeTempFile(folder.c_str(), "KRV", temp) != 0) platform::DeleteFileNamed(temp);
                seen.push_back(model + " " + std::to_string(listed) + std::to_string(read) + std::to_string(found) + " " +
                               std::to_string(scale) + " " + std::to_string(installed));
            }
    };
    std::vector<std::string> alone, first, second;
    cells(alone, false);
    std::thread other(cells, std::ref(first), true);
    cells(second, true);
    other.join();
    EXPECT_EQ(first, alone);
    EXPECT_EQ(second, alone);
}

TEST_F(PlatformTest, ErrorKeeperRestoresTheCode) {
    platform::SetLastError(1813);
    {
        platform::ErrorKeeper keep;
        platform::SetLastError(5);
    }
    EXPECT_EQ(platform::LastError(), 1813u);
}

}  // namespace
}  // namespace vorbix::test
