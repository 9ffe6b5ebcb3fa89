#include "convert/pcl_writer.h"

#include <algorithm>
#include <cstdint>
#include <span>
#include <vector>

#include "pcl/commands.h"
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

// A plain bitmap character: a 16-byte descriptor, then the rows.
void build_character(const Glyph& glyph, std::vector<std::uint8_t>& block) {
  CharacterDescriptor d;
  d.format = kCharacterFormat;
  d.descriptor_size = kCharacterDescriptorSize;
  d.glyph_class = kBitmapClass;
  d.left_offset = clamped_word(glyph.left);
  d.top_offset = clamped_word(glyph.top);
  d.width = static_cast<std::uint16_t>(std::clamp(glyph.width, 0, 0xFFFF));
  d.height = static_cast<std::uint16_t>(std::clamp(glyph.height, 0, 0xFFFF));
  d.delta_x = clamped_word(glyph.advance);
  // A face's rows are exactly what the size needs; the block holds that
  // many bytes whatever the glyph holds, so that it never misleads a printer.
  const std::size_t dots = row_stride(d.width) * d.height;
  block.assign(CharacterDescriptor::kSize + dots, 0);
  encode_character_descriptor(d, std::span(block).first<CharacterDescriptor::kSize>());
  std::copy_n(glyph.rows.begin(), std::min(dots, glyph.rows.size()),
              block.begin() + CharacterDescriptor::kSize);
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

std::size_t pcl_font_size(const Face& face) {
  // The two commands before a block take at most 9 bytes each; a block of
  // more than 32767 bytes takes another 9 for every further command.
  constexpr std::size_t kCommands = 18;
  std::size_t size = kCommands + FontDescriptor::kResolutionSize + face.copyright.size();
  for (const Glyph& glyph : face.glyphs.all()) {
    const std::size_t block =
        CharacterDescriptor::kSize +
        glyph_stride(glyph.width) * static_cast<std::size_t>(std::max(glyph.height, 0));
    size += kCommands + block + block / kLargestDataBlock * 9;
  }
  return size;
}

bool write_pcl_font(const Face& face, OutputBuffer& out) {
  if (!write_pcl_header(face, out)) return false;
  std::vector<std::uint8_t> block;
  return face.glyphs.visit_in_code_order([&](const Glyph& glyph) {
    build_character(glyph, block);
    return write_character(glyph.code, block, out);
  });
}

}  // namespace kestrune::convert
