#include "pcl/compressed.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "pcl/words.h"

namespace kestrune {
namespace {

void xor_word(std::uint8_t* at, std::uint64_t word) { store_word(at, word ^ load_word(at)); }

// The bits of `rows` rows from bit `offset` (0 to 7) of byte 0 on, each
// byte's rows from its top bit down. Up to 57 rows are one word, built from
// a mask of row numbers whose bits are then reversed in every byte.
void mark_rows(std::size_t offset, std::size_t rows, std::uint8_t (&masks)[40]) {
  if (offset + rows <= 64) {
    std::uint64_t m = (rows == 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << rows) - 1) << offset;
    m = (m & 0x5555555555555555ULL) << 1 | (m >> 1 & 0x5555555555555555ULL);
    m = (m & 0x3333333333333333ULL) << 2 | (m >> 2 & 0x3333333333333333ULL);
    m = (m & 0x0F0F0F0F0F0F0F0FULL) << 4 | (m >> 4 & 0x0F0F0F0F0F0F0F0FULL);
    std::memset(masks, 0, 8);
    xor_word(masks, m);
    return;
  }
  std::memset(masks, 0, sizeof masks);
  for (std::size_t y = offset; y < offset + rows; ++y) {
    masks[y / 8] |= static_cast<std::uint8_t>(0x80U >> (y % 8));
  }
}

// Turns a row of colour-change marks into dots: a dot is set where an odd
// number of marks lie at or before it. Eight bytes at a time, then byte by
// byte, the colour carried in from the left. A last run of set dots that
// ends at the width leaves the fill bits set: they are cleared.
void fold_marks(std::uint8_t* row, std::size_t stride, std::uint8_t fill_mask) {
  if (stride == 0) return;
  std::uint64_t colour = 0;  // all ones or none: the colour carried in from the left
  std::size_t i = 0;
  for (; i + 8 <= stride; i += 8) {
    std::uint64_t w = load_word<std::endian::big>(row + i);
    for (unsigned shift = 1; shift < 64; shift *= 2) w ^= w >> shift;
    w ^= colour;
    colour = (w & 1U) != 0 ? ~std::uint64_t{0} : 0;
    store_word<std::endian::big>(row + i, w);
  }
  for (; i < stride; ++i) {
    unsigned b = row[i];
    b ^= b >> 1;
    b ^= b >> 2;
    b ^= b >> 4;
    b ^= static_cast<unsigned>(colour & 0xFFU);
    colour = (b & 1U) != 0 ? ~std::uint64_t{0} : 0;
    row[i] = static_cast<std::uint8_t>(b);
  }
  row[stride - 1] &= fill_mask;
}

// Reads the run-length data row by row: each row is a repeat count r (the
// row stands r + 1 times, never past the height), then run lengths of clear
// and set dots by turns, clear first. Calls flip(first_row, rows, x) at every
// x inside the width where the dots change colour, for the `rows` rows from
// first_row on that the row stands for, and then row_done(first_row, rows);
// past a row's last run its dots are clear. The one reading of the runs, for
// the unpacking and the turn alike. The caller has made sure that the bitmap
// is not too large.
template <typename Flip, typename RowDone>
Unpacked decode_runs(std::span<const std::uint8_t> data, std::uint16_t width, std::uint16_t height,
                     Flip flip, RowDone row_done) {
  std::size_t at = 0;
  for (std::size_t row = 0; row < height && at < data.size();) {
    const std::size_t rows = 1 + std::min<std::size_t>(data[at++], height - row - 1);
    std::size_t x = 0;
    bool set = false;  // the colour of the dots from x on
    for (; width > 0 && at < data.size();) {
      x += data[at++];
      set = !set;
      if (x >= width) break;
      flip(row, rows, x);
    }
    if (x > width) return Unpacked::kRunPastWidth;
    // Data that ends inside a row leaves the rest of it clear.
    if (set && x < width) flip(row, rows, x);
    row_done(row, rows);
    row += rows;
  }
  return Unpacked::kDone;
}

}  // namespace

