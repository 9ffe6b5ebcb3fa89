#include "viewer/contact_sheet.h"

#ifdef KESTRUNE_HAVE_PNG
#include <stb/stb_image_write.h>
#endif

#include <algorithm>
#include <optional>
#include <string>

#include "pcl/records.h"

namespace kestrune::view {
namespace {

// The code above each cell is written in a 3 x 5 pixel digit font.
constexpr int kDigitWidth = 3;
constexpr int kDigitHeight = 5;
constexpr int kDigitAdvance = kDigitWidth + 1;
constexpr int kLabelHeight = kDigitHeight + 2;  // digits, then a gap above the glyph

// Each digit's five rows, three bits a row, leftmost pixel in the high bit.
constexpr std::uint8_t kDigits[10][kDigitHeight] = {
    {7, 5, 5, 5, 7}, {2, 6, 2, 2, 7}, {7, 1, 7, 4, 7}, {7, 1, 7, 1, 7}, {5, 5, 7, 1, 1},
    {7, 4, 7, 1, 7}, {7, 4, 7, 5, 7}, {7, 1, 1, 1, 1}, {7, 5, 7, 5, 7}, {7, 5, 7, 1, 7},
};

// Pixels per dot side: three while glyphs are small, fewer as they grow, so
// that a cell stays within about 192 pixels.
constexpr int kTargetCellPixels = 192;
constexpr int kLargestScale = 3;

int divide_rounding_up(std::size_t count, int by) {
  return static_cast<int>((count + static_cast<std::size_t>(by) - 1) /
                          static_cast<std::size_t>(by));
}

// Dots of a glyph that one dot on the sheet stands for, across and down: 1
// while the glyph is at most `max_dots` a side, else the fewest that bring
// its larger side within, so that the whole glyph is seen at its shape.
int shrink_of(std::uint16_t width, std::size_t rows, int max_dots) {
  return std::max(1, divide_rounding_up(std::max<std::size_t>(width, rows), max_dots));
}

// The bitmap rows a block holds, as far as its bytes go.
struct GlyphDots {
  std::span<const std::uint8_t> bitmap;
  std::size_t stride = 0;
  std::uint16_t width = 0;
  std::size_t rows = 0;  // rows the bytes reach, at most the height
};

// The grey of the sheet's dot (`row`, `column`) of a glyph shrunk by
// `shrink`: the share of set dots among those it stands for that the block
// holds. None when the block holds none of them: the glyph has ended there.
std::optional<std::uint8_t> shade_of(const GlyphDots& glyph, int row, int column, int shrink) {
  const auto step = static_cast<std::size_t>(shrink);
  const std::size_t top = static_cast<std::size_t>(row) * step;
  const std::size_t left = static_cast<std::size_t>(column) * step;
  int present = 0;
  int set = 0;
  for (std::size_t y = top; y < std::min(top + step, glyph.rows); ++y) {
    for (std::size_t x = left; x < std::min(left + step, std::size_t{glyph.width}); ++x) {
      const std::size_t at = y * glyph.stride + x / 8;
      if (at >= glyph.bitmap.size()) break;
      ++present;
      if ((glyph.bitmap[at] & (0x80U >> (x % 8))) != 0) ++set;
    }
  }
  if (present == 0) return std::nullopt;
  constexpr int kDarkest = kClearDot - kSetDot;
  return static_cast<std::uint8_t>(kClearDot - (kDarkest * set + present / 2) / present);
}

#ifdef KESTRUNE_HAVE_PNG
// stb hands the encoded bytes here. A failed write is remembered by the
// output, and finish() reports it.
void write_png_bytes(void* out, void* bytes, int count) {
  static_cast<OutputBuffer*>(out)->write(
      std::span(static_cast<const std::uint8_t*>(bytes), static_cast<std::size_t>(count)));
}

bool encode_png(const std::vector<std::uint8_t>& image, int width, int height, OutputBuffer& out) {
  // Each row against the row above ("up"), which suits a grid of cells,
  // rather than stb's trial of every filter on every row, at a lighter
  // compression: a 2824 x 8060 sheet took 0.47 s and now 0.34 s, and is 1%
  // larger.
  stbi_write_force_png_filter = 2;
  stbi_write_png_compression_level = 5;
  return stbi_write_png_to_func(write_png_bytes, &out, width, height, 1, image.data(), width) != 0;
}
#else
// Built without stb, a sheet cannot be written.
bool encode_png(const std::vector<std::uint8_t>& /*image*/, int /*width*/, int /*height*/,
                OutputBuffer& /*out*/) {
  return false;
}
#endif

}  // namespace

void SheetPlan::add(int code, std::uint16_t width, std::size_t rows) {
  ++glyphs;
  const int shrink = shrink_of(width, rows, limits.max_dots);
  if (shrink > 1) scaled = true;
  widest = std::max(widest, divide_rounding_up(width, shrink));
  tallest = std::max(tallest, divide_rounding_up(rows, shrink));
  label_digits = std::max(label_digits, static_cast<int>(std::to_string(code).size()));
}

SheetLayout lay_out(const SheetPlan& plan) {
  const SheetLimits& limits = plan.limits;
  SheetLayout layout;
  layout.margin = limits.margin_px;
  const int largest_side = std::max({plan.widest, plan.tallest, 1});
  layout.scale = std::clamp(kTargetCellPixels / largest_side, 1, kLargestScale);
  layout.cell_width = std::max(plan.widest * layout.scale, plan.label_digits * kDigitAdvance);
  layout.cell_height = kLabelHeight + plan.tallest * layout.scale;
  layout.columns = static_cast<int>(
      std::clamp<std::size_t>(plan.glyphs, 1, static_cast<std::size_t>(limits.columns)));
  const auto columns = static_cast<std::size_t>(layout.columns);
  const std::size_t needed_rows = (plan.glyphs + columns - 1) / columns;
  const int room = std::max(
      1, (limits.max_height_px - limits.margin_px) / (layout.cell_height + limits.margin_px));
  layout.rows =
      static_cast<int>(std::min<std::size_t>(needed_rows, static_cast<std::size_t>(room)));
  layout.placed = std::min(plan.glyphs, static_cast<std::size_t>(layout.rows) * columns);
  layout.width = limits.margin_px + layout.columns * (layout.cell_width + limits.margin_px);
  layout.height = limits.margin_px + layout.rows * (layout.cell_height + limits.margin_px);
  return layout;
}

ContactSheet::ContactSheet(OutputBuffer& out, const SheetLayout& layout, int max_dots)
    : out_(out), layout_(layout), max_dots_(max_dots) {
  // The layout keeps the sheet within its height limit, so the whole image
  // is held: a few tens of megabytes at most. Cells are drawn into it where
  // they stand; margins and empty cells stay paper.
  image_.assign(static_cast<std::size_t>(std::max(layout_.width, 0)) *
                    static_cast<std::size_t>(std::max(layout_.height, 0)),
                kPaper);
}

void ContactSheet::add(int code, std::span<const std::uint8_t> bitmap, std::uint16_t width,
                       std::uint16_t height, bool drawable) {
  if (added_ >= layout_.placed) return;
  ++added_;
  const int left = layout_.margin + band_filled_ * (layout_.cell_width + layout_.margin);
  draw_label(left, code);
  if (drawable) draw_glyph(left, bitmap, width, height);
  if (++band_filled_ == layout_.columns) {
    band_filled_ = 0;
    ++bands_drawn_;
  }
}

// (`x`, `y`) from the left of the sheet and the top of the grid row being
// drawn.
void ContactSheet::put(int x, int y, std::uint8_t value) {
  const int top = layout_.margin + bands_drawn_ * (layout_.cell_height + layout_.margin);
  image_[static_cast<std::size_t>(top + y) * static_cast<std::size_t>(layout_.width) +
         static_cast<std::size_t>(x)] = value;
}

// The code's digits, left to right, from the cell's `left` edge.
void ContactSheet::draw_label(int left, int code) {
  const std::string digits = std::to_string(code);
  for (std::size_t i = 0; i < digits.size(); ++i) {
    const auto digit = static_cast<std::size_t>(digits[i] - '0');
    for (int y = 0; y < kDigitHeight; ++y) {
      for (int x = 0; x < kDigitWidth; ++x) {
        const int dx = static_cast<int>(i) * kDigitAdvance + x;
        if (dx < layout_.cell_width && (kDigits[digit][y] & (4 >> x)) != 0) {
          put(left + dx, y, kLabel);
        }
      }
    }
  }
}

// The glyph under the label: the dots the block holds, shrunk to fit the cell.
void ContactSheet::draw_glyph(int left, std::span<const std::uint8_t> bitmap, std::uint16_t width,
                              std::uint16_t height) {
  const GlyphDots glyph{bitmap, row_stride(width), width,
                        rows_reached(bitmap.size(), width, height)};
  const int shrink = shrink_of(width, glyph.rows, max_dots_);
  const int scale = layout_.scale;
  const int columns = std::min(divide_rounding_up(width, shrink), layout_.cell_width / scale);
  const int rows = std::min(divide_rounding_up(glyph.rows, shrink),
                            (layout_.cell_height - kLabelHeight) / scale);
  for (int r = 0; r < rows; ++r) {
    for (int c = 0; c < columns; ++c) {
      const std::optional<std::uint8_t> shade = shade_of(glyph, r, c, shrink);
      if (!shade) break;  // the block ends here
      for (int py = 0; py < scale; ++py) {
        for (int px = 0; px < scale; ++px) {
          put(left + c * scale + px, kLabelHeight + r * scale + py, *shade);
        }
      }
    }
  }
}

bool ContactSheet::finish() {
  return encode_png(image_, layout_.width, layout_.height, out_) && !out_.failed();
}

}  // namespace kestrune::view
