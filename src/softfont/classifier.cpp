#include "softfont/classifier.h"

namespace kestrune {
namespace {

std::uint32_t descriptor_problems(const CharacterDescriptor& d, std::uint8_t font_orientation) {
  std::uint32_t problems = 0;
  if (d.format != kCharacterFormat) problems |= kForeignFormat;
  if (d.continuation != 0) problems |= kContinuationMark;
  if (d.descriptor_size != kCharacterDescriptorSize) problems |= kForeignDescriptorSize;
  if (d.glyph_class != kBitmapClass && d.glyph_class != kCompressedClass) {
    problems |= kForeignClass;
  }
  if (d.orientation != font_orientation) problems |= kForeignOrientation;
  return problems;
}

bool fill_bits_set(std::span<const std::uint8_t> bitmap, const CharacterDescriptor& d) {
  const RowFill fill = row_fill(d.width, d.height, bitmap.size());
  if (fill.mask == 0xFF) return false;
  for (std::size_t r = 0; r < fill.rows; ++r) {
    if ((bitmap[r * fill.stride + fill.stride - 1] & ~fill.mask) != 0) return true;
  }
  return false;
}

}  // namespace

Character classify_character(std::span<const std::uint8_t> block, std::uint8_t font_orientation,
                             unsigned look, std::vector<std::uint8_t>& unpacked) {
  Character c;
  c.descriptor = decode_character_descriptor(block.first<CharacterDescriptor::kSize>());
  c.kind = character_kind(block);
  c.problems = descriptor_problems(c.descriptor, font_orientation);
  c.dots_needed = std::size_t{c.descriptor.height} * row_stride(c.descriptor.width);
  const std::span<const std::uint8_t> data = block.subspan(CharacterDescriptor::kSize);
  if (c.kind != CharacterKind::kOther &&
      bitmap_too_large(c.descriptor.width, c.descriptor.height)) {
    c.problems |= kTooLarge;
  }
  if (c.kind != CharacterKind::kCompressed) {
    c.dots = data.first(std::min(data.size(), c.dots_needed));
    if (c.dots.size() < c.dots_needed) c.problems |= kShortBitmap;
    if ((look & kFindFillBits) != 0 && fill_bits_set(c.dots, c.descriptor)) {
      c.problems |= kFillBitsSet;
    }
    return c;
  }
  const std::uint16_t w = c.descriptor.width;
  const std::uint16_t h = c.descriptor.height;
  Unpacked result = Unpacked::kDone;
  if ((look & kTurnRuns) != 0) {
    result = turn_compressed_bitmap(data, w, h, unpacked);
  } else if ((look & kUnpackRuns) != 0) {
    result = unpack_compressed_bitmap(data, w, h, unpacked);
  } else if ((look & kCheckRuns) != 0) {
    result = check_compressed_runs(data, w, h);
  } else {
    return c;
  }
  switch (result) {
    case Unpacked::kDone:
      if ((look & (kTurnRuns | kUnpackRuns)) != 0) c.dots = unpacked;
      break;
    case Unpacked::kRunPastWidth:
      c.problems |= kRunPastWidth;
      break;
    case Unpacked::kTooLarge:
      c.problems |= kUnpackedTooLarge;
      break;
  }
  return c;
}

Character classify_definition(const CharacterDefinition& definition, std::uint8_t font_orientation,
                              unsigned look, std::vector<std::uint8_t>& unpacked) {
  Character c = classify_character(definition.block, font_orientation, look, unpacked);
  if (definition.continued && c.kind == CharacterKind::kCompressed) {
    c.problems |= kCompressedContinued;
  }
  if (has_oversized_command(definition)) c.problems |= kOversizedCommand;
  return c;
}

}  // namespace kestrune
