// The aircraft catalogue: the simulator folder from the registry, and the installed
// aircraft read from the Aircraft.cfg and MODEL.CFG files of its aircraft containers,
// sorted by title. Reads only; uses no window.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

constexpr std::uint32_t kAircraftEntryTag = 0x484F4F50;  // "POOH" in memory order
constexpr int kAircraftTextSize = 260;                    // 259 characters and the zero
constexpr int kAircraftCatalogSlots = 1024;
constexpr int kSectionsPerContainer = 64;                 // FLTSIM.0 to FLTSIM.63

// One usable FLTSIM section. aircraft folder + containerName + modelPath is the full path
// of its model file; containerName + modelPath the short form the dialog shows.
struct AircraftEntry {
    std::uint32_t tag;
    char containerName[kAircraftTextSize];  // "\Biplane"
    char title[kAircraftTextSize];
    char airFile[kAircraftTextSize];        // "\biplane.AIR"
    char modelPath[kAircraftTextSize];      // "\Model\biplane.MDL"
};
static_assert(sizeof(AircraftEntry) == 1044, "the entry is a fixed record of 1044 bytes");

struct AircraftCatalog {
    AircraftEntry* entries[kAircraftCatalogSlots];
    std::int32_t count;
};

// The one catalogue of the process; the Open Aircraft dialog fills and empties it.
extern AircraftCatalog g_aircraftCatalog;

// Zero-filled from the process heap; none when memory runs out.
AircraftEntry* NewAircraftEntry(std::size_t bytes);
void FreeAircraftEntry(AircraftEntry* entry);

// The simulator folder as stored in the registry. None when the key or the value is
// missing; secondReadFailed tells the case where the value's size was read but its text
// was not, with the last-error code as that read left it.
std::optional<std::string> ReadSimulatorPath(bool* secondReadFailed);

// Reads every aircraft container of the aircraft folder into the catalogue and sorts it.
// A trailing backslash is removed from the caller's text. Nonzero on success; 0 with the
// last-error code set on failure, the entries read so far kept unsorted.
BOOL EnumerateAircraftContainers(char* aircraftFolder);
BOOL ReadAircraftContainer(const char* aircraftFolder, const char* containerName);
// For qsort over catalogue slots: titles compared with A to Z folded to a to z.
int CompareAircraftTitles(const void* left, const void* right);
// Two texts in the catalogue's order: only A to Z fold; every other byte compares as it is.
int CompareFoldedText(const char* left, const char* right);
// Frees every entry, empties every slot, count 0.
void ReleaseAircraftCatalog();
