#include "pcl/compressed.h"

#include <algorithm>
#include <cstring>

namespace kestrune {
namespace {

// Sets dots [from, end) of a bitmap row; from < end.
void set_dots(std::uint8_t* row, std::size_t from, std::size_t end) {
  const std::size_t first = from / 8;
  const std::size_t last = (end - 1) / 8;
  const auto head = static_cast<std::uint8_t>(0xFFU >> (from % 8));
  const auto tail = static_cast<std::uint8_t>(0xFF00U >> ((end - 1) % 8 + 1));
  if (first == last) {
    row[first] |= static_cast<std::uint8_t>(head & tail);
    return;
  }
  row[first] |= head;
  for (std::size_t i = first + 1; i < last; ++i) row[i] = 0xFF;
  row[last] |= tail;
}

// Decodes one row's runs from data[at] on into `row`, a clear and a set run
// a step; false on a run that passes the width. Leaves `at` after the row's
// last run.
bool unpack_row(std::span<const std::uint8_t> data, std::size_t& at, std::size_t width,
                std::uint8_t* row) {
  std::size_t x = 0;
  while (x < width && at < data.size()) {
    const std::size_t clear = data[at++];
    if (clear > width - x) return false;
    x += clear;
    if (x == width || at == data.size()) break;
    const std::size_t set = data[at++];
    if (set > width - x) return false;
    if (set != 0) set_dots(row, x, x + set);
    x += set;
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
