// The BGL instruction sequence around SUPER_SCALE: everything the engine knows of BGL.
#include <cinttypes>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "image.h"
#include "sequence.h"

namespace vorbix {
namespace {

enum : std::uint8_t {
    kBgl = 0x76,
    kVPosition = 0x3A,
    kVFileMarker = 0x8E,
    kIfMsk = 0x39,
    kBglCall = 0x23,
    kSuperScale = 0x34,
    kVInstanceCall = 0x3B,
    kBglReturn = 0x22,
};

struct Instruction {
    std::uint8_t offset;  // from S, the first BGL instruction
    std::uint8_t opcode;
    const char* name;
};

// The fixed start of the sequence; S+30 holds either the VPOSITION before SUPER_SCALE or
// a second BGL_CALL followed by that VPOSITION at S+34.
constexpr Instruction kLeadingInstructions[] = {
    {0, kBgl, "BGL"}, {2, kVPosition, "VPOSITION"}, {14, kVFileMarker, "VFILE_MARKER"}, {18, kIfMsk, "IFMSK"},
    {26, kBglCall, "BGL_CALL"},
};
constexpr std::uint64_t kShortFormVPosition = 30;
constexpr std::uint64_t kLongFormVPosition = 34;
// From V, the VPOSITION right before SUPER_SCALE.
constexpr std::uint64_t kSuperScaleFromV = 12;
constexpr std::uint64_t kScaleFromV = 20;
constexpr std::uint64_t kVInstanceCallFromV = 22;
constexpr std::uint64_t kBglReturnFromV = 28;

using platform::Fail;

class SequenceCheck {
public:
    SequenceCheck(const ImageView& image, Output& out) : image_(image), out_(out) {}

    bool Expect(std::uint64_t offset, std::uint8_t opcode, const char* name) {
        std::uint8_t found = 0;
        if (!ReadU8(image_, offset, found)) {
            Debug(out_, "Dbg: ERROR:%02X  Instruction outside the file.\n", opcode);
            return Fail(platform::kErrorInvalidFunction);
        }
        if (found != opcode) {
            Debug(out_, "Dbg: ERROR:%02X  Invalid instruction: %04X\n", opcode, found);
            return Fail(platform::kErrorInvalidFunction);
        }
        Debug(out_, "Dbg: Validated instruction: %s\n", name);
        return true;
    }

    // Tests the instructions up to SUPER_SCALE and finds V.
    bool ExpectThroughSuperScale(std::uint64_t s, std::uint64_t& v) {
        for (const Instruction& instruction : kLeadingInstructions)
            if (!Expect(s + instruction.offset, instruction.opcode, instruction.name)) return false;
        std::uint8_t at30 = 0;
        ReadU8(image_, s + kShortFormVPosition, at30);
        if (at30 == kBglCall) {
            Debug(out_, "Dbg: Validated instruction: BGL_CALL (2)\n");
            v = s + kLongFormVPosition;
        } else {
            v = s + kShortFormVPosition;
        }
        // The VPOSITION at S+34 of the long form is compared too, so that no line claims an
        // instruction valid that was not looked at.
        return Expect(v, kVPosition, "VPOSITION") && Expect(v + kSuperScaleFromV, kSuperScale, "SUPER_SCALE") &&
               ExpectScaleFields(v);
    }

    bool ExpectScaleFields(std::uint64_t v) {
        std::uint64_t at = v + kSuperScaleFromV;
        if (!ReadU16(image_, at + 2, first_) || !ReadU16(image_, at + 4, second_) || !ReadU16(image_, at + 6, third_) ||
            !ReadU16(image_, at + 8, scale_)) {
            Debug(out_, "Dbg: ERROR:%02X  Instruction outside the file.\n", kSuperScale);
            return Fail(platform::kErrorInvalidFunction);
        }
        return true;
    }

    void PrintSuperScale(std::uint16_t newScale) {
        Print(out_, "  SUPER_SCALE %X, %u, %u, %u  ;; Oldscale= %u, Newscale= %u\n", first_, second_, third_, scale_, scale_,
              newScale);
    }

