// Poses Vorbixw.exe for the README's screenshots: the main dialog with a model loaded,
// then the Open Aircraft dialog with an aircraft picked. At each pose it writes NAME.ready
// into the signal folder and waits for NAME.done, written once the picture is taken.
#include <windows.h>

#include <cstdio>
#include <string>

#include "driver.h"
#include "resource.h"

namespace {

bool Pose(const std::string& signals, const std::string& name, HWND window) {
    // Handled only when the dialog waits for messages again, that is when it is drawn.
    SendMessageA(window, WM_NULL, 0, 0);
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
    std::FILE* ready = std::fopen((signals + "\\" + name + ".ready").c_str(), "w");
    if (ready == nullptr) return false;
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
    program.Close();
    return 0;
}
