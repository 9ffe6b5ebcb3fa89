#include "characters/clean.h"

#include <algorithm>

namespace kestrune {

void clear_fill_bits(std::span<std::uint8_t> block) {
  if (block.size() < CharacterDescriptor::kSize) return;
  const CharacterDescriptor descriptor =
      decode_character_descriptor(block.first<CharacterDescriptor::kSize>());
  const std::size_t stride = row_stride(descriptor.width);
  if (stride == 0) return;  // no row has a byte to mask
  const std::size_t fill = 8 * stride - descriptor.width;
  if (fill == 0) return;  // rows of whole bytes have no fill bits
  const auto mask = static_cast<std::uint8_t>((0xFFU << fill) & 0xFFU);
  // Only rows whose last byte the block holds are cleaned; usually that is
  // every row, which spares the division.
  const std::size_t bitmap_bytes = block.size() - CharacterDescriptor::kSize;
  const std::size_t rows = std::size_t{descriptor.height} * stride <= bitmap_bytes
                               ? descriptor.height
                               : bitmap_bytes / stride;
  std::uint8_t* last = block.data() + CharacterDescriptor::kSize + (stride - 1);
  std::size_t r = 0;
  // Four rows a step: for narrow glyphs the loop's own work is most of it.
  for (; r + 4 <= rows; r += 4, last += 4 * stride) {
    last[0] &= mask;
    last[stride] &= mask;
    last[2 * stride] &= mask;
    last[3 * stride] &= mask;
  }
  for (; r < rows; ++r, last += stride) *last &= mask;
}

void clean_row_fill(int code, std::size_t n, std::uint8_t* block, OutputBuffer& out,
                    MessageSink& messages) {
  const std::span<std::uint8_t> bytes(block, n);
  // Run lengths have no fill bits: a compressed character goes out as it came.
  if (!is_compressed_character(bytes)) clear_fill_bits(bytes);
  write_character(code, bytes, out);
  print_character_progress(messages, code, "cleaned.");
}

}  // namespace kestrune
