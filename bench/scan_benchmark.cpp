// Speed of the .rsrc search on a 64 MiB section, each next to a plain memchr over the
// same buffer: the code at the end of the section, and 0x76 at every byte.
#include <benchmark/benchmark.h>

#include <cstring>

#include "image.h"
#include "mdlgen.h"

namespace {

constexpr std::size_t kSectionSize = 64u << 20;

mdlgen::Bytes Build(bool dense) {
    mdlgen::Bytes rsrc(kSectionSize);
    if (dense) {
        std::memset(rsrc.data(), 0x76, rsrc.size());
    } else {
        for (std::size_t i = 0; i < rsrc.size(); ++i) rsrc[i] = static_cast<std::uint8_t>((i * 7) % 0x70);
        mdlgen::PlaceSequence(rsrc, kSectionSize - 0x100, 12, mdlgen::Sequence{});
    }
    mdlgen::Image image;
    image.sections = {mdlgen::Section{".rsrc", rsrc, {}, {}}};
    return mdlgen::BuildImage(image);
}

const mdlgen::Bytes& Image(bool dense) {
    static const mdlgen::Bytes sparse = Build(false);
    static const mdlgen::Bytes all = Build(true);
    return dense ? all : sparse;
}

void Scan(benchmark::State& state, bool dense) {
    mdlgen::Bytes image = Image(dense);
    vorbix::ImageView view{image.data(), image.size(), false};
    for (auto _ : state) {
        std::uint16_t scale = 0;
        bool found = vorbix::ScanModelImage(view, vorbix::SectionKind::Rsrc, false, &scale, 9, vorbix::NullOutput());
        benchmark::DoNotOptimize(found);
        if (found == dense) state.SkipWithError("unexpected result");
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kSectionSize));
}

void Memchr(benchmark::State& state, bool dense) {
    const mdlgen::Bytes& image = Image(dense);
    for (auto _ : state) {
        const void* hit = std::memchr(image.data(), 0xFF, image.size());
        benchmark::DoNotOptimize(hit);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kSectionSize));
}

BENCHMARK_CAPTURE(Scan, code_at_end, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Memchr, code_at_end, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Scan, opcode_at_every_byte, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(Memchr, opcode_at_every_byte, true)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
