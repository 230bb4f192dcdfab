#include <gtest/gtest.h>

#include "fixture.h"
#include "image.h"

namespace vorbix::test {
namespace {

using mdlgen::Bytes;
using mdlgen::Image;
using mdlgen::Model;
using mdlgen::Place;
using mdlgen::Section;

constexpr std::size_t kRsrcIndex = 4;
constexpr std::size_t kDataIndex = 2;

class ScanTest : public ScratchTest {
protected:
    bool Scan(SectionKind kind, const Bytes& file, bool update = false, std::uint16_t newScale = 9) {
        Write("m.mdl", file);
        out_ = RecordingOutput();
        old_ = 0xDEAD;
        return kind == SectionKind::Rsrc ? ScanRsrcSection("m.mdl", update, &old_, newScale, out_)
                                         : ScanDataSection("m.mdl", update, &old_, newScale, out_);
    }
    // An image with a .rsrc section of the given bytes and nothing else of interest.
    static Bytes WithRsrc(const Bytes& rsrc) {
        Image image;
        image.sections = {Section{".text", Bytes(0x40, 0x11), {}, {}}, Section{".rsrc", rsrc, {}, {}}};
        return mdlgen::BuildImage(image);
    }

    RecordingOutput out_;
    std::uint16_t old_ = 0;
};

TEST_F(ScanTest, FindsTheCodeInRsrcAndReportsEachStep) {
    Model model;
    model.sequence.scale = 11;
    ASSERT_TRUE(Scan(SectionKind::Rsrc, ModelBytes(model)));
    EXPECT_EQ(old_, 11);
    std::string lines = out_.Masked();
    EXPECT_EQ(lines.substr(0, lines.find("Dbg: Base=")),
              "Dbg: Scanning for .rsrc section in m.mdl\n"
              "  Resource section located.\n"
              "Dbg: .rsrc= @ Size= d0 Start= @ End= @\n"
              "Dbg: Found BGL opcode in .rsrc section, =A'@.\n"
              "Dbg: Found offset DD, =A'@, =c.\n");
    EXPECT_EQ(out_.out, "  Resource section located.\n"
                        "  SUPER_SCALE FF5C, 0, 0, 11  ;; Oldscale= 11, Newscale= 9\n"
                        "  BGL instruction sequence validated.\n");
}

TEST_F(ScanTest, UpdateChangesOnlyTheScaleWordAndViewChangesNothing) {
    for (bool twoCalls : {false, true}) {
        Model model;
        model.sequence.twoCalls = twoCalls;
        Bytes original = ModelBytes(model);
        ASSERT_TRUE(Scan(SectionKind::Rsrc, original, false));
        EXPECT_EQ(Read("m.mdl"), original);
        ASSERT_TRUE(Scan(SectionKind::Rsrc, original, true, 0x0102));
        EXPECT_EQ(old_, 7);
        EXPECT_EQ(Read("m.mdl"), WithScale(original, mdlgen::ScaleFileOffset(model), 0x0102));
        EXPECT_EQ(out_.Count("  Instruction updated."), 1);
    }
}

TEST_F(ScanTest, DecoysAreTriedInOrderWithOneRedriveEach) {
    Model model;
    model.decoys = 5;
    ASSERT_TRUE(Scan(SectionKind::Rsrc, ModelBytes(model)));
    EXPECT_EQ(out_.Count("Dbg: Found BGL opcode in .rsrc section"), 6);
    EXPECT_EQ(out_.Count("Dbg: Redriving scan. CP= "), 5);
    EXPECT_EQ(out_.Count("  BGL instruction sequence validated."), 1);
}

TEST_F(ScanTest, OffsetByteUpTo255BytesBackAndNeverTheSectionsFirstByte) {
    Bytes far(0x200, 0);
    mdlgen::PlaceSequence(far, 1, 255, mdlgen::Sequence{});
    EXPECT_TRUE(Scan(SectionKind::Rsrc, WithRsrc(far)));
    EXPECT_EQ(out_.Count("Dbg: Found offset DD"), 1);

    Bytes atStart(0x100, 0);
    mdlgen::PlaceSequence(atStart, 0, 12, mdlgen::Sequence{});
    EXPECT_FALSE(Scan(SectionKind::Rsrc, WithRsrc(atStart)));
    EXPECT_EQ(platform::LastError(), 1813u);
    EXPECT_EQ(out_.Count("Dbg: Found offset DD"), 0);
    EXPECT_EQ(out_.Count("Dbg: [PRI] BGL not found in .rsrc section."), 1);

    Bytes opcodeFirst(0x100, 0);
    opcodeFirst[0] = 0x76;
    EXPECT_FALSE(Scan(SectionKind::Rsrc, WithRsrc(opcodeFirst)));
    EXPECT_EQ(platform::LastError(), 1813u);
    EXPECT_EQ(out_.Count("Dbg: Redriving scan."), 1);
}

TEST_F(ScanTest, NearestOffsetByteIsTheOneReported) {
    // A nearer byte holding its own distance to the 0x76 byte is taken; it leads to the
    // same first instruction, as every matching byte does.
    Bytes rsrc(0x100, 0);
    mdlgen::PlaceSequence(rsrc, 0x20, 12, mdlgen::Sequence{});
    rsrc[0x20 + 7] = 5;
    ASSERT_TRUE(Scan(SectionKind::Rsrc, WithRsrc(rsrc)));
    EXPECT_EQ(out_.Count("Dbg: Found offset DD"), 1);
    EXPECT_NE(out_.debug.find(", =5.\n"), std::string::npos) << out_.debug;
}

TEST_F(ScanTest, FailedPlaceDoesNotStopTheSearch) {
    // The first code validates up to SUPER_SCALE only: its line is printed, the search
    // goes on, and the second code is used.
    Bytes rsrc(0x200, 0);
    mdlgen::Sequence broken;
    broken.broken = mdlgen::Instruction::BglReturn;
    broken.scale = 3;
    mdlgen::PlaceSequence(rsrc, 0x10, 12, broken);
    mdlgen::PlaceSequence(rsrc, 0x100, 12, mdlgen::Sequence{});
    ASSERT_TRUE(Scan(SectionKind::Rsrc, WithRsrc(rsrc)));
    EXPECT_EQ(old_, 7);
    EXPECT_EQ(out_.Count("  SUPER_SCALE"), 2);
    EXPECT_EQ(out_.Count("Dbg: Validation failed, RC(1)"), 1);
    EXPECT_EQ(out_.Count("  BGL instruction sequence validated."), 1);
}

TEST_F(ScanTest, OnlyTheFirstOfTwoValidSequencesIsWritten) {
    Bytes rsrc(0x200, 0);
    mdlgen::PlaceSequence(rsrc, 0x10, 12, mdlgen::Sequence{});
    mdlgen::PlaceSequence(rsrc, 0x100, 12, mdlgen::Sequence{});
    Bytes original = WithRsrc(rsrc);
    ASSERT_TRUE(Scan(SectionKind::Rsrc, original, true, 0x202));
    std::vector<std::size_t> changed = Differences(original, Read("m.mdl"));
    ASSERT_EQ(changed.size(), 2u);
    EXPECT_EQ(changed[0], 0x400u + 0x10u + 12u + 50u);  // .rsrc data at 0x400
}

TEST_F(ScanTest, SectionNamesMatchWithoutCaseAndOnlyTheFirstCounts) {
    Model upper;
    upper.upperCaseNames = true;
    upper.place = Place::Both;
    EXPECT_TRUE(Scan(SectionKind::Rsrc, ModelBytes(upper)));
    EXPECT_TRUE(Scan(SectionKind::Data, ModelBytes(upper)));

    Bytes code(0x100, 0);
    mdlgen::PlaceSequence(code, 0x10, 12, mdlgen::Sequence{});
    Image twice;
    twice.sections = {Section{".rsrc", Bytes(0x40, 0), {}, {}}, Section{".rsrc", code, {}, {}}};
    EXPECT_FALSE(Scan(SectionKind::Rsrc, mdlgen::BuildImage(twice)));
    EXPECT_EQ(platform::LastError(), 1813u);

    Image longer;
    longer.sections = {Section{".rsrcx", code, {}, {}}};
    EXPECT_FALSE(Scan(SectionKind::Rsrc, mdlgen::BuildImage(longer)));
    EXPECT_EQ(out_.Count("Dbg: .rsrc section not found."), 1);
}

TEST_F(ScanTest, EmptyRsrcSectionFailsAtOnce) {
    Image image = mdlgen::ModelImage(Model{});
    image.sections[kRsrcIndex].sizeOfRawData = 0;
    EXPECT_FALSE(Scan(SectionKind::Rsrc, mdlgen::BuildImage(image)));
    EXPECT_EQ(platform::LastError(), 1813u);
    EXPECT_EQ(out_.Count("Dbg: Found BGL opcode"), 0);
    EXPECT_EQ(out_.Count("  Resource section located."), 1);
}

TEST_F(ScanTest, DataSectionHoldsTheCodeAtItsFixedPlace) {
    Model model;
    model.place = Place::Data;
    model.sequence.scale = 12;
    Bytes file = ModelBytes(model);
    EXPECT_FALSE(Scan(SectionKind::Rsrc, file));
    EXPECT_EQ(platform::LastError(), 1813u);
    EXPECT_EQ(out_.out, "  Resource section located.\n");
    ASSERT_TRUE(Scan(SectionKind::Data, file, true, 4));
    EXPECT_EQ(old_, 12);
    EXPECT_EQ(out_.Count("  Data section located."), 1);
    EXPECT_EQ(Read("m.mdl"), WithScale(file, mdlgen::ScaleFileOffset(model), 4));

    Image zero = mdlgen::ModelImage(Model{});
    EXPECT_FALSE(Scan(SectionKind::Data, mdlgen::BuildImage(zero)));
    EXPECT_EQ(platform::LastError(), 1u);
    EXPECT_EQ(out_.Count("Dbg: ERROR:76  Invalid instruction: 0000"), 1);
    EXPECT_EQ(out_.Count("Dbg: Validation failed, RC(1)"), 1);
}

TEST_F(ScanTest, BadHeadersFailWith193) {
    Image noMz = mdlgen::ModelImage(Model{});
    noMz.dosSignature = false;
    EXPECT_FALSE(Scan(SectionKind::Rsrc, mdlgen::BuildImage(noMz)));
    EXPECT_EQ(platform::LastError(), 193u);
    EXPECT_EQ(out_.all, "Dbg: Scanning for .rsrc section in m.mdl\n");

    for (std::uint32_t lfanew : {0xFFFFFFF0u, 0x7FFFFFFFu, 0x400000u}) {
        Image far = mdlgen::ModelImage(Model{});
        far.lfanewOverride = lfanew;
        EXPECT_FALSE(Scan(SectionKind::Data, mdlgen::BuildImage(far)));
        EXPECT_EQ(platform::LastError(), 193u);
        EXPECT_EQ(out_.Count("Dbg: No NT_SIGNATURE."), 1);
    }
    Image noPe = mdlgen::ModelImage(Model{});
    noPe.ntSignature = false;
    EXPECT_FALSE(Scan(SectionKind::Rsrc, mdlgen::BuildImage(noPe)));
    EXPECT_EQ(platform::LastError(), 193u);
    EXPECT_EQ(out_.Count("Dbg: No NT_SIGNATURE."), 1);

    Image manySections = mdlgen::ModelImage(Model{});
    manySections.sections.erase(manySections.sections.begin() + kRsrcIndex);
    manySections.numberOfSections = 0xFFFF;
    EXPECT_FALSE(Scan(SectionKind::Rsrc, mdlgen::BuildImage(manySections)));
    EXPECT_EQ(platform::LastError(), 193u);
    EXPECT_EQ(out_.Count("Dbg: Section table outside the file."), 1);
}

TEST_F(ScanTest, MissingSectionsHaveTheirOwnCodes) {
    Image image;
    image.sections = {Section{".text", Bytes(0x40, 0), {}, {}}};
    EXPECT_FALSE(Scan(SectionKind::Rsrc, mdlgen::BuildImage(image)));
    EXPECT_EQ(platform::LastError(), 1813u);
    EXPECT_EQ(out_.Count("Dbg: .rsrc section not found."), 1);
    EXPECT_FALSE(Scan(SectionKind::Data, mdlgen::BuildImage(image)));
    EXPECT_EQ(platform::LastError(), 193u);
    EXPECT_EQ(out_.Count("Dbg: .data section not found."), 1);
}

TEST_F(ScanTest, SectionRangesPastTheEndFailThatStep) {
    for (auto [pointer, size] : {std::pair<std::uint32_t, std::uint32_t>{0xFFFFFF00u, 0x200u}, {0x400u, 0xFFFFFFFFu}}) {
        Image image = mdlgen::ModelImage(Model{});
        image.sections[kRsrcIndex].pointerToRawData = pointer;
        image.sections[kRsrcIndex].sizeOfRawData = size;
        EXPECT_FALSE(Scan(SectionKind::Rsrc, mdlgen::BuildImage(image)));
        EXPECT_EQ(platform::LastError(), 1813u);
        EXPECT_EQ(out_.Count("Dbg: .rsrc section outside the file."), 1);
        EXPECT_EQ(out_.Count("  Resource section located."), 0);
    }
    Image data = mdlgen::ModelImage(Model{});
    data.sections[kDataIndex].pointerToRawData = 0xFFFFFFF8u;
    EXPECT_FALSE(Scan(SectionKind::Data, mdlgen::BuildImage(data)));
    EXPECT_EQ(platform::LastError(), 193u);
    EXPECT_EQ(out_.Count("Dbg: .data section outside the file."), 1);
}

TEST_F(ScanTest, EveryTruncationFailsCleanly) {
    // Heap buffers of the exact size, so that a sanitizer sees any read past the end.
    Model model;
    model.place = Place::Both;
    model.sequence.twoCalls = true;
    Bytes whole = ModelBytes(model);
    std::size_t lastScaleByte = mdlgen::ScaleFileOffset(model) + 1;
    for (std::size_t size = 0; size < whole.size(); ++size) {
        Bytes cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(size));
        for (SectionKind kind : {SectionKind::Rsrc, SectionKind::Data}) {
            for (bool update : {false, true}) {
                ImageView view{cut.data(), cut.size(), true};
                bool found = ScanModelImage(view, kind, update, nullptr, 9, NullOutput());
                if (kind == SectionKind::Rsrc && size <= lastScaleByte) {
                    EXPECT_FALSE(found) << size;
                }
            }
        }
    }
}

TEST_F(ScanTest, FileThatCannotBeOpenedOrMapped) {
    Write("empty.mdl", Bytes{});
    RecordingOutput out;
    EXPECT_FALSE(ScanRsrcSection("empty.mdl", false, nullptr, 9, out));
    EXPECT_EQ(platform::LastError(), 1006u);
    EXPECT_EQ(out.Count("Dbg: CFM failed, RC(3EE)"), 1);

    EXPECT_FALSE(ScanDataSection("missing.mdl", false, nullptr, 9, out));
    EXPECT_EQ(platform::LastError(), 2u);
    EXPECT_EQ(out.Count("Dbg: CF failed, RC(2)"), 1);

    Write("m.mdl", ModelBytes());
    platform::InjectFault(platform::Operation::MapView, 8);
    EXPECT_FALSE(ScanRsrcSection("m.mdl", true, nullptr, 9, out));
    EXPECT_EQ(platform::LastError(), 8u);
    EXPECT_EQ(out.Count("Dbg: MVOF failed, RC(8)"), 1);
}

TEST_F(ScanTest, ReadOnlyFileCanBeViewedButNotUpdated) {
    SKIP_UNLESS_READ_ONLY_ENFORCED();
    Bytes original = ModelBytes();
    Write("m.mdl", original);
    MakeReadOnly("m.mdl");
    std::uint16_t scale = 0;
    EXPECT_TRUE(ScanRsrcSection("m.mdl", false, &scale, 0));
    EXPECT_EQ(scale, 7);
    RecordingOutput out;
    EXPECT_FALSE(ScanRsrcSection("m.mdl", true, nullptr, 9, out));
    EXPECT_EQ(platform::LastError(), 5u);
    EXPECT_EQ(out.Count("Dbg: CF failed, RC(5)"), 1);
    EXPECT_EQ(Read("m.mdl"), original);
}

TEST_F(ScanTest, DenseOpcodesEndWithoutAMatch) {
    // 0x76 at every byte: each one finds an offset byte 118 bytes back and fails at once.
    Bytes dense(0x2000, 0x76);
    EXPECT_FALSE(Scan(SectionKind::Rsrc, WithRsrc(dense)));
    EXPECT_EQ(platform::LastError(), 1813u);
    EXPECT_EQ(out_.Count("Dbg: Redriving scan."), 0x2000);
    EXPECT_EQ(out_.Count("Dbg: Found offset DD"), 0x2000 - 119);
}

TEST(ScanModelImage, SearchWithoutDebugOutputFindsWhatTheFullSearchFinds) {
    // Sections made of opcode bytes and small numbers hold many places that fail at every
    // depth; the quiet search passes over some unseen and must end the same way.
    const std::uint8_t alphabet[] = {0x76, 0x3A, 0x8E, 0x39, 0x23, 0x34, 0x3B, 0x22, 0, 2, 12, 30};
    std::uint32_t state = 12345;
    for (int round = 0; round < 300; ++round) {
        Bytes rsrc(0x400);
        for (std::uint8_t& byte : rsrc) {
            state = state * 1103515245u + 12345u;
            byte = alphabet[(state >> 16) % sizeof alphabet];
        }
        if (round % 3 == 0) mdlgen::PlaceSequence(rsrc, 0x300, 12, mdlgen::Sequence{});
        Image image;
        image.sections = {Section{".rsrc", rsrc, {}, {}}};
        Bytes loud = mdlgen::BuildImage(image);
        Bytes quiet = loud;
        RecordingOutput withDebug(true);
        RecordingOutput withoutDebug(false);
        std::uint16_t loudScale = 0;
        std::uint16_t quietScale = 0;
        bool loudFound = ScanModelImage(ImageView{loud.data(), loud.size(), true}, SectionKind::Rsrc, true, &loudScale, 9,
                                        withDebug);
        bool quietFound = ScanModelImage(ImageView{quiet.data(), quiet.size(), true}, SectionKind::Rsrc, true,
                                         &quietScale, 9, withoutDebug);
        ASSERT_EQ(loudFound, quietFound) << round;
        EXPECT_EQ(loudScale, quietScale) << round;
        EXPECT_EQ(withDebug.out, withoutDebug.out) << round;
        EXPECT_EQ(loud, quiet) << round;
        EXPECT_TRUE(loudFound || round % 3 != 0) << round;
    }
}

}  // namespace
}  // namespace vorbix::test
