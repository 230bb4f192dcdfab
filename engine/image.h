// Bounds-checked access to a mapped model image. Offsets are 64-bit so that offset plus
// width cannot wrap, whatever the headers say; values are copied out byte by byte
// (little-endian), never read through a cast pointer into the mapping.
#pragma once

#include <cstdint>

#include "engine.h"

namespace vorbix {

inline bool InImage(const ImageView& image, std::uint64_t offset, std::uint64_t width) {
    return offset <= image.size && width <= image.size - offset;
}

inline bool ReadU8(const ImageView& image, std::uint64_t offset, std::uint8_t& value) {
    if (!InImage(image, offset, 1)) return false;
    value = image.data[offset];
    return true;
}

inline bool ReadU16(const ImageView& image, std::uint64_t offset, std::uint16_t& value) {
    if (!InImage(image, offset, 2)) return false;
    const std::uint8_t* p = image.data + offset;
    value = static_cast<std::uint16_t>(p[0] | (p[1] << 8));
    return true;
}

inline bool ReadU32(const ImageView& image, std::uint64_t offset, std::uint32_t& value) {
    if (!InImage(image, offset, 4)) return false;
    const std::uint8_t* p = image.data + offset;
    value = static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
            (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
    return true;
}

inline bool WriteU16(const ImageView& image, std::uint64_t offset, std::uint16_t value) {
    if (!image.writable || !InImage(image, offset, 2)) return false;
    image.data[offset] = static_cast<std::uint8_t>(value & 0xFF);
    image.data[offset + 1] = static_cast<std::uint8_t>(value >> 8);
    return true;
}

// The address that "Dbg: " lines print for a position in the view.
inline std::uintptr_t AddressOf(const ImageView& image, std::uint64_t offset) {
    return reinterpret_cast<std::uintptr_t>(image.data) + static_cast<std::uintptr_t>(offset);
}

enum class SectionKind { Rsrc, Data };

// The header, section-table and search (or fixed-place) steps of a scan, on an image
// already mapped. The file-level scans map the file and call this.
bool ScanModelImage(const ImageView& image, SectionKind kind, bool update, std::uint16_t* oldScale,
                    std::uint16_t newScale, Output& out);

}  // namespace vorbix