Unpacked unpack_compressed_bitmap(std::span<const std::uint8_t> data, std::uint16_t width,
                                  std::uint16_t height, std::vector<std::uint8_t>& bitmap) {
  if (bitmap_too_large(width, height)) return Unpacked::kTooLarge;
  const std::size_t stride = row_stride(width);
  bitmap.assign(stride * height, 0);
  const std::uint8_t fill_mask = row_fill(width, height, bitmap.size()).mask;
  // Each change of colour is marked in the first row a row of data stands
  // for; that row is folded, then copied to the rows it stands for besides.
  // Rows the data does not reach stay clear.
  return decode_runs(
      data, width, height,
      [&](std::size_t first, std::size_t, std::size_t x) {
        bitmap[first * stride + x / 8] ^= static_cast<std::uint8_t>(0x80U >> (x % 8));
      },
      [&](std::size_t first, std::size_t rows) {
        if (stride == 0) return;  // rows of no bytes: nothing to fold or copy
        std::uint8_t* const row = bitmap.data() + first * stride;
        fold_marks(row, stride, fill_mask);
        for (std::size_t k = 1; k < rows; ++k) std::memcpy(row + k * stride, row, stride);
      });
}

Unpacked check_compressed_runs(std::span<const std::uint8_t> data, std::uint16_t width,
                               std::uint16_t height) {
  if (bitmap_too_large(width, height)) return Unpacked::kTooLarge;
  return decode_runs(
      data, width, height, [](std::size_t, std::size_t, std::size_t) {},
      [](std::size_t, std::size_t) {});
}

Unpacked turn_compressed_bitmap(std::span<const std::uint8_t> data, std::uint16_t width,
                                std::uint16_t height, std::vector<std::uint8_t>& turned) {
  if (bitmap_too_large(width, height)) return Unpacked::kTooLarge;
  // Source column x becomes turned row w - 1 - x, and source row y bit y % 8
  // of that row's byte y / 8. Eight bytes of room past the last row let any
  // row's bytes be taken as whole words.
  const std::size_t stride = row_stride(height);
  const std::size_t size = std::size_t{width} * stride;
  turned.assign(size + 8, 0);
  // Marks first: a change of colour at x, for the rows a row of data stands
  // for, is marked in turned row w - 1 - x, a bit for each of those rows.
  std::size_t marked_from = SIZE_MAX;  // the first of the rows the masks are for
  std::uint8_t masks[40] = {};         // 256 rows span at most 33 bytes; then room for a word
  std::size_t first_byte = 0;
  std::size_t byte_count = 0;
  const Unpacked result = decode_runs(
      data, width, height,
      [&](std::size_t first, std::size_t rows, std::size_t x) {
        if (first != marked_from) {
          marked_from = first;
          first_byte = first / 8;
          byte_count = (first % 8 + rows + 7) / 8;
          mark_rows(first % 8, rows, masks);
        }
        std::uint8_t* const at = turned.data() + (width - 1 - x) * stride + first_byte;
        // Usually the rows lie in one word's bytes; the masks past them are clear.
        xor_word(at, load_word(masks));
        for (std::size_t k = 8; k < byte_count; k += 8) xor_word(at + k, load_word(masks + k));
      },
      [](std::size_t, std::size_t) {});
  if (result != Unpacked::kDone) return result;
  // Then the fold, from the bottom row up: a dot is set where an odd number
  // of marks lie at or left of it in its source row, that is in its turned
  // row or those below it. A row's last word reaches into the row below,
  // which is done: the word from there is cut to the row's own bytes.
  if (stride == 0) {  // rows of no bytes
    turned.clear();
    return result;
  }
  const std::size_t last = (stride - 1) / 8 * 8;  // where a row's last word starts
  const std::size_t tail = stride - last;         // 1 to 8 bytes
  const std::uint64_t keep = tail == 8 ? ~std::uint64_t{0} : (std::uint64_t{1} << (8 * tail)) - 1;
  for (std::size_t r = width; r-- > 1;) {
    std::uint8_t* const row = turned.data() + (r - 1) * stride;
    for (std::size_t k = 0; k < last; k += 8) xor_word(row + k, load_word(row + stride + k));
    xor_word(row + last, load_word(row + stride + last) & keep);
  }
  turned.resize(size);
  return Unpacked::kDone;
}

