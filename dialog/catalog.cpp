// The aircraft catalogue: the simulator folder from its registry key, and one entry for each
// usable FLTSIM section of the Aircraft.cfg files in the aircraft containers, with the model
// file that the MODEL.CFG of its model folder names.
#include "catalog.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <vector>

#include "platform/platform.h"
#include "profile.h"

AircraftCatalog g_aircraftCatalog;

namespace {

const char kSimulatorKey[] = "SOFTWARE\\Microsoft\\Microsoft Games\\Combat Flight Simulator\\1.00";
// What a profile read gives for a missing file, section or key.
const char kMissing[] = "ERROR:2";

// printf into a fixed buffer, cut to fit.
template <std::size_t N>
void Format(char (&buffer)[N], const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, N, format, args);
    va_end(args);
}

// False when the key is missing (the default came back).
bool ReadProfile(const ProfileFile& file, const char* section, const char* key, char (&value)[kAircraftTextSize]) {
    file.GetString(section, key, kMissing, value, kAircraftTextSize);
    return std::strcmp(value, kMissing) != 0;
}

struct RegistryKey {
    HKEY key = nullptr;
    ~RegistryKey() {
        if (key != nullptr) RegCloseKey(key);
    }
};

struct Search {
    HANDLE handle;
    ~Search() {
        platform::ErrorKeeper keep;  // closing must not change the code of the step that failed
        FindClose(handle);
    }
};

struct EntryDeleter {
    void operator()(AircraftEntry* entry) const { FreeAircraftEntry(entry); }
};
using EntryPtr = std::unique_ptr<AircraftEntry, EntryDeleter>;

}  // namespace

AircraftEntry* NewAircraftEntry(std::size_t bytes) {
    void* memory = HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, bytes);
    // HeapAlloc does not set the last-error code when it fails.
    if (memory == nullptr) SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return static_cast<AircraftEntry*>(memory);
}

void FreeAircraftEntry(AircraftEntry* entry) {
    if (entry != nullptr) HeapFree(GetProcessHeap(), 0, entry);
}

std::optional<std::string> ReadSimulatorPath(bool* secondReadFailed) {
    if (secondReadFailed != nullptr) *secondReadFailed = false;
    RegistryKey key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSimulatorKey, 0, KEY_QUERY_VALUE, &key.key) != ERROR_SUCCESS)
        return std::nullopt;
    DWORD size = 0;
    if (RegQueryValueExA(key.key, "PATH", nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS) return std::nullopt;
    // One byte more than the value, so that a terminating zero always fits.
    std::vector<char> text(static_cast<std::size_t>(size) + 1, '\0');
    DWORD length = size + 1;
    LONG result = RegQueryValueExA(key.key, "PATH", nullptr, nullptr, reinterpret_cast<BYTE*>(text.data()), &length);
    if (result != ERROR_SUCCESS) {
        // The registry returns its code instead of setting the last-error code.
        SetLastError(static_cast<DWORD>(result));
        if (secondReadFailed != nullptr) *secondReadFailed = true;
        return std::nullopt;
    }
    return std::string(text.data());
}

BOOL EnumerateAircraftContainers(char* aircraftFolder) {
    if (aircraftFolder == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    std::size_t length = std::strlen(aircraftFolder);
    if (length > 0 && aircraftFolder[length - 1] == '\\') aircraftFolder[length - 1] = '\0';

    char pattern[kAircraftTextSize];
    Format(pattern, "%s\\*", aircraftFolder);
    WIN32_FIND_DATAA found;
    HANDLE handle = FindFirstFileA(pattern, &found);
    if (handle == INVALID_HANDLE_VALUE) return FALSE;
    {
        Search search{handle};
        do {
            if (std::strcmp(found.cFileName, ".") == 0 || std::strcmp(found.cFileName, "..") == 0) continue;
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) continue;
            if (!ReadAircraftContainer(aircraftFolder, found.cFileName)) return FALSE;
        } while (FindNextFileA(handle, &found));
    }
    std::qsort(g_aircraftCatalog.entries, static_cast<std::size_t>(g_aircraftCatalog.count), sizeof(AircraftEntry*),
               CompareAircraftTitles);
    return TRUE;
}

