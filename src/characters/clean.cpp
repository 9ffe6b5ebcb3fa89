#include "characters/clean.h"

#include "softfont/classifier.h"
#include "softfont/definitions.h"

namespace kestrune {

void clear_fill_bits(std::span<std::uint8_t> block) {
  if (block.size() < CharacterDescriptor::kSize) return;
  const CharacterDescriptor descriptor =
      decode_character_descriptor(block.first<CharacterDescriptor::kSize>());
  const RowFill fill =
      row_fill(descriptor.width, descriptor.height, block.size() - CharacterDescriptor::kSize);
  if (fill.mask == 0xFF) return;  // rows of whole bytes have no fill bits
  std::uint8_t* last = block.data() + CharacterDescriptor::kSize + (fill.stride - 1);
  for (std::size_t r = 0; r < fill.rows; ++r, last += fill.stride) *last &= fill.mask;
}

void clean_row_fill(int code, std::span<std::uint8_t> block, TransformContext& context) {
  // Run lengths have no fill bits: a compressed character goes out as it came.
  if (character_kind(block) != CharacterKind::kCompressed) clear_fill_bits(block);
  if (write_character(code, block, context.out)) {
    print_character_progress(context.messages, code, "cleaned.");
  }
}

}  // namespace kestrune