namespace {

// Eight bytes of a row from byte `at` on as a word, its leftmost dot the
// top bit; bytes past the row's end are clear. Bytes past the row are read
// where the bitmap, which ends at `end`, holds them: only near its end is
// the row copied out.
std::uint64_t row_word(const std::uint8_t* row, std::size_t stride, std::size_t at,
                       const std::uint8_t* end) {
  if (at + 8 <= stride) return load_word<std::endian::big>(row + at);
  const std::size_t past = at + 8 - stride;  // 1 to 7 bytes past the row
  if (end - (row + at) >= 8) {
    return load_word<std::endian::big>(row + at) >> (8 * past) << (8 * past);
  }
  std::uint8_t bytes[8] = {};
  std::memcpy(bytes, row + at, stride - at);
  return load_word<std::endian::big>(bytes);
}

// Two rows of the same dots, whatever their fill bits.
bool same_dots(const std::uint8_t* a, const std::uint8_t* b, std::size_t stride,
               std::uint8_t fill_mask, const std::uint8_t* end) {
  if (stride == 0) return true;
  std::size_t at = 0;
  for (; at + 8 < stride; at += 8) {
    if (load_word(a + at) != load_word(b + at)) return false;
  }
  // The last one to eight bytes, the last byte's fill bits left out.
  const std::uint64_t fill = std::uint64_t{static_cast<std::uint8_t>(~fill_mask)}
                             << (56 - 8 * (stride - 1 - at));
  return ((row_word(a, stride, at, end) ^ row_word(b, stride, at, end)) & ~fill) == 0;
}

std::uint8_t* put_run(std::uint8_t* out, std::size_t run) {
  for (; run > 255; run -= 255) {
    *out++ = 255;
    *out++ = 0;
  }
  *out++ = static_cast<std::uint8_t>(run);
  return out;
}

// A row's record: its repeat count, then its runs from x = 0, clear first.
// The row is read a word at a time: the leading bits of the word that agree
// with the run's colour are the rest of the run. Bits past the width are
// fill bits, and never part of a run.
std::uint8_t* put_row(std::uint8_t* out, const std::uint8_t* row, std::size_t width,
                      std::size_t repeats, const std::uint8_t* end) {
  *out++ = static_cast<std::uint8_t>(repeats);
  if (width == 0) return out;  // a row of no dots has no runs
  const std::size_t stride = (width + 7) / 8;
  std::size_t run = 0;       // dots of the current run so far
  std::uint64_t colour = 0;  // all ones while the run is of set dots
  for (std::size_t at = 0; at < stride; at += 8) {
    std::uint64_t bits = row_word(row, stride, at, end);
    std::size_t left = std::min<std::size_t>(64, width - at * 8);  // the row's dots in it
    while (left > 0) {
      const std::uint64_t differ = bits ^ colour;
      const auto same = differ == 0 ? 64 : static_cast<std::size_t>(std::countl_zero(differ));
      if (same >= left) {
        run += left;
        break;
      }
      out = put_run(out, run + same);
      run = 0;
      colour = ~colour;
      bits <<= same;  // fewer than 64: some of the row's dots are left
      left -= same;
    }
  }
  return put_run(out, run);
}

}  // namespace

bool pack_compressed_bitmap(std::span<const std::uint8_t> bitmap, std::uint16_t width,
                            std::uint16_t height, std::vector<std::uint8_t>& data,
                            std::size_t most) {
  const std::size_t stride = row_stride(width);
  data.clear();
  if (stride > 0 && bitmap.size() / stride < height) return false;
  const std::uint8_t fill_mask = row_fill(width, height, bitmap.size()).mask;
  const std::uint8_t* const end = bitmap.data() + bitmap.size();
  // The most a record takes: the repeat count, a run for every dot and one
  // before them, and 255, 0 for every 255 dots of a run.
  const std::size_t record_most = std::size_t{width} + 4 + 2 * (std::size_t{width} / 255);
  // Usually room enough for data no larger than the bitmap, at once.
  data.resize(std::min(most, stride * height) + record_most);
  std::size_t used = 0;
  for (std::size_t row = 0; row < height;) {
    const std::uint8_t* const dots = bitmap.data() + row * stride;
    std::size_t repeats = 0;
    while (repeats < 255 && row + repeats + 1 < height &&
           same_dots(dots, dots + (repeats + 1) * stride, stride, fill_mask, end)) {
      ++repeats;
    }
    // Room for the record is made before it is written; the data never
    // grows far past `most`, the records checked one by one.
    if (data.size() < used + record_most) {
      data.resize(std::max(data.size() * 2, used + record_most));
    }
    used = static_cast<std::size_t>(put_row(data.data() + used, dots, width, repeats, end) -
                                    data.data());
    if (used > most) {
      data.clear();
      return false;
    }
    row += repeats + 1;
  }
  data.resize(used);
  return true;
}

}  // namespace kestrune
