// mdlgen: writes a synthetic model file, the fuzz seed corpus, or a sample simulator
// installation.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "installation.h"
#include "mdlgen.h"

namespace {

int Usage() {
    std::fprintf(stderr,
                 "Usage: mdlgen [--scale N] [--two-calls] [--place rsrc|data|both|neither] [--decoys N]\n"
                 "              [--distance N] [--upper] [--size BYTES] [--print-offset] OUTPUT.MDL\n"
                 "       mdlgen --seeds DIRECTORY\n"
                 "       mdlgen --sequence-seeds DIRECTORY\n"
                 "       mdlgen --installation SIMULATOR_FOLDER\n"
                 "       mdlgen --fleet-installation SIMULATOR_FOLDER\n"
                 "       mdlgen --small-installation SIMULATOR_FOLDER\n");
    return 2;
}

bool Number(const char* text, unsigned long limit, unsigned long& value) {
    char* end = nullptr;
    value = std::strtoul(text, &end, 0);
    return end != text && *end == '\0' && value <= limit;
}

// Seeds for the fuzzer: valid models of each kind and a few broken ones.
int WriteSeeds(const std::string& directory) {
    using namespace mdlgen;
    int count = 0;
    auto write = [&](const Bytes& bytes) {
        char name[32];
        std::snprintf(name, sizeof name, "/seed%02d.mdl", count++);
        return WriteFile(directory + name, bytes);
    };
    bool ok = true;
    for (Place place : {Place::Rsrc, Place::Data, Place::Both, Place::Neither}) {
        for (bool twoCalls : {false, true}) {
            Model model;
            model.place = place;
            model.sequence.twoCalls = twoCalls;
            model.decoys = place == Place::Rsrc ? 3 : 0;
            ok = write(BuildImage(ModelImage(model))) && ok;
        }
    }
    Model broken;
    broken.sequence.broken = Instruction::BglReturn;
    ok = write(BuildImage(ModelImage(broken))) && ok;
    Image truncated = ModelImage(Model{});
    truncated.truncateTo = 0x300;
    ok = write(BuildImage(truncated)) && ok;
    Image farHeaders = ModelImage(Model{});
    farHeaders.lfanewOverride = 0x7FFFFFF0;
    ok = write(BuildImage(farHeaders)) && ok;
    return ok ? 0 : 1;
}

// Seeds for the sequence check's fuzzer: the offset byte's place and a new scale (two
// little-endian words), then code holding the sequence in both forms, far and broken.
int WriteSequenceSeeds(const std::string& directory) {
    using namespace mdlgen;
    struct Seed {
        const char* name;
        std::size_t offsetByte;
        std::uint8_t distance;
        bool twoCalls;
        Instruction broken;
    };
    const Seed seeds[] = {{"/short", 3, 2, false, Instruction::None},
                          {"/long", 0, 40, true, Instruction::None},
                          {"/far", 10, 255, false, Instruction::None},
                          {"/broken", 1, 1, true, Instruction::BglReturn}};
    bool ok = true;
    for (const Seed& seed : seeds) {
        Sequence sequence;
        sequence.twoCalls = seed.twoCalls;
        sequence.broken = seed.broken;
        Bytes code(seed.offsetByte + 1, 0x11);
        PlaceSequence(code, seed.offsetByte, seed.distance, sequence);
        Bytes input(4 + code.size(), 0);
        input[0] = static_cast<std::uint8_t>(seed.offsetByte);
        input[2] = 12;
        std::copy(code.begin(), code.end(), input.begin() + 4);
        ok = WriteFile(directory + seed.name, input) && ok;
    }
    return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    mdlgen::Model model;
    const char* output = nullptr;
    bool printOffset = false;
    unsigned long size = 0;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        unsigned long value = 0;
        bool hasValue = i + 1 < argc;
        if (arg == "--seeds" && hasValue) return WriteSeeds(argv[++i]);
        if (arg == "--sequence-seeds" && hasValue) return WriteSequenceSeeds(argv[++i]);
        if (arg == "--installation" && hasValue)
            return mdlgen::WriteInstallation(argv[++i], mdlgen::SampleInstallation()) ? 0 : 1;
        if (arg == "--fleet-installation" && hasValue)
            return mdlgen::WriteInstallation(argv[++i], mdlgen::FleetInstallation()) ? 0 : 1;
        if (arg == "--small-installation" && hasValue)
            return mdlgen::WriteInstallation(argv[++i], mdlgen::SmallInstallation()) ? 0 : 1;
        if (arg == "--scale" && hasValue && Number(argv[++i], 0xFFFF, value)) {
            model.sequence.scale = static_cast<std::uint16_t>(value);
        } else if (arg == "--decoys" && hasValue && Number(argv[++i], 1000, value)) {
            model.decoys = value;
        } else if (arg == "--distance" && hasValue && Number(argv[++i], 255, value) && value > 0) {
            model.distance = static_cast<std::uint8_t>(value);
        } else if (arg == "--place" && hasValue) {
            std::string place = argv[++i];
            if (place == "rsrc") model.place = mdlgen::Place::Rsrc;
            else if (place == "data") model.place = mdlgen::Place::Data;
            else if (place == "both") model.place = mdlgen::Place::Both;
            else if (place == "neither") model.place = mdlgen::Place::Neither;
            else return Usage();
        } else if (arg == "--size" && hasValue && Number(argv[++i], 1ul << 30, size)) {
        } else if (arg == "--two-calls") {
            model.sequence.twoCalls = true;
        } else if (arg == "--print-offset") {
            printOffset = true;
        } else if (arg == "--upper") {
            model.upperCaseNames = true;
        } else if (arg[0] != '-' && output == nullptr) {
            output = argv[i];
        } else {
            return Usage();
        }
    }
    if (output == nullptr) return Usage();
    mdlgen::Bytes bytes = mdlgen::BuildImage(mdlgen::ModelImage(model));
    // Padding after the last section, as large models carry, to reach the size asked for.
    if (bytes.size() < size) bytes.resize(size, 0);
    if (!mdlgen::WriteFile(output, bytes)) {
        std::fprintf(stderr, "mdlgen: cannot write %s\n", output);
        return 1;
    }
    // Where the scale word lies, for tests that check a patched file byte for byte.
    if (printOffset) std::printf("%zu\n", mdlgen::ScaleFileOffset(model));
    return 0;
}
