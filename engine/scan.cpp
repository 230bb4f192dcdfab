// The model image scan: PE headers, the section table, and the place of the BGL code in
// the .rsrc section (searched) or in the .data section (fixed).
#include <algorithm>
#include <cinttypes>
#include <cstring>
#include <vector>

#include "image.h"
#include "sequence.h"

namespace vorbix {
namespace {

constexpr std::uint16_t kDosSignature = 0x5A4D;  // "MZ"
constexpr std::uint32_t kNtSignature = 0x00004550;  // "PE\0\0"
constexpr std::uint64_t kLfanewOffset = 0x3C;
constexpr std::uint64_t kNtHeadersSize = 248;  // signature, file header, 32-bit optional header
constexpr std::uint64_t kNumberOfSectionsOffset = 6;
constexpr std::uint64_t kSectionHeaderSize = 40;
constexpr std::uint64_t kSizeOfRawDataOffset = 16;
constexpr std::uint64_t kPointerToRawDataOffset = 20;
constexpr std::uint64_t kDataOffsetByte = 16;  // the offset byte's place in .data
constexpr std::uint8_t kBglOpcode = 0x76;

using platform::Fail;

// Section names compare without regard to ASCII case, over at most 8 characters,
// stopping at the first NUL: ".RSRC" matches ".rsrc", ".rsrc2" does not.
bool SectionNameIs(const std::uint8_t* name, const char* wanted) {
    for (int i = 0; i < 8; ++i) {
        std::uint8_t c = name[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<std::uint8_t>(c + 32);
        if (c != static_cast<std::uint8_t>(wanted[i])) return false;
        if (c == 0) return true;
    }
    return std::strlen(wanted) == 8;
}

struct Section {
    std::uint32_t pointerToRawData = 0;
    std::uint32_t sizeOfRawData = 0;
};

const char* SectionName(SectionKind kind) { return kind == SectionKind::Rsrc ? ".rsrc" : ".data"; }

// Checks the DOS and NT headers and finds the first section of the kind.
bool FindSection(const ImageView& image, SectionKind kind, Section& section, Output& out) {
    const char* name = SectionName(kind);
    std::uint16_t dosSignature = 0;
    if (!ReadU16(image, 0, dosSignature) || dosSignature != kDosSignature) return Fail(platform::kErrorBadExeFormat);
    std::uint32_t ntHeaders = 0;
    std::uint32_t ntSignature = 0;
    if (!ReadU32(image, kLfanewOffset, ntHeaders) || !InImage(image, ntHeaders, kNtHeadersSize) ||
        !ReadU32(image, ntHeaders, ntSignature) || ntSignature != kNtSignature) {
        Debug(out, "Dbg: No NT_SIGNATURE.\n");
        return Fail(platform::kErrorBadExeFormat);
    }
    std::uint16_t sectionCount = 0;
    ReadU16(image, ntHeaders + kNumberOfSectionsOffset, sectionCount);
    const std::uint64_t table = static_cast<std::uint64_t>(ntHeaders) + kNtHeadersSize;
    for (std::uint64_t index = 0; index < sectionCount; ++index) {
        std::uint64_t header = table + index * kSectionHeaderSize;
        if (!InImage(image, header, kSectionHeaderSize)) {
            Debug(out, "Dbg: Section table outside the file.\n");
            return Fail(platform::kErrorBadExeFormat);
        }
        if (!SectionNameIs(image.data + header, name)) continue;
        ReadU32(image, header + kSizeOfRawDataOffset, section.sizeOfRawData);
        ReadU32(image, header + kPointerToRawDataOffset, section.pointerToRawData);
        return true;
    }
    Debug(out, "Dbg: %s section not found.\n", name);
    return Fail(kind == SectionKind::Rsrc ? platform::kErrorResourceTypeNotFound : platform::kErrorBadExeFormat);
}

// After a valid sequence at base: true without update, else the writing call.
bool FinishAt(const ImageView& image, const std::uint8_t* base, bool update, std::uint16_t* oldScale,
              std::uint16_t newScale, Output& out) {
    if (!update) return true;
    if (CheckScaleSequence(image, base, true, oldScale, newScale, out)) return true;
    Debug(out, "Dbg: Update failed, RC(%x)\n", platform::LastError());
    return false;
}

// Nearest offset bytes, kept as the forward pass goes: for each position P after the
// section's first byte, P + byte[P] is the 0x76 byte it would point at. Indexed by that
// target modulo 256, the latest P entered is the nearest candidate; since a byte reaches
// at most 255 ahead, an entry whose target is not the 0x76 byte in question is stale and
// is recognised as such. Each byte is entered once, so the search stays linear however
// many 0x76 bytes the section holds.
class OffsetByteIndex {
public:
    OffsetByteIndex(const ImageView& image, std::uint64_t start) : image_(image), start_(start), entered_(start + 1) {}

    // The nearest P in (start, cp) with byte[P] == cp - P, or 0 when there is none.
    std::uint64_t NearestFor(std::uint64_t cp) {
        std::uint64_t from = std::max(entered_, cp > 255 ? cp - 255 : 0);
        for (std::uint64_t p = from; p < cp; ++p) {
            std::uint8_t value = image_.data[p];
            if (value != 0) nearest_[(p + value) & 0xFF] = p;
        }
        entered_ = std::max(entered_, cp);
        std::uint64_t p = nearest_[cp & 0xFF];
        return (p > start_ && p < cp && p + image_.data[p] == cp) ? p : 0;
    }

private:
    const ImageView& image_;
    std::uint64_t start_;
    std::uint64_t entered_;
    std::uint64_t nearest_[256] = {};
};

std::uint64_t NextOpcode(const ImageView& image, std::uint64_t cp, std::uint64_t end) {
    const void* hit = std::memchr(image.data + cp, kBglOpcode, static_cast<std::size_t>(end - cp));
    return hit == nullptr ? end : static_cast<std::uint64_t>(static_cast<const std::uint8_t*>(hit) - image.data);
}

bool SearchRsrc(const ImageView& image, const Section& section, bool update, std::uint16_t* oldScale,
                std::uint16_t newScale, Output& out) {
    const std::uint64_t start = section.pointerToRawData;
    const std::uint64_t end = start + section.sizeOfRawData;
    Print(out, "  Resource section located.\n");
    Debug(out, "Dbg: .rsrc= %" PRIxPTR " Size= %x Start= %" PRIxPTR " End= %" PRIxPTR "\n", AddressOf(image, start),
          section.sizeOfRawData, AddressOf(image, start), AddressOf(image, end));
    // Without debug output a place that fails before the SUPER_SCALE line prints
    // nothing, found offset byte or not, so the search may pass over it unseen.
    const bool debug = out.DebugEnabled();
    OffsetByteIndex offsetBytes(image, start);
    std::uint64_t cp = start;
    for (;;) {
        cp = debug ? NextOpcode(image, cp, end) : FindPossibleSequenceStart(image, cp, end);
        if (cp >= end) {
            Debug(out, "Dbg: [PRI] BGL not found in .rsrc section.\n");
            return Fail(platform::kErrorResourceTypeNotFound);
        }
        if (debug || !SequenceFailsBeforeScale(image, cp)) {
            Debug(out, "Dbg: Found BGL opcode in .rsrc section, =A'%" PRIxPTR ".\n", AddressOf(image, cp));
            if (std::uint64_t p = offsetBytes.NearestFor(cp); p != 0) {
                Debug(out, "Dbg: Found offset DD, =A'%" PRIxPTR ", =%x.\n", AddressOf(image, p), image.data[p]);
                if (CheckScaleSequence(image, image.data + p, false, oldScale, newScale, out))
                    return FinishAt(image, image.data + p, update, oldScale, newScale, out);
                Debug(out, "Dbg: Validation failed, RC(%x)\n", platform::LastError());
            }
            Debug(out, "Dbg: Redriving scan. CP= %" PRIxPTR ", MP= %" PRIxPTR "\n", AddressOf(image, cp),
                  AddressOf(image, end));
        }
        ++cp;
    }
}

bool CheckDataPlace(const ImageView& image, const Section& section, bool update, std::uint16_t* oldScale,
                    std::uint16_t newScale, Output& out) {
    const std::uint64_t base = static_cast<std::uint64_t>(section.pointerToRawData) + kDataOffsetByte;
    if (!InImage(image, base, 1)) {
        Debug(out, "Dbg: .data section outside the file.\n");
        return Fail(platform::kErrorBadExeFormat);
    }
    Print(out, "  Data section located.\n");
    if (!CheckScaleSequence(image, image.data + base, false, oldScale, newScale, out)) {
        Debug(out, "Dbg: Validation failed, RC(%x)\n", platform::LastError());
        return false;
    }
    return FinishAt(image, image.data + base, update, oldScale, newScale, out);
}

bool ScanFile(const char* fileName, SectionKind kind, bool update, std::uint16_t* oldScale, std::uint16_t newScale,
              Output& out) {
    Debug(out, "Dbg: Scanning for %s section in %s\n", SectionName(kind), fileName);
    platform::MappedFile file;
    if (!file.Map(fileName, update)) {
        switch (file.FailedStep()) {
            case platform::MappedFile::Step::Open: Debug(out, "Dbg: CF failed, RC(%X)\n", platform::LastError()); break;
            case platform::MappedFile::Step::CreateMapping:
                Debug(out, "Dbg: CFM failed, RC(%X)\n", platform::LastError());
                break;
            default: Debug(out, "Dbg: MVOF failed, RC(%X)\n", platform::LastError()); break;
        }
        return false;
    }
    return ScanModelImage(ImageView{file.Data(), file.Size(), update}, kind, update, oldScale, newScale, out);
}

}  // namespace

bool ScanModelImage(const ImageView& image, SectionKind kind, bool update, std::uint16_t* oldScale,
                    std::uint16_t newScale, Output& out) {
    Section section;
    if (!FindSection(image, kind, section, out)) return false;
    if (kind == SectionKind::Data) return CheckDataPlace(image, section, update, oldScale, newScale, out);
    if (!InImage(image, section.pointerToRawData, section.sizeOfRawData)) {
        Debug(out, "Dbg: .rsrc section outside the file.\n");
        return Fail(platform::kErrorResourceTypeNotFound);
    }
    return SearchRsrc(image, section, update, oldScale, newScale, out);
}

bool PeekModelScale(const char* modelName, std::uint16_t* scale, std::string* identity) {
    if (modelName == nullptr || scale == nullptr) return Fail(platform::kErrorInvalidParameter);
    std::vector<std::uint8_t> bytes;
    // A file that cannot be read whole (another program shrinks it, say, or it is larger
    // than a look should hold) gives what the mapped read gives for it now.
    if (!platform::ReadFileBytes(modelName, bytes, identity)) return ReadModelScale(modelName, scale);
    const ImageView image{bytes.data(), bytes.size(), false};
    return ScanModelImage(image, SectionKind::Rsrc, false, scale, 0, NullOutput()) ||
           ScanModelImage(image, SectionKind::Data, false, scale, 0, NullOutput());
}

bool ScanRsrcSection(const char* fileName, bool update, std::uint16_t* oldScale, std::uint16_t newScale, Output& out) {
    return ScanFile(fileName, SectionKind::Rsrc, update, oldScale, newScale, out);
}

bool ScanDataSection(const char* fileName, bool update, std::uint16_t* oldScale, std::uint16_t newScale, Output& out) {
    return ScanFile(fileName, SectionKind::Data, update, oldScale, newScale, out);
}

}  // namespace vorbix
