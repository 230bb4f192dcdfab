// What the Fleet dialog shows and does, without a window: one row per installed aircraft
// with the scale of its model file and the scale it was installed with, the plan of a run
// over the selected rows, and the run's steps, one model file each.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// A scale read from a file, or the code of the failed read.
struct ScaleCell {
    bool read = false;
    std::uint16_t scale = 0;
    DWORD error = 0;

    std::string Text() const;  // "%d", or "ERROR:%x"
    // The model file's current scale.
    static ScaleCell Read(const std::string& modelPath);
    // The scale it was installed with; current is its current scale as read.
    static ScaleCell Installed(const std::string& modelPath, const ScaleCell& current);
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
// title left out, in title order; each model file read once. False with the catalogue's
// code when it could not be read whole: the rows then hold what was read.
bool ReadFleet(char* aircraftFolder, std::vector<FleetRow>& rows);
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