    std::uint16_t Scale() const { return scale_; }

private:
    const ImageView& image_;
    Output& out_;
    std::uint16_t first_ = 0, second_ = 0, third_ = 0, scale_ = 0;
};

bool OpcodeAt(const ImageView& image, std::uint64_t offset, std::uint8_t opcode) {
    std::uint8_t found = 0;
    return ReadU8(image, offset, found) && found == opcode;
}

}  // namespace

bool CheckScaleSequence(const ImageView& image, const std::uint8_t* base, bool update, std::uint16_t* oldScale,
                        std::uint16_t newScale, Output& out) {
    std::uintptr_t address = reinterpret_cast<std::uintptr_t>(base);
    std::uintptr_t origin = reinterpret_cast<std::uintptr_t>(image.data);
    if (base == nullptr || address < origin || address - origin >= image.size)
        return Fail(platform::kErrorInvalidParameter);
    std::uint64_t baseOffset = address - origin;
    std::uint8_t distance = image.data[baseOffset];
    Debug(out, "Dbg: Base= %" PRIxPTR " Offset= %x\n", address, distance);

    SequenceCheck check(image, out);
    std::uint64_t s = baseOffset + distance;
    std::uint64_t v = 0;
    if (!check.ExpectThroughSuperScale(s, v)) return false;

    if (!update) {
        check.PrintSuperScale(newScale);
        if (!check.Expect(v + kVInstanceCallFromV, kVInstanceCall, "VINSTANCE_CALL") ||
            !check.Expect(v + kBglReturnFromV, kBglReturn, "BGL_RETURN"))
            return false;
        Print(out, "  BGL instruction sequence validated.\n");
        if (oldScale != nullptr) *oldScale = check.Scale();
        return true;
    }

    // The validating call at the same place has tested the instructions after SUPER_SCALE.
    if (!WriteU16(image, v + kScaleFromV, newScale)) return Fail(platform::kErrorAccessDenied);
    check.PrintSuperScale(newScale);
    Print(out, "  Instruction updated.\n");
    if (oldScale != nullptr) *oldScale = check.Scale();
    return true;
}

bool SequenceFailsBeforeScale(const ImageView& image, std::uint64_t s) {
    for (const Instruction& instruction : kLeadingInstructions)
        if (!OpcodeAt(image, s + instruction.offset, instruction.opcode)) return true;
    std::uint64_t v = OpcodeAt(image, s + kShortFormVPosition, kBglCall) ? s + kLongFormVPosition : s + kShortFormVPosition;
    return !OpcodeAt(image, v, kVPosition) || !OpcodeAt(image, v + kSuperScaleFromV, kSuperScale) ||
           !InImage(image, v + kSuperScaleFromV, 10);
}

std::uint64_t FindPossibleSequenceStart(const ImageView& image, std::uint64_t from, std::uint64_t end) {
    // A place can only validate if BGL is followed by VPOSITION: look for both bytes at
    // once, so that a section full of 0x76 bytes is passed over at the speed of memory.
    const std::uint8_t* data = image.data;
    std::uint64_t cp = from;
#if defined(__SSE2__)
    const __m128i bgl = _mm_set1_epi8(static_cast<char>(kBgl));
    const __m128i vposition = _mm_set1_epi8(static_cast<char>(kVPosition));
    auto pairs = [&](std::uint64_t at) {
        __m128i first = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + at));
        __m128i third = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + at + 2));
        return _mm_and_si128(_mm_cmpeq_epi8(first, bgl), _mm_cmpeq_epi8(third, vposition));
    };
    while (cp + 64 <= end && cp + 2 + 64 <= image.size) {
        __m128i any = _mm_or_si128(_mm_or_si128(pairs(cp), pairs(cp + 16)), _mm_or_si128(pairs(cp + 32), pairs(cp + 48)));
        if (_mm_movemask_epi8(any) != 0) break;
        cp += 64;
    }
    while (cp + 16 <= end && cp + 2 + 16 <= image.size) {
        int mask = _mm_movemask_epi8(pairs(cp));
        if (mask != 0) return cp + static_cast<unsigned>(__builtin_ctz(static_cast<unsigned>(mask)));
        cp += 16;
    }
#endif
    while (cp < end) {
        const void* hit = std::memchr(data + cp, kBgl, static_cast<std::size_t>(end - cp));
        if (hit == nullptr) return end;
        cp = static_cast<std::uint64_t>(static_cast<const std::uint8_t*>(hit) - data);
        if (OpcodeAt(image, cp + 2, kVPosition)) return cp;
        ++cp;
    }
    return end;
}

}  // namespace vorbix
