#include <gtest/gtest.h>

#include <cstring>
#include <regex>

#ifndef _WIN32
#include <grp.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>
#endif

#include "fixture.h"
#include "platform/platform.h"

namespace vorbix::test {
namespace {

using platform::Operation;

class TransactionTest : public ScratchTest {
protected:
    void SetUp() override {
        ScratchTest::SetUp();
        original_ = ModelBytes(model_);
        Write("M.MDL", original_);
    }
    bool Console(const char* name, std::uint32_t scale = 9, bool viewOnly = false) {
        out_ = RecordingOutput();
        return UpdateModelFile(name, scale, TransactionMode::Console(out_, viewOnly));
    }
    // What is on disk, with backup stamps masked.
    std::vector<std::string> Left() const {
        std::vector<std::string> names;
        for (const std::string& name : Entries())
            names.push_back(std::regex_replace(name, std::regex("\\.Z[0-9]{14}\\."), ".Z<stamp>."));
        return names;
    }
    bool Patched(const mdlgen::Bytes& bytes, std::uint16_t scale) const {
        return bytes == WithScale(original_, mdlgen::ScaleFileOffset(model_), scale);
    }
    std::string BackupName() const {
        for (const std::string& name : Entries())
            if (name != "M.MDL") return name;
        return "";
    }

