// Vorbixw.exe end to end: the real program started under Wine and Xvfb and driven from
// this one, on model files and simulator installations written by mdlgen.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>

#include "driver.h"
#include "installation.h"
#include "mdlgen.h"
#include "resource.h"
#include "sizing.h"

namespace fs = std::filesystem;
using gui::Text;

namespace {

const char kSimulatorKey[] = "SOFTWARE\\Microsoft\\Microsoft Games\\Combat Flight Simulator\\1.00";
const char kInvalidScale[] = "ERROR:57 Invalid scale.\nPlease enter a value between 0 and 16.";

// Backups of a read-only model are read-only too.
void RemoveTree(const fs::path& dir) {
    std::error_code ignored;
    for (const auto& entry : fs::recursive_directory_iterator(dir, ignored))
        SetFileAttributesA(entry.path().string().c_str(), FILE_ATTRIBUTE_NORMAL);
    fs::remove_all(dir, ignored);
}

class Vorbixw : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               (std::string("vorbixw-") + ::testing::UnitTest::GetInstance()->current_test_info()->name());
        RemoveTree(dir_);
        fs::create_directories(dir_);
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, kSimulatorKey);
    }
    void TearDown() override {
        program_.Close();
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, kSimulatorKey);
        RemoveTree(dir_);
    }

    std::string Path(const std::string& name) const { return (dir_ / name).string(); }
    void WriteModel(const std::string& name, std::uint16_t scale, bool valid = true) {
        mdlgen::Model model;
        model.sequence.scale = scale;
        if (!valid) model.sequence.broken = mdlgen::Instruction::BglReturn;
        fs::create_directories(fs::path(Path(name)).parent_path());
        ASSERT_TRUE(mdlgen::WriteFile(Path(name), mdlgen::BuildImage(mdlgen::ModelImage(model))));
    }
    // The scale word of a model file as mdlgen wrote it.
    std::uint16_t ScaleIn(const std::string& name) const {
        mdlgen::Bytes bytes = mdlgen::ReadFile(Path(name));
        std::size_t at = mdlgen::ScaleFileOffset(mdlgen::Model{});
        return bytes.size() < at + 2 ? 0xFFFF : static_cast<std::uint16_t>(bytes[at] | bytes[at + 1] << 8);
    }
    // Writes the installation and points the simulator's registry key at it.
    void Install(const mdlgen::Installation& installation) {
        std::string folder = Path("CFS");
        ASSERT_TRUE(mdlgen::WriteInstallation(folder, installation));
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSimulatorKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegSetValueExA(key, "PATH", 0, REG_SZ, reinterpret_cast<const BYTE*>(folder.c_str()),
                       static_cast<DWORD>(folder.size() + 1));
        RegCloseKey(key);
    }
    void Start(const std::string& arguments = "", const std::string& program = VORBIXW_EXE) {
        ASSERT_TRUE(program_.Start(program, arguments, dir_.string())) << "no main dialog";
    }
    HWND Main() const { return program_.main; }
    std::string Status() const { return Text(gui::Item(Main(), IDC_STATUS)); }
    std::string Field(int id) const { return Text(gui::Item(Main(), id)); }
    bool UpdateEnabled() const { return IsWindowEnabled(gui::Item(Main(), IDC_UPDATE)) != 0; }
    GUITHREADINFO ThreadInfo() const {
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        GetGUIThreadInfo(GetWindowThreadProcessId(Main(), nullptr), &info);
        return info;
    }
    HWND Focus() const { return ThreadInfo().hwndFocus; }
    // Types a scale and presses Update; returns when the command is done. A box, if one
    // comes, is read and closed: the command is sent from a thread of its own, which
    // returns only after the box.
    gui::Box Update(const std::string& scale) {
        gui::SetText(gui::Item(Main(), IDC_NEW_SCALE), scale);
        std::atomic<bool> done{false};
        std::thread press([&] {
            gui::Command(Main(), IDC_UPDATE);
            done = true;
        });
        gui::Box box;
        gui::WaitUntil([&] { return done || program_.HasWindow("Vorbix", {Main()}); });
        if (!done) box = gui::ReadAndCloseBox(program_.WaitForBox());
        press.join();
        return box;
    }
    // Returns once the main dialog has finished the command it runs: a message sent to it
    // is handled only when it next waits for messages.
    void Settle() const { SendMessageA(Main(), WM_NULL, 0, 0); }
    HWND OpenAircraftDialog() {
        gui::PostCommand(Main(), IDC_AIRCRAFT);
        HWND dialog = program_.WaitForWindow("Open Aircraft");
        EXPECT_NE(dialog, nullptr);
        return dialog;
    }
    void EndAircraftDialog(HWND dialog, int button) {
        gui::PostCommand(dialog, button);
        gui::WaitUntil([&] { return !IsWindow(dialog); });
        Settle();
    }
    std::vector<std::string> Listed(HWND dialog) const {
        HWND list = gui::Item(dialog, IDC_AIRCRAFT_LIST);
        std::vector<std::string> titles;
        LRESULT count = SendMessageA(list, LB_GETCOUNT, 0, 0);
        for (int i = 0; i < count; ++i) {
            std::wstring wide = gui::ListText(list, i);
            titles.emplace_back(wide.begin(), wide.end());
        }
        return titles;
    }
    // A click on a list item: selected, then the list's notice of the new selection.
    void Click(HWND dialog, int index) {
        SendMessageA(gui::Item(dialog, IDC_AIRCRAFT_LIST), LB_SETCURSEL, static_cast<WPARAM>(index), 0);
        gui::Command(dialog, IDC_AIRCRAFT_LIST, LBN_SELCHANGE);
    }
    int Selected(HWND dialog) const {
        return static_cast<int>(SendMessageA(gui::Item(dialog, IDC_AIRCRAFT_LIST), LB_GETCURSEL, 0, 0));
    }

    fs::path dir_;
    gui::Program program_;
};

