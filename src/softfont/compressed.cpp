#include <algorithm>
#include <cstring>

#include "softfont/format.h"

namespace kestrune {
namespace {

// Sets dots [from, from + count) of a bitmap row.
void set_dots(std::uint8_t* row, std::size_t from, std::size_t count) {
  std::size_t x = from;
  const std::size_t end = from + count;
  for (; x < end && x % 8 != 0; ++x) row[x / 8] |= static_cast<std::uint8_t>(0x80U >> (x % 8));
  const std::size_t whole = (end - x) / 8;
  std::memset(row + x / 8, 0xFF, whole);
  for (x += 8 * whole; x < end; ++x) row[x / 8] |= static_cast<std::uint8_t>(0x80U >> (x % 8));
}

// Decodes one row's runs from data[at] on into `row`; false on a run that
// passes the width. Leaves `at` after the row's last run.
bool unpack_row(std::span<const std::uint8_t> data, std::size_t& at, std::size_t width,
                std::uint8_t* row) {
  std::size_t x = 0;
  for (bool set = false; x < width && at < data.size(); set = !set) {
    const std::size_t run = data[at++];
    if (run > width - x) return false;
    if (set) set_dots(row, x, run);
    x += run;
  }
  return true;
}

}  // namespace

Unpacked unpack_compressed_bitmap(std::span<const std::uint8_t> data, std::uint16_t width,
                                  std::uint16_t height, std::vector<std::uint8_t>& bitmap) {
  if (std::uint64_t{width} * height / 8 > kLargestUnpackedBitmap) return Unpacked::kTooLarge;
  const std::size_t stride = row_stride(width);
  bitmap.assign(stride * height, 0);
  if (bitmap.empty()) return Unpacked::kDone;  // no row has a dot
  std::size_t at = 0;
  for (std::size_t row = 0; row < height && at < data.size();) {
    const std::size_t repeats = std::min<std::size_t>(data[at++], height - row - 1);
    std::uint8_t* const first = bitmap.data() + row * stride;
    if (!unpack_row(data, at, width, first)) return Unpacked::kRunPastWidth;
    for (std::size_t k = 1; k <= repeats; ++k) std::memcpy(first + k * stride, first, stride);
    row += 1 + repeats;
  }
  return Unpacked::kDone;
}

}  // namespace kestrune
