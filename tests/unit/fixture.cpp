#include "fixture.h"

#include <algorithm>
#include <atomic>
#include <random>
#include <regex>
#include <sstream>

#include "platform/platform.h"

namespace fs = std::filesystem;

namespace vorbix::test {

void RecordingOutput::Write(const char* text) {
    out += text;
    all += text;
}

void RecordingOutput::WriteDebug(const char* text) {
    debug += text;
    all += text;
}

int RecordingOutput::Count(const std::string& prefix) const {
    std::istringstream lines(all);
    std::string line;
    int count = 0;
    while (std::getline(lines, line))
        if (line.rfind(prefix, 0) == 0) ++count;
    return count;
}

std::string RecordingOutput::Masked() const {
    static const std::regex address("(=A'|Base= |CP= |MP= |\\.rsrc= |Start= |End= )[0-9a-f]+");
    return std::regex_replace(all, address, "$1@");
}

namespace {

// Removes a scratch directory, read-only files at any depth included: one left behind by a
// run that was cut short, or by this one.
void RemoveScratch(const fs::path& dir) {
    std::error_code ignored;
    for (const auto& entry : fs::recursive_directory_iterator(dir, ignored))
        fs::permissions(entry.path(), fs::perms::owner_write, fs::perm_options::add, ignored);
    fs::remove_all(dir, ignored);
}

}  // namespace

void ScratchTest::SetUp() {
    static std::atomic<int> serial{0};
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string("vorbix-") + info->test_suite_name() + "-" + info->name() + "-" +
                       std::to_string(serial++);
    std::replace(name.begin(), name.end(), '/', '_');
    dir_ = fs::temp_directory_path() / name;
    RemoveScratch(dir_);
    fs::create_directories(dir_);
    previous_ = fs::current_path();
    fs::current_path(dir_);
    platform::ClearFaults();
}

void ScratchTest::TearDown() {
    platform::ClearFaults();
    fs::current_path(previous_);
    RemoveScratch(dir_);
}

void ScratchTest::Write(const std::string& name, const mdlgen::Bytes& bytes) {
    ASSERT_TRUE(mdlgen::WriteFile((dir_ / name).string(), bytes));
}

mdlgen::Bytes ScratchTest::Read(const std::string& name) const { return mdlgen::ReadFile((dir_ / name).string()); }

std::vector<std::string> ScratchTest::Entries() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir_)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

void ScratchTest::MakeReadOnly(const std::string& name, bool readOnly) {
    ASSERT_TRUE(platform::SetAttributes(name.c_str(),
                                        readOnly ? platform::kAttributeReadOnly : platform::kAttributeNormal));
}

bool ReadOnlyEnforced() {
    static const bool enforced = [] {
        // A name of this process's own: test programs run side by side.
        const std::string probe =
            (fs::temp_directory_path() / ("vorbix-read-only-probe-" + std::to_string(std::random_device{}()))).string();
        platform::SetAttributes(probe.c_str(), platform::kAttributeNormal);
        mdlgen::WriteFile(probe, mdlgen::Bytes{1});
        platform::SetAttributes(probe.c_str(), platform::kAttributeReadOnly);
        platform::MappedFile file;
        bool refused = !file.Map(probe.c_str(), true);
        file.Release();
        platform::SetAttributes(probe.c_str(), platform::kAttributeNormal);
        std::error_code ignored;
        fs::remove(probe, ignored);
        return refused;
    }();
    return enforced;
}

std::vector<std::size_t> Differences(const mdlgen::Bytes& a, const mdlgen::Bytes& b) {
    std::vector<std::size_t> positions;
    for (std::size_t i = 0; i < std::max(a.size(), b.size()); ++i)
        if (i >= a.size() || i >= b.size() || a[i] != b[i]) positions.push_back(i);
    return positions;
}

mdlgen::Bytes WithScale(mdlgen::Bytes bytes, std::size_t at, std::uint16_t scale) {
    bytes.at(at) = static_cast<std::uint8_t>(scale & 0xFF);
    bytes.at(at + 1) = static_cast<std::uint8_t>(scale >> 8);
    return bytes;
}

mdlgen::Bytes ModelBytes(const mdlgen::Model& model) { return mdlgen::BuildImage(mdlgen::ModelImage(model)); }

}  // namespace vorbix::test