    mdlgen::Model model_;
    mdlgen::Bytes original_;
    RecordingOutput out_;
};

constexpr std::uint32_t kReadOnlyFile = platform::kAttributeArchive | platform::kAttributeReadOnly;
const std::vector<std::string> kModelOnly = {"M.MDL"};
const std::vector<std::string> kModelAndBackup = {"M.MDL", "M.Z<stamp>.MDL"};

TEST_F(TransactionTest, ConsoleUpdateBacksUpPatchesAndCleansUp) {
    ASSERT_TRUE(Console("m.mdl", 0x10009));  // the low 16 bits count
    EXPECT_TRUE(Patched(Read("M.MDL"), 9));
    EXPECT_EQ(Left(), kModelAndBackup);
    EXPECT_EQ(Read(BackupName()), original_);
    EXPECT_EQ(out_.out, "M.MDL:\n  Resource section located.\n"
                        "  SUPER_SCALE FF5C, 0, 0, 7  ;; Oldscale= 7, Newscale= 9\n"
                        "  BGL instruction sequence validated.\n"
                        "  SUPER_SCALE FF5C, 0, 0, 7  ;; Oldscale= 7, Newscale= 9\n"
                        "  Instruction updated.\n");
    std::string debug = std::regex_replace(out_.debug, std::regex("Z[0-9]{14}"), "Z<stamp>");
    debug = std::regex_replace(debug, std::regex("\\.[/\\\\]KRV[0-9A-Fa-f]+\\.tmp"), "<work>");
    EXPECT_EQ(debug.substr(0, debug.find("Dbg: Scanning")),
              "Dbg: Uname= m.mdl, Tname= M.MDL\n"
              "Dbg: Bname= M.Z<stamp>.MDL\n"
              "Dbg: Backup file created: M.Z<stamp>.MDL\n"
              "Dbg: Xname= <work>\n"
              "Dbg: Temporary file created: <work>\n");
    EXPECT_EQ(debug.substr(debug.rfind("Dbg: ")), "Dbg: MDL file updated.\n");
}

TEST_F(TransactionTest, ConsoleViewOnlyNeverWritesTheModelFile) {
    platform::InjectFault(Operation::Copy, 112, 1);  // a copy back would fail
    ASSERT_TRUE(Console("M.MDL", 3, true));
    EXPECT_EQ(Read("M.MDL"), original_);
    EXPECT_EQ(Left(), kModelOnly);
    EXPECT_EQ(out_.out, "  Resource section located.\n"
                        "  SUPER_SCALE FF5C, 0, 0, 7  ;; Oldscale= 7, Newscale= 3\n"
                        "  BGL instruction sequence validated.\n");
    EXPECT_EQ(out_.Count("Dbg: Bname="), 0);
}

TEST_F(TransactionTest, ConsoleReadOnlyModelFailsWith5AndLeavesNothing) {
    SKIP_UNLESS_READ_ONLY_ENFORCED();
    MakeReadOnly("M.MDL");
    EXPECT_FALSE(Console("M.MDL"));
    EXPECT_EQ(platform::LastError(), 5u);
    EXPECT_EQ(out_.Count("Dbg: ERROR:5  Cannot locate BGL code."), 1);
    EXPECT_EQ(Left(), kModelOnly);
    EXPECT_EQ(Read("M.MDL"), original_);
    EXPECT_EQ(platform::GetAttributes("M.MDL"), kReadOnlyFile);

    // Viewing only reads: it works on a read-only model and leaves nothing either.
    EXPECT_TRUE(Console("M.MDL", 9, true));
    EXPECT_EQ(Left(), kModelOnly);
}

TEST_F(TransactionTest, ConsoleFailingStepsLeaveWhatTheyShould) {
    struct Case {
        const char* what;
        Operation op;
        unsigned skip;
        platform::ErrorCode code;
        const char* line;
        std::vector<std::string> left;
    };
    const Case cases[] = {
        {"local time", Operation::LocalTime, 0, 0x234, "Dbg: ERROR:234  Cannot create backup filename.", kModelOnly},
        {"backup copy", Operation::Copy, 0, 112, "Dbg: ERROR:70  Cannot create backup file.", kModelOnly},
        {"backup flush", Operation::Flush, 0, 1117, "Dbg: ERROR:45d  Cannot create backup file.", kModelOnly},
        {"backup name taken meanwhile", Operation::Rename, 0, 80, "Dbg: ERROR:50  Cannot create backup file.", kModelOnly},
        {"working-copy name", Operation::TempFile, 0, 80, "Dbg: ERROR:50  Cannot create temporary filename.", kModelOnly},
        {"working copy", Operation::Copy, 1, 112, "Dbg: ERROR:70  Cannot create temporary file.", kModelOnly},
        {"open for scan", Operation::Open, 0, 32, "Dbg: ERROR:20  Cannot locate BGL code.", kModelOnly},
        // The working copy lies beside the model file and is renamed over it.
        {"replacement", Operation::Replace, 0, 32, "Dbg: ERROR:20  Cannot update MDL file.", kModelOnly},
        {"working-copy flush", Operation::Flush, 1, 1117, "Dbg: ERROR:45d  Cannot update MDL file.", kModelOnly},
    };
    for (const Case& c : cases) {
        platform::ClearFaults();
        // The scan fault must hit both scans.
        platform::InjectFault(c.op, c.code, c.skip, c.op == Operation::Open ? 2 : 1);
        EXPECT_FALSE(Console("M.MDL")) << c.what;
        EXPECT_EQ(platform::LastError(), c.code) << c.what;
        EXPECT_EQ(out_.Count(c.line), 1) << c.what << "\n" << out_.debug;
        EXPECT_EQ(Left(), c.left) << c.what;
        EXPECT_EQ(Read("M.MDL"), original_) << c.what;
        if (c.left.size() == 2) {
            EXPECT_EQ(Read(BackupName()), original_);
        }
        for (const std::string& name : Entries())
            if (name != "M.MDL") std::filesystem::remove(dir_ / name);
    }
}

TEST_F(TransactionTest, ConsoleCodeOfTheFailingStepSurvivesCleanUp) {
    Write("N.MDL", ModelBytes(mdlgen::Model{mdlgen::Place::Neither, {}, 12, 0, false}));
    platform::InjectFault(Operation::Delete, 5, 0, 2);
    platform::InjectFault(Operation::SetAttributes, 5, 0, 2);
    EXPECT_FALSE(Console("N.MDL"));
    EXPECT_EQ(platform::LastError(), 1u);
    EXPECT_EQ(out_.Count("Dbg: ERROR:1  Cannot locate BGL code."), 1);
}

TEST_F(TransactionTest, ConsoleMissingModelAndLongName) {
    EXPECT_FALSE(Console("nothing.mdl"));
    EXPECT_EQ(platform::LastError(), 2u);
    EXPECT_EQ(out_.debug, "Dbg: ERROR:2  Cannot acquire file.\n");
    EXPECT_FALSE(Console(std::string(261, 'm').c_str()));
    EXPECT_EQ(platform::LastError(), 122u);
    EXPECT_EQ(Left(), kModelOnly);
}

TEST_F(TransactionTest, ConsoleWorksOnTheNamedDirectoryOnly) {
    std::filesystem::create_directory(dir_ / "sub");
    Write("sub/M.MDL", original_);
    ASSERT_TRUE(Console("sub/m.mdl", 4));
    EXPECT_TRUE(Patched(Read("sub/M.MDL"), 4));
    EXPECT_EQ(Read("M.MDL"), original_);
    EXPECT_EQ(Left(), (std::vector<std::string>{"M.MDL", "sub"}));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_ / "sub"), std::filesystem::directory_iterator()),
              2);
    EXPECT_EQ(out_.out.substr(0, 11), "sub/M.MDL:\n");

    // The working copy lies elsewhere: it is copied beside the model file and renamed over
    // it. Each of those steps fails leaving the model file and its folder as they were.
    const struct {
        Operation op;
        unsigned skip;
    } steps[] = {{Operation::TempFile, 1}, {Operation::Copy, 2}, {Operation::Replace, 0}};
    for (const auto& step : steps) {
        platform::ClearFaults();
        platform::InjectFault(step.op, 112, step.skip);
        EXPECT_FALSE(Console("sub/M.MDL", 5));
        EXPECT_EQ(platform::LastError(), 112u);
        EXPECT_EQ(out_.Count("Dbg: ERROR:70  Cannot update MDL file."), 1) << out_.debug;
        EXPECT_TRUE(Patched(Read("sub/M.MDL"), 4));
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_ / "sub"), std::filesystem::directory_iterator()),
                  2);
        EXPECT_EQ(Left(), (std::vector<std::string>{"M.MDL", "sub"}));
    }
}

