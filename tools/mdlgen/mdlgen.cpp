#include "mdlgen.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>

namespace mdlgen {
namespace {

constexpr std::size_t kFileAlignment = 0x200;
constexpr std::size_t kNtHeadersSize = 248;
constexpr std::size_t kSectionHeaderSize = 40;
// Where the code sits in the model's sections: past a resource directory's worth of bytes.
constexpr std::size_t kRsrcCodeAt = 0x48;
constexpr std::size_t kDataOffsetByte = 16;

void Put16(Bytes& bytes, std::size_t at, std::uint16_t value) {
    bytes[at] = static_cast<std::uint8_t>(value);
    bytes[at + 1] = static_cast<std::uint8_t>(value >> 8);
}

void Put32(Bytes& bytes, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::size_t AlignUp(std::size_t value) { return (value + kFileAlignment - 1) / kFileAlignment * kFileAlignment; }

std::size_t VPositionOffset(const Sequence& sequence) { return sequence.twoCalls ? 34 : 30; }

}  // namespace

std::size_t InstructionOffset(const Sequence& sequence, Instruction instruction) {
    std::size_t v = VPositionOffset(sequence);
    switch (instruction) {
        case Instruction::Bgl: return 0;
        case Instruction::VPosition: return 2;
        case Instruction::VFileMarker: return 14;
        case Instruction::IfMsk: return 18;
        case Instruction::BglCall: return 26;
        case Instruction::SecondPlace: return 30;
        case Instruction::LongVPosition: return 34;
        case Instruction::SuperScale: return v + 12;
        case Instruction::VInstanceCall: return v + 22;
        case Instruction::BglReturn: return v + 28;
        case Instruction::None: break;
    }
    return 0;
}

std::size_t ScaleOffset(const Sequence& sequence) { return VPositionOffset(sequence) + 20; }

Bytes EncodeSequence(const Sequence& sequence) {
    std::size_t v = VPositionOffset(sequence);
    Bytes code(v + 30, 0);
    auto opcode = [&](std::size_t at, std::uint8_t value) {
        code[at] = value;
        code[at + 1] = sequence.secondOpcodeByte;
    };
    opcode(0, 0x76);
    opcode(2, 0x3A);
    opcode(14, 0x8E);
    opcode(18, 0x39);
    opcode(26, 0x23);
    if (sequence.twoCalls) opcode(30, 0x23);
    opcode(v, 0x3A);
    opcode(v + 12, 0x34);
    Put16(code, v + 14, sequence.operand1);
    Put16(code, v + 16, sequence.operand2);
    Put16(code, v + 18, sequence.operand3);
    Put16(code, v + 20, sequence.scale);
    opcode(v + 22, 0x3B);
    opcode(v + 28, 0x22);
    // Operands of the other instructions: plain values that hold no 0x76.
    code[4] = 0x10;
    code[16] = 0x01;
    code[20] = 0x02;
    code[28] = 0x30;
    if (sequence.twoCalls) code[32] = 0x40;
    code[v + 24] = 0x05;
    if (sequence.broken != Instruction::None) code[InstructionOffset(sequence, sequence.broken)] = sequence.brokenOpcode;
    return code;
}

void PlaceSequence(Bytes& data, std::size_t offsetByte, std::uint8_t distance, const Sequence& sequence) {
    Bytes code = EncodeSequence(sequence);
    std::size_t s = offsetByte + distance;
    if (data.size() < s + code.size()) data.resize(s + code.size(), 0);
    data[offsetByte] = distance;
    std::copy(code.begin(), code.end(), data.begin() + static_cast<std::ptrdiff_t>(s));
}

Bytes BuildImage(const Image& image, std::vector<std::size_t>* fileOffsets) {
    const std::size_t headersEnd = image.lfanew + kNtHeadersSize + kSectionHeaderSize * image.sections.size();
    std::vector<std::size_t> offsets;
    std::size_t at = AlignUp(headersEnd);
    for (const Section& section : image.sections) {
        offsets.push_back(at);
        at = AlignUp(at + section.data.size());
    }
    Bytes bytes(std::max(at, headersEnd), 0);
    if (image.dosSignature) {
        bytes[0] = 'M';
        bytes[1] = 'Z';
    }
    Put32(bytes, 0x3C, image.lfanewOverride.value_or(image.lfanew));
    const std::size_t nt = image.lfanew;
    if (image.ntSignature) Put32(bytes, nt, 0x00004550);
    Put16(bytes, nt + 4, 0x014C);  // i386
    Put16(bytes, nt + 6, image.numberOfSections.value_or(static_cast<std::uint16_t>(image.sections.size())));
    Put16(bytes, nt + 20, 224);     // SizeOfOptionalHeader
    Put16(bytes, nt + 22, 0x2102);  // executable, 32-bit, DLL
    Put16(bytes, nt + 24, 0x010B);  // PE32 optional header
    Put32(bytes, nt + 24 + 32, 0x1000);  // SectionAlignment
    Put32(bytes, nt + 24 + 36, static_cast<std::uint32_t>(kFileAlignment));
    std::uint32_t virtualAddress = 0x1000;
    for (std::size_t i = 0; i < image.sections.size(); ++i) {
        const Section& section = image.sections[i];
        std::size_t header = nt + kNtHeadersSize + i * kSectionHeaderSize;
        std::copy_n(section.name.begin(), std::min<std::size_t>(section.name.size(), 8), bytes.begin() + header);
        Put32(bytes, header + 8, static_cast<std::uint32_t>(section.data.size()));
        Put32(bytes, header + 12, virtualAddress);
        Put32(bytes, header + 16, section.sizeOfRawData.value_or(static_cast<std::uint32_t>(section.data.size())));
        Put32(bytes, header + 20, section.pointerToRawData.value_or(static_cast<std::uint32_t>(offsets[i])));
        Put32(bytes, header + 36, 0x40000040);  // initialised data, readable
        virtualAddress += static_cast<std::uint32_t>(AlignUp(section.data.size() + 1) + 0x1000) & ~0xFFFu;
        std::copy(section.data.begin(), section.data.end(), bytes.begin() + static_cast<std::ptrdiff_t>(offsets[i]));
    }
    if (image.truncateTo && *image.truncateTo < bytes.size()) bytes.resize(*image.truncateTo);
    if (fileOffsets != nullptr) *fileOffsets = offsets;
    return bytes;
}

namespace {

Section Named(std::string name, Bytes data, bool upper) {
    if (upper) std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::toupper(c); });
    return Section{name, std::move(data), std::nullopt, std::nullopt};
}

Bytes Filler(std::size_t size, std::uint8_t seed) {
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>((i * 7 + seed) % 0x70);
    return bytes;
}

// The resource section's data: a directory's worth of zeros, decoy 0x76 bytes (each
// with nothing before it that could be its offset byte), then the code.
Bytes RsrcData(const Model& model, bool withCode) {
    Bytes data(kRsrcCodeAt + 2 * model.decoys, 0);
    for (std::size_t i = 0; i < model.decoys; ++i) data[kRsrcCodeAt + 2 * i] = 0x76;
    if (withCode) PlaceSequence(data, data.size(), model.distance, model.sequence);
    data.resize(data.size() + 0x40, 0);
    return data;
}

Bytes DataData(const Model& model, bool withCode) {
    Bytes data(0x100, 0);
    if (withCode) PlaceSequence(data, kDataOffsetByte, model.distance, model.sequence);
    return data;
}

}  // namespace

