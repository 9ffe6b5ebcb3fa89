// Micro-benchmarks of the two per-character transforms on one glyph each,
// in dots per second: the rotation (written to /dev/null, so the output
// stream's cost is included) and the row fill clean (in memory).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <vector>

#include "bytes/output.h"
#include "characters/clean.h"
#include "characters/landscape.h"
#include "characters/rotation.h"

namespace {

// A bitmap of `width` x `height` dots, every byte different enough that no
// shortcut on blank or solid bytes could flatter the numbers.
std::vector<std::uint8_t> pattern(std::size_t size) {
  std::vector<std::uint8_t> bytes(size);
  std::uint32_t state = 12345;
  for (std::uint8_t& b : bytes) {
    state = state * 1103515245U + 12345U;
    b = static_cast<std::uint8_t>(state >> 16);
  }
  return bytes;
}

std::uint16_t dimension(std::int64_t value) { return static_cast<std::uint16_t>(value); }

void rotation(benchmark::State& state) {
  const std::uint16_t width = dimension(state.range(0));
  const std::uint16_t height = dimension(state.range(1));
  const std::vector<std::uint8_t> bitmap = pattern(kestrune::row_stride(width) * height);
  std::FILE* out = std::fopen("/dev/null", "wb");
  if (out == nullptr) {
    state.SkipWithError("cannot open /dev/null");
    return;
  }
  kestrune::OutputBuffer buffered(out);
  // The rotated bytes alone, with no data command ever full.
  kestrune::CharacterWriter bytes_only{buffered, SIZE_MAX, SIZE_MAX};
  for (auto _ : state) {
    benchmark::DoNotOptimize(kestrune::write_rotated_bitmap(bitmap, width, height, bytes_only));
  }
  buffered.flush();
  std::fclose(out);
  state.SetItemsProcessed(state.iterations() * width * height);
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bitmap.size()));
}

void cleaning(benchmark::State& state) {
  const std::uint16_t width = dimension(state.range(0));
  const std::uint16_t height = dimension(state.range(1));
  std::vector<std::uint8_t> block = pattern(16 + kestrune::row_stride(width) * height);
  block[10] = static_cast<std::uint8_t>(width >> 8);
  block[11] = static_cast<std::uint8_t>(width & 0xFF);
  block[12] = static_cast<std::uint8_t>(height >> 8);
  block[13] = static_cast<std::uint8_t>(height & 0xFF);
  for (auto _ : state) {
    kestrune::clear_fill_bits(block);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * width * height);
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(block.size()));
}

// Small text glyphs at 300 dpi, a 600 dpi display glyph, and long thin ones.
void glyph_sizes(benchmark::internal::Benchmark* b) {
  b->Args({24, 24})->Args({50, 50})->Args({301, 397})->Args({1800, 1900});
  b->Args({9, 4000})->Args({4000, 9});
}

BENCHMARK(rotation)->Apply(glyph_sizes);
BENCHMARK(cleaning)->Apply(glyph_sizes);

}  // namespace

BENCHMARK_MAIN();
