// Drives one Vorbixw.exe through what the smoke run compares between the shipped 32-bit
// program and the 64-bit build, and prints what it saw, a line each: the main dialog with
// the model file named on its command line, an Update to scale 9, the Fleet's rows once
// every cell is read (copied with a real Ctrl+A and Ctrl+C, as a user copies them), and
// the program's end. The simulator's key is written in the registry view the program reads.
//
//   smoke VORBIXW.EXE MODEL.MDL SIMULATOR_FOLDER 32|64
#include <windows.h>
#include <commctrl.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#include "driver.h"
#include "resource.h"

namespace {

std::string Clipboard() {
    std::string copied;
    if (!OpenClipboard(nullptr)) return copied;
    HANDLE data = GetClipboardData(CF_TEXT);
    const char* text = data != nullptr ? static_cast<const char*>(GlobalLock(data)) : nullptr;
    if (text != nullptr) copied = text;
    if (text != nullptr) GlobalUnlock(data);
    CloseClipboard();
    return copied;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: smoke VORBIXW.EXE MODEL.MDL SIMULATOR_FOLDER 32|64\n");
        return 2;
    }
    const std::string folder = argv[3];
    HKEY key = nullptr;
    const REGSAM view = std::strcmp(argv[4], "32") == 0 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Microsoft Games\\Combat Flight Simulator\\1.00", 0,
                        nullptr, 0, KEY_SET_VALUE | view, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return 1;
    RegSetValueExA(key, "PATH", 0, REG_SZ, reinterpret_cast<const BYTE*>(folder.c_str()),
                   static_cast<DWORD>(folder.size() + 1));
    RegCloseKey(key);

    gui::Program program;
    if (!program.Start(argv[1], std::string("\"") + argv[2] + "\"", folder)) {
        std::printf("no main dialog\n");
        return 1;
    }
    HWND main = program.main;
    std::printf("title: %s\nscale: %s\n", gui::Text(main).c_str(), gui::Text(gui::Item(main, IDC_SCALE)).c_str());

    // Sent from a thread of its own: a box would keep the command from returning.
    gui::SetText(gui::Item(main, IDC_NEW_SCALE), "9");
    std::atomic<bool> done{false};
    std::thread press([&] {
        gui::Command(main, IDC_UPDATE);
        done = true;
    });
    gui::WaitUntil([&] { return done || program.HasWindow("Vorbix", {main}); }, 60000);
    if (!done) std::printf("box: %s\n", gui::ReadAndCloseBox(program.WaitForBox()).text.c_str());
    press.join();
    std::printf("status: %s\nscale: %s\n", gui::Text(gui::Item(main, IDC_STATUS)).c_str(),
                gui::Text(gui::Item(main, IDC_SCALE)).c_str());

    gui::PostCommand(main, IDC_FLEET);
    HWND fleet = program.WaitForWindow("Fleet");
    if (fleet == nullptr) {
        std::printf("no Fleet\n");
        return 1;
    }
    HWND status = gui::Item(fleet, IDC_FLEET_STATUS);
    int aircraft = 0, files = 0;
    gui::WaitUntil(
        [&] { return std::sscanf(gui::Text(status).c_str(), "%d aircraft, %d model files", &aircraft, &files) == 2; },
        60000);
    std::printf("fleet: %s\n", gui::Text(status).c_str());
    SetForegroundWindow(fleet);
    gui::PressKeys({VK_CONTROL, 'A'});
    HWND list = gui::Item(fleet, IDC_FLEET_LIST);
    gui::WaitUntil([&] { return SendMessageW(list, LVM_GETSELECTEDCOUNT, 0, 0) == static_cast<LRESULT>(aircraft); });
    if (OpenClipboard(nullptr)) {
        EmptyClipboard();
        CloseClipboard();
    }
    gui::PressKeys({VK_CONTROL, 'C'});
    gui::WaitUntil([] { return !Clipboard().empty(); });
    std::string rows = Clipboard();
    for (std::size_t at = 0, end; (end = rows.find("\r\n", at)) != std::string::npos; at = end + 2)
        std::printf("row: %s\n", rows.substr(at, end - at).c_str());

    PostMessageA(fleet, WM_COMMAND, IDCANCEL, 0);
    gui::WaitUntil([&] { return !IsWindow(fleet); });
    PostMessageA(main, WM_COMMAND, IDCANCEL, 0);
    const bool ended = gui::WaitUntil([&] { return WaitForSingleObject(program.process, 0) == WAIT_OBJECT_0; }, 60000);
    DWORD code = 0;
    GetExitCodeProcess(program.process, &code);
    std::printf("ended: %s, exit code %lu\n", ended ? "yes" : "no", ended ? code : 0ul);
    return 0;
}
