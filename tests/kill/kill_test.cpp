// Kills Vorbix at random moments while it sets the scale of a large model file, and checks
// after each kill that the model file holds its original bytes or the patched ones, never
// anything else, that a backup holds the original wherever the model file is patched, that
// every file under a backup name holds the whole original, and that no folder holds more
// than one temporary file. Every other run names the model file in a folder below the
// working copy's, so that both ways of replacing it are killed. Natively the kill is
// SIGKILL, on Windows TerminateProcess, and a second setup names the model file through a
// symbolic link whose target lies on another file system (a tmpfs), where the copies take
// the plain read and write loop.
//
//   kill_test VORBIX KILLS [MIB]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <optional>
#include <random>
#include <regex>
#include <string>
#include <thread>

#include "mdlgen.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

// Starts Vorbix on model in folder, its output going nowhere, lets it run for `delay`, then
// kills it (unless it has ended by then) and waits for it. With no delay it runs to its end.
void RunAndKill(const std::string& vorbix, const fs::path& folder, const std::string& model,
                std::optional<std::chrono::microseconds> delay) {
#ifdef _WIN32
    std::string line = "\"" + vorbix + "\" -nologo -s 9 " + model;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(vorbix.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.string().c_str(),
                        &startup, &process)) {
        std::fprintf(stderr, "kill_test: cannot start %s (%lu)\n", vorbix.c_str(), GetLastError());
        std::exit(2);
    }
    if (delay) {
        std::this_thread::sleep_for(*delay);
        TerminateProcess(process.hProcess, 9);
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
#else
    pid_t child = fork();
    if (child == 0) {
        int nowhere = open("/dev/null", O_WRONLY);
        if (chdir(folder.c_str()) == 0 && nowhere >= 0 && dup2(nowhere, 1) == 1) {
            execl(vorbix.c_str(), "Vorbix", "-nologo", "-s", "9", model.c_str(), static_cast<char*>(nullptr));
        }
        _exit(127);
    }
    if (delay) {
        std::this_thread::sleep_for(*delay);
        kill(child, SIGKILL);
    }
    int status = 0;
    waitpid(child, &status, 0);
#endif
}

struct Tally {
    int original = 0, patched = 0, neither = 0, cutBackups = 0, strayTemps = 0, failed = 0;
};

int TempsIn(const fs::path& folder) {
    int temps = 0;
    for (const auto& entry : fs::directory_iterator(folder))
        temps += entry.path().extension() == ".tmp" && entry.path().filename().string().find("KRV") != std::string::npos;
    return temps;
}

// One setup: `prepare` lays the model file out afresh and gives the name to hand Vorbix
// (relative to folder) and the file that holds the model's bytes.
Tally RunSetup(const char* setup, const std::string& vorbix, const fs::path& folder, int kills,
               const mdlgen::Bytes& original, const mdlgen::Bytes& patched,
               const std::function<std::pair<std::string, fs::path>(int)>& prepare) {
    // One run whole gives the span in which the kills fall.
    auto [firstName, firstModel] = prepare(0);
    auto start = std::chrono::steady_clock::now();
    RunAndKill(vorbix, folder, firstName, std::nullopt);
    auto span = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start);
    if (mdlgen::ReadFile(firstModel.string()) != patched) {
        std::fprintf(stderr, "kill_test: %s: a whole run did not patch the model file\n", setup);
        std::exit(1);
    }
    std::mt19937 random(std::random_device{}());
    Tally tally;
    for (int i = 0; i < kills; ++i) {
        auto [name, model] = prepare(i);
        RunAndKill(vorbix, folder, name, std::chrono::microseconds(random() % (span.count() + 1)));
        mdlgen::Bytes now = mdlgen::ReadFile(model.string());
        const fs::path named = folder / name;
        const std::regex backupName(named.stem().string() + "\\.Z[0-9]{14}\\" + named.extension().string());
        bool backedUp = false;
        int cut = 0;
        for (const auto& entry : fs::directory_iterator(named.parent_path())) {
            if (!std::regex_match(entry.path().filename().string(), backupName)) continue;
            bool whole = mdlgen::ReadFile(entry.path().string()) == original;
            backedUp = backedUp || whole;
            cut += !whole;
        }
        int temps = std::max({TempsIn(folder), TempsIn(named.parent_path()), TempsIn(model.parent_path())});
        const char* fault = now != original && now != patched ? "the model file is neither original nor patched"
                            : now == patched && !backedUp   ? "the model file is patched with no backup of the original"
                            : cut > 0                       ? "a file under a backup name is not the whole original"
                            : temps > 1                     ? "a folder holds more than one temporary file"
                                                            : nullptr;
        ++(now == original ? tally.original : now == patched ? tally.patched : tally.neither);
        tally.cutBackups += cut;
        tally.strayTemps += temps > 1;
        if (fault != nullptr) {
            ++tally.failed;
            std::fprintf(stderr, "kill_test: %s: kill %d of %s: %s\n", setup, i + 1, name.c_str(), fault);
        }
    }
    std::printf("kill_test: %s: %d kills in a run of %lld ms: %d original, %d patched, %d neither, %d cut backups, "
                "%d with more than one temporary file\n",
                setup, kills, static_cast<long long>(span.count() / 1000), tally.original, tally.patched,
                tally.neither, tally.cutBackups, tally.strayTemps);
    return tally;
}

