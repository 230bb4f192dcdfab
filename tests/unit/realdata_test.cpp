// Model files that nobody on this project made, read from beside the checkout.
#include <gtest/gtest.h>

#include <filesystem>

#include "fixture.h"

namespace vorbix::test {
namespace {

class RealDataTest : public ScratchTest {
protected:
    void SetUp() override {
        ScratchTest::SetUp();
        source_ = VORBIX_REALDATA_DIR;
        if (!std::filesystem::is_directory(source_)) GTEST_SKIP() << "no real model files at " << source_;
    }
    void Copy(const char* name) {
        std::filesystem::copy_file(source_ / name, dir_ / name);
        std::filesystem::permissions(dir_ / name, std::filesystem::perms::owner_write, std::filesystem::perm_options::add);
    }
    std::filesystem::path source_;
};

TEST_F(RealDataTest, GliderReadsAsScale7AndUpdatesTwoBytes) {
    Copy("hgldr_cs.mdl");
    mdlgen::Bytes original = Read("hgldr_cs.mdl");
    std::uint16_t scale = 0;
    ASSERT_TRUE(ReadModelScale("hgldr_cs.mdl", &scale));
    EXPECT_EQ(scale, 7);
    RecordingOutput out;
    ASSERT_TRUE(UpdateModelFile("hgldr_cs.mdl", 0x10C, TransactionMode::Console(out, false)));
    EXPECT_EQ(Read("hgldr_cs.mdl"), WithScale(original, 0x1236, 0x10C));
    EXPECT_NE(out.out.find("  SUPER_SCALE FF5C, 0, 0, 7  ;; Oldscale= 7, Newscale= 268\n  Instruction updated.\n"),
              std::string::npos);
    EXPECT_EQ(Entries().size(), 2u);
}

TEST_F(RealDataTest, CamelIsRefusedAndLeftUntouched) {
    Copy("cambelg.mdl");
    mdlgen::Bytes original = Read("cambelg.mdl");
    std::uint16_t scale = 0;
    EXPECT_FALSE(ReadModelScale("cambelg.mdl", &scale));
    RecordingOutput out;
    EXPECT_FALSE(UpdateModelFile("cambelg.mdl", 9, TransactionMode::Console(out, false)));
    EXPECT_FALSE(UpdateModelFile("cambelg.mdl", 9, TransactionMode::Dialog()));
    EXPECT_EQ(Read("cambelg.mdl"), original);
    EXPECT_EQ(Entries(), std::vector<std::string>{"cambelg.mdl"});
}

}  // namespace
}  // namespace vorbix::test
