#include "font_builder.h"

#include <algorithm>
#include <cstddef>
#include <fstream>
#include <stdexcept>

namespace kestrune::fontbuilder {
namespace {

constexpr std::size_t kPlainDescriptorSize = 64;
constexpr std::size_t kResolutionDescriptorSize = 68;
constexpr std::size_t kCharacterDescriptorSize = 16;
constexpr std::size_t kNameOffset = 48;
constexpr std::size_t kNameLength = 16;

std::uint8_t low_byte(unsigned value) { return static_cast<std::uint8_t>(value & 0xFFu); }

void put_u16(Bytes& bytes, std::size_t offset, unsigned value) {
  bytes[offset] = low_byte(value >> 8);
  bytes[offset + 1] = low_byte(value);
}

void put_s16(Bytes& bytes, std::size_t offset, int value) {
  put_u16(bytes, offset, static_cast<unsigned>(value));
}

std::size_t stride_of(int width) {
  return width <= 0 ? 0 : (static_cast<std::size_t>(width) + 7) / 8;
}

// ESC, the two command letters, the value and the terminator letter.
Bytes value_command(std::string_view letters, const std::string& value, char terminator) {
  std::string body(letters);
  body += value;
  body += terminator;
  return command(body);
}

}  // namespace

GlyphSpec drawn_glyph(int code, std::vector<std::string> rows) {
  GlyphSpec g;
  g.code = code;
  g.rows = std::move(rows);
  g.left_offset = 1;
  g.top_offset = static_cast<std::int16_t>(g.rows.size());
  g.delta_x = static_cast<std::int16_t>((glyph_width(g) + 2) * 4);
  return g;
}

std::uint16_t glyph_width(const GlyphSpec& glyph) {
  if (glyph.width != 0 || glyph.rows.empty()) return glyph.width;
  std::size_t longest = 0;
  for (const std::string& row : glyph.rows) longest = std::max(longest, row.size());
  return static_cast<std::uint16_t>(longest);
}

std::uint16_t glyph_height(const GlyphSpec& glyph) {
  if (glyph.height != 0 || glyph.rows.empty()) return glyph.height;
  return static_cast<std::uint16_t>(glyph.rows.size());
}

Bytes font_descriptor(const FontSpec& font_spec) {
  const bool resolution_form =
      font_spec.descriptor_size == static_cast<int>(kResolutionDescriptorSize);
  Bytes d(resolution_form ? kResolutionDescriptorSize : kPlainDescriptorSize, 0);

  put_u16(d, 0, static_cast<unsigned>(font_spec.descriptor_size));
  d[2] = font_spec.header_format;
  d[3] = font_spec.font_type;
  d[4] = 0;  // style, high byte
  put_u16(d, 6, font_spec.baseline);
  put_u16(d, 8, font_spec.cell_width);
  put_u16(d, 10, font_spec.cell_height);
  d[12] = font_spec.orientation;
  d[13] = font_spec.spacing;
  put_u16(d, 14, font_spec.symbol_set);
  put_u16(d, 16, 4u * font_spec.cell_width);          // pitch, quarter dots
  put_u16(d, 18, 4u * font_spec.cell_height);         // height, quarter dots
  put_u16(d, 20, 2u * font_spec.baseline);            // x-height: half the cap height, quarter dots
  d[22] = 0;                                          // width type: normal
  d[23] = 0;                                          // style, low byte: upright
  d[24] = 0;                                          // stroke weight: medium
  d[25] = 3;                                          // typeface, low byte (Courier)
  d[26] = 0;                                          // typeface, high byte
  d[27] = 0;                                          // serif style
  d[28] = 0;                                          // quality
  d[29] = 0;                                          // placement
  d[30] = low_byte(static_cast<unsigned>(-2));        // underline distance: 2 dots below baseline
  d[31] = 1;                                          // underline height, dots
  put_u16(d, 32, 4u * (font_spec.cell_height + 2u));  // text height (line spacing), quarter dots
  put_u16(d, 34, 4u * font_spec.cell_width);          // text width, quarter dots
  put_u16(d, 36, font_spec.first_code);
  put_u16(d, 38, font_spec.last_code);
  d[40] = 0;          // pitch extended
  d[41] = 0;          // height extended
  put_u16(d, 42, 0);  // cap height
  // Bytes 44-47, the font number, stay 0.
  for (std::size_t i = 0; i < kNameLength; ++i) {
    d[kNameOffset + i] =
        i < font_spec.name.size() ? static_cast<std::uint8_t>(font_spec.name[i]) : ' ';
  }
  if (resolution_form) {
    put_u16(d, 64, font_spec.x_resolution);
    put_u16(d, 66, font_spec.y_resolution);
  }
  return d;
}

Bytes font_header(const FontSpec& font_spec) {
  const Bytes descriptor = font_descriptor(font_spec);
  const std::string size = font_spec.size_text.empty()
                               ? std::to_string(descriptor.size() + font_spec.extra.size())
                               : font_spec.size_text;
  Bytes out = value_command(")s", size, 'W');
  append(out, descriptor);
  append(out, font_spec.extra);
  return out;
}

Bytes character_descriptor(const GlyphSpec& glyph) {
  Bytes d(kCharacterDescriptorSize, 0);
  d[0] = glyph.format;
  d[1] = glyph.continuation;
  d[2] = glyph.descriptor_size;
  d[3] = glyph.glyph_class;
  d[4] = glyph.orientation;
  d[5] = glyph.reserved;
  put_s16(d, 6, glyph.left_offset);
  put_s16(d, 8, glyph.top_offset);
  put_u16(d, 10, glyph_width(glyph));
  put_u16(d, 12, glyph_height(glyph));
  put_s16(d, 14, glyph.delta_x);
  return d;
}

Bytes character_bitmap(const GlyphSpec& glyph) {
  if (glyph.bitmap) return *glyph.bitmap;
  return bitmap_from_rows(glyph.rows, glyph_width(glyph));
}

Bytes character_definition(const GlyphSpec& glyph) {
  Bytes block = character_descriptor(glyph);
  append(block, character_bitmap(glyph));
  const std::string code = glyph.code_text.empty() ? std::to_string(glyph.code) : glyph.code_text;
  const std::string size = glyph.size_text.empty() ? std::to_string(block.size()) : glyph.size_text;

  Bytes out = value_command("*c", code, 'E');
  append(out, value_command("(s", size, 'W'));
  append(out, block);
  return out;
}

Bytes continued_definition(const GlyphSpec& glyph, std::size_t first, std::size_t rest) {
  Bytes block = character_descriptor(glyph);
  append(block, character_bitmap(glyph));
  first = std::min(first, block.size());
  Bytes out = value_command("*c", std::to_string(glyph.code), 'E');
  append(out, value_command("(s", std::to_string(first), 'W'));
  out.insert(out.end(), block.begin(), block.begin() + static_cast<long>(first));
  for (std::size_t at = first; at < block.size(); at += rest) {
    const std::size_t take = std::min(rest, block.size() - at);
    append(out, value_command("(s", std::to_string(take + 2), 'W'));
    append(out, {4, 1});
    out.insert(out.end(), block.begin() + static_cast<long>(at),
               block.begin() + static_cast<long>(at + take));
  }
  return out;
}

GlyphSpec compressed_glyph(GlyphSpec glyph) {
  const Bytes plain = character_bitmap(glyph);
  glyph.width = glyph_width(glyph);
  glyph.height = glyph_height(glyph);
  glyph.glyph_class = 2;
  glyph.bitmap = compress_bitmap(plain, glyph.width, glyph.height);
  return glyph;
}

Bytes compress_bitmap(const Bytes& bitmap, int width, int height) {
  const std::size_t stride = stride_of(width);
  const auto dot = [&](std::size_t row, std::size_t x) {
    return (bitmap[row * stride + x / 8] & (0x80U >> (x % 8))) != 0;
  };
  const auto h = static_cast<std::size_t>(height);
  const auto w = static_cast<std::size_t>(width);
  Bytes out;
  for (std::size_t row = 0; row < h;) {
    std::size_t repeats = 0;
    while (repeats < 255 && row + repeats + 1 < h &&
           std::equal(bitmap.begin() + static_cast<long>(row * stride),
                      bitmap.begin() + static_cast<long>((row + 1) * stride),
                      bitmap.begin() + static_cast<long>((row + repeats + 1) * stride))) {
      ++repeats;
    }
    out.push_back(static_cast<std::uint8_t>(repeats));
    bool colour = false;  // clear first
    for (std::size_t x = 0; x < w; colour = !colour) {
      std::size_t run = 0;
      while (x + run < w && dot(row, x + run) == colour) ++run;
      x += run;
      for (; run > 255; run -= 255) append(out, {255, 0});
      out.push_back(static_cast<std::uint8_t>(run));
    }
    row += repeats + 1;
  }
  return out;
}

Bytes command(std::string_view text) {
  Bytes out;
  out.reserve(text.size() + 1);
  out.push_back(kEsc);
  for (const char c : text) out.push_back(static_cast<std::uint8_t>(c));
  return out;
}

Bytes text(std::string_view s) {
  Bytes out;
  out.reserve(s.size());
  for (const char c : s) out.push_back(static_cast<std::uint8_t>(c));
  return out;
}

Bytes font(const FontSpec& font_spec, const std::vector<GlyphSpec>& glyphs) {
  Bytes out = font_header(font_spec);
  for (const GlyphSpec& glyph : glyphs) append(out, character_definition(glyph));
  return out;
}

void append(Bytes& to, const Bytes& from) { to.insert(to.end(), from.begin(), from.end()); }

Bytes bitmap_from_rows(const std::vector<std::string>& rows, int width) {
  const std::size_t stride = stride_of(width);
  const std::size_t dots = width <= 0 ? 0 : static_cast<std::size_t>(width);
  Bytes out(rows.size() * stride, 0);
  for (std::size_t y = 0; y < rows.size(); ++y) {
    const std::string& row = rows[y];
    const std::size_t drawn = std::min(row.size(), dots);
    for (std::size_t x = 0; x < drawn; ++x) {
      if (row[x] == '#') out[y * stride + x / 8] |= low_byte(0x80u >> (x % 8));
    }
  }
  return out;
}

std::vector<std::string> rows_from_bitmap(const Bytes& bitmap, int width, int height) {
  const std::size_t stride = stride_of(width);
  const std::size_t dots = width <= 0 ? 0 : static_cast<std::size_t>(width);
  const std::size_t count = height <= 0 ? 0 : static_cast<std::size_t>(height);
  std::vector<std::string> rows(count, std::string(dots, '?'));
  for (std::size_t y = 0; y < count; ++y) {
    for (std::size_t x = 0; x < dots; ++x) {
      const std::size_t at = y * stride + x / 8;
      if (at >= bitmap.size()) break;
      rows[y][x] = (bitmap[at] & (0x80u >> (x % 8))) != 0 ? '#' : '.';
    }
  }
  return rows;
}

Bytes read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot open " + path + " for reading");
  Bytes out;
  char chunk[4096];
  while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
    const auto got = static_cast<std::size_t>(in.gcount());
    for (std::size_t i = 0; i < got; ++i) out.push_back(static_cast<std::uint8_t>(chunk[i]));
  }
  if (in.bad()) throw std::runtime_error("cannot read " + path);
  return out;
}

void write_file(const std::string& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) throw std::runtime_error("cannot open " + path + " for writing");
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) throw std::runtime_error("cannot write " + path);
}

Bytes turned_dot_by_dot(const Bytes& bitmap, std::size_t width, std::size_t height) {
  const std::size_t source_stride = (width + 7) / 8;
  const std::size_t stride = (height + 7) / 8;
  Bytes turned(width * stride, 0);
  for (std::size_t x = 0; x < width; ++x) {
    for (std::size_t y = 0; y < height; ++y) {
      if ((bitmap[y * source_stride + x / 8] & (0x80U >> (x % 8))) == 0) continue;
      turned[(width - 1 - x) * stride + y / 8] |= static_cast<std::uint8_t>(0x80U >> (y % 8));
    }
  }
  return turned;
}

}  // namespace kestrune::fontbuilder