TEST_F(TransactionTest, ConsoleSameFileTwiceGetsTwoBackups) {
    ASSERT_TRUE(Console("M.MDL", 5));
    ASSERT_TRUE(Console("M.MDL", 6));
    std::vector<std::string> names = Entries();
    ASSERT_EQ(names.size(), 3u);
    EXPECT_NE(names[1], names[2]);
    EXPECT_EQ(Read(names[0].rfind("M.Z", 0) == 0 ? names[0] : names[1]), original_);
    EXPECT_TRUE(Patched(Read("M.MDL"), 6));
}

TEST_F(TransactionTest, ConsoleDataSectionModel) {
    model_.place = mdlgen::Place::Data;
    original_ = ModelBytes(model_);
    Write("M.MDL", original_);
    ASSERT_TRUE(Console("M.MDL", 2));
    EXPECT_TRUE(Patched(Read("M.MDL"), 2));
    EXPECT_EQ(out_.Count("  Data section located."), 1);
}

// A model file named through a symbolic link is the file it points to: that file is
// replaced, the link stays a link, the backup lies beside the link's name. A link that
// points nowhere is a missing file.
TEST_F(TransactionTest, SymbolicLinkUpdatesItsTarget) {
    namespace fs = std::filesystem;
    fs::create_directories("real");
    fs::create_directories("links");
    Write("real/plane.MDL", original_);
    std::error_code made;
    fs::create_symlink("../real/plane.MDL", "links/plane.MDL", made);
    if (made || !fs::is_symlink("links/plane.MDL")) GTEST_SKIP() << "this system makes no symbolic links";
    fs::create_symlink("../real/none.MDL", "links/none.MDL");
    auto count = [](const char* folder) { return std::distance(fs::directory_iterator(folder), fs::directory_iterator()); };
    for (int scale : {9, 5}) {
        SCOPED_TRACE(scale);
        ASSERT_TRUE(scale == 9 ? Console("links/plane.MDL", 9)
                               : UpdateModelFile("links/plane.MDL", 5, TransactionMode::Dialog()));
        EXPECT_TRUE(fs::is_symlink("links/plane.MDL"));
        EXPECT_TRUE(Patched(Read("real/plane.MDL"), static_cast<std::uint16_t>(scale)));
        EXPECT_EQ(count("real"), 1);
        EXPECT_EQ(count("links"), scale == 9 ? 3 : 4) << "the link, the dangling one and a backup per update";
        std::string oldest;
        ASSERT_TRUE(FindOldestBackup("links/plane.MDL", oldest));
        EXPECT_EQ(Read(oldest), original_);
    }
    EXPECT_EQ(Left(), (std::vector<std::string>{"M.MDL", "links", "real"}));

    EXPECT_FALSE(Console("links/none.MDL"));
    EXPECT_EQ(platform::LastError(), 2u);
    EXPECT_EQ(out_.debug, "Dbg: ERROR:2  Cannot acquire file.\n");
    EXPECT_FALSE(UpdateModelFile("links/none.MDL", 9, TransactionMode::Dialog()));
    EXPECT_EQ(platform::LastError(), 2u);
    EXPECT_EQ(count("links"), 4);
}