BOOL ReadAircraftContainer(const char* aircraftFolder, const char* containerName) {
    AircraftCatalog& catalog = g_aircraftCatalog;
    char configPath[kAircraftTextSize];
    Format(configPath, "%s\\%s\\Aircraft.cfg", aircraftFolder, containerName);
    // Each file read once: Aircraft.cfg, and the MODEL.CFG of each model folder.
    const ProfileFile config(configPath);
    std::map<std::string, ProfileFile> modelConfigs;
    // The sections are numbered without gaps: the first one missing or incomplete ends
    // the container, and what came before it stays.
    for (int n = 0; n < kSectionsPerContainer; ++n) {
        char section[32];
        Format(section, "FLTSIM.%d", n);
        char model[kAircraftTextSize];
        if (!ReadProfile(config, section, "MODEL", model)) return TRUE;
        // Full, with a section still to read: it would not fit.
        if (catalog.count >= kAircraftCatalogSlots) {
            SetLastError(ERROR_NOT_ENOUGH_MEMORY);
            return FALSE;
        }
        EntryPtr entry(NewAircraftEntry(sizeof(AircraftEntry)));
        if (!entry) return FALSE;
        entry->tag = kAircraftEntryTag;
        Format(entry->containerName, "\\%s", containerName);

        // An empty MODEL or one beginning with a backslash lies below the folder Model.
        char modelFolder[kAircraftTextSize];
        if (model[0] == '\0' || model[0] == '\\')
            Format(modelFolder, "\\Model%s", model);
        else
            Format(modelFolder, "\\%s", model);
        char modelConfigPath[kAircraftTextSize];
        Format(modelConfigPath, "%s\\%s\\%s\\MODEL.CFG", aircraftFolder, containerName, modelFolder);
        char normal[kAircraftTextSize];
        const ProfileFile& modelConfig = modelConfigs.try_emplace(modelConfigPath, modelConfigPath).first->second;
        if (!ReadProfile(modelConfig, "MODELS", "NORMAL", normal) || normal[0] == '\0') return TRUE;
        Format(entry->modelPath, "%s\\%s.MDL", modelFolder, normal);

        if (!ReadProfile(config, section, "TITLE", entry->title) || entry->title[0] == '\0') return TRUE;
        char sim[kAircraftTextSize];
        if (!ReadProfile(config, section, "SIM", sim) || sim[0] == '\0') return TRUE;
        Format(entry->airFile, "\\%s.AIR", sim);

        catalog.entries[catalog.count++] = entry.release();
    }
    return TRUE;
}

int CompareAircraftTitles(const void* left, const void* right) {
    return CompareFoldedText((*static_cast<AircraftEntry* const*>(left))->title,
                             (*static_cast<AircraftEntry* const*>(right))->title);
}

int CompareFoldedText(const char* left, const char* right) {
    const unsigned char* a = reinterpret_cast<const unsigned char*>(left);
    const unsigned char* b = reinterpret_cast<const unsigned char*>(right);
    auto fold = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? static_cast<unsigned char>(c + 32) : c; };
    for (;; ++a, ++b) {
        unsigned char x = fold(*a), y = fold(*b);
        if (x != y || x == 0) return x - y;
    }
}

void ReleaseAircraftCatalog() {
    for (std::int32_t i = 0; i < g_aircraftCatalog.count; ++i) FreeAircraftEntry(g_aircraftCatalog.entries[i]);
    std::memset(g_aircraftCatalog.entries, 0, sizeof g_aircraftCatalog.entries);
    g_aircraftCatalog.count = 0;
}
