// The OS layer's Windows semantics: the results here are what Windows gives.
#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "fixture.h"
#include "platform/platform.h"

namespace vorbix::test {
namespace {

class PlatformTest : public ScratchTest {};

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