TEST_F(TransactionTest, DialogUpdatesAReadOnlyModelAndKeepsItReadOnly) {
    MakeReadOnly("M.MDL");
    ASSERT_TRUE(UpdateModelFile("M.MDL", 16, TransactionMode::Dialog()));
    EXPECT_TRUE(Patched(Read("M.MDL"), 16));
    EXPECT_EQ(platform::GetAttributes("M.MDL"), kReadOnlyFile);
    EXPECT_EQ(Left(), kModelAndBackup);
    std::uint16_t scale = 0;
    ASSERT_TRUE(ReadModelScale("M.MDL", &scale));
    EXPECT_EQ(scale, 16);
}

TEST_F(TransactionTest, DialogFailingStepsGiveTheAttributesBack) {
    MakeReadOnly("M.MDL");
    struct Case {
        const char* what;
        Operation op;
        unsigned skip;
        platform::ErrorCode code;
        std::vector<std::string> left;
    };
    const Case cases[] = {
        {"attributes", Operation::GetAttributes, 0, 3, kModelOnly},
        {"backup copy", Operation::Copy, 0, 112, kModelOnly},
        {"backup flush", Operation::Flush, 0, 1117, kModelOnly},
        {"backup name taken meanwhile", Operation::Rename, 0, 80, kModelOnly},
        {"clear attributes", Operation::SetAttributes, 0, 5, kModelOnly},
        {"working-copy name", Operation::TempFile, 0, 80, kModelOnly},
        {"working copy", Operation::Copy, 1, 112, kModelOnly},
        {"replacement", Operation::Replace, 0, 32, kModelOnly},
        {"working-copy flush", Operation::Flush, 1, 1117, kModelOnly},
    };
    for (const Case& c : cases) {
        platform::ClearFaults();
        platform::InjectFault(c.op, c.code, c.skip);
        EXPECT_FALSE(UpdateModelFile("M.MDL", 9, TransactionMode::Dialog())) << c.what;
        EXPECT_EQ(platform::LastError(), c.code) << c.what;
        EXPECT_EQ(Left(), c.left) << c.what;
        EXPECT_EQ(Read("M.MDL"), original_) << c.what;
        EXPECT_EQ(platform::GetAttributes("M.MDL"), kReadOnlyFile) << c.what;
        for (const std::string& name : Entries()) {
            if (name == "M.MDL") continue;
            platform::SetAttributes(name.c_str(), platform::kAttributeNormal);
            std::filesystem::remove(dir_ / name);
        }
    }
}

TEST_F(TransactionTest, OldestBackupAndInstalledScale) {
    struct Case {
        std::vector<std::string> beside;  // besides sub/M.MDL
        std::string oldest;               // "" for none
    } cases[] = {
        {{"M.Z20260101000000.MDL", "M.Z20250101000000.MDL", "M.Z20270101000000.MDL"}, "M.Z20250101000000.MDL"},
        {{"M.Z20250101000000.MDL", "m.z20240101000000.mdl"}, "m.z20240101000000.mdl"},
        {{"MM.Z20200101000000.MDL", "N.Z20200101000000.MDL", "M.Z20250101000000.MDL"}, "M.Z20250101000000.MDL"},
        {{"M.Z20200101000000.Z20210101000000.MDL", "M.Z20250101000000.MDL"}, "M.Z20250101000000.MDL"},
        {{"M.Z2020010100000.MDL", "M.Z202001010000001.MDL", "M.Z2020010100000a.MDL", "M.Z20200101000000.TXT"}, ""},
    };
    std::filesystem::create_directory(dir_ / "sub");
    mdlgen::Bytes patched = WithScale(original_, mdlgen::ScaleFileOffset(model_), 9);
    for (const Case& c : cases) {
        std::filesystem::remove_all(dir_ / "sub");
        std::filesystem::create_directory(dir_ / "sub");
        Write("sub/M.MDL", patched);
        for (const std::string& name : c.beside) Write("sub/" + name, original_);
        std::string oldest, among;
        std::vector<std::string> listing;
        ASSERT_TRUE(platform::ListEntries("sub/*", listing));
        EXPECT_EQ(FindOldestBackupAmong(listing, "sub/M.MDL", among), !c.oldest.empty());
        EXPECT_EQ(FindOldestBackup("sub/M.MDL", oldest), !c.oldest.empty()) << c.oldest;
        if (!c.oldest.empty()) EXPECT_EQ(oldest + "|" + among, "sub/" + c.oldest + "|sub/" + c.oldest);
        else EXPECT_EQ(platform::LastError(), 2u);
        // The oldest backup's scale, or the model file's own where there is none, read
        // here or as the caller read it.
        std::uint16_t scale = 0, current = 11;
        ASSERT_TRUE(ReadInstalledScale("sub/M.MDL", &scale));
        EXPECT_EQ(scale, c.oldest.empty() ? 9 : 7);
        ASSERT_TRUE(ReadInstalledScale("sub/M.MDL", &scale, &current));
        EXPECT_EQ(scale, c.oldest.empty() ? 11 : 7);
        ASSERT_TRUE(ReadInstalledScale("sub/M.MDL", &scale, nullptr, &listing));
        EXPECT_EQ(scale, c.oldest.empty() ? 9 : 7);
    }
    // An oldest backup that is no model gives its code, though the model file reads; a
    // read-only one is only read.
    Write("sub/M.Z20000101000000.MDL", mdlgen::Bytes(64, 0));
    std::uint16_t scale = 0;
    EXPECT_FALSE(ReadInstalledScale("sub/M.MDL", &scale));
    EXPECT_EQ(platform::LastError(), 193u);
    Write("sub/M.Z20000101000000.MDL", WithScale(original_, mdlgen::ScaleFileOffset(model_), 5));
    MakeReadOnly("sub/M.Z20000101000000.MDL");
    ASSERT_TRUE(ReadInstalledScale("sub/M.MDL", &scale));
    EXPECT_EQ(scale, 5);
    std::string none;
    EXPECT_FALSE(FindOldestBackup("nodir/M.MDL", none));
    EXPECT_EQ(platform::LastError(), 3u);
}