TEST_F(Vorbixw, CommandLine) {
    WriteModel("A.MDL", 7);
    WriteModel("B.MDL", 9);
    WriteModel("my models\\C.MDL", 4);
    struct Case {
        const char* arguments;
        const char* title;  // nullptr: no model
        const char* scale;
    };
    const Case cases[] = {
        {"", nullptr, ""},
        {"A.MDL", "A.MDL - Vorbix", "7"},
        {"A.MDL B.MDL", "B.MDL - Vorbix", "9"},
        {"-x A.MDL /y -z", "A.MDL - Vorbix", "7"},
        {"/A.MDL", nullptr, ""},
        {"-A.MDL", nullptr, ""},
        {"\"my models\\C.MDL\"", "C.MDL - Vorbix", "4"},
        {"missing.MDL", nullptr, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments);
        Start(c.arguments);
        EXPECT_EQ(Text(Main()), c.title != nullptr ? c.title : "Vorbix");
        EXPECT_EQ(Field(IDC_SCALE), c.scale);
        EXPECT_EQ(UpdateEnabled(), c.title != nullptr);
        EXPECT_EQ(Status(), "Ready") << "no status text for the command line's file";
        if (c.title != nullptr) {
            EXPECT_EQ(Focus(), gui::Item(Main(), IDC_NEW_SCALE));
        }
        program_.Close();
    }
}

