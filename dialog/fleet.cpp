#include "fleet.h"

#include <map>
#include <mutex>
#include <system_error>
#include <thread>

#include "catalog.h"
#include "engine.h"
#include "names.h"
#include "sizing.h"

std::string ScaleCell::Text() const {
    if (pending) return "";
    return read ? std::to_string(scale) : FormatText("ERROR:%lx", error);
}

namespace {

ScaleCell Cell(bool read, std::uint16_t scale) { return ScaleCell{read, false, scale, read ? 0 : GetLastError()}; }

// The folder of a model path, with its separator.
std::string FolderOf(const std::string& path) { return path.substr(0, vorbix::SplitName(path.c_str()).directoryEnd); }

// The folder of a model path as the file system takes it: the full path, doubled
// backslashes and ".\" gone. Not folded: under Wine, folders whose names differ in case
// only are two folders.
std::string FolderKey(const std::string& folder) {
    char full[MAX_PATH];
    DWORD length = GetFullPathNameA(folder.c_str(), MAX_PATH, full, nullptr);
    return length > 0 && length < MAX_PATH ? std::string(full, length) : folder;
}

// A folder's entries as ListEntries gives them, or the code of its failure.
struct FolderListing {
    bool listed = false;
    DWORD error = 0;
    std::vector<std::string> entries;
};

}  // namespace

ScaleCell ScaleCell::Read(const std::string& modelPath) {
    std::uint16_t scale = 0;
    bool read = vorbix::PeekModelScale(modelPath.c_str(), &scale);
    return Cell(read, scale);
}

bool ReadFleet(char* aircraftFolder, std::vector<FleetRow>& rows) {
    rows.clear();
    ReleaseAircraftCatalog();
    BOOL whole = EnumerateAircraftContainers(aircraftFolder);
    DWORD code = GetLastError();
    for (int i = 0; i < g_aircraftCatalog.count; ++i) {
        const AircraftEntry* entry = g_aircraftCatalog.entries[i];
        if (entry->title[0] == '\0') continue;
        FleetRow row;
        row.title = entry->title;
        row.model = std::string(entry->containerName) + entry->modelPath;
        row.modelPath = aircraftFolder + row.model;
        row.scale.pending = row.installed.pending = true;
        rows.push_back(row);
    }
    ReleaseAircraftCatalog();
    SetLastError(code);
    return whole != FALSE;
}

namespace {

// Two readers: under Wine, where nearly all of the reading is round trips to the Wine
// server, two read 1,024 model files 12% faster than one, and three no faster than two.
constexpr std::size_t kReaders = 2;

using Group = std::vector<std::size_t>;  // the paths that name one model file

// The cells of the model file at path, read once per file (files, by identity) and with
// one listing per folder (listings).
FleetCells ReadCells(const std::string& path, std::map<std::string, FleetCells>& files,
                     std::map<std::string, FolderListing>& listings) {
    FleetCells cells;
    std::uint16_t scale = 0;
    bool scaleRead = vorbix::PeekModelScale(path.c_str(), &scale, &cells.modelFile);
    cells.scale = Cell(scaleRead, scale);
    if (cells.modelFile.empty()) cells.modelFile = platform::FileIdentity(path.c_str());
    auto known = files.find(cells.modelFile);
    if (known != files.end()) return known->second;
    const std::string folder = FolderOf(path);
    auto [listing, isNew] = listings.emplace(FolderKey(folder), FolderListing{});
    if (isNew) {
        listing->second.listed = platform::ListEntries((folder + "*").c_str(), listing->second.entries);
        listing->second.error = GetLastError();
    }
    bool installedRead = false;
    scale = 0;
    if (listing->second.listed)
        installedRead = vorbix::ReadInstalledScale(path.c_str(), &scale, scaleRead ? &cells.scale.scale : nullptr,
                                                   &listing->second.entries);
    else
        SetLastError(listing->second.error);
    cells.installed = Cell(installedRead, scale);
    return files.emplace(cells.modelFile, cells).first->second;
}

}  // namespace