// A scale read with ReadFile gives what the mapped read gives, code for code, and the
// identity of the file it read.
TEST_F(TransactionTest, PeekedScaleIsTheMappedOne) {
    mdlgen::Model data;
    data.place = mdlgen::Place::Data;
    data.sequence.scale = 13;
    Write("D.MDL", ModelBytes(data));
    Write("N.MDL", ModelBytes(mdlgen::Model{mdlgen::Place::Neither, {}, 12, 0, false}));
    Write("E.MDL", mdlgen::Bytes{});
    Write("Z.MDL", mdlgen::Bytes(64, 0));
    std::filesystem::create_directory("dir.MDL");
    // Sparse files too large to read whole, the second beyond what a 32-bit mapping holds.
    Write("L.MDL", original_);
    std::filesystem::resize_file("L.MDL", 100 << 20);
    Write("H.MDL", original_);
    std::filesystem::resize_file("H.MDL", 4000000000u);
    // A read cut short (the file shrank meanwhile) gives what the mapped read gives too.
    for (const char* name : {"M.MDL", "D.MDL", "N.MDL", "E.MDL", "Z.MDL", "none.MDL", "nodir/M.MDL", "dir.MDL", "L.MDL", "H.MDL"})
    for (bool cutShort : {false, true}) {
        SCOPED_TRACE(std::string(name) + (cutShort ? ", read cut short" : ""));
        std::uint16_t mapped = 0, peeked = 0;
        bool read = ReadModelScale(name, &mapped);
        platform::ErrorCode code = platform::LastError();
        std::string identity;
        if (cutShort) platform::InjectFault(Operation::Read, 0);
        EXPECT_EQ(PeekModelScale(name, &peeked, &identity), read);
        if (!read) {
            EXPECT_EQ(platform::LastError(), code);
        }
        EXPECT_EQ(peeked, mapped);
        if (!identity.empty()) {
            EXPECT_EQ(identity, platform::FileIdentity(name));
        }
    }
#ifndef _WIN32
    struct rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    EXPECT_LT(usage.ru_maxrss, 512 * 1024) << "kilobytes at the peak: a large file was held whole";
#endif
}