TEST_F(Vorbixw, UpdateTakesZeroToSixteen) {
    WriteModel("A.MDL", 7);
    Start("A.MDL");
    struct Case {
        const char* typed;
        std::uint16_t inFile;  // after the Update
        bool refused;
    };
    const Case cases[] = {
        {"16", 16, false}, {"17", 16, true}, {"-1", 16, true}, {"", 16, true},
        {"abc", 16, true}, {"12abc", 12, false}, {" 0", 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        gui::Box box = Update(c.typed);
        EXPECT_EQ(ScaleIn("A.MDL"), c.inFile);
        if (c.refused) {
            EXPECT_EQ(box.text, kInvalidScale);
            EXPECT_TRUE(box.hasIcon);
            EXPECT_EQ(Field(IDC_NEW_SCALE), c.typed) << "the typed text stays, selected";
        } else {
            EXPECT_EQ(box.text, "");
            EXPECT_EQ(Status(), "Updated: A.MDL");
            EXPECT_EQ(Field(IDC_SCALE), std::to_string(c.inFile)) << "read back from the file";
            EXPECT_EQ(Field(IDC_NEW_SCALE), "");
        }
        EXPECT_EQ(Focus(), gui::Item(Main(), IDC_NEW_SCALE));
    }
}

TEST_F(Vorbixw, ReadOnlyModelIsUpdatedAndStaysReadOnly) {
    WriteModel("A.MDL", 7);
    SetFileAttributesA(Path("A.MDL").c_str(), FILE_ATTRIBUTE_READONLY);
    Start("A.MDL");
    EXPECT_EQ(Field(IDC_SCALE), "7");
    EXPECT_EQ(Update("3").text, "");
    EXPECT_EQ(Status(), "Updated: A.MDL");
    EXPECT_EQ(Field(IDC_SCALE), "3");
    EXPECT_EQ(ScaleIn("A.MDL"), 3);
    EXPECT_EQ(GetFileAttributesA(Path("A.MDL").c_str()) & FILE_ATTRIBUTE_READONLY,
              static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
}

TEST_F(Vorbixw, WithoutTheSimulatorTheAircraftCommandSaysSo) {
    Start();
    // The Aircraft button, its system-menu command, and the Fleet button.
    for (int command : {IDC_AIRCRAFT, IDM_OPEN_AIRCRAFT, IDC_FLEET}) {
        SCOPED_TRACE(command);
        if (command == IDM_OPEN_AIRCRAFT)
            PostMessageA(Main(), WM_SYSCOMMAND, IDM_OPEN_AIRCRAFT, 0);
        else
            gui::PostCommand(Main(), command);
        gui::Box box = gui::ReadAndCloseBox(program_.WaitForBox());
        EXPECT_EQ(box.text, "ERROR:2 Cannot locate Combat Flight Simulator.\nYou will have to open a MDL file directly.");
        EXPECT_FALSE(box.hasIcon);
        gui::WaitUntil([&] { return !program_.HasWindow("Vorbix", {Main()}); });
        Settle();
        EXPECT_EQ(Status(), "Ready");
    }
}

mdlgen::Installation TestInstallation() {
    mdlgen::Installation installation = mdlgen::SampleInstallation();
    installation.containers.push_back({"Broken", {mdlgen::Aircraft(0, "Broken Bird", "broken")}});
    installation.containers.push_back({"Camel1", {mdlgen::Aircraft(0, "Camel", "camel1", 3)}});
    installation.containers.push_back({"Camel2", {mdlgen::Aircraft(0, "CAMEL", "camel2", 4)}});
    return installation;
}

TEST_F(Vorbixw, OpenAircraftByTitle) {
    Install(TestInstallation());
    WriteModel("CFS\\Aircraft\\Broken\\Model\\broken.MDL", 7, false);
    Start();
    HWND dialog = OpenAircraftDialog();
    ASSERT_NE(dialog, nullptr);
    std::vector<std::string> titles = Listed(dialog);
    ASSERT_EQ(titles.size(), 8u);
    EXPECT_EQ(std::vector<std::string>(titles.begin(), titles.begin() + 4),
              (std::vector<std::string>{"Albatros Scout", "Biplane Mk I", "Biplane Mk II", "Broken Bird"}));
    EXPECT_EQ(std::vector<std::string>(titles.begin() + 6, titles.end()),
              (std::vector<std::string>{"glider", "Triplane"}));
    HWND name = gui::Item(dialog, IDC_AIRCRAFT_NAME), path = gui::Item(dialog, IDC_AIRCRAFT_MDL);
    EXPECT_EQ(Selected(dialog), LB_ERR);
    EXPECT_EQ(Text(name), "");
    EXPECT_EQ(Text(path), "");

    // Typing the start of a title in another case selects it and changes nothing else.
    gui::SetText(name, "bIPLANE m");
    EXPECT_EQ(Selected(dialog), 1);
    EXPECT_EQ(Text(path), "");
    gui::SetText(name, "zzz");
    EXPECT_EQ(Selected(dialog), 1) << "no match keeps the selection";

    // A click shows the title and the short path.
    Click(dialog, 2);
    EXPECT_EQ(Text(name), "Biplane Mk II");
    EXPECT_EQ(Text(path), "\\Biplane\\biplane2\\biplane2.MDL");
    EXPECT_EQ(Selected(dialog), 2);

    // Cancel changes nothing.
    EndAircraftDialog(dialog, IDCANCEL);
    EXPECT_EQ(Status(), "Ready");
    EXPECT_EQ(Text(Main()), "Vorbix");

    // A double-click opens at once.
    dialog = OpenAircraftDialog();
    Click(dialog, 7);
    gui::PostCommand(dialog, IDC_AIRCRAFT_LIST, LBN_DBLCLK);
    gui::WaitUntil([&] { return !IsWindow(dialog); });
    Settle();
    EXPECT_EQ(Status(), "Loaded: triplane.MDL");
    EXPECT_EQ(Text(Main()), "triplane.MDL - Vorbix");
    EXPECT_EQ(Field(IDC_SCALE), "12");
    EXPECT_TRUE(UpdateEnabled());

    // A model without the sequence: the status names it, the dialog keeps the model it
    // shows, and Update writes that one, not the one that failed.
    dialog = OpenAircraftDialog();
    Click(dialog, 3);
    EndAircraftDialog(dialog, IDOK);
    EXPECT_EQ(Status().rfind("ERROR:", 0), 0u) << Status();
    EXPECT_NE(Status().find(" Load(broken.MDL) failed."), std::string::npos) << Status();
    EXPECT_EQ(Text(Main()), "triplane.MDL - Vorbix");
    EXPECT_EQ(Field(IDC_SCALE), "12");
    mdlgen::Bytes broken = mdlgen::ReadFile(Path("CFS\\Aircraft\\Broken\\Model\\broken.MDL"));
    EXPECT_EQ(Update("5").text, "");
    EXPECT_EQ(Status(), "Updated: triplane.MDL");
    EXPECT_EQ(Field(IDC_SCALE), "5");
    EXPECT_EQ(ScaleIn("CFS\\Aircraft\\Triplane\\Model\\triplane.MDL"), 5);
    EXPECT_EQ(mdlgen::ReadFile(Path("CFS\\Aircraft\\Broken\\Model\\broken.MDL")), broken);

    // Titles equal but for case: the clicked one stays selected and is the one opened.
    dialog = OpenAircraftDialog();
    Click(dialog, 5);
    EXPECT_EQ(Selected(dialog), 5);
    std::string shown = Text(gui::Item(dialog, IDC_AIRCRAFT_MDL));
    ASSERT_NE(shown.rfind('\\'), std::string::npos) << shown;
    EndAircraftDialog(dialog, IDOK);
    EXPECT_EQ("\\" + Status().substr(std::string("Loaded: ").size()), shown.substr(shown.rfind('\\')));

    // Open with nothing selected: the Gsc box, then the aircraft folder fails to load.
    dialog = OpenAircraftDialog();
    gui::PostCommand(dialog, IDOK);
    gui::Box box = gui::ReadAndCloseBox(program_.WaitForBox());
    EXPECT_EQ(box.text, "ERROR:57 Internal Gsc error, invalid selection(FFFFFFFF)");
    EXPECT_TRUE(box.hasIcon);
    gui::WaitUntil([&] { return !IsWindow(dialog); });
    Settle();
    EXPECT_NE(Status().find(" Load(Aircraft) failed."), std::string::npos) << Status();
}

TEST_F(Vorbixw, SystemMenuCommandsAndAboutBox) {
    Start();
    PostMessageA(Main(), WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
    HWND about = program_.WaitForWindow("About Vorbix...");
    ASSERT_NE(about, nullptr);
    std::string texts;
    for (HWND child = GetWindow(about, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT))
        texts += Text(child) + "|";
    EXPECT_NE(texts.find("&Ok|"), std::string::npos) << texts;
    EXPECT_NE(texts.find("Vorbix Version 1.0.2.9169-W\n"), std::string::npos) << texts;
    EXPECT_FALSE(IsWindowEnabled(Main())) << "the About box is owned by the main dialog";
    gui::PostCommand(about, IDOK);
    EXPECT_TRUE(gui::WaitUntil([&] { return !IsWindow(about); }));

    // The file dialog, cancelled: nothing changes.
    PostMessageA(Main(), WM_SYSCOMMAND, IDM_OPEN_MDL, 0);
    HWND open = program_.WaitForWindow("Open", {Main()});
    ASSERT_NE(open, nullptr);
    PostMessageA(open, WM_COMMAND, IDCANCEL, 0);
    EXPECT_TRUE(gui::WaitUntil([&] { return !IsWindow(open); }));
    EXPECT_EQ(Status(), "Ready");
    EXPECT_EQ(Text(Main()), "Vorbix");
}

TEST_F(Vorbixw, ToolTips) {
    Install(TestInstallation());
    Start();
    std::map<int, std::string> texts;
    for (const auto& [id, text] : gui::ToolTexts(program_, Main())) texts[id] = text;
    EXPECT_EQ(texts, (std::map<int, std::string>{{IDC_AIRCRAFT, "Open an Aircraft"},
                                                 {IDC_MDL, "Open an Mdl file"},
                                                 {IDC_UPDATE, "Update the Mdl file"},
                                                 {ID_HELP, "Open the Vorbix Help File"},
                                                 {IDOK, "Quit Vorbix"},
                                                 {IDC_SCALE, "Existing scale value"},
                                                 {IDC_FLEET, "Set the scale of many aircraft at once"}}));
    HWND dialog = OpenAircraftDialog();
    texts.clear();
    for (const auto& [id, text] : gui::ToolTexts(program_, dialog)) texts[id] = text;
    EXPECT_EQ(texts, (std::map<int, std::string>{{IDC_AIRCRAFT_LIST, "<callback>"},
                                                 {IDC_AIRCRAFT_NAME, "Aircraft container to open"},
                                                 {IDCANCEL, "Cancel without opening an aircraft container"},
                                                 {IDOK, "Open the aircraft container"}}));
    EndAircraftDialog(dialog, IDCANCEL);
}

// Enlarging moves and stretches each registered control by exactly the change of the
// client area; the dialogs never get smaller than they were created.
TEST_F(Vorbixw, ResizingMovesTheControlsAsRegistered) {
    Install(TestInstallation());
    Start();
    HWND aircraft = OpenAircraftDialog();
    struct Registration {
        int id;
        UINT flags;
    };
    const std::vector<Registration> mainControls = {
        {IDC_AIRCRAFT, SIZING_MOVE_X}, {IDC_MDL, SIZING_MOVE_X}, {IDC_UPDATE, SIZING_MOVE_X},
        {IDOK, SIZING_MOVE_X}, {ID_HELP, SIZING_MOVE_X}, {IDC_STATUS, SIZING_SIZE_X | SIZING_MOVE_Y},
        {IDC_NEW_SCALE, SIZING_SIZE_X}, {IDC_SCALE, SIZING_SIZE_X}, {IDC_FLEET, SIZING_MOVE_Y}};
    const std::vector<Registration> aircraftControls = {
        {IDC_AIRCRAFT_LIST, SIZING_SIZE_X | SIZING_SIZE_Y}, {IDC_AIRCRAFT_NAME, SIZING_SIZE_X | SIZING_MOVE_Y},
        {IDC_AIRCRAFT_NAME_LABEL, SIZING_MOVE_Y}, {IDC_AIRCRAFT_MDL, SIZING_SIZE_X | SIZING_MOVE_Y},
        {IDC_AIRCRAFT_MDL_LABEL, SIZING_MOVE_Y}, {IDOK, SIZING_MOVE_X | SIZING_MOVE_Y},
        {IDCANCEL, SIZING_MOVE_X | SIZING_MOVE_Y}};
    for (auto [dialog, controls] : {std::pair{aircraft, aircraftControls}, std::pair{Main(), mainControls}}) {
        SCOPED_TRACE(Text(dialog));
        RECT outer, client, grown;
        GetWindowRect(dialog, &outer);
        GetClientRect(dialog, &client);
        std::map<int, RECT> before;
        for (const Registration& r : controls) before[r.id] = gui::ClientRect(dialog, r.id);
        int width = outer.right - outer.left, height = outer.bottom - outer.top;
        SetWindowPos(dialog, nullptr, 0, 0, width + 60, height + 40, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        GetClientRect(dialog, &grown);
        int dx = grown.right - client.right, dy = grown.bottom - client.bottom;
        EXPECT_EQ(dx, 60);
        EXPECT_EQ(dy, 40);
        for (const Registration& r : controls) {
            SCOPED_TRACE(r.id);
            RECT b = before[r.id], a = gui::ClientRect(dialog, r.id);
            bool sizeX = r.flags & SIZING_SIZE_X, sizeY = r.flags & SIZING_SIZE_Y;
            bool moveX = !sizeX && (r.flags & SIZING_MOVE_X), moveY = !sizeY && (r.flags & SIZING_MOVE_Y);
            EXPECT_EQ(a.left - b.left, moveX ? dx : 0);
            EXPECT_EQ(a.right - b.right, moveX || sizeX ? dx : 0);
            EXPECT_EQ(a.top - b.top, moveY ? dy : 0);
            EXPECT_EQ(a.bottom - b.bottom, moveY || sizeY ? dy : 0);
        }
        SetWindowPos(dialog, nullptr, 0, 0, width - 50, height - 30, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        RECT shrunk;
        GetWindowRect(dialog, &shrunk);
        EXPECT_EQ(shrunk.right - shrunk.left, width);
        EXPECT_EQ(shrunk.bottom - shrunk.top, height);
        if (dialog == aircraft) EndAircraftDialog(aircraft, IDCANCEL);
    }
}

// Where no help file lies beside the program, F1 in each dialog opens the program's own
// help window: one at a time, owned by the main dialog, the text focused. Escape closes it
// and leaves the dialog it was asked from as it was.
TEST_F(Vorbixw, HelpWindowWhereNoHelpFileExists) {
    Install(TestInstallation());
    Start();
    auto helpWindows = [&] {
        int count = 0;
        for (HWND window : program_.TopLevelWindows()) count += IsWindowVisible(window) && Text(window) == "Vorbix Help";
        return count;
    };
    for (const char* from : {"Vorbix", "Open Aircraft", "About Vorbix..."}) {
        SCOPED_TRACE(from);
        HWND dialog = Main();
        if (std::string(from) == "Open Aircraft") dialog = OpenAircraftDialog();
        if (std::string(from) == "About Vorbix...") {
            PostMessageA(Main(), WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
            dialog = program_.WaitForWindow(from);
        }
        ASSERT_NE(dialog, nullptr);
        // Twice: the second brings the first to the front.
        HELPINFO info{};
        info.cbSize = sizeof info;
        for (int ask = 0; ask < 2; ++ask) SendMessageA(dialog, WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
        HWND help = program_.WaitForWindow("Vorbix Help");
        ASSERT_NE(help, nullptr);
        EXPECT_EQ(helpWindows(), 1);
        EXPECT_EQ(GetWindow(help, GW_OWNER), Main());
        HWND text = gui::Item(help, IDC_HELP_TEXT);
        const LONG style = ES_MULTILINE | ES_READONLY | WS_VSCROLL;
        EXPECT_EQ(GetWindowLongA(text, GWL_STYLE) & style, style);
        EXPECT_EQ(Text(text).rfind("Vorbix Help\r\n", 0), 0u);
        EXPECT_NE(Text(text).find("A design unit is 2^(scale-16) metres"), std::string::npos);
        EXPECT_EQ(Focus(), text);
        PostMessageA(text, WM_KEYDOWN, VK_ESCAPE, 0);
        EXPECT_TRUE(gui::WaitUntil([&] { return !IsWindow(help); }));
        EXPECT_TRUE(IsWindowEnabled(dialog));
        EXPECT_TRUE(gui::WaitUntil([&] { return ThreadInfo().hwndActive == dialog; }, 5000));
        if (dialog != Main()) EndAircraftDialog(dialog, IDCANCEL);
    }
    // The Help button, then the window's Close command.
    gui::Command(Main(), ID_HELP);
    HWND help = program_.WaitForWindow("Vorbix Help");
    ASSERT_NE(help, nullptr);
    PostMessageA(help, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(gui::WaitUntil([&] { return !IsWindow(help); }));
    EXPECT_TRUE(IsWindowEnabled(Main()));
}

// Where the help file lies beside the program, Help asks Windows Help for it.
TEST_F(Vorbixw, HelpFileBesideTheProgramGoesToWindowsHelp) {
    const std::string program = Path("Vorbixw.exe");
    ASSERT_TRUE(CopyFileA(std::string(VORBIXW_EXE).c_str(), program.c_str(), FALSE));
    mdlgen::WriteFile(Path("Vorbixw.HLP"), mdlgen::Bytes(64, 0));
    Start("", program);
    std::vector<HWND> before = gui::AllTopLevelWindows();
    gui::PostCommand(Main(), ID_HELP);
    // The viewer is a program of its own; it says the file is no help file.
    HWND viewer = nullptr;
    EXPECT_TRUE(gui::WaitUntil([&] {
        for (HWND window : gui::AllTopLevelWindows())
            if (IsWindowVisible(window) && std::find(before.begin(), before.end(), window) == before.end() &&
                GetWindowThreadProcessId(window, nullptr) != GetWindowThreadProcessId(Main(), nullptr))
                viewer = window;
        return viewer != nullptr;
    }));
    EXPECT_FALSE(program_.HasWindow("Vorbix Help"));
    if (viewer != nullptr) PostMessageA(viewer, WM_CLOSE, 0, 0);
}

}  // namespace

// The Fleet over an installation with a broken model, two aircraft sharing one model file,
// and a model with a backup from before: every aircraft with its scale, Set and Restore on
// the model files of the selected rows, the list's order and keys.
class Fleet : public Vorbixw {
protected:
    void SetUp() override {
        Vorbixw::SetUp();
        Install(mdlgen::FleetInstallation());
        WriteModel("CFS\\Aircraft\\Biplane\\Model\\biplane.Z20200101000000.MDL", 5);
    }
    HWND OpenFleet() {
        gui::PostCommand(Main(), IDC_FLEET);
        HWND dialog = program_.WaitForWindow("Fleet");
        EXPECT_NE(dialog, nullptr);
        list_ = std::make_unique<gui::ListView>(program_, gui::Item(dialog, IDC_FLEET_LIST));
        return dialog;
    }
    // The test build, slowed to 250 ms a model file as it reads and runs, with its Fleet open.
    HWND OpenSlowFleet() {
        SetEnvironmentVariableA("VORBIXW_READ_PAUSE_MS", "250");
        Start("", VORBIXW_TEST_HOOKS_EXE);
        SetEnvironmentVariableA("VORBIXW_READ_PAUSE_MS", nullptr);
        return OpenFleet();
    }
    // Presses Set or Restore on the given rows and waits for the run's end.
    std::string Run(HWND dialog, int button, const std::vector<int>& rows, const std::string& scale = "") {
        list_->Select(-1, false);
        for (int row : rows) list_->Select(row);
        gui::SetText(gui::Item(dialog, IDC_FLEET_SCALE), scale);
        gui::PostCommand(dialog, button);
        const char* end = button == IDC_FLEET_SET ? "Set " : "Restored: ";
        gui::WaitUntil([&] { return Text(gui::Item(dialog, IDC_FLEET_STATUS)).rfind(end, 0) == 0; });
        return Text(gui::Item(dialog, IDC_FLEET_STATUS));
    }
    std::vector<std::string> Column(int column) const {
        std::vector<std::string> cells;
        for (int i = 0; i < list_->Count(); ++i) cells.push_back(list_->Cell(i, column));
        return cells;
    }
    std::unique_ptr<gui::ListView> list_;
};

TEST_F(Fleet, SetRestoreAndTheList) {
    const std::string triplane = "CFS\\Aircraft\\Triplane\\Model\\triplane.MDL";
    Start("\"" + Path(triplane) + "\"");
    EXPECT_EQ(Field(IDC_SCALE), "12");
    HWND dialog = OpenFleet();
    ASSERT_NE(dialog, nullptr);
    EXPECT_FALSE(IsWindowEnabled(Main())) << "modal, owned by the main dialog";
    std::vector<std::string> headings;
    for (int column = 0; column < 5; ++column) headings.push_back(list_->Heading(column));
    EXPECT_EQ(headings, (std::vector<std::string>{"Aircraft", "Scale", "Installed", "Model", "Result"}));
    const std::string broken = list_->Cell(3, 1);
    EXPECT_EQ(broken.rfind("ERROR:", 0), 0u) << broken;
    EXPECT_EQ(list_->Rows(5), (std::vector<std::string>{
                                  "Albatros Scout|7|7|\\Scout\\Model\\scout.MDL|",
                                  "Biplane Mk I|7|5|\\Biplane\\Model\\biplane.MDL|",
                                  "Biplane Mk II|9|9|\\Biplane\\biplane2\\biplane2.MDL|",
                                  "Broken Bird|" + broken + "|" + broken + "|\\Broken\\Model\\broken.MDL|",
                                  "Camel Blue|3|3|\\Camel\\Model\\camel.MDL|",
                                  "Camel Red|3|3|\\Camel\\Model\\camel.MDL|",
                                  "glider|5|5|\\Glider\\Model\\glider.MDL|",
                                  "Triplane|12|12|\\Triplane\\Model\\triplane.MDL|",
                              }));
    EXPECT_EQ(Text(gui::Item(dialog, IDC_FLEET_STATUS)), "8 aircraft, 7 model files");
    EXPECT_EQ(list_->SelectedCount(), 0);
    EXPECT_FALSE(IsWindowEnabled(gui::Item(dialog, IDC_FLEET_SET)));
    EXPECT_FALSE(IsWindowEnabled(gui::Item(dialog, IDC_FLEET_RESTORE)));

    auto entries = [&](const std::string& folder) {
        return std::distance(fs::directory_iterator(Path(folder)), fs::directory_iterator());
    };

    // A bad scale: the main dialog's box, nothing touched.
    list_->Select(7);
    gui::SetText(gui::Item(dialog, IDC_FLEET_SCALE), "17");
    gui::PostCommand(dialog, IDC_FLEET_SET);
    EXPECT_EQ(gui::ReadAndCloseBox(program_.WaitForBox()).text, kInvalidScale);
    EXPECT_EQ(ScaleIn(triplane), 12);

    // Set: the shared model file once, for both its rows; the one at 7 unchanged and not
    // backed up; the broken one skipped; a locked one fails and the run goes on.
    HANDLE locked = CreateFileA(Path("CFS\\Aircraft\\Glider\\Model\\glider.MDL").c_str(), GENERIC_READ, 0, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(locked, INVALID_HANDLE_VALUE);
    EXPECT_EQ(Run(dialog, IDC_FLEET_SET, {0, 3, 5, 6, 7}, "7"), "Set 7: 2 updated, 1 unchanged, 1 failed, 1 skipped");
    CloseHandle(locked);
    std::vector<std::string> rows = list_->Rows(5);
    EXPECT_EQ(rows[6], "glider|5|5|\\Glider\\Model\\glider.MDL|ERROR:20 Update failed.");
    EXPECT_EQ(entries("CFS\\Aircraft\\Glider\\Model"), 2) << "no backup, no working copy";
    EXPECT_EQ(rows[0], "Albatros Scout|7|7|\\Scout\\Model\\scout.MDL|Unchanged");
    EXPECT_EQ(rows[1], "Biplane Mk I|7|5|\\Biplane\\Model\\biplane.MDL|");
    EXPECT_EQ(rows[3], "Broken Bird|" + broken + "|" + broken + "|\\Broken\\Model\\broken.MDL|Skipped");
    EXPECT_EQ(rows[4], "Camel Blue|7|3|\\Camel\\Model\\camel.MDL|Updated");
    EXPECT_EQ(rows[5], "Camel Red|7|3|\\Camel\\Model\\camel.MDL|Updated");
    EXPECT_EQ(rows[7], "Triplane|7|12|\\Triplane\\Model\\triplane.MDL|Updated");
    EXPECT_EQ(ScaleIn("CFS\\Aircraft\\Camel\\Model\\camel.MDL"), 7);
    EXPECT_EQ(ScaleIn(triplane), 7);
    EXPECT_EQ(entries("CFS\\Aircraft\\Scout\\Model"), 2) << "MODEL.CFG and the model file only";
    EXPECT_EQ(entries("CFS\\Aircraft\\Camel\\Model"), 3) << "one backup of the shared model file";
    EXPECT_EQ(list_->SelectedCount(), 5) << "the selection stays";
    EXPECT_EQ(Text(gui::Item(dialog, IDCANCEL)), "&Close");

    // Restore: the scale as installed, from the oldest backup where there is one.
    EXPECT_EQ(Run(dialog, IDC_FLEET_RESTORE, {1, 4}), "Restored: 2 updated, 0 unchanged, 0 failed");
    EXPECT_EQ(list_->Cell(1, 1) + list_->Cell(1, 4), "5Updated");
    EXPECT_EQ(list_->Cell(5, 1) + list_->Cell(5, 4), "3Updated");
    EXPECT_EQ(list_->Cell(7, 4), "") << "results are the last run's";
    EXPECT_EQ(ScaleIn("CFS\\Aircraft\\Biplane\\Model\\biplane.MDL"), 5);

    // A heading click sorts by its column, errors last; a second one reverses the order.
    list_->ClickHeading(1);
    EXPECT_EQ(Column(1), (std::vector<std::string>{"3", "3", "5", "5", "7", "7", "9", broken}));
    list_->ClickHeading(1);
    EXPECT_EQ(Column(1), (std::vector<std::string>{broken, "9", "7", "7", "5", "5", "3", "3"}));
    list_->ClickHeading(0);
    EXPECT_EQ(list_->Cell(0, 0), "Albatros Scout");

    // Closed, the main dialog shows the scale its model file holds now.
    gui::PostCommand(dialog, IDCANCEL);
    ASSERT_TRUE(gui::WaitUntil([&] { return !IsWindow(dialog); }));
    Settle();
    EXPECT_EQ(Field(IDC_SCALE), "7");
    EXPECT_EQ(Status(), "Ready");
}

// The reading slowed down, so that the dialog is seen while it reads: the rows come before
// their cells, the status counts, the list sorts with the cells not read yet last, Set and
// Restore wait for the end; and Close during the reading closes the dialog.
TEST_F(Fleet, RowsComeBeforeTheirCells) {
    HWND dialog = OpenSlowFleet();
    ASSERT_NE(dialog, nullptr);
    HWND status = gui::Item(dialog, IDC_FLEET_STATUS);
    EXPECT_EQ(list_->Count(), 8);
    EXPECT_EQ(list_->Rows(5)[7], "Triplane|||\\Triplane\\Model\\triplane.MDL|") << "titles and models first";
    int at = 0;
    ASSERT_TRUE(gui::WaitUntil([&] { return std::sscanf(Text(status).c_str(), "Reading scales: %d of 8", &at) == 1 && at > 0; }))
        << Text(status);
    list_->Select(7);
    EXPECT_FALSE(IsWindowEnabled(gui::Item(dialog, IDC_FLEET_SET)));
    EXPECT_FALSE(IsWindowEnabled(gui::Item(dialog, IDC_FLEET_RESTORE)));
    list_->ClickHeading(1);
    std::vector<std::string> scales = Column(1);
    EXPECT_TRUE(std::is_partitioned(scales.begin(), scales.end(), [](const std::string& cell) { return !cell.empty(); }))
        << "cells not read yet sort last";
    EXPECT_NE(scales.front(), "") << "read while the dialog reads";
    EXPECT_EQ(scales.back(), "") << "still to read";
    ASSERT_TRUE(gui::WaitUntil([&] { return Text(status) == "8 aircraft, 7 model files"; })) << Text(status);
    EXPECT_TRUE(IsWindowEnabled(gui::Item(dialog, IDC_FLEET_SET)));
    // Sorted by Scale still, once every cell has come: numbers up, then errors; the row
    // selected before is the one selected now.
    scales = Column(1);
    EXPECT_TRUE(std::is_sorted(scales.begin(), scales.end(), [](const std::string& a, const std::string& b) {
        bool numberA = std::isdigit(static_cast<unsigned char>(a[0])), numberB = std::isdigit(static_cast<unsigned char>(b[0]));
        return numberA && numberB ? std::stoi(a) < std::stoi(b) : numberA && !numberB;
    }));
    HWND list = gui::Item(dialog, IDC_FLEET_LIST);
    int selected = static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
    EXPECT_EQ(list_->Cell(selected, 0), "Triplane");

    // Stopped during a run (a real Escape), or closed during the reading (a real click on
    // Close), the dialog shows that it stops and answers within 100 ms for as long as it is
    // shown. (Once hidden, Wine's X11 driver holds the thread while it waits for a window
    // manager to withdraw the window; there is none.)
    auto stopsAnswering = [&](const std::function<void()>& input, const std::function<bool()>& stopped) {
        int slow = 0;
        bool stopping = false;
        SetForegroundWindow(dialog);
        input();
        EXPECT_TRUE(gui::WaitUntil([&] {
            DWORD_PTR answer = 0;
            bool answered = SendMessageTimeoutA(dialog, WM_NULL, 0, 0, SMTO_NORMAL, 100, &answer) != 0;
            slow += !answered && IsWindowVisible(dialog);
            stopping = stopping || (answered && Text(status) == "Stopping...");
            return stopped();
        }));
        EXPECT_TRUE(stopping);
        EXPECT_EQ(slow, 0) << "times the dialog did not answer within 100 ms";
    };
    list_->Select(-1);
    gui::SetText(gui::Item(dialog, IDC_FLEET_SCALE), "9");
    gui::PostCommand(dialog, IDC_FLEET_SET);
    ASSERT_TRUE(gui::WaitUntil([&] { return Text(status).rfind("Setting scale 9: 2 of", 0) == 0; })) << Text(status);
    stopsAnswering([] { gui::PressKeys({VK_ESCAPE}); }, [&] { return Text(status).rfind("Set 9:", 0) == 0; });
    EXPECT_NE(Text(status).find(" not done"), std::string::npos) << Text(status);
    EXPECT_TRUE(IsWindow(dialog)) << "a run's Stop ends the run, not the dialog";
    gui::PostCommand(dialog, IDCANCEL);
    ASSERT_TRUE(gui::WaitUntil([&] { return !IsWindow(dialog); }));

    dialog = OpenFleet();
    ASSERT_NE(dialog, nullptr);
    status = gui::Item(dialog, IDC_FLEET_STATUS);
    // A real click reaches the dialog once the X server shows it, well before its first cell.
    ASSERT_TRUE(gui::WaitUntil([&] { return std::sscanf(Text(status).c_str(), "Reading scales: %d of 8", &at) == 1 && at > 0; }))
        << Text(status);
    stopsAnswering(
        [&] {
            RECT close;
            GetWindowRect(gui::Item(dialog, IDCANCEL), &close);
            gui::ClickAt({(close.left + close.right) / 2, (close.top + close.bottom) / 2});
        },
        [&] { return !IsWindow(dialog); });
    Settle();
    EXPECT_TRUE(IsWindowEnabled(Main()));
}

// WM_QUIT reaching the program during the reading or during a run ends it within seconds,
// every model file set with one backup or untouched.
TEST_F(Fleet, QuitEndsTheProgramDuringWork) {
    for (bool run : {false, true}) {
        SCOPED_TRACE(run ? "during a run" : "during the reading");
        fs::remove_all(dir_ / "CFS");
        Install(mdlgen::FleetInstallation());
        HWND dialog = OpenSlowFleet();
        ASSERT_NE(dialog, nullptr);
        HWND status = gui::Item(dialog, IDC_FLEET_STATUS);
        if (run) {
            ASSERT_TRUE(gui::WaitUntil([&] { return Text(status) == "8 aircraft, 7 model files"; })) << Text(status);
            list_->Select(-1);
            gui::SetText(gui::Item(dialog, IDC_FLEET_SCALE), "9");
            gui::PostCommand(dialog, IDC_FLEET_SET);
        }
        int at = 0;
        ASSERT_TRUE(gui::WaitUntil([&] {
            return std::sscanf(Text(status).c_str(), run ? "Setting scale 9: %d of" : "Reading scales: %d of", &at) == 1 && at > 1;
        })) << Text(status);
        PostThreadMessageA(GetWindowThreadProcessId(Main(), nullptr), WM_QUIT, 0, 0);
        EXPECT_EQ(WaitForSingleObject(program_.process, 10000), WAIT_OBJECT_0) << "still running";
        program_.Close();
        for (const auto& entry : fs::recursive_directory_iterator(dir_ / "CFS")) {
            std::string name = entry.path().filename().string();
            if (entry.path().extension() != ".MDL" || name.find(".Z") != std::string::npos) continue;
            int backups = 0;
            for (const auto& other : fs::directory_iterator(entry.path().parent_path()))
                backups += other.path().filename().string().rfind(entry.path().stem().string() + ".Z", 0) == 0;
            EXPECT_LE(backups, 1) << name;
            if (backups == 1) {
                EXPECT_EQ(ScaleIn(fs::relative(entry.path(), dir_).string()), 9) << name;
            }
        }
    }
}

TEST_F(Fleet, KeysAndStop) {
    Start();
    HWND dialog = OpenFleet();
    ASSERT_NE(dialog, nullptr);
    SetForegroundWindow(dialog);
    gui::PressKeys({VK_CONTROL, 'A'});
    EXPECT_TRUE(gui::WaitUntil([&] { return list_->SelectedCount() == 8; }));
    std::string expected;
    for (const std::string& row : list_->Rows(5)) {
        std::string line = row;
        std::replace(line.begin(), line.end(), '|', '\t');
        expected += line + "\r\n";
    }
    EmptyClipboard();
    gui::PressKeys({VK_CONTROL, 'C'});
    std::string copied;
    gui::WaitUntil([&] {
        if (!OpenClipboard(nullptr)) return false;
        HANDLE data = GetClipboardData(CF_TEXT);
        const char* text = data != nullptr ? static_cast<const char*>(GlobalLock(data)) : nullptr;
        copied = text != nullptr ? text : "";
        if (text != nullptr) GlobalUnlock(data);
        CloseClipboard();
        return !copied.empty();
    });
    EXPECT_EQ(copied, expected);

    // Stop heard before the next model file: the files not reached are untouched.
    mdlgen::Bytes glider = mdlgen::ReadFile(Path("CFS\\Aircraft\\Glider\\Model\\glider.MDL"));
    gui::SetText(gui::Item(dialog, IDC_FLEET_SCALE), "9");
    gui::PostCommand(dialog, IDC_FLEET_SET);
    gui::PostCommand(dialog, IDCANCEL);
    gui::WaitUntil([&] { return Text(gui::Item(dialog, IDC_FLEET_STATUS)).rfind("Set 9:", 0) == 0; });
    std::string status = Text(gui::Item(dialog, IDC_FLEET_STATUS));
    EXPECT_NE(status.find(" not done"), std::string::npos) << status;
    EXPECT_EQ(list_->Cell(6, 4), "Not done") << status;
    EXPECT_EQ(mdlgen::ReadFile(Path("CFS\\Aircraft\\Glider\\Model\\glider.MDL")), glider);
    EXPECT_TRUE(IsWindow(dialog)) << "Stop ends the run, not the dialog";
    EXPECT_EQ(Text(gui::Item(dialog, IDCANCEL)), "&Close");
}

// Stop, Escape and the close box, as real input during a run over a large installation:
// each ends the run after the model file under way, and every model file is then either
// set once, with one backup, or untouched.
TEST_F(Vorbixw, FleetRunStopsOnRealInput) {
    constexpr int kAircraft = 1000;
    mdlgen::Installation installation;
    for (int i = 0; i < kAircraft; ++i) {
        char sim[8];
        std::snprintf(sim, sizeof sim, "a%04d", i);
        installation.containers.push_back({sim, {mdlgen::Aircraft(0, std::string("Aircraft ") + sim, sim)}});
    }
    Install(installation);
    // Without a window manager, Wine draws the caption and its close box only when told to.
    const char kX11[] = "Software\\Wine\\X11 Driver";
    HKEY x11 = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kX11, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &x11, nullptr), ERROR_SUCCESS);
    RegSetValueExA(x11, "Decorated", 0, REG_SZ, reinterpret_cast<const BYTE*>("N"), 2);
    std::unique_ptr<HKEY__, void (*)(HKEY)> undecorated(x11, [](HKEY key) {
        RegDeleteValueA(key, "Decorated");
        RegCloseKey(key);
    });
    Start();
    gui::PostCommand(Main(), IDC_FLEET);
    HWND dialog = program_.WaitForWindow("Fleet");
    ASSERT_NE(dialog, nullptr);
    HWND status = gui::Item(dialog, IDC_FLEET_STATUS);
    ASSERT_TRUE(gui::WaitUntil([&] { return Text(status) == "1000 aircraft, 1000 model files"; })) << Text(status);
    gui::ListView list(program_, gui::Item(dialog, IDC_FLEET_LIST));
    list.Select(-1);
    gui::SetText(gui::Item(dialog, IDC_FLEET_SCALE), "9");

    auto center = [](HWND window) {
        RECT r;
        GetWindowRect(window, &r);
        return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    };
    auto closeBox = [](HWND window) {
        TITLEBARINFO bar{};
        bar.cbSize = sizeof bar;
        GetTitleBarInfo(window, &bar);
        int size = GetSystemMetrics(SM_CXSIZE);
        return POINT{bar.rcTitleBar.right - size / 2, (bar.rcTitleBar.top + bar.rcTitleBar.bottom) / 2};
    };
    const struct {
        const char* what;
        std::function<void()> input;
    } ways[] = {
        {"a click on Stop", [&] { gui::ClickAt(center(gui::Item(dialog, IDCANCEL))); }},
        {"Escape", [&] { gui::PressKeys({VK_ESCAPE}); }},
        {"a click on the close box", [&] { gui::ClickAt(closeBox(dialog)); }},
    };
    int set = 0;  // model files set so far: the next run finds them unchanged
    for (const auto& way : ways) {
        SCOPED_TRACE(way.what);
        gui::PostCommand(dialog, IDC_FLEET_SET);
        int at = 0;
        ASSERT_TRUE(gui::WaitUntil([&] {
            return std::sscanf(Text(status).c_str(), "Setting scale 9: %d of", &at) == 1 && at > set + 50;
        })) << Text(status);
        SetForegroundWindow(dialog);
        DWORD start = GetTickCount();
        way.input();
        ASSERT_TRUE(gui::WaitUntil([&] { return Text(status).rfind("Set 9:", 0) == 0; })) << Text(status);
        DWORD took = GetTickCount() - start;
        int updated = 0, unchanged = 0, failed = 0, notDone = 0;
        ASSERT_EQ(std::sscanf(Text(status).c_str(), "Set 9: %d updated, %d unchanged, %d failed, %d not done", &updated,
                              &unchanged, &failed, &notDone),
                  4)
            << Text(status);
        EXPECT_GT(notDone, 0) << "heard before the run's end";
        EXPECT_EQ(failed, 0);
        EXPECT_EQ(unchanged, set);
        set += updated;
        std::printf("%s: the run ended %lu ms after the input, with %d not done\n", way.what, took, notDone);
        EXPECT_TRUE(IsWindow(dialog)) << "a run's Stop ends the run, not the dialog";
    }
    mdlgen::Bytes untouched = mdlgen::BuildImage(mdlgen::ModelImage(mdlgen::Model{}));
    int setFiles = 0;
    for (const auto& container : installation.containers) {
        const std::string folder = "CFS\\Aircraft\\" + container.name + "\\Model";
        const std::string model = folder + "\\" + container.name + ".MDL";
        auto entries = std::distance(fs::directory_iterator(Path(folder)), fs::directory_iterator());
        bool isSet = ScaleIn(model) == 9;
        setFiles += isSet;
        if (isSet) EXPECT_EQ(entries, 3) << model << ": MODEL.CFG, the model file and one backup";
        else EXPECT_TRUE(entries == 2 && mdlgen::ReadFile(Path(model)) == untouched) << model;
    }
    EXPECT_EQ(setFiles, set);
}
