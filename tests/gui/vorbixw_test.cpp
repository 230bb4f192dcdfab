// Vorbixw.exe end to end: the real program started under Wine and Xvfb and driven from
// this one, on model files and simulator installations written by mdlgen.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <map>
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
    for (bool systemMenu : {false, true}) {
        SCOPED_TRACE(systemMenu ? "system menu" : "button");
        if (systemMenu)
            PostMessageA(Main(), WM_SYSCOMMAND, IDM_OPEN_AIRCRAFT, 0);
        else
            gui::PostCommand(Main(), IDC_AIRCRAFT);
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
                                                 {IDC_SCALE, "Existing scale value"}}));
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
        {IDC_NEW_SCALE, SIZING_SIZE_X}, {IDC_SCALE, SIZING_SIZE_X}};
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
