// Kills Vorbix at random moments while it sets the scale of a large model file, and checks
// after each kill that the model file holds its original bytes or the patched ones, never
// anything else, and that a backup holds the original wherever the model file is patched.
// Every other run names the model file in a folder below the working copy's, so that both
// ways of replacing it are killed. Natively the kill is SIGKILL, on Windows TerminateProcess.
//
//   kill_test VORBIX KILLS [MIB]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <random>
#include <string>
#include <thread>

#include "mdlgen.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <signal.h>
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
        mdlgen::WriteFile((folder / name).string(), original);
    };

    // One run whole gives the span in which the kills fall.
    fresh("M.MDL");
    auto start = std::chrono::steady_clock::now();
    RunAndKill(vorbix, folder, "M.MDL", std::nullopt);
    auto span = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start);
    if (mdlgen::ReadFile((folder / "M.MDL").string()) != patched) {
        std::fprintf(stderr, "kill_test: a whole run did not patch the model file\n");
        return 1;
    }

    std::mt19937 random(std::random_device{}());
    int counts[3] = {};  // original, patched, neither
    for (int i = 0; i < kills; ++i) {
        const std::string name = i % 2 == 0 ? "M.MDL" : "sub/M.MDL";
        fresh(name);
        RunAndKill(vorbix, folder, name, std::chrono::microseconds(random() % (span.count() + 1)));
        const fs::path modelPath = folder / name;
        mdlgen::Bytes now = mdlgen::ReadFile(modelPath.string());
        bool backedUp = false;
        for (const auto& entry : fs::directory_iterator(modelPath.parent_path()))
            if (entry.path().filename().string().rfind("M.Z", 0) == 0)
                backedUp = backedUp || mdlgen::ReadFile(entry.path().string()) == original;
        int outcome = now == original ? 0 : (now == patched && backedUp) ? 1 : 2;
        ++counts[outcome];
        if (outcome == 2)
            std::fprintf(stderr, "kill_test: kill %d of %s: the model file is %s\n", i + 1, name.c_str(),
                         now == patched ? "patched with no backup of the original" : "neither original nor patched");
    }
    fs::remove_all(folder);
    std::printf("kill_test: %d kills in a run of %lld ms: %d original, %d patched, %d neither\n", kills,
                static_cast<long long>(span.count() / 1000), counts[0], counts[1], counts[2]);
    std::printf("%d passed, %d failed\n", counts[0] + counts[1], counts[2]);
    return counts[2] == 0 ? 0 : 1;
}
