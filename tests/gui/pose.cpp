// Poses Vorbixw.exe for the README's screenshots: the main dialog with a model loaded, the
// Open Aircraft dialog with an aircraft picked, the help window, then the Fleet after a run. At each pose it brings
// the window to the front, writes its rectangle on the screen ("left top right bottom") to
// NAME.ready in the signal folder and waits for NAME.done, written once the picture is taken.
#include <windows.h>

#include <cstdio>
#include <string>

#include "driver.h"
#include "resource.h"

namespace {

bool Pose(const std::string& signals, const std::string& name, HWND window, bool click = true) {
    // Active, so that its caption is drawn in the active colour. A window of another process
    // may not take the front by itself; a click on its caption, given as input, brings it.
    // A dialog the program opens after such a click is active already: a click there can
    // end on the list below the caption, whose header sorts by the column under it.
    RECT r;
    GetWindowRect(window, &r);
    if (click) SetCursorPos((r.left + r.right) / 2, r.top + GetSystemMetrics(SM_CYFRAME) + GetSystemMetrics(SM_CYCAPTION) / 2);
    INPUT press[2] = {};
    press[0].type = press[1].type = INPUT_MOUSE;
    press[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    press[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    if (click) SendInput(2, press, sizeof(INPUT));
    gui::WaitUntil([&] { return GetForegroundWindow() == window; }, 5000);
    // The main dialog can be the foreground window with its caption still drawn inactive.
    SendMessageA(window, WM_NCACTIVATE, TRUE, 0);
    // Handled only when the dialog waits for messages again, that is when it is drawn.
    SendMessageA(window, WM_NULL, 0, 0);
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
    std::FILE* ready = std::fopen((signals + "\\" + name + ".ready").c_str(), "w");
    if (ready == nullptr) return false;
    std::fprintf(ready, "%ld %ld %ld %ld\n", r.left, r.top, r.right, r.bottom);
    std::fclose(ready);
    std::string done = signals + "\\" + name + ".done";
    return gui::WaitUntil([&] { return GetFileAttributesA(done.c_str()) != INVALID_FILE_ATTRIBUTES; }, 60000);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: pose VORBIXW.EXE MODEL.MDL DIRECTORY SIGNALS\n");
        return 2;
    }
    gui::Program program;
    if (!program.Start(argv[1], std::string("\"") + argv[2] + "\"", argv[3])) return 1;
    if (!Pose(argv[4], "main", program.main)) return 1;
    gui::PostCommand(program.main, IDC_AIRCRAFT);
    HWND aircraft = program.WaitForWindow("Open Aircraft");
    if (aircraft == nullptr) return 1;
    HWND list = gui::Item(aircraft, IDC_AIRCRAFT_LIST);
    SendMessageA(list, LB_SETCURSEL, 1, 0);
    gui::Command(aircraft, IDC_AIRCRAFT_LIST, LBN_SELCHANGE);
    if (!Pose(argv[4], "aircraft", aircraft)) return 1;
    gui::PostCommand(aircraft, IDCANCEL);
    if (!gui::WaitUntil([&] { return !IsWindow(aircraft); })) return 1;
    gui::Command(program.main, ID_HELP);
    HWND help = program.WaitForWindow("Vorbix Help");
    if (help == nullptr || !Pose(argv[4], "help", help)) return 1;
    PostMessageA(help, WM_COMMAND, IDCANCEL, 0);
    // Every aircraft set to 9: the shared model file once, the broken one refused.
    gui::PostCommand(program.main, IDC_FLEET);
    HWND fleet = program.WaitForWindow("Fleet");
    if (fleet == nullptr) return 1;
    gui::ListView(program, gui::Item(fleet, IDC_FLEET_LIST)).Select(-1);
    gui::SetText(gui::Item(fleet, IDC_FLEET_SCALE), "9");
    gui::PostCommand(fleet, IDC_FLEET_SET);
    if (!gui::WaitUntil([&] { return gui::Text(gui::Item(fleet, IDC_FLEET_STATUS)).rfind("Set 9:", 0) == 0; })) return 1;
    if (!Pose(argv[4], "fleet", fleet, false)) return 1;
    program.Close();
    return 0;
}
