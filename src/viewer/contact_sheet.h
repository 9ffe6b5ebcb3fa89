// The PNG contact sheet: every glyph shown in a grid, each dot a small square,
// each glyph labelled with its code. The sheet is planned from the glyphs'
// sizes first (SheetPlan), then drawn cell by cell as the glyphs arrive in
// order (ContactSheet), and encoded once the last has arrived.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "bytes/output.h"

namespace kestrune::view {

struct SheetLimits {
  int columns = 16;          // cells per grid row
  int max_dots = 128;        // a glyph's dots drawn per side; larger glyphs are scaled down
  int max_height_px = 8192;  // glyphs whose row would pass this are left off the sheet
  int margin_px = 8;         // around the sheet and between cells
};

// Pixel values of the 8-bit grey image.
inline constexpr std::uint8_t kPaper = 255;     // background
inline constexpr std::uint8_t kClearDot = 224;  // a clear dot inside the glyph's box
inline constexpr std::uint8_t kSetDot = 0;      // a set dot
inline constexpr std::uint8_t kLabel = 96;      // the code written above each cell

// Sizes gathered in a first pass over the glyphs.
struct SheetPlan {
  SheetLimits limits;
  std::size_t glyphs = 0;  // glyphs offered
  int widest = 0;          // dots drawn, at most max_dots
  int tallest = 0;         // rows drawn, at most max_dots
  int label_digits = 1;
  bool scaled = false;  // some glyph is larger than max_dots

  void add(int code, std::uint16_t width, std::size_t rows);
};

// The layout a plan leads to.
struct SheetLayout {
  int scale = 3;  // pixels per dot side
  int columns = 1;
  int rows = 0;            // grid rows
  std::size_t placed = 0;  // glyphs on the sheet (the first ones offered)
  int margin = 8;          // pixels around the sheet and between cells
  int cell_width = 0;      // pixels
  int cell_height = 0;     // pixels: label, gap, glyph box
  int width = 0;           // image, pixels
  int height = 0;
};
SheetLayout lay_out(const SheetPlan& plan);

// Writes the sheet as a PNG to `out`, which the caller flushes. Glyphs are added in the order
// planned; any the layout has no room for are ignored.
class ContactSheet {
 public:
  ContactSheet(OutputBuffer& out, const SheetLayout& layout, int max_dots);
  ContactSheet(const ContactSheet&) = delete;
  ContactSheet& operator=(const ContactSheet&) = delete;

  // `bitmap` is the bytes present after the descriptor (stride (width + 7) / 8);
  // `drawable` false leaves the cell with its label only.
  void add(int code, std::span<const std::uint8_t> bitmap, std::uint16_t width,
           std::uint16_t height, bool drawable);

  // Encodes the PNG. False when writing it failed.
  bool finish();

 private:
  void put(int x, int y, std::uint8_t value);
  void draw_label(int left, int code);
  void draw_glyph(int left, std::span<const std::uint8_t> bitmap, std::uint16_t width,
                  std::uint16_t height);

  OutputBuffer& out_;
  SheetLayout layout_;
  int max_dots_;
  int band_filled_ = 0;  // cells drawn in the grid row being drawn
  int bands_drawn_ = 0;  // grid rows drawn whole
  std::size_t added_ = 0;
  std::vector<std::uint8_t> image_;  // the whole sheet, 8-bit grey, row by row
};

}  // namespace kestrune::view
