#pragma once

#include <cstdint>

#include "engine.h"

namespace vorbix {

// True when a sequence starting at S (an offset in image) fails one of its tests before
// the SUPER_SCALE line would be printed. Such a place writes no report line, so a search
// without debug output may pass over it without calling CheckScaleSequence.
bool SequenceFailsBeforeScale(const ImageView& image, std::uint64_t s);

// The first position in [from, end) where a sequence could begin (0x76 with 0x3A two
// bytes on), or end. Every place it passes over fails before the SUPER_SCALE line.
std::uint64_t FindPossibleSequenceStart(const ImageView& image, std::uint64_t from, std::uint64_t end);

}  // namespace vorbix
