// What the fuzz targets assert with, and the property every update shares: it writes the
// two bytes of the scale and nothing else. A broken property aborts, which libFuzzer
// reports as a finding with the input that caused it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#define FUZZ_ASSERT(condition) ((condition) ? (void)0 : fuzz::Broken(#condition, __FILE__, __LINE__))

namespace fuzz {

[[noreturn]] inline void Broken(const char* what, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: property broken: %s\n", file, line, what);
    std::abort();
}

// True when after differs from before in nothing but one little-endian word that now
// holds scale (or not at all). changed tells whether any byte differs.
inline bool OnlyScaleWritten(const std::uint8_t* before, const std::uint8_t* after, std::size_t size,
                             std::uint16_t scale, bool* changed = nullptr) {
    const bool same = size == 0 || std::memcmp(before, after, size) == 0;
    if (changed != nullptr) *changed = !same;
    if (same) return true;
    std::size_t first = 0, last = size - 1;
    while (before[first] == after[first]) ++first;
    while (before[last] == after[last]) --last;
    for (std::size_t at = first == 0 ? 0 : first - 1; at <= first; ++at)
        if (at + 1 >= last && at + 2 <= size && after[at] == (scale & 0xFF) && after[at + 1] == (scale >> 8)) return true;
    return false;
}

// A view and an update of the same bytes: the update writes nothing but the scale, writes
// only when it succeeds, and succeeds wherever the view did, reporting the scale the view
// saw and changing the bytes exactly when that scale was not the new one.
inline void CheckUpdate(const std::uint8_t* before, const std::uint8_t* after, std::size_t size,
                        std::uint16_t newScale, bool viewOk, std::uint16_t viewScale, bool updateOk,
                        std::uint16_t oldScale) {
    bool changed = false;
    FUZZ_ASSERT(OnlyScaleWritten(before, after, size, newScale, &changed));
    FUZZ_ASSERT(!changed || updateOk);
    FUZZ_ASSERT(!viewOk || (updateOk && oldScale == viewScale && changed == (viewScale != newScale)));
}

}  // namespace fuzz
