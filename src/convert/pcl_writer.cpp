#include "convert/pcl_writer.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "pcl/commands.h"
#include "pcl/compressed.h"
#include "pcl/records.h"
#include "softfont/definitions.h"

namespace kestrune::convert {
namespace {

std::span<const std::uint8_t> bytes_of(const std::string& text) {
  return {reinterpret_cast<const std::uint8_t*>(text.data()), text.size()};
}

std::int16_t clamped_word(int value) {
  return static_cast<std::int16_t>(std::clamp(value, INT16_MIN, INT16_MAX));
}

// The descriptor of the glyph's character, of the class given.
CharacterDescriptor descriptor_of(const Glyph& glyph, std::uint8_t glyph_class) {
  CharacterDescriptor d;
  d.format = kCharacterFormat;
  d.descriptor_size = kCharacterDescriptorSize;
  d.glyph_class = glyph_class;
  d.left_offset = clamped_word(glyph.left);
  d.top_offset = clamped_word(glyph.top);
  d.width = static_cast<std::uint16_t>(std::clamp(glyph.width, 0, 0xFFFF));
  d.height = static_cast<std::uint16_t>(std::clamp(glyph.height, 0, 0xFFFF));
  d.delta_x = clamped_word(glyph.advance);
  return d;
}

// Bytes of the rows a character of this descriptor holds uncompressed.
std::size_t dots_of(const CharacterDescriptor& d) { return row_stride(d.width) * d.height; }

// Room a glyph's rows and its compressed data are made in, one glyph after
// another.
struct GlyphScratch {
  std::vector<std::uint8_t> rows;
  std::vector<std::uint8_t> packed;
};

// The glyph's compressed data, from its rows `rows`, into `packed`, when it
// goes out compressed: the one decision of its class, for the writing and
// the size alike.
bool pack_glyph(const Glyph& glyph, std::span<const std::uint8_t> rows, CharacterClasses classes,
                std::vector<std::uint8_t>& packed) {
  if (classes == CharacterClasses::kExpand ||
      (classes == CharacterClasses::kKeep && !glyph.compressed)) {
    return false;
  }
  const CharacterDescriptor d = descriptor_of(glyph, kCompressedClass);
  std::size_t most = kLargestDataBlock - CharacterDescriptor::kSize;
  if (classes == CharacterClasses::kCompress) {
    const std::size_t dots = dots_of(d);
    if (dots == 0) return false;
    most = std::min(most, dots - 1);  // strictly smaller than the rows
  }
  return pack_compressed_bitmap(rows, d.width, d.height, packed, most);
}

// Writes `count` clear bytes of the character.
bool write_clear_bytes(CharacterWriter& character, std::size_t count) {
  static constexpr std::uint8_t kClear[256] = {};
  for (; count > 0;) {
    const std::size_t take = std::min(count, sizeof kClear);
    if (!write_character_bytes(character, std::span(kClear).first(take))) return false;
    count -= take;
  }
  return true;
}

// The glyph as a character: its descriptor, then its compressed data or its
// rows. A face's rows are exactly what the size needs; the block holds that
// many bytes whatever the glyph holds, so that it never misleads a printer.
bool write_glyph(const Glyph& glyph, CharacterClasses classes, GlyphScratch& scratch,
                 OutputBuffer& out) {
  const std::span<const std::uint8_t> rows = glyph_rows(glyph, scratch.rows);
  const std::vector<std::uint8_t>& packed = scratch.packed;
  const bool compressed = pack_glyph(glyph, rows, classes, scratch.packed);
  const CharacterDescriptor d = descriptor_of(glyph, compressed ? kCompressedClass : kBitmapClass);
  std::array<std::uint8_t, CharacterDescriptor::kSize> descriptor{};
  encode_character_descriptor(d, descriptor);
  const std::size_t size = compressed ? packed.size() : dots_of(d);
  const std::span<const std::uint8_t> data =
      compressed ? std::span<const std::uint8_t>(packed) : rows.first(std::min(size, rows.size()));
  CharacterWriter character{out};
  return begin_character(glyph.code, CharacterDescriptor::kSize + size, character) &&
         write_character_bytes(character, descriptor) && write_character_bytes(character, data) &&
         write_clear_bytes(character, size - data.size());
}

}  // namespace

bool write_pcl_header(const Face& face, OutputBuffer& out) {
  FontFields fields = face.fields;
  fields.descriptor_size = fields.descriptor_size >= FontDescriptor::kResolutionSize
                               ? FontDescriptor::kResolutionSize
                               : FontDescriptor::kPlainSize;
  const auto descriptor_size = static_cast<std::size_t>(fields.descriptor_size);
  const std::size_t copyright =
      std::min(face.copyright.size(), kLargestDataBlock - descriptor_size);
  const auto descriptor = encode_font_fields(fields);
  return emit_command(")s", static_cast<int>(descriptor_size + copyright), 'W', out) &&
         out.write(std::span(descriptor).first(descriptor_size)) &&
         out.write(bytes_of(face.copyright).first(copyright));
}

std::size_t pcl_font_size(const Face& face, CharacterClasses classes) {
  // The two commands before a block take at most 9 bytes each; a block of
  // more than 32767 bytes takes another 9 for every further command.
  constexpr std::size_t kCommands = 18;
  std::size_t size = kCommands + FontDescriptor::kResolutionSize + face.copyright.size();
  GlyphScratch scratch;
  for (const Glyph& glyph : face.glyphs.all()) {
    std::size_t block =
        CharacterDescriptor::kSize +
        glyph_stride(glyph.width) * static_cast<std::size_t>(std::max(glyph.height, 0));
    // Data kept compressed may be larger than the rows; --compress makes it
    // only where it is smaller.
    if (classes == CharacterClasses::kKeep &&
        pack_glyph(glyph, glyph_rows(glyph, scratch.rows), classes, scratch.packed)) {
      block = std::max(block, CharacterDescriptor::kSize + scratch.packed.size());
    }
    size += kCommands + block + block / kLargestDataBlock * 9;
  }
  return size;
}

bool write_pcl_font(const Face& face, CharacterClasses classes, OutputBuffer& out) {
  if (!write_pcl_header(face, out)) return false;
  GlyphScratch scratch;
  return face.glyphs.visit_in_code_order(
      [&](const Glyph& glyph) { return write_glyph(glyph, classes, scratch, out); });
}

}  // namespace kestrune::convert
