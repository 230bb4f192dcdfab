// What the Win32 calls that one file of a batch makes cost, each timed alone: the floor
// that Vorbix.exe is measured against under Wine. Run in a directory holding M00000.MDL;
// the argument is the number of rounds.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

LARGE_INTEGER Now() {
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return t;
}

struct Timer {
    const char* what;
    int perFile;  // how often one file of a batch makes this call
    double seconds = 0;
};

}  // namespace

int main(int argc, char** argv) {
    int rounds = argc > 1 ? std::atoi(argv[1]) : 100;
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    Timer find{"FindFirstFileA, FindClose", 2}, copyNew{"CopyFileA to a new file", 1},
        copyOver{"CopyFileA over an existing file", 2}, temp{"GetTempFileNameA with DeleteFileA", 1},
        map{"CreateFileA with a read-write mapping", 1};
    auto timed = [&](Timer& timer, auto&& call) {
        LARGE_INTEGER start = Now();
        bool ok = call();
        timer.seconds += static_cast<double>(Now().QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
        if (!ok) {
            std::fprintf(stderr, "%s failed: %lu\n", timer.what, GetLastError());
            std::exit(1);
        }
    };
    const char* model = "M00000.MDL";
    for (int i = 0; i < rounds; ++i) {
        std::string backup = "M00000.Z" + std::to_string(20000000000000LL + i) + ".MDL";
        WIN32_FIND_DATAA data;
        timed(find, [&] {
            HANDLE search = FindFirstFileA(model, &data);
            if (search != INVALID_HANDLE_VALUE) FindClose(search);
            return search != INVALID_HANDLE_VALUE;
        });
        timed(copyNew, [&] { return CopyFileA(model, backup.c_str(), TRUE) != 0; });
        char work[MAX_PATH];
        timed(temp, [&] { return GetTempFileNameA(".", "KRV", 0, work) != 0 && DeleteFileA(work) != 0; });
        GetTempFileNameA(".", "KRV", 0, work);
        timed(copyOver, [&] { return CopyFileA(model, work, FALSE) != 0; });
        timed(map, [&] {
            HANDLE file = CreateFileA(work, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
            if (file == INVALID_HANDLE_VALUE) return false;
            HANDLE mapping = CreateFileMappingA(file, nullptr, PAGE_READWRITE, 0, 0, nullptr);
            void* view = mapping != nullptr ? MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, 0) : nullptr;
            if (view != nullptr) UnmapViewOfFile(view);
            if (mapping != nullptr) CloseHandle(mapping);
            CloseHandle(file);
            return view != nullptr;
        });
        timed(copyOver, [&] { return CopyFileA(work, model, FALSE) != 0; });
        DeleteFileA(work);
        DeleteFileA(backup.c_str());
    }
    double sum = 0;
    for (const Timer* timer : {&find, &copyNew, &copyOver, &temp, &map}) {
        double each = timer->seconds * 1000 / (rounds * (timer == &copyOver || timer == &find ? 2 : 1));
        std::printf("  %-40s %7.3f ms  x%d\n", timer->what, each, timer->perFile);
        sum += each * timer->perFile;
    }
    std::printf("sum of the calls of one file: %.3f ms\n", sum);
    return 0;
}
