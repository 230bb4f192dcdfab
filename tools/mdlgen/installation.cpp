#include "installation.h"

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace mdlgen {
namespace {

// Lines of a configuration file in the chosen style.
class CfgWriter {
public:
    explicit CfgWriter(CfgStyle style) : style_(style) {}
    void Section(const std::string& name) {
        if (style_ == CfgStyle::AddOn) Line("; " + name + " as an add-on writes it");
        Line("[" + (style_ == CfgStyle::AddOn ? Capitalised(name) : name) + "]");
    }
    void Key(const std::string& key, const std::optional<std::string>& value) {
        if (value) Line(key + (style_ == CfgStyle::AddOn ? "\t=" : "=") + *value);
    }
    bool Write(const fs::path& path) const {
        std::ofstream file(path, std::ios::binary | std::ios::trunc);
        file << text_;
        return static_cast<bool>(file);
    }

private:
    static std::string Capitalised(std::string name) {
        for (std::size_t i = 1; i < name.size(); ++i)
            if (name[i] >= 'A' && name[i] <= 'Z') name[i] = static_cast<char>(name[i] + 32);
        return name;
    }
    void Line(const std::string& line) {
        // Add-ons edited on more than one system end their lines either way.
        bool lf = style_ == CfgStyle::AddOn && (lines_++ % 2 == 1);
        text_ += line + (lf ? "\n" : "\r\n");
    }
    CfgStyle style_;
    std::string text_;
    int lines_ = 0;
};

}  // namespace

FltSim Aircraft(int number, const std::string& title, const std::string& sim, std::uint16_t scale) {
    FltSim section;
    section.number = number;
    if (number != 0) section.model = sim;
    section.title = title;
    section.sim = sim;
    section.normal = sim;
    section.scale = scale;
    return section;
}

std::string ModelFolder(const std::string& model) {
    return model.empty() || model[0] == '\\' ? "Model" + model : model;
}

bool WriteInstallation(const std::string& simulatorFolder, const Installation& installation) {
    std::error_code error;
    fs::path aircraft = fs::path(simulatorFolder) / "Aircraft";
    fs::create_directories(aircraft, error);
    if (error) return false;
    bool ok = true;
    for (const std::string& name : installation.plainFiles) ok = WriteFile((aircraft / name).string(), {'x'}) && ok;
    for (const Container& container : installation.containers) {
        fs::path folder = aircraft / container.name;
        fs::create_directories(folder, error);
        if (error) return false;
        CfgWriter cfg(container.style);
        for (const FltSim& section : container.sections) {
            cfg.Section("FLTSIM." + std::to_string(section.number));
            cfg.Key("TITLE", section.title);
            cfg.Key("SIM", section.sim);
            cfg.Key("MODEL", section.model);
            if (!section.normal) continue;
            std::string modelFolder = ModelFolder(section.model.value_or(""));
            for (char& c : modelFolder)
                if (c == '\\') c = '/';
            fs::path models = folder / modelFolder;
            fs::create_directories(models, error);
            if (error) return false;
            CfgWriter modelCfg(container.style);
            modelCfg.Section("MODELS");
            modelCfg.Key("NORMAL", section.normal);
            ok = modelCfg.Write(models / "MODEL.CFG") && ok;
            if (section.normal->empty() || !section.modelFile) continue;
            Model model;
            model.sequence.scale = section.scale;
            if (section.brokenModel) model.sequence.broken = Instruction::BglReturn;
            ok = WriteFile((models / (*section.normal + ".MDL")).string(), BuildImage(ModelImage(model))) && ok;
        }
        if (container.aircraftCfg) ok = cfg.Write(folder / "Aircraft.cfg") && ok;
    }
    return ok;
}

Installation SampleInstallation() {
    Installation installation;
    installation.containers.push_back({"Biplane", {Aircraft(0, "Biplane Mk I", "biplane", 7),
                                                   Aircraft(1, "Biplane Mk II", "biplane2", 9)}});
    installation.containers.push_back({"Glider", {Aircraft(0, "glider", "glider", 5)}, true, CfgStyle::AddOn});
    installation.containers.push_back({"Scout", {Aircraft(0, "Albatros Scout", "scout", 7)}});
    installation.containers.push_back({"Triplane", {Aircraft(0, "Triplane", "triplane", 12)}});
    return installation;
}

Installation FleetInstallation() {
    Installation installation = SampleInstallation();
    FltSim broken = Aircraft(0, "Broken Bird", "broken");
    broken.brokenModel = true;
    installation.containers.push_back({"Broken", {broken}});
    FltSim blue = Aircraft(1, "Camel Blue", "camel", 3);
    blue.model = "";  // the model folder of FLTSIM.0, and so its model file
    installation.containers.push_back({"Camel", {Aircraft(0, "Camel Red", "camel", 3), blue}});
    return installation;
}

Installation SmallInstallation() {
    Installation installation;
    FltSim blue = Aircraft(1, "Camel Blue", "camel", 3);
    blue.model = "";
    installation.containers.push_back({"Camel", {Aircraft(0, "Camel Red", "camel", 3), blue}});
    installation.containers.push_back({"Scout", {Aircraft(0, "Albatros Scout", "scout", 7)}});
    return installation;
}

}  // namespace mdlgen
