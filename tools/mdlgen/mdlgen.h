// Synthetic model files for tests, benchmarks and the demo: a 32-bit PE image with a
// section table and sections, and BGL code holding the SUPER_SCALE sequence in either
// form, with any field, instruction or header made wrong on purpose.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace mdlgen {

using Bytes = std::vector<std::uint8_t>;

// The instructions of the sequence, in order; a place to break.
enum class Instruction {
    None,
    Bgl,
    VPosition,      // at S+2
    VFileMarker,
    IfMsk,
    BglCall,
    SecondPlace,    // S+30: the VPOSITION before SUPER_SCALE, or the second BGL_CALL
    LongVPosition,  // S+34 of the long form
    SuperScale,
    VInstanceCall,
    BglReturn,
};

struct Sequence {
    bool twoCalls = false;  // the long form, with a second BGL_CALL
    std::uint16_t operand1 = 0xFF5C;
    std::uint16_t operand2 = 0;
    std::uint16_t operand3 = 0;
    std::uint16_t scale = 7;
    Instruction broken = Instruction::None;  // this opcode byte is replaced by brokenOpcode
    std::uint8_t brokenOpcode = 0x00;
    std::uint8_t secondOpcodeByte = 0x00;  // the high byte of every opcode word
};

// The BGL code from S: BGL through BGL_RETURN.
Bytes EncodeSequence(const Sequence& sequence);
// Offset of the scale word from S.
std::size_t ScaleOffset(const Sequence& sequence);
// Offset from S of an instruction's opcode byte.
std::size_t InstructionOffset(const Sequence& sequence, Instruction instruction);

// Writes an offset byte at offsetByte and the code `distance` bytes after it.
void PlaceSequence(Bytes& data, std::size_t offsetByte, std::uint8_t distance, const Sequence& sequence);

struct Section {
    std::string name;
    Bytes data;
    std::optional<std::uint32_t> sizeOfRawData;     // default: data.size()
    std::optional<std::uint32_t> pointerToRawData;  // default: where the data is put
};

struct Image {
    std::vector<Section> sections;
    bool dosSignature = true;
    bool ntSignature = true;
    std::uint32_t lfanew = 0x80;
    std::optional<std::uint32_t> lfanewOverride;  // written at 0x3C instead of lfanew
    std::optional<std::uint16_t> numberOfSections;
    std::optional<std::size_t> truncateTo;  // cut the file to this many bytes
};

// The file; fileOffsets receives each section's data offset.
Bytes BuildImage(const Image& image, std::vector<std::size_t>* fileOffsets = nullptr);

enum class Place { Rsrc, Data, Both, Neither };

// A model like the simulator's: .text .rdata .data .idata .rsrc .reloc, with the BGL code
// as a resource whose 12-byte header begins with the offset byte.
struct Model {
    Place place = Place::Rsrc;
    Sequence sequence;
    std::uint8_t distance = 12;
    std::size_t decoys = 0;  // lone 0x76 bytes before the code in .rsrc
    bool upperCaseNames = false;
};
Image ModelImage(const Model& model);

// Where the scale word lies in a built model file (the .rsrc one when both hold code).
std::size_t ScaleFileOffset(const Model& model);

bool WriteFile(const std::string& path, const Bytes& bytes);
Bytes ReadFile(const std::string& path);

}  // namespace mdlgen
