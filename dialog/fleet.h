// What the Fleet dialog shows and does, without a window: one row per installed aircraft
// with the scale of its model file and the scale it was installed with, the plan of a run
// over the selected rows, and the run's steps, one model file each.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

// A model path as the file system compares it: upper-cased.
std::string FoldedPath(const std::string& path);

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
    ScaleCell scale;
    ScaleCell installed;
    std::string result;
};

// The catalogue of aircraftFolder read afresh, as Open Aircraft reads it, entries of empty
// title left out, in title order; each model file read once. False with the catalogue's
// code when it could not be read whole: the rows then hold what was read.
bool ReadFleet(char* aircraftFolder, std::vector<FleetRow>& rows);
// The number of distinct model files of rows, compared without regard to case.
int CountModelFiles(const std::vector<FleetRow>& rows);

// One model file of a run, its target scale and every row that shows it.
struct FleetTask {
    std::string modelPath;
    std::uint16_t target = 0;
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

// Sets one model file to its target, or leaves it where it holds the target already, and
// shows the outcome in every row of the task. The working copy is made beside the model
// file and renamed over it.
FleetOutcome RunFleetTask(const FleetTask& task, std::vector<FleetRow>& rows);
