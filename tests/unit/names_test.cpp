#include <gtest/gtest.h>

#include <cctype>

#include <cstdlib>
#include <ctime>
#include <regex>

#include "fixture.h"
#include "platform/platform.h"

namespace vorbix::test {
namespace {

class NamesTest : public ScratchTest {};

// Sets TZ for one test.
class TimeZone {
public:
    explicit TimeZone(const char* zone) {
        const char* old = std::getenv("TZ");
        hadOld_ = old != nullptr;
        if (hadOld_) old_ = old;
        Set(zone);
    }
    ~TimeZone() {
        if (hadOld_) Set(old_.c_str());
        else Set(nullptr);
    }

private:
    static void Set(const char* zone) {
#ifdef _WIN32
        _putenv_s("TZ", zone != nullptr ? zone : "");
        _tzset();
#else
        if (zone != nullptr) setenv("TZ", zone, 1);
        else unsetenv("TZ");
        tzset();
#endif
    }
    bool hadOld_ = false;
    std::string old_;
};

std::string Backup(const char* source) {
    char buffer[260];
    std::uint32_t capacity = sizeof buffer;
    if (!MakeBackupName(source, buffer, &capacity)) return "error " + std::to_string(platform::LastError());
    // The stamp is the time now; the tests compare the rest of the name.
    return std::regex_replace(std::string(buffer), std::regex("Z[0-9]{14}"), "Z<stamp>");
}

TEST(FormatStamp, LocalTimeAcrossMidnight) {
    platform::SystemTime utc{1999, 12, 5, 31, 23, 59, 59, 0};
    char stamp[32];
#ifdef _WIN32
    // Windows takes the zone from the system, once per process: the test lane starts this
    // test under Wine with TZ set for the whole process.
    const char* zone = std::getenv("TZ");
    if (zone == nullptr || std::string(zone) != "UTC-1") GTEST_SKIP() << "needs TZ=UTC-1 from the start";
#else
    TimeZone zone("UTC-1");  // POSIX spelling of one hour east of UTC
#endif
    ASSERT_TRUE(FormatStamp(utc, stamp, sizeof stamp));
    EXPECT_STREQ(stamp, "Z20000101005959");
#ifndef _WIN32
    TimeZone west("UTC+5");
    platform::SystemTime may{1999, 5, 6, 22, 21, 13, 27, 0};
    ASSERT_TRUE(FormatStamp(may, stamp, sizeof stamp));
    EXPECT_STREQ(stamp, "Z19990522161327");
#endif
}

TEST(FormatStamp, RefusesToCutTheStampAndBadTimes) {
    platform::SystemTime utc{1999, 5, 6, 22, 16, 13, 27, 0};
    char stamp[8];
    EXPECT_FALSE(FormatStamp(utc, stamp, sizeof stamp));
    EXPECT_EQ(platform::LastError(), 122u);
    platform::SystemTime bad{1999, 13, 0, 1, 0, 0, 0, 0};
    char room[32];
    EXPECT_FALSE(FormatStamp(bad, room, sizeof room));
    EXPECT_EQ(platform::LastError(), 87u);
}

TEST(MakeBackupName, KeepsDirectoryDotsAndTheCaseOfTheExtension) {
    EXPECT_EQ(Backup("PLANE.MDL"), "PLANE.Z<stamp>.MDL");
    EXPECT_EQ(Backup("model.mdl"), "model.Z<stamp>.mdl");
    EXPECT_EQ(Backup("a.b.MDL"), "a.b.Z<stamp>.MDL");
    EXPECT_EQ(Backup("noext"), "noext.Z<stamp>");
    EXPECT_EQ(Backup("C:\\sim\\aircraft.x\\plane"), "C:\\sim\\aircraft.x\\plane.Z<stamp>");
    EXPECT_EQ(Backup("dir/sub/m.Mdl"), "dir/sub/m.Z<stamp>.Mdl");
    EXPECT_EQ(Backup("D:m.mdl"), "D:m.Z<stamp>.mdl");
}

TEST(MakeBackupName, FailsWith122WhenAPartDoesNotFit) {
    EXPECT_EQ(Backup((std::string(256, 'b') + ".mdl").c_str()), "error 122");
    EXPECT_EQ(Backup((std::string(256, 'd') + "/m.mdl").c_str()), "error 122");
    EXPECT_EQ(Backup(("m." + std::string(255, 'e')).c_str()), "error 122");
    // Each part fits but the whole does not.
    std::string whole = std::string(200, 'd') + "/" + std::string(60, 'b') + ".mdl";
    EXPECT_EQ(Backup(whole.c_str()), "error 122");
    std::string fits = std::string(200, 'd') + "/" + std::string(34, 'b') + ".mdl";
    EXPECT_NE(Backup(fits.c_str()).rfind("error", 0), 0u);

    char small[20];
    std::uint32_t capacity = sizeof small;
    EXPECT_FALSE(MakeBackupName("PLANE.MDL", small, &capacity));
    EXPECT_EQ(platform::LastError(), 122u);
    EXPECT_FALSE(MakeBackupName(nullptr, small, &capacity));
    EXPECT_EQ(platform::LastError(), 87u);
    capacity = 0;
    EXPECT_FALSE(MakeBackupName("PLANE.MDL", small, &capacity));
    EXPECT_EQ(platform::LastError(), 87u);
}

TEST_F(NamesTest, BackupNameTakenInThisSecondGivesALaterStamp) {
    char first[260];
    std::uint32_t capacity = sizeof first;
    ASSERT_TRUE(MakeBackupName("m.mdl", first, &capacity));
    Write(first, mdlgen::Bytes{1});
    RecordingOutput out;
    char second[260];
    ASSERT_TRUE(MakeBackupName("m.mdl", second, &capacity, out));
    EXPECT_GT(std::string(second), std::string(first));
    // Each look-up that finds the name taken says so.
    std::string line = std::string("Dbg: ERROR:50 The file ") + first + " already exists. Redriving.\n";
    for (std::size_t at = 0; at < out.debug.size(); at += line.size()) EXPECT_EQ(out.debug.substr(at, line.size()), line);
}

TEST_F(NamesTest, BackupNameTakenInAnotherCaseGivesALaterStamp) {
    char first[260];
    std::uint32_t capacity = sizeof first;
    ASSERT_TRUE(MakeBackupName("m.mdl", first, &capacity));
    // Taken after the first look-up, by another program, in another letter case.
    std::string other(first);
    for (char& c : other) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    Write(other, mdlgen::Bytes{1});
    char second[260];
    ASSERT_TRUE(MakeBackupName("m.mdl", second, &capacity));
    EXPECT_GT(std::string(second), std::string(first));
}

TEST_F(NamesTest, AcquireFileNameGivesTheNameAsStored) {
    Write("MODEL.MDL", mdlgen::Bytes{1});
    Write("other.mdl", mdlgen::Bytes{1});
    char buffer[260];
    std::uint32_t capacity = sizeof buffer;
    ASSERT_TRUE(AcquireFileName("model.mdl", buffer, &capacity));
    EXPECT_STREQ(buffer, "MODEL.MDL");
    ASSERT_TRUE(AcquireFileName("*.mdl", buffer, &capacity));
    EXPECT_STREQ(buffer, "MODEL.MDL");
    ASSERT_TRUE(AcquireFileName("oth?r.*", buffer, &capacity));
    EXPECT_STREQ(buffer, "other.mdl");
    ASSERT_TRUE(AcquireFileName((dir_.string() + "/Model.mdl").c_str(), buffer, &capacity));
    EXPECT_STREQ(buffer, "MODEL.MDL");
}

TEST_F(NamesTest, AcquireFileNameFailures) {
    char buffer[260];
    std::uint32_t capacity = sizeof buffer;
    EXPECT_FALSE(AcquireFileName("nothing.mdl", buffer, &capacity));
    EXPECT_EQ(platform::LastError(), 2u);
    EXPECT_FALSE(AcquireFileName("nodir/nothing.mdl", buffer, &capacity));
    EXPECT_EQ(platform::LastError(), 2u);
    std::string longName(261, 'x');
    EXPECT_FALSE(AcquireFileName(longName.c_str(), buffer, &capacity));
    EXPECT_EQ(platform::LastError(), 122u);
    EXPECT_EQ(capacity, 261u);

    Write("LONGNAME.MDL", mdlgen::Bytes{1});
    char small[8];
    capacity = sizeof small;
    EXPECT_FALSE(AcquireFileName("longname.mdl", small, &capacity));
    EXPECT_EQ(platform::LastError(), 122u);
    EXPECT_EQ(capacity, 12u);
    capacity = 0;
    EXPECT_FALSE(AcquireFileName("longname.mdl", small, &capacity));
    EXPECT_EQ(platform::LastError(), 87u);
}

}  // namespace
}  // namespace vorbix::test
