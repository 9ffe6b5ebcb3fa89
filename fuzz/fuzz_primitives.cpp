// The read primitives and the per-character transforms on arbitrary bytes.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "characters/clean.h"
#include "characters/landscape.h"
#include "softfont/format.h"

namespace {

std::FILE* sink = nullptr;

// Walks the input with the primitives, as the scanner would, steered by the
// bytes themselves.
void read_with_primitives(std::FILE* in) {
  static const std::uint8_t kExpected[] = {27, '(', 's'};
  std::vector<std::uint8_t> block;
  while (!kestrune::input_exhausted(in)) {
    const kestrune::DecimalField field = kestrune::read_decimal_field(in);
    if (field.overflow && field.value != INT32_MAX) std::abort();
    if (!field.overflow && field.value < 0) std::abort();
    int value = 0;
    switch (field.terminator & 3) {
      case 0:
        kestrune::read_be16(in, value);
        if (value < 0 || value > 65535) std::abort();
        break;
      case 1:
        kestrune::match_bytes(in, kExpected);
        break;
      default: {
        const std::size_t got =
            kestrune::read_block(in, static_cast<std::size_t>(field.value), block);
        if (got > static_cast<std::size_t>(field.value) || got != block.size()) std::abort();
      }
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  sink = std::fopen("/dev/null", "wb");
  if (sink == nullptr || std::freopen("/dev/null", "w", stdout) == nullptr) std::abort();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::uint8_t> bytes(data, data + size);
  if (size > 0) {
    std::FILE* in = fmemopen(bytes.data(), bytes.size(), "rb");
    if (in == nullptr) std::abort();
    read_with_primitives(in);
    std::fclose(in);
  }
  // The same bytes as one character's data block.
  if (size >= 16) {
    kestrune::OutputBuffer out(sink);
    std::vector<std::uint8_t> block = bytes;
    kestrune::clean_row_fill(1, block.size(), block.data(), out);
    block = bytes;
    kestrune::rotate_character_to_landscape(1, block.size(), block.data(), out);
    kestrune::flush_output(out);
  }
  return 0;
}
