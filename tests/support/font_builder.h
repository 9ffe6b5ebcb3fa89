// Assembles PCL bitmap soft-font bytes from a short description, for the tests,
// the benchmarks and the sample font. Nothing here checks that a description is
// sensible: malformed fonts are built as readily as good ones, since the tests
// need both.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrune::fontbuilder {

using Bytes = std::vector<std::uint8_t>;

inline constexpr std::uint8_t kEsc = 27;

// A font header: the font descriptor and whatever header bytes follow it.
struct FontSpec {
  // Written to descriptor bytes 0-1. The descriptor is 68 bytes long when this
  // is 68 and 64 bytes long for every other value (80, say, to build a font the
  // tool must refuse).
  int descriptor_size = 64;
  std::uint8_t header_format = 0;    // byte 2: 0 bitmap, 20 resolution-specified
  std::uint8_t orientation = 0;      // byte 12: 0 portrait
  std::uint16_t x_resolution = 300;  // bytes 64-65, 68-byte form only
  std::uint16_t y_resolution = 300;  // bytes 66-67, 68-byte form only
  Bytes extra;                       // header bytes after the descriptor
  std::string size_text;             // if set, written verbatim as the ESC )s value

  // Fields that only make the descriptor look like a real font's.
  std::string name = "Kestrune Sample";  // bytes 48-63, space padded, cut at 16
  std::uint16_t baseline = 14;           // dots from the cell top
  std::uint16_t cell_width = 12;         // dots; pitch and text width follow from it
  std::uint16_t cell_height = 16;        // dots; height and text height follow from it
  std::uint16_t symbol_set = 277;        // 8U (Roman-8): 8 * 32 + 'U' - 64
  std::uint8_t spacing = 0;              // 0 fixed pitch, 1 proportional
  std::uint16_t first_code = 32;
  std::uint16_t last_code = 127;
  std::uint8_t font_type = 0;  // 0: codes 32-127; 1: and 160-255; 2: every code but controls
};

// One character definition: the character code command, then the character
// descriptor and data command with its 16-byte descriptor and bitmap.
struct GlyphSpec {
  int code = 65;
  std::string code_text;  // if set, written verbatim as the ESC *c value

  std::uint8_t format = 4;
  std::uint8_t continuation = 0;
  std::uint8_t descriptor_size = 14;
  std::uint8_t glyph_class = 1;  // 1 bitmap, 2 compressed bitmap
  std::uint8_t orientation = 0;
  std::uint8_t reserved = 0;
  std::int16_t left_offset = 0;
  std::int16_t top_offset = 0;
  std::uint16_t width = 0;   // 0 with rows given: the longest row's length
  std::uint16_t height = 0;  // 0 with rows given: the number of rows
  std::int16_t delta_x = 0;

  // The drawing, top row first: '#' is a set dot, any other character a clear
  // one. Each row becomes one bitmap row of (width + 7) / 8 bytes, clipped or
  // clear-padded to the width, with clear fill bits. The bitmap holds exactly
  // these rows whatever `height` says, so a height above rows.size() builds a
  // block that promises more rows than it holds.
  std::vector<std::string> rows;
  // If set, the bitmap bytes verbatim (short, long, dirty fill bits...).
  std::optional<Bytes> bitmap;
  std::string size_text;  // if set, written verbatim as the ESC (s value
};

// A glyph drawn from `rows`, standing on the baseline: left offset 1, top
// offset its height, and a delta X of its width and two dots, in quarter dots.
GlyphSpec drawn_glyph(int code, std::vector<std::string> rows);

// The width and height written to the character descriptor.
std::uint16_t glyph_width(const GlyphSpec& glyph);
std::uint16_t glyph_height(const GlyphSpec& glyph);

Bytes font_descriptor(const FontSpec& font_spec);  // 64 or 68 bytes
Bytes font_header(const FontSpec& font_spec);      // ESC )s size W, descriptor, extra bytes

Bytes character_descriptor(const GlyphSpec& glyph);  // the 16 bytes
Bytes character_bitmap(const GlyphSpec& glyph);
Bytes character_definition(const GlyphSpec& glyph);  // ESC *c code E ESC (s N W block
// The same character with its block over several data commands: the first
// `first` bytes, then continuations of 04 01 and up to `rest` bytes each.
Bytes continued_definition(const GlyphSpec& glyph, std::size_t first, std::size_t rest);
// Class 2 run lengths for `height` rows of `width` dots of an uncompressed
// bitmap; a row equal to the rows after it is coded once with their count.
Bytes compress_bitmap(const Bytes& bitmap, int width, int height);
// The glyph as a compressed (class 2) character of the same dots.
GlyphSpec compressed_glyph(GlyphSpec glyph);

Bytes command(std::string_view text);  // ESC followed by `text`, e.g. command("*c5D")
Bytes text(std::string_view s);        // `s` as plain bytes

// The font header followed by each glyph's definition, in order.
Bytes font(const FontSpec& font_spec, const std::vector<GlyphSpec>& glyphs);
void append(Bytes& to, const Bytes& from);

// Packs drawn rows into an uncompressed bitmap of (width + 7) / 8 bytes a row.
Bytes bitmap_from_rows(const std::vector<std::string>& rows, int width);
// The inverse: `height` rows of `width` dots drawn with '#' and '.'. A dot
// whose byte lies beyond the end of `bitmap` is drawn '?', so a short bitmap
// never compares equal to a drawing of clear dots.
std::vector<std::string> rows_from_bitmap(const Bytes& bitmap, int width, int height);

// The plain rule for the quarter turn, dot by dot: rotated row width - 1 - x,
// column y takes source row y, column x. `bitmap` holds `height` rows of
// `width` dots.
Bytes turned_dot_by_dot(const Bytes& bitmap, std::size_t width, std::size_t height);

// Whole-file reading and writing; both throw std::runtime_error on failure.
Bytes read_file(const std::string& path);
void write_file(const std::string& path, const Bytes& bytes);

}  // namespace kestrune::fontbuilder
