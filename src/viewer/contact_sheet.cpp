#include "viewer/contact_sheet.h"

#ifdef KESTRUNE_HAVE_PNG
#include <png.h>
#endif

#include <algorithm>
#include <csetjmp>
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
// libpng reports errors by calling this, which must not return: it jumps back
// to the setjmp of the guarded call that is running. Nothing is printed; the
// caller reports the failure in its own words.
[[noreturn]] void on_png_error(png_structp png, png_const_charp /*message*/) {
  png_longjmp(png, 1);
}
void on_png_warning(png_structp /*png*/, png_const_charp /*message*/) {}

// libpng hands the encoded bytes here. A failed write is not reported by a
// jump: the output remembers it, and the sheet stops at its next row.
void on_png_write(png_structp png, png_bytep bytes, png_size_t count) {
  static_cast<OutputBuffer*>(png_get_io_ptr(png))->write(std::span(bytes, count));
}
// The output is flushed by its owner once the sheet is written.
void on_png_flush(png_structp /*png*/) {}

// Every libpng call that may fail is made inside one of these small functions,
// whose frames hold nothing with a destructor, so the jump back is safe.
bool guarded_start(png_structp png, png_infop info, OutputBuffer* out, int width, int height) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_write_fn(png, out, on_png_write, on_png_flush);
  png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
               PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  return true;
}

bool guarded_row(png_structp png, const std::uint8_t* row) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_write_row(png, row);
  return true;
}

bool guarded_end(png_structp png) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_write_end(png, nullptr);
  return true;
}
#else
// Built without libpng, a sheet cannot be written: every step fails.
bool guarded_row(void* /*png*/, const std::uint8_t* /*row*/) { return false; }
bool guarded_end(void* /*png*/) { return false; }
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

#ifdef KESTRUNE_HAVE_PNG
struct ContactSheet::Png {
  png_structp png = nullptr;
  png_infop info = nullptr;
  ~Png() {
    if (png != nullptr) png_destroy_write_struct(&png, info != nullptr ? &info : nullptr);
  }
};
#else
struct ContactSheet::Png {
  void* png = nullptr;
};
#endif

ContactSheet::ContactSheet(OutputBuffer& out, const SheetLayout& layout, int max_dots)
    : png_(std::make_unique<Png>()), out_(out), layout_(layout), max_dots_(max_dots) {
#ifdef KESTRUNE_HAVE_PNG
  png_->png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, on_png_error, on_png_warning);
  if (png_->png != nullptr) png_->info = png_create_info_struct(png_->png);
  ok_ = png_->info != nullptr &&
        guarded_start(png_->png, png_->info, &out_, layout_.width, layout_.height);
#else
  ok_ = false;
#endif
  band_.assign(
      static_cast<std::size_t>(layout_.width) * static_cast<std::size_t>(layout_.cell_height),
      kPaper);
  write_blank_rows(layout_.margin);
}

ContactSheet::~ContactSheet() = default;

void ContactSheet::write_blank_rows(int count) {
  const std::vector<std::uint8_t> blank(static_cast<std::size_t>(layout_.width), kPaper);
  for (int i = 0; i < count && ok_; ++i)
    ok_ = guarded_row(png_->png, blank.data()) && !out_.failed();
}

void ContactSheet::add(int code, std::span<const std::uint8_t> bitmap, std::uint16_t width,
                       std::uint16_t height, bool drawable) {
  if (added_ >= layout_.placed || !ok_) return;
  ++added_;
  const int left = layout_.margin + band_filled_ * (layout_.cell_width + layout_.margin);
  draw_label(left, code);
  if (drawable) draw_glyph(left, bitmap, width, height);
  if (++band_filled_ == layout_.columns) flush_band();
}

void ContactSheet::put(int x, int y, std::uint8_t value) {
  band_[static_cast<std::size_t>(y) * static_cast<std::size_t>(layout_.width) +
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

void ContactSheet::flush_band() {
  const auto row_width = static_cast<std::size_t>(layout_.width);
  for (int y = 0; y < layout_.cell_height && ok_; ++y) {
    ok_ = guarded_row(png_->png, band_.data() + static_cast<std::size_t>(y) * row_width) &&
          !out_.failed();
  }
  write_blank_rows(layout_.margin);
  std::fill(band_.begin(), band_.end(), kPaper);
  band_filled_ = 0;
  ++bands_written_;
}

bool ContactSheet::finish() {
  if (band_filled_ > 0) flush_band();
  // Bands the glyphs did not fill still make up the declared height.
  while (ok_ && bands_written_ < layout_.rows) flush_band();
  if (ok_) ok_ = guarded_end(png_->png) && !out_.failed();
  return ok_;
}

}  // namespace kestrune::view