Image ModelImage(const Model& model) {
    bool inRsrc = model.place == Place::Rsrc || model.place == Place::Both;
    bool inData = model.place == Place::Data || model.place == Place::Both;
    Image image;
    image.sections.push_back(Named(".text", Filler(0x400, 1), model.upperCaseNames));
    image.sections.push_back(Named(".rdata", Filler(0x200, 2), model.upperCaseNames));
    image.sections.push_back(Named(".data", DataData(model, inData), model.upperCaseNames));
    image.sections.push_back(Named(".idata", Filler(0x100, 3), model.upperCaseNames));
    image.sections.push_back(Named(".rsrc", RsrcData(model, inRsrc), model.upperCaseNames));
    image.sections.push_back(Named(".reloc", Filler(0x80, 4), model.upperCaseNames));
    return image;
}

std::size_t ScaleFileOffset(const Model& model) {
    std::vector<std::size_t> offsets;
    BuildImage(ModelImage(model), &offsets);
    std::size_t codeFromOffsetByte = model.distance + ScaleOffset(model.sequence);
    if (model.place == Place::Data) return offsets[2] + kDataOffsetByte + codeFromOffsetByte;
    return offsets[4] + kRsrcCodeAt + 2 * model.decoys + codeFromOffsetByte;
}

bool WriteFile(const std::string& path, const Bytes& bytes) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(file);
}

Bytes ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

}  // namespace mdlgen