void ReadFleetCells(const std::vector<std::string>& modelPaths, const std::atomic<bool>& stop, const FleetCellsRead& read) {
    // Paths spelt alike to the byte name one file without a look at it (under Wine, names
    // that differ in case only may be two files); other spellings of one file are known by
    // its identity once it is read.
    std::map<std::string, std::size_t> groupOf;
    std::vector<Group> groups;
    for (std::size_t i = 0; i < modelPaths.size(); ++i) {
        auto [group, isNew] = groupOf.emplace(modelPaths[i], groups.size());
        if (isNew) groups.emplace_back();
        groups[group->second].push_back(i);
    }
    // A folder goes to one reader whole, so that it is listed once.
    std::map<std::string, std::size_t> readerOf;
    std::vector<std::vector<const Group*>> shares(kReaders);
    for (const Group& group : groups) {
        const std::string& path = modelPaths[group.front()];
        std::string folder = FolderKey(FolderOf(path));
        shares[readerOf.emplace(folder, readerOf.size() % kReaders).first->second].push_back(&group);
    }
    std::mutex handOut;  // read hears from one reader at a time
    auto readShare = [&](const std::vector<const Group*>& share) {
        std::map<std::string, FleetCells> files;        // identity -> cells
        std::map<std::string, FolderListing> listings;  // folder -> its entries
        for (const Group* group : share) {
            if (stop) return;
            FleetCells cells = ReadCells(modelPaths[group->front()], files, listings);
            std::lock_guard<std::mutex> held(handOut);
            read(*group, cells);
        }
    };
    std::vector<std::thread> others;
    for (std::size_t reader = 1; reader < kReaders; ++reader) {
        try {
            others.emplace_back(readShare, std::cref(shares[reader]));
        } catch (const std::system_error&) {
            readShare(shares[reader]);  // no thread to be had: this one reads it
        }
    }
    readShare(shares[0]);
    for (std::thread& other : others) other.join();
}

void ShowFleetCells(const std::vector<std::size_t>& rows, const FleetCells& cells, std::vector<FleetRow>& fleet) {
    for (std::size_t i : rows) {
        fleet[i].modelFile = cells.modelFile;
        fleet[i].scale = cells.scale;
        fleet[i].installed = cells.installed;
    }
}

int CountModelFiles(const std::vector<FleetRow>& rows) {
    std::map<std::string, int> files;
    for (const FleetRow& row : rows) files[row.modelFile] = 1;
    return static_cast<int>(files.size());
}

std::vector<FleetTask> PlanFleetRun(std::vector<FleetRow>& rows, const std::vector<std::size_t>& selected, bool restore,
                                    std::uint16_t newScale, int* skipped) {
    std::vector<FleetTask> tasks;
    std::map<std::string, int> planned;  // model file -> task, or -1 when skipped
    *skipped = 0;
    for (std::size_t index : selected) {
        FleetRow& row = rows[index];
        const ScaleCell& from = restore ? row.installed : row.scale;
        auto [known, isNew] = planned.emplace(row.modelFile, from.read ? static_cast<int>(tasks.size()) : -1);
        if (!from.read) {
            row.result = "Skipped";
            if (isNew) ++*skipped;
            continue;
        }
        if (isNew)
            tasks.push_back(FleetTask{row.modelPath, row.modelFile, restore ? row.installed.scale : newScale, row.scale, {}});
    }
    // Every row of a model file in the run shows its outcome, selected or not.
    for (std::size_t i = 0; i < rows.size(); ++i) {
        auto task = planned.find(rows[i].modelFile);
        if (task != planned.end() && task->second >= 0) tasks[static_cast<std::size_t>(task->second)].rows.push_back(i);
    }
    return tasks;
}

FleetResult RunFleetTask(const FleetTask& task) {
    // The file is read first only where its rows show the target already: an update of a
    // file that meanwhile holds the target writes the same two bytes, with a backup.
    FleetResult result{FleetOutcome::Unchanged, {}, "Unchanged"};
    if (task.shown.read && task.shown.scale == task.target) result.scale = ScaleCell::Read(task.modelPath);
    if (result.scale.read && result.scale.scale == task.target) return result;
    const std::string folder = FolderOf(task.modelPath);
    vorbix::TransactionMode mode = vorbix::TransactionMode::Dialog();
    mode.workingFolder = folder.empty() ? "." : folder.c_str();
    if (!vorbix::UpdateModelFile(task.modelPath.c_str(), task.target, mode))
        return FleetResult{FleetOutcome::Failed, {}, FormatText("ERROR:%lx Update failed.", GetLastError())};
    result.scale = ScaleCell::Read(task.modelPath);
    if (result.scale.read) return FleetResult{FleetOutcome::Updated, result.scale, "Updated"};
    return FleetResult{FleetOutcome::ReloadFailed, result.scale, FormatText("ERROR:%lx Reload failed.", result.scale.error)};
}

void ShowFleetResult(const FleetTask& task, const FleetResult& result, std::vector<FleetRow>& rows) {
    for (std::size_t i : task.rows) {
        if (result.outcome != FleetOutcome::Failed) rows[i].scale = result.scale;
        rows[i].result = result.text;
    }
}
