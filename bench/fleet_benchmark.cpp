// The Fleet's speed under Wine, on an installation of COUNT aircraft, each with a model file
// of its own and one backup: Open Aircraft until it lists them all, as a measure of the
// catalogue alone; the time from the Fleet command until its list holds every aircraft, and
// until every Scale and Installed cell is filled; Set on all of them, then Restore on all,
// against Vorbix.exe setting the same scale on the same files, freshly written, in one run;
// and the time from a real Escape during a run to the status of its end. Best of RUNS. A
// benchmark, not a test: it asserts nothing.
//
//   fleet_benchmark VORBIXW.EXE VORBIX.EXE FOLDER [COUNT [RUNS]]
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "driver.h"
#include "installation.h"
#include "resource.h"

namespace fs = std::filesystem;

namespace {

const char kSimulatorKey[] = "SOFTWARE\\Microsoft\\Microsoft Games\\Combat Flight Simulator\\1.00";
using Clock = std::chrono::steady_clock;

double Since(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

std::string Name(int i) {
    char name[16];
    std::snprintf(name, sizeof name, "m%04d", i);
    return name;
}

// The installation afresh, with the registry key pointing at it.
bool Install(const fs::path& folder, int count) {
    fs::remove_all(folder);
    mdlgen::Installation installation;
    for (int i = 0; i < count; ++i)
        installation.containers.push_back({"A" + Name(i), {mdlgen::Aircraft(0, "Aircraft " + Name(i), Name(i))}});
    if (!mdlgen::WriteInstallation((folder / "CFS").string(), installation)) return false;
    for (int i = 0; i < count; ++i) {
        fs::path model = folder / "CFS" / "Aircraft" / ("A" + Name(i)) / "Model" / (Name(i) + ".MDL");
        fs::copy_file(model, model.parent_path() / (Name(i) + ".Z20200101000000.MDL"));
    }
    std::string simulator = (folder / "CFS").string();
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSimulatorKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) != 0)
        return false;
    RegSetValueExA(key, "PATH", 0, REG_SZ, reinterpret_cast<const BYTE*>(simulator.c_str()),
                   static_cast<DWORD>(simulator.size() + 1));
    RegCloseKey(key);
    return true;
}

std::string Status(HWND fleet) { return gui::Text(gui::Item(fleet, IDC_FLEET_STATUS)); }

// Open Aircraft until it lists every aircraft: the catalogue alone, read the same way.
double TimeCatalogue(gui::Program& program, int count) {
    Clock::time_point start = Clock::now();
    gui::PostCommand(program.main, IDC_AIRCRAFT);
    HWND dialog = program.WaitForWindow("Open Aircraft");
    if (dialog == nullptr ||
        !gui::WaitUntil([&] { return SendMessageA(gui::Item(dialog, IDC_AIRCRAFT_LIST), LB_GETCOUNT, 0, 0) == count; }))
        return -1;
    double elapsed = Since(start);
    gui::PostCommand(dialog, IDCANCEL);
    gui::WaitUntil([&] { return !IsWindow(dialog); });
    return elapsed;
}

struct FleetTimes {
    double catalogue = -1, rows = -1, open = -1, set = -1, restore = -1, stop = -1;
};

// A run of Set 5 on every row, stopped by a real Escape once under way: the time from the
// key to the status of the run's end.
double TimeStop(HWND fleet) {
    gui::SetText(gui::Item(fleet, IDC_FLEET_SCALE), "5");
    gui::PostCommand(fleet, IDC_FLEET_SET);
    int at = 0;
    if (!gui::WaitUntil([&] { return std::sscanf(Status(fleet).c_str(), "Setting scale 5: %d", &at) == 1 && at > 100; }))
        return -1;
    SetForegroundWindow(fleet);
    Clock::time_point start = Clock::now();
    gui::PressKeys({VK_ESCAPE});
    if (!gui::WaitUntil([&] { return Status(fleet).rfind("Set 5:", 0) == 0; }, 60000)) return -1;
    double elapsed = Since(start);
    std::printf("  %s\n", Status(fleet).c_str());
    return Status(fleet).find(" not done") != std::string::npos ? elapsed : -1;
}

// Presses button on the Fleet and waits for the run's end, then for the status it ends
// with: the run's time, or a negative one.
double TimeRun(HWND fleet, int button, const char* ended) {
    HWND list = gui::Item(fleet, IDC_FLEET_LIST);
    Clock::time_point start = Clock::now();
    gui::PostCommand(fleet, button);
    // The list is disabled during the run. Its state is read without a message to the
    // dialog, which would be handled between two files and slow the run.
    if (!gui::WaitUntil([&] { return !IsWindowEnabled(list); }) ||
        !gui::WaitUntil([&] { return IsWindowEnabled(list) != FALSE; }, 600000) || Status(fleet).rfind(ended, 0) != 0)
        return -1;
    double elapsed = Since(start);
    std::printf("  %s\n", Status(fleet).c_str());
    return elapsed;
}

