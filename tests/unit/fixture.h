// Shared test helpers: a scratch directory that is the current directory for one test,
// an output sink that records the engine's lines, and model files written by mdlgen.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "engine.h"
#include "mdlgen.h"

namespace vorbix::test {

class RecordingOutput : public Output {
public:
    explicit RecordingOutput(bool debugOn = true) : debug_(debugOn) {}
    void Write(const char* text) override;
    bool DebugEnabled() const override { return debug_; }
    void WriteDebug(const char* text) override;

    std::string out;     // report lines
    std::string debug;   // "Dbg: " lines
    std::string all;     // both, in order

    // Number of lines in all that begin with prefix.
    int Count(const std::string& prefix) const;
    // all with every hexadecimal address after the given markers replaced by "@".
    std::string Masked() const;

private:
    bool debug_;
};

// Each test runs in a fresh directory of its own, which is also the current directory.
class ScratchTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Writes bytes to name in the scratch directory.
    void Write(const std::string& name, const mdlgen::Bytes& bytes);
    mdlgen::Bytes Read(const std::string& name) const;
    // The names in the scratch directory, sorted.
    std::vector<std::string> Entries() const;
    void MakeReadOnly(const std::string& name, bool readOnly = true);

    std::filesystem::path dir_;

private:
    std::filesystem::path previous_;
};

// Windows refuses to write, replace or delete a read-only file, and so does the POSIX
// layer. Wine run as root lets such a file be written and replaced; tests of that refusal
// are skipped there.
bool ReadOnlyEnforced();
#define SKIP_UNLESS_READ_ONLY_ENFORCED()                                                        \
    if (!::vorbix::test::ReadOnlyEnforced())                                                   \
    GTEST_SKIP() << "this system lets read-only files be written (Wine run as root); Windows " \
                    "refuses with 5"

// Positions at which two byte strings differ.
std::vector<std::size_t> Differences(const mdlgen::Bytes& a, const mdlgen::Bytes& b);

// bytes with the 16-bit little-endian scale word at `at` set to scale.
mdlgen::Bytes WithScale(mdlgen::Bytes bytes, std::size_t at, std::uint16_t scale);

mdlgen::Bytes ModelBytes(const mdlgen::Model& model = mdlgen::Model{});

}  // namespace vorbix::test
