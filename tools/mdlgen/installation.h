// A simulator installation for tests and demos: an Aircraft folder of containers, each with
// an Aircraft.cfg of FLTSIM.n sections, model folders with MODEL.CFG and model files.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "mdlgen.h"

namespace mdlgen {

// One FLTSIM.n section. A key left empty (nullopt) is not written.
struct FltSim {
    int number = 0;
    std::optional<std::string> model = "";  // MODEL: the model folder, as the simulator reads it
    std::optional<std::string> title;
    std::optional<std::string> sim;
    // NORMAL of the model folder's MODEL.CFG; nullopt writes no MODEL.CFG. The model file
    // NORMAL.MDL is written beside it with this scale, unless NORMAL is empty.
    std::optional<std::string> normal;
    std::uint16_t scale = 7;
    bool modelFile = true;
    bool brokenModel = false;  // the model file's sequence is broken: its scale cannot be read
};

// How the configuration files are written: plainly (CRLF, upper-case section names), or
// as real add-ons write them: CRLF and LF mixed, [Fltsim.0], tabs before the '=' and
// comment lines.
enum class CfgStyle { Plain, AddOn };

struct Container {
    std::string name;
    std::vector<FltSim> sections = {};
    bool aircraftCfg = true;
    CfgStyle style = CfgStyle::Plain;
};

struct Installation {
    std::vector<Container> containers = {};
    std::vector<std::string> plainFiles = {};  // files directly in the Aircraft folder
};

// An aircraft with one complete section: TITLE title, SIM sim and the model file
// sim.MDL, in the model folder Model for FLTSIM.0 and in the folder sim for the others.
FltSim Aircraft(int number, const std::string& title, const std::string& sim, std::uint16_t scale = 7);

// The folder that a MODEL value names, below the container.
std::string ModelFolder(const std::string& model);

// Writes the installation below simulatorFolder\Aircraft; false when a file could not be
// written.
bool WriteInstallation(const std::string& simulatorFolder, const Installation& installation);

// A small installation of a few aircraft for demos and the dialog tests.
Installation SampleInstallation();
// The sample, and two liveries sharing one model file (Camel Red and Camel Blue, scale 3)
// and an aircraft whose model file is broken (Broken Bird): what the Fleet shows.
Installation FleetInstallation();

// Three aircraft, two of which share one model file: the installation of the quick
// comparison of the shipped 32-bit program with the 64-bit build.
Installation SmallInstallation();

}  // namespace mdlgen