#ifndef _WIN32
// A folder on the tmpfs /dev/shm, where that is another file system than near's; "" with
// the reason printed where it is not.
std::string OtherFileSystem(const fs::path& near) {
    struct stat here, shm;
    struct statfs kind;
    if (stat(near.c_str(), &here) != 0 || stat("/dev/shm", &shm) != 0 || statfs("/dev/shm", &kind) != 0 ||
        kind.f_type != 0x01021994 /* TMPFS_MAGIC */ || here.st_dev == shm.st_dev) {
        std::printf("kill_test: linked: skipped, /dev/shm is no tmpfs apart from %s\n", near.c_str());
        return "";
    }
    return "/dev/shm/vorbix-kill-" + std::to_string(getpid());
}
#endif

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: kill_test VORBIX KILLS [MIB]\n");
        return 2;
    }
    const std::string vorbix = fs::absolute(argv[1]).string();
    const int kills = std::atoi(argv[2]);
    const std::size_t size = (argc > 3 ? std::strtoul(argv[3], nullptr, 10) : 64) << 20;

    mdlgen::Model model;
    mdlgen::Bytes original = mdlgen::BuildImage(mdlgen::ModelImage(model));
    original.resize(size, 0);
    mdlgen::Bytes patched = original;
    patched[mdlgen::ScaleFileOffset(model)] = 9;

    const fs::path folder = fs::absolute("kill_test.d");
    auto fresh = [&](const std::string& name) {
        fs::remove_all(folder);
        fs::create_directories(folder / "sub");
        if (!name.empty()) mdlgen::WriteFile((folder / name).string(), original);
    };
    Tally plain = RunSetup("plain", vorbix, folder, kills, original, patched, [&](int i) {
        const std::string name = i % 2 == 0 ? "M.MDL" : "sub/M.MDL";
        fresh(name);
        return std::make_pair(name, folder / name);
    });
    int failed = plain.failed, done = kills;
#ifndef _WIN32
    const std::string target = OtherFileSystem(folder.parent_path());
    if (!target.empty()) {
        Tally linked = RunSetup("linked", vorbix, folder, kills, original, patched, [&](int) {
            fresh("");
            fs::remove_all(target + "/planes");
            fs::create_directories(target + "/planes");
            mdlgen::WriteFile(target + "/planes/M.MDL", original);
            fs::create_symlink(target + "/planes/M.MDL", folder / "L.MDL");
            return std::make_pair(std::string("L.MDL"), fs::path(target) / "planes" / "M.MDL");
        });
        failed += linked.failed;
        done += kills;
        fs::remove_all(target);
    }
#endif
    fs::remove_all(folder);
    std::printf("%d passed, %d failed\n", done - failed, failed);
    return failed == 0 ? 0 : 1;
}
