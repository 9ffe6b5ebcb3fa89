#include "pcl/compressed.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace kestrune {
namespace {

constexpr std::uint64_t kAllDots = ~std::uint64_t{0};

// Stores the word's bytes, the most significant first.
void store_dots(std::uint8_t* at, std::uint64_t word) {
  if constexpr (std::endian::native == std::endian::little) word = __builtin_bswap64(word);
  std::memcpy(at, &word, sizeof word);
}

// How far unpack_row may write past a row: into the next row, which is
// written after it, or past the bitmap into room kept for it.
constexpr std::size_t kRowSlack = 40;

// Decodes one row's runs from data[at] on into `row` (`stride` bytes), clear
// and set runs by turns, clear first; false on a run that passes the width.
// Dots the runs do not reach are clear. Leaves `at` after the row's last run.
//
// The dots gather in a word, the first in its most significant bit, that is
// stored as eight bytes: every byte of the row is written with no clearing
// beforehand, and a run costs a few operations whatever its length, with no
// branch on it, which in speckled glyphs would be guessed wrong often. The
// word's bits from `used` on always have the colour of the run begun last,
// so starting the next run is one flip of them. Each run stores the word and
// four words of its own colour after it, which cover the whole words a run of
// up to 255 dots fills; what lies beyond is rewritten later.
bool unpack_row(std::span<const std::uint8_t> data, std::size_t& at, std::size_t width,
                std::uint8_t* row, std::size_t stride) {
  std::size_t next = at;  // kept local: the row's stores may not move it
  std::uint8_t* out = row;
  // As if a set run came before the first.
  std::uint64_t word = kAllDots;
  std::uint64_t fill = kAllDots;  // the colour of the run begun last, in every bit
  std::size_t used = 0;           // dots of the word already placed, 0 to 63
  for (std::size_t x = 0; x < width && next < data.size();) {
    const std::size_t run = data[next++];
    x += run;
    if (x > width) return false;
    // The colour is flipped on its own rather than read back from the word,
    // which keeps each run's steps from waiting on the last run's.
    fill = ~fill;
    word ^= kAllDots >> used;
    used += run;
    store_dots(out, word);
    // One copy, which the compiler makes two 16-byte stores instead of four.
    const std::uint64_t fills[4] = {fill, fill, fill, fill};
    std::memcpy(out + 8, fills, sizeof fills);
    const std::size_t whole = used / 64;
    out += 8 * whole;
    used %= 64;
    word = whole != 0 ? fill : word;
  }
  at = next;
  // Past the last run the dots are clear: the last word's bytes, then clear
  // bytes to the row's end.
  store_dots(out, word & ~(kAllDots >> used));
  const std::size_t left = stride - static_cast<std::size_t>(out - row);
  if (left > 8) std::memset(out + 8, 0, left - 8);
  return true;
}

}  // namespace

Unpacked unpack_compressed_bitmap(std::span<const std::uint8_t> data, std::uint16_t width,
                                  std::uint16_t height, std::vector<std::uint8_t>& bitmap) {
  if (std::uint64_t{width} * height / 8 > kLargestUnpackedBitmap) return Unpacked::kTooLarge;
  const std::size_t stride = row_stride(width);
  const std::size_t size = stride * height;
  if (size == 0) {  // no row has a dot
    bitmap.clear();
    return Unpacked::kDone;
  }
  // Every byte is written below, so a bitmap of the right size need not be
  // cleared first; the room past it is let go at the end.
  bitmap.resize(size + kRowSlack);
  std::size_t at = 0;
  std::size_t row = 0;
  while (row < height && at < data.size()) {
    const std::size_t repeats = std::min<std::size_t>(data[at++], height - row - 1);
    std::uint8_t* const first = bitmap.data() + row * stride;
    if (!unpack_row(data, at, width, first, stride)) {
      bitmap.resize(size);
      return Unpacked::kRunPastWidth;
    }
    for (std::size_t k = 1; k <= repeats; ++k) std::memcpy(first + k * stride, first, stride);
    row += 1 + repeats;
  }
  // Rows the data does not reach are clear.
  std::memset(bitmap.data() + row * stride, 0, (height - row) * stride);
  bitmap.resize(size);
  return Unpacked::kDone;
}

}  // namespace kestrune