#ifndef _WIN32
// A backup is readable by no more people than its model, and the model file that replaces
// the old one keeps what its owner set on it: mode and group (setuid and setgid only where
// the owner stays), access control list and extended attributes.
TEST_F(TransactionTest, BackupIsNeverWiderAndTheModelKeepsWhatItsOwnerSet) {
    const mode_t umaskNow = umask(022);
    umask(umaskNow);
    constexpr gid_t kGroup = 4243;
    constexpr uid_t kMember = 4242;
    struct Case {
        mode_t mode;
        bool byGroupMember;  // else by the owner
        mode_t after;
    } cases[] = {{0600, false, 0600}, {0640, false, 0640}, {0664, false, 0664},
                 {0444, false, 0444}, {06755, false, 06755}, {02664, true, 0664}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.mode) + (c.byGroupMember ? " by a member of the group" : ""));
        Write("P.MDL", original_);
        struct stat st;
        if (c.byGroupMember) {
            if (geteuid() != 0) {
                std::printf("skipped: an update by a member of the model's group needs root to set the users up\n");
                continue;
            }
            ASSERT_EQ(chown("P.MDL", 0, kGroup) | chown(".", 0, kGroup) | chmod(".", 0775), 0);
        }
        ASSERT_EQ(chmod("P.MDL", c.mode), 0);
        if (c.byGroupMember) {
            pid_t child = fork();
            if (child == 0) {
                bool set = setgroups(0, nullptr) == 0 && setgid(kGroup) == 0 && setuid(kMember) == 0;
                RecordingOutput out;
                _exit(set && UpdateModelFile("P.MDL", 9, TransactionMode::Console(out, false)) ? 0 : 1);
            }
            int status = 1;
            waitpid(child, &status, 0);
            ASSERT_EQ(status, 0);
        } else {
            ASSERT_TRUE(UpdateModelFile("P.MDL", 9, TransactionMode::Dialog()));
        }
        EXPECT_TRUE(Patched(Read("P.MDL"), 9));
        ASSERT_EQ(stat("P.MDL", &st), 0);
        EXPECT_EQ(st.st_mode & 07777, c.after);
        EXPECT_EQ(st.st_gid, c.byGroupMember ? kGroup : getegid());
        std::string backup;
        ASSERT_TRUE(FindOldestBackup("P.MDL", backup));
        ASSERT_EQ(stat(backup.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, c.mode & 0777 & ~umaskNow);
        EXPECT_EQ(Read(backup), original_);
        std::filesystem::remove(backup);
    }

    // A user's extended attribute, and an access control list that lets one more user read.
    Write("A.MDL", original_);
    chmod("A.MDL", 0640);
    const std::uint16_t none = 0xFFFF;
    const std::uint16_t entries[][4] = {{1, 6, none, none}, {2, 4, kMember & 0xFFFF, 0}, {4, 4, none, none},
                                        {0x10, 4, none, none}, {0x20, 0, none, none}};
    std::string acl("\x02\0\0\0", 4);
    acl.append(reinterpret_cast<const char*>(entries), sizeof entries);
    for (const auto& [name, value] : {std::pair<std::string, std::string>{"user.vorbix.note", "kept"},
                                      std::pair<std::string, std::string>{"system.posix_acl_access", acl}}) {
        if (setxattr("A.MDL", name.c_str(), value.data(), value.size(), 0) != 0) {
            std::printf("skipped: this file system takes no %s (%s)\n", name.c_str(), std::strerror(errno));
            continue;
        }
        char before[256], after[256];
        ssize_t size = getxattr("A.MDL", name.c_str(), before, sizeof before);
        ASSERT_TRUE(UpdateModelFile("A.MDL", 9, TransactionMode::Dialog()));
        ASSERT_EQ(getxattr("A.MDL", name.c_str(), after, sizeof after), size) << name;
        EXPECT_EQ(std::string(after, size), std::string(before, size)) << name;
    }
}
#endif

TEST_F(TransactionTest, NoSequenceLeavesNoBackupAndReadModelScaleFallsBackToData) {
    Write("N.MDL", ModelBytes(mdlgen::Model{mdlgen::Place::Neither, {}, 12, 0, false}));
    EXPECT_FALSE(UpdateModelFile("N.MDL", 9, TransactionMode::Dialog()));
    EXPECT_EQ(platform::LastError(), 1u);
    EXPECT_EQ(Left(), (std::vector<std::string>{"M.MDL", "N.MDL"}));

    mdlgen::Model data;
    data.place = mdlgen::Place::Data;
    data.sequence.scale = 13;
    Write("D.MDL", ModelBytes(data));
    MakeReadOnly("D.MDL");
    std::uint16_t scale = 0;
    ASSERT_TRUE(ReadModelScale("D.MDL", &scale));
    EXPECT_EQ(scale, 13);
    EXPECT_FALSE(ReadModelScale("N.MDL", &scale));
    EXPECT_EQ(platform::LastError(), 1u);
}

}  // namespace
}  // namespace vorbix::test
