// The aircraft catalogue read from installations written by mdlgen, with the real profile,
// directory and registry calls.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "catalog.h"
#include "engine.h"
#include "fleet.h"
#include "installation.h"

namespace fs = std::filesystem;
using mdlgen::Aircraft;
using mdlgen::CfgStyle;
using mdlgen::Container;
using mdlgen::FltSim;
using mdlgen::Installation;

namespace {

// A simulator folder of the test's own, removed afterwards; the catalogue empty before
// and after.
class CatalogTest : public ::testing::Test {
protected:
    void SetUp() override {
        const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
        simulator_ = fs::temp_directory_path() / (std::string("vorbix-cfs-") + info->name());
        fs::remove_all(simulator_);
        fs::create_directories(simulator_);
        ReleaseAircraftCatalog();
    }
    void TearDown() override {
        ReleaseAircraftCatalog();
        std::error_code ignored;
        fs::remove_all(simulator_, ignored);
    }
    // Writes the installation afresh and walks its aircraft folder.
    BOOL Walk(const Installation& installation, std::string folder = "") {
        fs::remove_all(simulator_);
        fs::create_directories(simulator_);
        EXPECT_TRUE(mdlgen::WriteInstallation(simulator_.string(), installation));
        if (folder.empty()) folder = simulator_.string() + "\\Aircraft";
        ReleaseAircraftCatalog();
        std::vector<char> text(folder.begin(), folder.end());
        text.push_back('\0');
        SetLastError(0);
        return EnumerateAircraftContainers(text.data());
    }
    // Each entry as "title|short path|air file", in catalogue order.
    static std::vector<std::string> Listed() {
        std::vector<std::string> listed;
        for (int i = 0; i < g_aircraftCatalog.count; ++i) {
            const AircraftEntry& entry = *g_aircraftCatalog.entries[i];
            EXPECT_EQ(entry.tag, kAircraftEntryTag);
            listed.push_back(std::string(entry.title) + "|" + entry.containerName + entry.modelPath + "|" +
                             entry.airFile);
        }
        return listed;
    }
    fs::path simulator_;
};

FltSim Section(int number, const char* title, const char* sim) { return Aircraft(number, title, sim); }

FltSim With(FltSim section, std::optional<std::string> FltSim::*key, std::optional<std::string> value) {
    section.*key = std::move(value);
    return section;
}

FltSim NoModelFile(FltSim section) {
    section.modelFile = false;
    return section;
}

TEST_F(CatalogTest, ContainersAndSections) {
    struct Case {
        const char* what;
        Installation installation;
        std::vector<std::string> listed;
    };
    const char* error2 = "ERROR:2";
    std::vector<Case> cases = {
        {"an empty aircraft folder", {}, {}},
        {"plain files only", {{}, {"readme.txt", "Aircraft.cfg"}}, {}},
        {"a container without Aircraft.cfg", {{{"Bare", {Section(0, "Bare", "bare")}, false}}}, {}},
        {"a gap in the numbering ends the container",
         {{{"Gaps", {Section(0, "G0", "g0"), Section(1, "G1", "g1"), Section(3, "G3", "g3")}}}},
         {"G0|\\Gaps\\Model\\g0.MDL|\\g0.AIR", "G1|\\Gaps\\g1\\g1.MDL|\\g1.AIR"}},
        {"an empty TITLE ends its container, the next one is read",
         {{{"A", {Section(0, "A0", "a0"), With(Section(1, "A1", "a1"), &FltSim::title, ""), Section(2, "A2", "a2")}},
           {"B", {Section(0, "B0", "b0")}}}},
         {"A0|\\A\\Model\\a0.MDL|\\a0.AIR", "B0|\\B\\Model\\b0.MDL|\\b0.AIR"}},
        {"an empty MODEL is Model, a leading backslash goes below Model, any other value replaces it",
         {{{"M1", {With(Section(0, "M1", "m1"), &FltSim::model, "")}},
           {"M2", {With(Section(0, "M2", "m2"), &FltSim::model, "\\Extra")}},
           {"M3", {With(Section(0, "M3", "m3"), &FltSim::model, "Extra")}}}},
         {"M1|\\M1\\Model\\m1.MDL|\\m1.AIR", "M2|\\M2\\Model\\Extra\\m2.MDL|\\m2.AIR",
          "M3|\\M3\\Extra\\m3.MDL|\\m3.AIR"}},
        {"a value that is literally ERROR:2 is a missing key; so are a missing MODEL.CFG and an empty NORMAL",
         {{{"E1", {Section(0, "E1", "e1"),
                   With(With(Section(1, "x", "x1"), &FltSim::normal, std::nullopt), &FltSim::model, error2)}},
           {"E2", {Section(0, "E2", "e2"), With(Section(1, "x", "x2"), &FltSim::title, error2)}},
           {"E3", {Section(0, "E3", "e3"), With(Section(1, "x", "x3"), &FltSim::sim, error2)}},
           {"E4", {Section(0, "E4", "e4"), NoModelFile(With(Section(1, "x", "x4"), &FltSim::normal, error2))}},
           {"E5", {Section(0, "E5", "e5"), With(Section(1, "x", "x5"), &FltSim::normal, std::nullopt)}},
           {"E6", {Section(0, "E6", "e6"), With(Section(1, "x", "x6"), &FltSim::normal, "")}},
           {"E7", {Section(0, "E7", "e7"), With(Section(1, "x", "x7"), &FltSim::sim, std::nullopt)}}}},
         {"E1|\\E1\\Model\\e1.MDL|\\e1.AIR", "E2|\\E2\\Model\\e2.MDL|\\e2.AIR", "E3|\\E3\\Model\\e3.MDL|\\e3.AIR",
          "E4|\\E4\\Model\\e4.MDL|\\e4.AIR", "E5|\\E5\\Model\\e5.MDL|\\e5.AIR", "E6|\\E6\\Model\\e6.MDL|\\e6.AIR",
          "E7|\\E7\\Model\\e7.MDL|\\e7.AIR"}},
        {"titles in order: A to Z folded, digits before the underscore before letters",
         {{{"T1", {Section(0, "beta", "t1")}},
           {"T2", {Section(0, "Zulu", "t2")}},
           {"T3", {Section(0, "_under", "t3")}},
           {"T4", {Section(0, "9lives", "t4")}},
           {"T5", {Section(0, "ALPHAbet", "t5")}},
           {"T6", {Section(0, "alpha", "t6")}}}},
         {"9lives|\\T4\\Model\\t4.MDL|\\t4.AIR", "_under|\\T3\\Model\\t3.MDL|\\t3.AIR",
          "alpha|\\T6\\Model\\t6.MDL|\\t6.AIR", "ALPHAbet|\\T5\\Model\\t5.MDL|\\t5.AIR",
          "beta|\\T1\\Model\\t1.MDL|\\t1.AIR", "Zulu|\\T2\\Model\\t2.MDL|\\t2.AIR"}},
        {"files as add-ons write them: CRLF and LF, [Fltsim.0], tabs, comments, Latin-1",
         {{{"AddOn", {Section(0, "Fokker Dr.I \xE9\xFC", "dr1"), Section(1, "Fokker D.VII", "d7")}, true,
            CfgStyle::AddOn}}},
         {"Fokker D.VII|\\AddOn\\d7\\d7.MDL|\\d7.AIR", "Fokker Dr.I \xE9\xFC|\\AddOn\\Model\\dr1.MDL|\\dr1.AIR"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_TRUE(Walk(c.installation));
        EXPECT_EQ(Listed(), c.listed);
    }
}

TEST_F(CatalogTest, SeventySectionsGiveSixtyFour) {
    Container container{"Many", {}};
    for (int n = 0; n < 70; ++n) container.sections.push_back(Section(n, ("T" + std::to_string(n)).c_str(), "s"));
    for (FltSim& section : container.sections) {
        section.model = "";  // one model folder for all
        section.modelFile = false;
    }
    ASSERT_TRUE(Walk({{container}}));
    EXPECT_EQ(g_aircraftCatalog.count, kSectionsPerContainer);
}

TEST_F(CatalogTest, WalkFailures) {
    // A missing aircraft folder: the listing's code.
    EXPECT_FALSE(Walk({}, simulator_.string() + "\\NoSuchFolder\\Aircraft"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(g_aircraftCatalog.count, 0);

    EXPECT_FALSE(EnumerateAircraftContainers(nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));

    // A simulator folder stored with a trailing backslash: two backslashes before Aircraft,
    // used as formed; a trailing backslash of the aircraft folder is removed.
    Installation one{{{"One", {Section(0, "One", "one")}}}};
    EXPECT_TRUE(Walk(one, simulator_.string() + "\\\\Aircraft"));
    EXPECT_EQ(Listed(), (std::vector<std::string>{"One|\\One\\Model\\one.MDL|\\one.AIR"}));
    std::string folder = simulator_.string() + "\\Aircraft\\";
    std::vector<char> text(folder.begin(), folder.end());
    text.push_back('\0');
    ReleaseAircraftCatalog();
    EXPECT_TRUE(EnumerateAircraftContainers(text.data()));
    EXPECT_EQ(std::string(text.data()), simulator_.string() + "\\Aircraft");

    // An Aircraft.cfg or MODEL.CFG too large to hold (sparse, 5 GB) reads as an empty one:
    // the walk goes on to the next aircraft.
    for (const char* huge : {"Aircraft.cfg", "Model\\MODEL.CFG"}) {
        SCOPED_TRACE(huge);
        Installation two{{{"One", {Section(0, "One", "one")}}, {"Two", {Section(0, "Two", "two")}}}};
        EXPECT_TRUE(mdlgen::WriteInstallation(simulator_.string(), two));
        // Set by the system itself: the 32-bit runtime's resize_file stalls beyond 4 GiB.
        HANDLE file = CreateFileW((simulator_ / "Aircraft" / "One" / huge).c_str(), GENERIC_WRITE, 0, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        EXPECT_TRUE(SetFilePointerEx(file, LARGE_INTEGER{.QuadPart = LONGLONG{5} << 30}, nullptr, FILE_BEGIN) &&
                    SetEndOfFile(file));
        CloseHandle(file);
        ReleaseAircraftCatalog();
        std::string aircraft = simulator_.string() + "\\Aircraft";
        EXPECT_TRUE(EnumerateAircraftContainers(aircraft.data()));
        std::vector<std::string> listed = Listed();
        EXPECT_EQ(listed.back(), "Two|\\Two\\Model\\two.MDL|\\two.AIR");
    }
}

TEST_F(CatalogTest, FillsAt1024AndKeepsWhatItReadUnsorted) {
    // 16 containers of 64 sections and one of 30: the catalogue fills within the last
    // container read, whichever that is, and the walk fails with 8.
    Installation installation;
    int serial = 0;
    for (int c = 0; c < 17; ++c) {
        Container container{"C" + std::to_string(c), {}};
        for (int n = 0; n < (c == 16 ? 30 : 64); ++n) {
            // Descending titles: what was read in listing order is not in title order.
            FltSim section = Section(n, ("T" + std::to_string(9999 - serial++)).c_str(), "s");
            section.model = "";
            section.modelFile = false;
            container.sections.push_back(section);
        }
        installation.containers.push_back(container);
    }
    EXPECT_FALSE(Walk(installation));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
    EXPECT_EQ(g_aircraftCatalog.count, kAircraftCatalogSlots);
    std::vector<std::string> titles;
    for (int i = 0; i < g_aircraftCatalog.count; ++i) titles.push_back(g_aircraftCatalog.entries[i]->title);
    EXPECT_FALSE(std::is_sorted(titles.begin(), titles.end()));
    // A further container finds the catalogue full at once.
    EXPECT_FALSE(ReadAircraftContainer((simulator_.string() + "\\Aircraft").c_str(), "C0"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NOT_ENOUGH_MEMORY));
    EXPECT_EQ(g_aircraftCatalog.count, kAircraftCatalogSlots);
}

TEST(SimulatorPath, RegistryLookUp) {
    const char* parent = "SOFTWARE\\Microsoft\\Microsoft Games\\Combat Flight Simulator";
    const char* key = "SOFTWARE\\Microsoft\\Microsoft Games\\Combat Flight Simulator\\1.00";
    struct Case {
        const char* what;
        bool createKey;
        const char* path;  // nullptr: no value PATH
    };
    const Case cases[] = {
        {"no key", false, nullptr},
        {"no value", true, nullptr},
        {"a folder", true, "C:\\Games\\CFS"},
        {"a folder with a trailing backslash", true, "C:\\Games\\CFS\\"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, key);
        if (c.createKey) {
            HKEY created = nullptr;
            ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &created,
                                      nullptr),
                      ERROR_SUCCESS);
            if (c.path != nullptr)
                RegSetValueExA(created, "PATH", 0, REG_SZ, reinterpret_cast<const BYTE*>(c.path),
                               static_cast<DWORD>(std::strlen(c.path) + 1));
            RegCloseKey(created);
        }
        bool secondReadFailed = true;
        std::optional<std::string> folder = ReadSimulatorPath(&secondReadFailed);
        EXPECT_FALSE(secondReadFailed);
        EXPECT_EQ(folder.has_value(), c.path != nullptr);
        if (folder && c.path != nullptr) {
            EXPECT_EQ(*folder, c.path);
        }
    }
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, key);
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, parent);
}

// One model file that two sections of a container name two ways is one model file: the
// Fleet counts it once, a run sets it once with one backup, and both its rows show it.
TEST_F(CatalogTest, FleetKnowsAModelFileNamedTwoWaysAsOne) {
    FltSim other = Section(1, "Alias Two", "alias");
    other.model = "\\";
    ASSERT_TRUE(Walk({{{"Alias", {Section(0, "Alias One", "alias"), other}}}}));
    std::string folder = simulator_.string() + "\\Aircraft";
    std::vector<FleetRow> rows;
    ASSERT_TRUE(ReadFleet(folder.data(), rows));
    ASSERT_EQ(rows.size(), 2u);
    std::atomic<bool> stop{false};
    int reads = 0;
    ReadFleetCells({rows[0].modelPath, rows[1].modelPath}, stop, [&](const std::vector<std::size_t>& paths, const FleetCells& cells) {
        ++reads;
        ShowFleetCells(paths, cells, rows);
    });
    EXPECT_EQ(reads, 2) << "a call for each spelling";
    EXPECT_EQ(rows[0].model + "|" + rows[1].model, "\\Alias\\Model\\alias.MDL|\\Alias\\Model\\\\alias.MDL");
    EXPECT_EQ(CountModelFiles(rows), 1);
    int skipped = 0;
    std::vector<FleetTask> tasks = PlanFleetRun(rows, {1}, false, 9, &skipped);
    ASSERT_EQ(tasks.size(), 1u);
    ShowFleetResult(tasks[0], RunFleetTask(tasks[0]), rows);
    for (const FleetRow& row : rows) EXPECT_EQ(row.scale.Text() + " " + row.result, "9 Updated") << row.title;
    fs::path models = simulator_ / "Aircraft" / "Alias" / "Model";
    EXPECT_EQ(std::distance(fs::directory_iterator(models), fs::directory_iterator()), 3) << "MODEL.CFG, model, backup";
}

// A model file is the file that an update replaces: each name of a hard link, each of two
// names that differ in case only (Wine, in a Linux folder), and files on two file systems
// whose indexes agree are model files of their own, each set with a backup of its own. The
// last two are laid out from outside by the test that sets VORBIX_SEPARATE_MODELS.
TEST_F(CatalogTest, FleetSetsEveryFileThatAnUpdateReplaces) {
    ASSERT_TRUE(Walk({{{"One", {Section(0, "One", "one")}}, {"Two", {Section(0, "Two", "two")}}}}));
    fs::path one = simulator_ / "Aircraft" / "One" / "Model" / "one.MDL";
    fs::path two = simulator_ / "Aircraft" / "Two" / "Model" / "two.MDL";
    fs::remove(two);
    ASSERT_TRUE(CreateHardLinkA(two.string().c_str(), one.string().c_str(), nullptr));
    // Sets of paths, "|" between two sets, ";" between two paths of a set.
    std::vector<std::vector<std::string>> sets = {{one.string(), two.string()}};
    char outside[4096] = "";
    GetEnvironmentVariableA("VORBIX_SEPARATE_MODELS", outside, sizeof outside);
    for (const char* at = outside; *at != '\0'; at += *at == '|') {
        sets.emplace_back();
        while (*at != '\0' && *at != '|') {
            std::size_t length = std::strcspn(at, ";|");
            sets.back().emplace_back(at, length);
            at += length + (at[length] == ';');
        }
    }
    for (const std::vector<std::string>& paths : sets) {
        SCOPED_TRACE(paths.front());
        std::vector<FleetRow> rows(paths.size());
        for (std::size_t i = 0; i < paths.size(); ++i) rows[i].modelPath = paths[i];
        std::atomic<bool> stop{false};
        ReadFleetCells(paths, stop, [&](const std::vector<std::size_t>& named, const FleetCells& cells) {
            ShowFleetCells(named, cells, rows);
        });
        EXPECT_EQ(CountModelFiles(rows), static_cast<int>(paths.size()));
        std::vector<std::size_t> all;
        for (std::size_t i = 0; i < rows.size(); ++i) all.push_back(i);
        int skipped = 0;
        std::vector<FleetTask> tasks = PlanFleetRun(rows, all, false, 9, &skipped);
        ASSERT_EQ(tasks.size(), paths.size());
        for (const FleetTask& task : tasks) ShowFleetResult(task, RunFleetTask(task), rows);
        for (const FleetRow& row : rows) {
            EXPECT_EQ(row.scale.Text() + " " + row.result, "9 Updated") << row.modelPath;
            std::uint16_t scale = 0;
            EXPECT_TRUE(vorbix::PeekModelScale(row.modelPath.c_str(), &scale) && scale == 9) << row.modelPath;
            std::string backup;
            EXPECT_TRUE(vorbix::FindOldestBackup(row.modelPath.c_str(), backup)) << row.modelPath;
        }
    }
}

}  // namespace
