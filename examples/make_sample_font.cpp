// Writes examples/sample.sfp, a small portrait bitmap soft font holding the
// digits 0-9 and the capitals A-Z. Each glyph is drawn below on a classic 5x7
// grid and doubled in both directions, so a rotated copy is easy to recognise.
// With --fill-bits every bit beyond a glyph's width at the end of each bitmap
// row is set, as some font converters leave them: a font that -clean changes.
//
// Usage: make_sample_font [--fill-bits] OUTPUT_PATH

#include <cstdint>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "font_builder.h"

namespace {

namespace fb = kestrune::fontbuilder;

struct Drawing {
  char code;
  std::vector<std::string> rows;  // 7 rows; 5 dots wide, or 3 for the narrow ones
};

// clang-format off
const std::vector<Drawing> kDrawings = {
  {'0', {".###.",
         "#...#",
         "#..##",
         "#.#.#",
         "##..#",
         "#...#",
         ".###."}},
  {'1', {".#.",
         "##.",
         ".#.",
         ".#.",
         ".#.",
         ".#.",
         "###"}},
  {'2', {".###.",
         "#...#",
         "....#",
         "...#.",
         "..#..",
         ".#...",
         "#####"}},
  {'3', {"#####",
         "...#.",
         "..#..",
         "...#.",
         "....#",
         "#...#",
         ".###."}},
  {'4', {"...#.",
         "..##.",
         ".#.#.",
         "#..#.",
         "#####",
         "...#.",
         "...#."}},
  {'5', {"#####",
         "#....",
         "####.",
         "....#",
         "....#",
         "#...#",
         ".###."}},
  {'6', {"..##.",
         ".#...",
         "#....",
         "####.",
         "#...#",
         "#...#",
         ".###."}},
  {'7', {"#####",
         "....#",
         "...#.",
         "..#..",
         ".#...",
         ".#...",
         ".#..."}},
  {'8', {".###.",
         "#...#",
         "#...#",
         ".###.",
         "#...#",
         "#...#",
         ".###."}},
  {'9', {".###.",
         "#...#",
         "#...#",
         ".####",
         "....#",
         "...#.",
         ".##.."}},
  {'A', {".###.",
         "#...#",
         "#...#",
         "#####",
         "#...#",
         "#...#",
         "#...#"}},
  {'B', {"####.",
         "#...#",
         "#...#",
         "####.",
         "#...#",
         "#...#",
         "####."}},
  {'C', {".###.",
         "#...#",
         "#....",
         "#....",
         "#....",
         "#...#",
         ".###."}},
  {'D', {"###..",
         "#..#.",
         "#...#",
         "#...#",
         "#...#",
         "#..#.",
         "###.."}},
  {'E', {"#####",
         "#....",
         "#....",
         "####.",
         "#....",
         "#....",
         "#####"}},
  {'F', {"#####",
         "#....",
         "#....",
         "####.",
         "#....",
         "#....",
         "#...."}},
  {'G', {".###.",
         "#...#",
         "#....",
         "#.###",
         "#...#",
         "#...#",
         ".####"}},
  {'H', {"#...#",
         "#...#",
         "#...#",
         "#####",
         "#...#",
         "#...#",
         "#...#"}},
  {'I', {"###",
         ".#.",
         ".#.",
         ".#.",
         ".#.",
         ".#.",
         "###"}},
  {'J', {"..###",
         "...#.",
         "...#.",
         "...#.",
         "...#.",
         "#..#.",
         ".##.."}},
  {'K', {"#...#",
         "#..#.",
         "#.#..",
         "##...",
         "#.#..",
         "#..#.",
         "#...#"}},
  {'L', {"#....",
         "#....",
         "#....",
         "#....",
         "#....",
         "#....",
         "#####"}},
  {'M', {"#...#",
         "##.##",
         "#.#.#",
         "#.#.#",
         "#...#",
         "#...#",
         "#...#"}},
  {'N', {"#...#",
         "#...#",
         "##..#",
         "#.#.#",
         "#..##",
         "#...#",
         "#...#"}},
  {'O', {".###.",
         "#...#",
         "#...#",
         "#...#",
         "#...#",
         "#...#",
         ".###."}},
  {'P', {"####.",
         "#...#",
         "#...#",
         "####.",
         "#....",
         "#....",
         "#...."}},
  {'Q', {".###.",
         "#...#",
         "#...#",
         "#...#",
         "#.#.#",
         "#..#.",
         ".##.#"}},
  {'R', {"####.",
         "#...#",
         "#...#",
         "####.",
         "#.#..",
         "#..#.",
         "#...#"}},
  {'S', {".####",
         "#....",
         "#....",
         ".###.",
         "....#",
         "....#",
         "####."}},
  {'T', {"#####",
         "..#..",
         "..#..",
         "..#..",
         "..#..",
         "..#..",
         "..#.."}},
  {'U', {"#...#",
         "#...#",
         "#...#",
         "#...#",
         "#...#",
         "#...#",
         ".###."}},
  {'V', {"#...#",
         "#...#",
         "#...#",
         "#...#",
         "#...#",
         ".#.#.",
         "..#.."}},
  {'W', {"#...#",
         "#...#",
         "#...#",
         "#.#.#",
         "#.#.#",
         "#.#.#",
         ".#.#."}},
  {'X', {"#...#",
         "#...#",
         ".#.#.",
         "..#..",
         ".#.#.",
         "#...#",
         "#...#"}},
  {'Y', {"#...#",
         "#...#",
         "#...#",
         ".#.#.",
         "..#..",
         "..#..",
         "..#.."}},
  {'Z', {"#####",
         "....#",
         "...#.",
         "..#..",
         ".#...",
         "#....",
         "#####"}},
};
// clang-format on

constexpr int kScale = 2;
constexpr std::uint16_t kCellWidth = 12;   // widest glyph plus a dot either side
constexpr std::uint16_t kCellHeight = 16;  // glyph height plus two dots of descent
constexpr std::uint16_t kBaseline = 14;    // glyphs stand on the bottom of their 14 rows

// Every dot of `rows` becomes a kScale x kScale block.
std::vector<std::string> scaled(const std::vector<std::string>& rows) {
  std::vector<std::string> out;
  for (const std::string& row : rows) {
    std::string wide;
    for (const char dot : row) wide.append(kScale, dot);
    out.insert(out.end(), kScale, wide);
  }
  return out;
}

// The bitmap of `glyph` with the bits past its width in each row's last byte set.
fb::Bytes bitmap_with_fill_bits(const fb::GlyphSpec& glyph) {
  fb::Bytes bitmap = fb::bitmap_from_rows(glyph.rows, glyph.width);
  if (glyph.width % 8U == 0) return bitmap;  // no bits past the width
  const std::size_t stride = (glyph.width + 7U) / 8U;
  const auto fill = static_cast<std::uint8_t>(0xFFU >> (glyph.width % 8U));
  for (std::size_t row_end = stride; row_end <= bitmap.size(); row_end += stride) {
    bitmap[row_end - 1] |= fill;
  }
  return bitmap;
}

fb::GlyphSpec glyph_for(const Drawing& drawing, bool fill_bits) {
  fb::GlyphSpec glyph;
  glyph.code = drawing.code;
  glyph.rows = scaled(drawing.rows);
  glyph.width = fb::glyph_width(glyph);
  glyph.height = fb::glyph_height(glyph);
  glyph.left_offset = 1;
  glyph.top_offset = static_cast<std::int16_t>(glyph.height);        // baseline under the last row
  glyph.delta_x = static_cast<std::int16_t>((glyph.width + 2) * 4);  // quarter dots
  if (fill_bits) glyph.bitmap = bitmap_with_fill_bits(glyph);
  return glyph;
}

fb::Bytes sample_font(bool fill_bits) {
  fb::FontSpec font_spec;
  font_spec.name = "Kestrune Sample";
  font_spec.baseline = kBaseline;
  font_spec.cell_width = kCellWidth;
  font_spec.cell_height = kCellHeight;
  font_spec.spacing = 1;  // the narrow 1 and I advance less than the rest
  font_spec.first_code = '0';
  font_spec.last_code = 'Z';
  font_spec.extra = fb::text("Copyright (c) 2026 Kestrune sample font. Free to use.");

  std::vector<fb::GlyphSpec> glyphs;
  for (const Drawing& drawing : kDrawings) glyphs.push_back(glyph_for(drawing, fill_bits));
  return fb::font(font_spec, glyphs);
}

}  // namespace

int main(int argc, char** argv) {
  const bool fill_bits = argc == 3 && std::string(argv[1]) == "--fill-bits";
  if (argc != 2 && !fill_bits) {
    std::fprintf(stderr, "usage: make_sample_font [--fill-bits] OUTPUT_PATH\n");
    return 2;
  }
  const char* output_path = argv[argc - 1];
  try {
    const fb::Bytes bytes = sample_font(fill_bits);
    fb::write_file(output_path, bytes);
    std::printf("%zu bytes written to %s\n", bytes.size(), output_path);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "make_sample_font: %s\n", e.what());
    return 1;
  }
  return 0;
}