// Open Aircraft, then the Fleet, which sets 9 on every row and restores them all; a time
// is negative on failure.
FleetTimes TimeFleet(const std::string& vorbixw, const fs::path& folder, int count) {
    FleetTimes times;
    gui::Program program;
    if (!program.Start(vorbixw, "", folder.string())) return times;
    times.catalogue = TimeCatalogue(program, count);
    Clock::time_point start = Clock::now();
    gui::PostCommand(program.main, IDC_FLEET);
    HWND fleet = program.WaitForWindow("Fleet");
    HWND list = fleet != nullptr ? gui::Item(fleet, IDC_FLEET_LIST) : nullptr;
    if (fleet == nullptr || !gui::WaitUntil([&] { return SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) == count; }, 600000))
        return times;
    times.rows = Since(start);
    const std::string opened = std::to_string(count) + " aircraft, ";
    if (!gui::WaitUntil([&] { return Status(fleet).rfind(opened, 0) == 0; }, 600000)) return times;
    times.open = Since(start);
    gui::ListView(program, gui::Item(fleet, IDC_FLEET_LIST)).Select(-1);
    gui::SetText(gui::Item(fleet, IDC_FLEET_SCALE), "9");
    times.set = TimeRun(fleet, IDC_FLEET_SET, "Set 9:");
    times.restore = TimeRun(fleet, IDC_FLEET_RESTORE, "Restored:");
    times.stop = TimeStop(fleet);
    program.Close();
    return times;
}

double TimeConsole(const std::string& vorbix, const fs::path& folder, int count) {
    std::string line = "\"" + vorbix + "\" -nologo -s 9";
    for (int i = 0; i < count; ++i) line += " A" + Name(i) + "\\Model\\" + Name(i) + ".MDL";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;  // its report goes nowhere
    PROCESS_INFORMATION process{};
    std::string aircraft = (folder / "CFS" / "Aircraft").string();
    Clock::time_point start = Clock::now();
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, aircraft.c_str(), &startup, &process))
        return -1;
    WaitForSingleObject(process.hProcess, INFINITE);
    double elapsed = Since(start);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return elapsed;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: fleet_benchmark VORBIXW.EXE VORBIX.EXE FOLDER [COUNT [RUNS]]\n");
        return 2;
    }
    const fs::path folder = fs::path(argv[3]) / "fleet";
    const int count = argc > 4 ? std::atoi(argv[4]) : 1024;
    const int runs = argc > 5 ? std::atoi(argv[5]) : 3;
    FleetTimes best{1e9, 1e9, 1e9, 1e9, 1e9, 1e9};
    double console = 1e9;
    for (int run = 0; run < runs; ++run) {
        if (!Install(folder, count)) return 1;
        FleetTimes times = TimeFleet(argv[1], folder, count);
        if (!Install(folder, count)) return 1;
        double consoleRun = TimeConsole(argv[2], folder, count);
        if (times.catalogue < 0 || times.rows < 0 || times.open < 0 || times.stop < 0 || times.set < 0 || times.restore < 0 || consoleRun < 0) {
            std::fprintf(stderr, "fleet_benchmark: run %d failed\n", run + 1);
            return 1;
        }
        best.catalogue = std::min(best.catalogue, times.catalogue), best.open = std::min(best.open, times.open);
        best.rows = std::min(best.rows, times.rows), best.stop = std::min(best.stop, times.stop);
        best.set = std::min(best.set, times.set), best.restore = std::min(best.restore, times.restore);
        console = std::min(console, consoleRun);
    }
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kSimulatorKey);
    fs::remove_all(folder);
    std::printf("Fleet over %d aircraft, best of %d:\n", count, runs);
    std::printf("  Open Aircraft until it lists them (the catalogue alone): %.3f s\n", best.catalogue);
    std::printf("  Fleet open until its list holds every aircraft: %.3f s\n", best.rows);
    std::printf("  Fleet open until every cell is filled: %.3f s\n", best.open);
    std::printf("  Set on all: %.3f s; Vorbix.exe on the same files: %.3f s; ratio %.2f\n", best.set, console,
                best.set / console);
    std::printf("  Restore on all: %.3f s\n", best.restore);
    std::printf("  A real Escape during Set on all, until the status shows the run's end: %.3f s\n", best.stop);
    return 0;
}
