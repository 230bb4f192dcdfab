#include <gtest/gtest.h>

#include "fixture.h"

namespace vorbix::test {
namespace {

using mdlgen::Instruction;

constexpr std::size_t kBase = 4;
constexpr std::uint8_t kDistance = 12;

struct Buffer {
    explicit Buffer(const mdlgen::Sequence& sequence, std::size_t tail = 16) {
        mdlgen::PlaceSequence(bytes, kBase, kDistance, sequence);
        bytes.resize(bytes.size() + tail, 0);
    }
    ImageView View(bool writable = true) { return ImageView{bytes.data(), bytes.size(), writable}; }
    std::uint8_t* Base() { return bytes.data() + kBase; }
    mdlgen::Bytes bytes;
};

TEST(CheckScaleSequence, ValidatesBothFormsAndReportsTheScale) {
    for (bool twoCalls : {false, true}) {
        mdlgen::Sequence sequence;
        sequence.twoCalls = twoCalls;
        sequence.scale = 7;
        Buffer buffer(sequence);
        RecordingOutput out;
        std::uint16_t old = 0;
        ASSERT_TRUE(CheckScaleSequence(buffer.View(), buffer.Base(), false, &old, 9, out)) << twoCalls;
        EXPECT_EQ(old, 7);
        std::string expected = "Dbg: Base= @ Offset= c\n"
                               "Dbg: Validated instruction: BGL\n"
                               "Dbg: Validated instruction: VPOSITION\n"
                               "Dbg: Validated instruction: VFILE_MARKER\n"
                               "Dbg: Validated instruction: IFMSK\n"
                               "Dbg: Validated instruction: BGL_CALL\n";
        if (twoCalls) expected += "Dbg: Validated instruction: BGL_CALL (2)\n";
        expected += "Dbg: Validated instruction: VPOSITION\n"
                    "Dbg: Validated instruction: SUPER_SCALE\n"
                    "  SUPER_SCALE FF5C, 0, 0, 7  ;; Oldscale= 7, Newscale= 9\n"
                    "Dbg: Validated instruction: VINSTANCE_CALL\n"
                    "Dbg: Validated instruction: BGL_RETURN\n"
                    "  BGL instruction sequence validated.\n";
        EXPECT_EQ(out.Masked(), expected);
    }
}

TEST(CheckScaleSequence, EachWrongOpcodeFailsWithItsErrorLine) {
    struct Case {
        bool twoCalls;
        Instruction broken;
        const char* line;
        bool printsScale;
    };
    const Case cases[] = {
        {false, Instruction::Bgl, "Dbg: ERROR:76  Invalid instruction: 0099\n", false},
        {false, Instruction::VPosition, "Dbg: ERROR:3A  Invalid instruction: 0099\n", false},
        {false, Instruction::VFileMarker, "Dbg: ERROR:8E  Invalid instruction: 0099\n", false},
        {false, Instruction::IfMsk, "Dbg: ERROR:39  Invalid instruction: 0099\n", false},
        {false, Instruction::BglCall, "Dbg: ERROR:23  Invalid instruction: 0099\n", false},
        {false, Instruction::SecondPlace, "Dbg: ERROR:3A  Invalid instruction: 0099\n", false},
        {true, Instruction::LongVPosition, "Dbg: ERROR:3A  Invalid instruction: 0099\n", false},
        {false, Instruction::SuperScale, "Dbg: ERROR:34  Invalid instruction: 0099\n", false},
        {true, Instruction::SuperScale, "Dbg: ERROR:34  Invalid instruction: 0099\n", false},
        {false, Instruction::VInstanceCall, "Dbg: ERROR:3B  Invalid instruction: 0099\n", true},
        {false, Instruction::BglReturn, "Dbg: ERROR:22  Invalid instruction: 0099\n", true},
        {true, Instruction::BglReturn, "Dbg: ERROR:22  Invalid instruction: 0099\n", true},
    };
    for (const Case& c : cases) {
        mdlgen::Sequence sequence;
        sequence.twoCalls = c.twoCalls;
        sequence.broken = c.broken;
        sequence.brokenOpcode = 0x99;
        Buffer buffer(sequence);
        mdlgen::Bytes before = buffer.bytes;
        RecordingOutput out;
        std::uint16_t old = 0x1234;
        platform::SetLastError(0);
        EXPECT_FALSE(CheckScaleSequence(buffer.View(), buffer.Base(), false, &old, 9, out)) << c.line;
        EXPECT_EQ(platform::LastError(), 1u);
        EXPECT_EQ(old, 0x1234) << "oldScale is written only on success";
        EXPECT_NE(out.debug.find(c.line), std::string::npos) << out.all;
        EXPECT_EQ(out.Count("Dbg: ERROR:"), 1);
        EXPECT_EQ(out.Count("  SUPER_SCALE"), c.printsScale ? 1 : 0) << c.line;
        EXPECT_EQ(out.Count("  BGL instruction sequence validated."), 0);
        EXPECT_EQ(buffer.bytes, before);
    }
}

TEST(CheckScaleSequence, IgnoresTheSecondOpcodeByteAndReadsTheScaleUnsigned) {
    mdlgen::Sequence sequence;
    sequence.secondOpcodeByte = 0xEE;
    sequence.scale = 0x8001;
    sequence.operand1 = 0xABCD;
    sequence.operand2 = 40000;
    sequence.operand3 = 65535;
    Buffer buffer(sequence);
    RecordingOutput out(false);
    std::uint16_t old = 0;
    ASSERT_TRUE(CheckScaleSequence(buffer.View(), buffer.Base(), false, &old, 65535, out));
    EXPECT_EQ(old, 0x8001);
    EXPECT_EQ(out.all, "  SUPER_SCALE ABCD, 40000, 65535, 32769  ;; Oldscale= 32769, Newscale= 65535\n"
                       "  BGL instruction sequence validated.\n");
}

TEST(CheckScaleSequence, WritingCallChangesOnlyTheScaleWord) {
    for (bool twoCalls : {false, true}) {
        mdlgen::Sequence sequence;
        sequence.twoCalls = twoCalls;
        Buffer buffer(sequence);
        mdlgen::Bytes before = buffer.bytes;
        RecordingOutput out(false);
        std::uint16_t old = 0;
        ASSERT_TRUE(CheckScaleSequence(buffer.View(), buffer.Base(), true, &old, 0x0A0B, out));
        EXPECT_EQ(old, 7);
        EXPECT_EQ(out.all, "  SUPER_SCALE FF5C, 0, 0, 7  ;; Oldscale= 7, Newscale= 2571\n  Instruction updated.\n");
        std::size_t scaleAt = kBase + kDistance + mdlgen::ScaleOffset(sequence);
        EXPECT_EQ(buffer.bytes, WithScale(before, scaleAt, 0x0A0B));
    }
}

TEST(CheckScaleSequence, SameScaleIsWrittenAgain) {
    Buffer buffer(mdlgen::Sequence{});
    RecordingOutput out(false);
    ASSERT_TRUE(CheckScaleSequence(buffer.View(), buffer.Base(), true, nullptr, 7, out));
    EXPECT_EQ(out.all, "  SUPER_SCALE FF5C, 0, 0, 7  ;; Oldscale= 7, Newscale= 7\n  Instruction updated.\n");
}

TEST(CheckScaleSequence, OffsetByteOfZeroPointsAtItself) {
    Buffer buffer(mdlgen::Sequence{});
    buffer.bytes[kBase] = 0;
    RecordingOutput out;
    EXPECT_FALSE(CheckScaleSequence(buffer.View(), buffer.Base(), false, nullptr, 9, out));
    EXPECT_EQ(out.Masked(), "Dbg: Base= @ Offset= 0\nDbg: ERROR:76  Invalid instruction: 0000\n");
}

TEST(CheckScaleSequence, BaseOutsideTheImageIsAnInvalidParameter) {
    Buffer buffer(mdlgen::Sequence{});
    RecordingOutput out;
    EXPECT_FALSE(CheckScaleSequence(buffer.View(), nullptr, false, nullptr, 9, out));
    EXPECT_EQ(platform::LastError(), 87u);
    EXPECT_FALSE(CheckScaleSequence(buffer.View(), buffer.bytes.data() + buffer.bytes.size(), false, nullptr, 9, out));
    EXPECT_EQ(platform::LastError(), 87u);
    EXPECT_EQ(out.all, "");
}

TEST(CheckScaleSequence, SequenceRunningPastTheEndFailsWithoutReadingBeyond) {
    mdlgen::Sequence sequence;
    sequence.twoCalls = true;
    Buffer whole(sequence, 0);
    // The long form reads up to S+62. Every cut before that, down to the offset byte
    // itself, in a heap buffer of exactly that size so that a sanitizer would see any
    // read past it.
    const std::size_t needed = kBase + kDistance + 63;
    for (std::size_t size = needed - 1; size > kBase; --size) {
        mdlgen::Bytes cut(whole.bytes.begin(), whole.bytes.begin() + static_cast<std::ptrdiff_t>(size));
        ImageView view{cut.data(), cut.size(), true};
        RecordingOutput out;
        EXPECT_FALSE(CheckScaleSequence(view, cut.data() + kBase, false, nullptr, 9, out)) << size;
        EXPECT_EQ(platform::LastError(), 1u);
        EXPECT_EQ(out.Count("Dbg: ERROR:"), 1) << out.all;
    }
    mdlgen::Bytes exact(whole.bytes.begin(), whole.bytes.begin() + static_cast<std::ptrdiff_t>(needed));
    ImageView view{exact.data(), exact.size(), true};
    EXPECT_TRUE(CheckScaleSequence(view, exact.data() + kBase, true, nullptr, 9, NullOutput()));
}

TEST(CheckScaleSequence, ReadOnlyViewIsNeverWritten) {
    Buffer buffer(mdlgen::Sequence{});
    mdlgen::Bytes before = buffer.bytes;
    EXPECT_FALSE(CheckScaleSequence(buffer.View(false), buffer.Base(), true, nullptr, 9, NullOutput()));
    EXPECT_EQ(platform::LastError(), 5u);
    EXPECT_EQ(buffer.bytes, before);
}

}  // namespace
}  // namespace vorbix::test
