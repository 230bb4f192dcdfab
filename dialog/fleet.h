// What the Fleet dialog shows and does, without a window: one row per installed aircraft
// with the scale of its model file and the scale it was installed with, the plan of a run
// over the selected rows, and the run's steps, one model file each.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// A scale read from a file, the code of the failed read, or, while the Fleet reads its
// model files, not read yet.
struct ScaleCell {
    bool read = false;
    bool pending = false;
    std::uint16_t scale = 0;
    DWORD error = 0;

    std::string Text() const;  // "%d", "ERROR:%x", or "" while pending
    // The model file's current scale.
    static ScaleCell Read(const std::string& modelPath);
};

struct FleetRow {
    std::string title;
    std::string model;      // container name + model path, as Open Aircraft shows it
    std::string modelPath;  // aircraft folder + model: the model file
    std::string modelFile;  // its identity as the Fleet opened: rows of one file share it
    ScaleCell scale;
    ScaleCell installed;
    std::string result;
};

// The catalogue of aircraftFolder read afresh, as Open Aircraft reads it, entries of empty
// title left out, in title order, every cell pending. False with the catalogue's code when
// it could not be read whole: the rows then hold what was read.
bool ReadFleet(char* aircraftFolder, std::vector<FleetRow>& rows);

// What the Fleet shows of one model file: its identity and its two scales.
struct FleetCells {
    std::string modelFile;
    ScaleCell scale;
    ScaleCell installed;
};
using FleetCellsRead = std::function<void(const std::vector<std::size_t>& paths, const FleetCells& cells)>;

// Reads the cells of the model files that modelPaths name, each file once however many
// paths in one folder name it (a file reached through two folders may be read twice, and
// shows alike), and hands each to read with the indexes of the paths that name it, one
// call at a time, from threads of its own. A model file's backups are found in one listing
// of its folder, kept for every model file there. stop is looked at between two files.
void ReadFleetCells(const std::vector<std::string>& modelPaths, const std::atomic<bool>& stop, const FleetCellsRead& read);
// Shows a model file's cells in the rows given.
void ShowFleetCells(const std::vector<std::size_t>& rows, const FleetCells& cells, std::vector<FleetRow>& fleet);
// The number of distinct model files of rows: files, not spellings.
int CountModelFiles(const std::vector<FleetRow>& rows);

// One model file of a run, its target scale, the scale its rows showed when the run was
// planned, and every row that shows it.
struct FleetTask {
    std::string modelPath;
    std::string modelFile;
    std::uint16_t target = 0;
    ScaleCell shown;
    std::vector<std::size_t> rows;
};

// The distinct model files of the selected rows, in the order given, each once. A row whose
// Scale (for Set) or Installed (for Restore) shows an error has its result "Skipped"; its
// model file is counted in skipped and is not in the run.
std::vector<FleetTask> PlanFleetRun(std::vector<FleetRow>& rows, const std::vector<std::size_t>& selected, bool restore,
                                    std::uint16_t newScale, int* skipped);

// ReloadFailed: the model file was updated, but its scale could not be read back; it
// counts as failed.
enum class FleetOutcome { Updated, Unchanged, Failed, ReloadFailed };

struct FleetResult {
    FleetOutcome outcome = FleetOutcome::Failed;
    ScaleCell scale;     // the file's scale afterwards; not read where the update failed
    std::string text;    // the Result cell
};

// Sets one model file to its target, or leaves it where it holds the target already. The
// working copy is made beside the model file and renamed over it. File work only: it runs
// on the dialog's worker thread and touches no row.
FleetResult RunFleetTask(const FleetTask& task);
// Shows the outcome of a task in every row of its model file.
void ShowFleetResult(const FleetTask& task, const FleetResult& result, std::vector<FleetRow>& rows);
