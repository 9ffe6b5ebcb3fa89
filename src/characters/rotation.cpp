#include "characters/rotation.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

#include "pcl/words.h"

// The rotation turns sixteen rows at a time with SSE2 where the machine has
// it, else eight by eight in a 64-bit word.
#if defined(__SSE2__) && !defined(KESTRUNE_PORTABLE_ROTATION)
#include <emmintrin.h>
#define KESTRUNE_ROTATE_WITH_SSE2 1
// The vectors live in registers only when these short loops are unrolled,
// which GCC does by itself at -O3 but not at -O2.
#define KESTRUNE_UNROLL _Pragma("GCC unroll 16")
#else
#define KESTRUNE_ROTATE_WITH_SSE2 0
#endif

namespace kestrune {
namespace {

// The widest rotated row: a character 65535 dots high.
constexpr std::size_t kLargestStride = (std::size_t{UINT16_MAX} + 7) / 8;

// The rotated rows are built and written a piece at a time: the rows that
// come from eight source byte columns (64 rows) while they fit in this many
// bytes, that is for characters up to 8192 dots high, else the eight rows
// that come from one.
constexpr std::size_t kPieceBytes = 8 * kLargestStride;
constexpr std::size_t kTileColumns = 8;            // source byte columns turned together
static_assert(std::has_single_bit(kTileColumns));  // pieces are rounded with a mask

// The source bitmap and the piece of rotated rows being built from it.
// Source column c becomes rotated row top_column - c of the piece; byte j of
// a rotated row holds source rows 8j to 8j + 7.
struct Rotation {
  const std::uint8_t* source;
  std::size_t source_stride;
  std::size_t width;   // source columns at and beyond it are fill bits
  std::size_t height;  // source rows
  std::uint8_t* piece;
  std::size_t stride;  // bytes in a rotated row
  std::size_t top_column;
};

#if KESTRUNE_ROTATE_WITH_SSE2

// Eight bytes of source row `row` from byte column `byte_column` on, in the
// low half of a vector, for the rows that cannot be loaded straight from the
// bitmap: rows below it are clear, and of its last rows the bytes up to its
// end are gathered one by one, the rest clear. Bytes past the row's own end
// belong to byte columns no rotated row is made from.
__m128i load_row_bytes(const Rotation& r, std::size_t row, std::size_t byte_column) {
  if (row >= r.height) return _mm_setzero_si128();
  // row < height and byte_column < source_stride, so `at` lies in the bitmap.
  const std::size_t at = row * r.source_stride + byte_column;
  const std::size_t left = std::min<std::size_t>(8, r.height * r.source_stride - at);
  // Byte i goes to lane i, the low end of the word on this little-endian
  // machine.
  std::uint64_t bytes = 0;
  for (std::size_t i = 0; i < left; ++i) bytes |= std::uint64_t{r.source[at + i]} << (8 * i);
  return _mm_cvtsi64_si128(static_cast<long long>(bytes));
}

// Sixteen rows of eight bytes, one in the low half of each v[i], sorted into
// eight vectors, one for each byte column: lane i of columns[b] is byte b of
// v[i]. Rows are paired, then pairs of pairs, and so on.
void sort_into_byte_columns(const __m128i (&v)[16], __m128i (&columns)[8]) {
  __m128i pairs[8];
  KESTRUNE_UNROLL
  for (std::size_t k = 0; k < 8; ++k) pairs[k] = _mm_unpacklo_epi8(v[2 * k], v[2 * k + 1]);
  __m128i fours[8];  // [2k] byte columns 0-3 of rows 4k to 4k + 3, [2k + 1] 4-7
  KESTRUNE_UNROLL
  for (std::size_t k = 0; k < 4; ++k) {
    fours[2 * k] = _mm_unpacklo_epi16(pairs[2 * k], pairs[2 * k + 1]);
    fours[2 * k + 1] = _mm_unpackhi_epi16(pairs[2 * k], pairs[2 * k + 1]);
  }
  __m128i eights[8];  // [4h + m]: byte columns 2m and 2m + 1 of rows 8h to 8h + 7
  KESTRUNE_UNROLL
  for (std::size_t h = 0; h < 2; ++h) {
    const __m128i* f = fours + 4 * h;
    eights[4 * h + 0] = _mm_unpacklo_epi32(f[0], f[2]);
    eights[4 * h + 1] = _mm_unpackhi_epi32(f[0], f[2]);
    eights[4 * h + 2] = _mm_unpacklo_epi32(f[1], f[3]);
    eights[4 * h + 3] = _mm_unpackhi_epi32(f[1], f[3]);
  }
  KESTRUNE_UNROLL
  for (std::size_t m = 0; m < 4; ++m) {
    columns[2 * m] = _mm_unpacklo_epi64(eights[m], eights[4 + m]);
    columns[2 * m + 1] = _mm_unpackhi_epi64(eights[m], eights[4 + m]);
  }
}

// The sixteen source rows from first_row on, eight bytes of each from byte
// column `low` on, in the lane order write_turned_columns needs: v[0] to
// v[7] are rows 7 down to 0 of the group, v[8] to v[15] rows 15 down to 8. A
// row whose eight bytes lie inside the bitmap's `size` bytes is loaded
// straight from it.
void load_group(const Rotation& r, std::size_t first_row, std::size_t low, std::size_t size,
                __m128i (&v)[16]) {
  KESTRUNE_UNROLL
  for (std::size_t i = 0; i < 16; ++i) {
    const std::size_t row = first_row + (i < 8 ? 7 - i : 23 - i);
    const std::size_t at = row * r.source_stride + low;
    v[i] = at + 8 <= size ? _mm_loadl_epi64(reinterpret_cast<const __m128i*>(r.source + at))
                          : load_row_bytes(r, row, low);
  }
}

// Writes bytes j0 to j0 + 2 Groups - 1 (the last of them left out when
// `OddBytes`) of the rotated rows that come from the first `count` dot
// columns of a byte column, given its first `Groups` sixteen-row groups.
// The top bits of a group's sixteen bytes, gathered by movemask, are two
// bytes of a rotated row: the lanes were ordered so that the low byte holds
// the group's first eight rows, the first in its top bit, and a
// little-endian 16-bit store places both. Doubling every byte brings
// up the next dot column. Nothing is written beyond a row's own bytes, so the
// rows may be written in any order. Dot column k goes to piece[at - k stride].
template <std::size_t Groups, bool OddBytes>
void write_turned_column(const Rotation& r, const __m128i* groups, std::size_t count,
                         std::size_t at) {
  // Held apart from `r`: a byte stored through the piece might, for all the
  // compiler knows, change `r`, which would be read again after every store.
  std::uint8_t* const piece = r.piece;
  const std::size_t stride = r.stride;
  __m128i c[Groups];
  KESTRUNE_UNROLL
  for (std::size_t q = 0; q < Groups; ++q) c[q] = groups[8 * q];
  KESTRUNE_UNROLL
  for (std::size_t k = 0; k < 8; ++k, at -= stride) {
    if (k == count) break;
    KESTRUNE_UNROLL
    for (std::size_t q = 0; q < Groups; ++q) {
      const auto gathered = static_cast<std::uint16_t>(_mm_movemask_epi8(c[q]));
      if (OddBytes && q + 1 == Groups) {
        piece[at + 2 * q] = static_cast<std::uint8_t>(gathered);
      } else {
        std::memcpy(piece + at + 2 * q, &gathered, sizeof gathered);
      }
      c[q] = _mm_add_epi8(c[q], c[q]);
    }
  }
}

// The rotated rows' bytes j0 on from byte columns [low, high). Only the
// column holding the fill bits has fewer than eight dot columns: the others
// are written with a count the compiler knows.
template <std::size_t Groups, bool OddBytes>
void write_turned_columns(const Rotation& r, const __m128i (&columns)[4][8], std::size_t low,
                          std::size_t high, std::size_t j0) {
  const std::size_t whole = std::min(high, r.width / 8);
  std::size_t b = low;
  for (; b < whole; ++b) {
    write_turned_column<Groups, OddBytes>(r, &columns[0][b - low], 8,
                                          (r.top_column - 8 * b) * r.stride + j0);
  }
  if (b < high) {
    write_turned_column<Groups, OddBytes>(r, &columns[0][b - low], r.width - 8 * b,
                                          (r.top_column - 8 * b) * r.stride + j0);
  }
}

// The write for `bytes` (1 to 8) bytes of each rotated row.
template <std::size_t Groups>
void write_turned_bytes(const Rotation& r, const __m128i (&columns)[4][8], std::size_t low,
                        std::size_t high, std::size_t j0, std::size_t bytes) {
  if (bytes % 2 != 0) {
    write_turned_columns<Groups, true>(r, columns, low, high, j0);
  } else {
    write_turned_columns<Groups, false>(r, columns, low, high, j0);
  }
}

// Bytes j0 to j0 + 7 of the rotated rows that come from source byte columns
// [low, high) (at most eight), that is from source rows 8 j0 to 8 j0 + 63.
void rotate_tile(const Rotation& r, std::size_t low, std::size_t high, std::size_t j0) {
  const std::size_t first_row = 8 * j0;
  const std::size_t bytes = std::min<std::size_t>(8, r.stride - j0);
  const std::size_t groups = (bytes + 1) / 2;
  const std::size_t size = r.height * r.source_stride;
  __m128i columns[4][8];  // [sixteen-row group][byte column]
  for (std::size_t q = 0; q < groups; ++q) {
    __m128i v[16];
    load_group(r, first_row + 16 * q, low, size, v);
    sort_into_byte_columns(v, columns[q]);
  }
  switch (groups) {
    case 1:
      write_turned_bytes<1>(r, columns, low, high, j0, bytes);
      break;
    case 2:
      write_turned_bytes<2>(r, columns, low, high, j0, bytes);
      break;
    case 3:
      write_turned_bytes<3>(r, columns, low, high, j0, bytes);
      break;
    default:
      write_turned_bytes<4>(r, columns, low, high, j0, bytes);
      break;
  }
}

// Builds every rotated row that comes from source byte columns [low, high).
void rotate_byte_columns(const Rotation& r, std::size_t low, std::size_t high) {
  for (std::size_t j0 = 0; j0 < r.stride; j0 += 8) rotate_tile(r, low, high, j0);
}

#else

// Turns an 8 x 8 block of dots held one row per byte, the top row in the
// most significant byte and each row's leftmost dot in its byte's top bit,
// into the same block held one column per byte: afterwards the most
// significant byte is the leftmost column, its top dot in the byte's top bit.
inline std::uint64_t transpose_bits_8x8(std::uint64_t x) {
  std::uint64_t t = (x ^ (x >> 7)) & 0x00AA00AA00AA00AAULL;
  x = x ^ t ^ (t << 7);
  t = (x ^ (x >> 14)) & 0x0000CCCC0000CCCCULL;
  x = x ^ t ^ (t << 14);
  t = (x ^ (x >> 28)) & 0x00000000F0F0F0F0ULL;
  return x ^ t ^ (t << 28);
}

// One byte from each of `rows` (at most 8) rows, `stride` apart, the first in
// the most significant byte; missing rows below the bitmap read as clear.
std::uint64_t gather_rows(const std::uint8_t* first, std::size_t stride, std::size_t rows) {
  std::uint64_t x = 0;
  if (rows == 8) {
    for (std::size_t k = 0; k < 8; ++k) x = x << 8 | first[k * stride];
    return x;
  }
  for (std::size_t k = 0; k < 8; ++k) {
    x <<= 8;
    if (k < rows) x |= first[k * stride];
  }
  return x;
}

// The 8 x 8 block of source byte column `byte_column` and row group `j`, one
// byte at a time: serves the edges of the bitmap, where a block may lack rows
// or hold fill bits.
void rotate_block(const Rotation& r, std::size_t byte_column, std::size_t j) {
  const std::size_t present = std::min<std::size_t>(8, r.height - 8 * j);
  const std::uint64_t columns = transpose_bits_8x8(
      gather_rows(r.source + 8 * j * r.source_stride + byte_column, r.source_stride, present));
  const std::size_t first_column = 8 * byte_column;
  const std::size_t count = std::min<std::size_t>(8, r.width - first_column);
  const std::size_t stride = r.stride;
  std::uint8_t* at = r.piece + (r.top_column - first_column) * stride + j;
  if (count == 8) {  // the common case, unrolled
    for (std::size_t i = 0; i < 8; ++i) {
      *(at - i * stride) = static_cast<std::uint8_t>(columns >> (56 - 8 * i));
    }
    return;
  }
  for (std::size_t i = 0; i < count; ++i) {
    *at = static_cast<std::uint8_t>(columns >> (56 - 8 * i));
    at -= stride;
  }
}

// Exchanges the low part of each `shift`-bit half of `upper` with the high
// part of the same half of `lower`, `low` masking the low parts.
inline void exchange(std::uint64_t& upper, std::uint64_t& lower, unsigned shift,
                     std::uint64_t low) {
  const std::uint64_t u = upper;
  const std::uint64_t l = lower;
  upper = (u & ~low) | ((l >> shift) & low);
  lower = ((u << shift) & ~low) | (l & low);
}

// Transposes an 8 x 8 matrix of bytes, word k being row k and a byte's
// position counted from the most significant end its column: afterwards
// word p holds what was column p, row k's byte at position k. Blocks of four,
// then two, then one byte change places across the diagonal.
inline void transpose_bytes_8x8(std::uint64_t (&w)[8]) {
  // Rows k and k + span change blocks of span bytes, for spans 4, 2 and 1.
  constexpr std::uint64_t kLowParts[] = {0x00000000FFFFFFFFULL, 0x0000FFFF0000FFFFULL,
                                         0x00FF00FF00FF00FFULL};
  for (std::size_t step = 0, span = 4; step < 3; ++step, span /= 2) {
    for (std::size_t k = 0; k < 8; ++k) {
      if ((k & span) == 0) {
        exchange(w[k], w[k + span], static_cast<unsigned>(8 * span), kLowParts[step]);
      }
    }
  }
}

// The position, counted from the most significant end, that the i-th of
// eight bytes loaded in the machine's own order takes in the word.
constexpr std::size_t byte_position(std::size_t i) {
  return std::endian::native == std::endian::big ? i : 7 - i;
}

// 64 whole source rows (row groups j0 to j0 + 7) by 64 source columns (byte
// columns b0 to b0 + 7), all inside the bitmap, a word at a time: each group
// of eight rows is loaded as eight words and sorted into byte columns, each
// 8 x 8 block turned, and each column's eight turned bytes gathered into the
// word that is its rotated row's bytes j0 to j0 + 7.
void rotate_tile(const Rotation& r, std::size_t b0, std::size_t j0) {
  std::uint64_t turned[kTileColumns][8];  // [byte column][row group]
  for (std::size_t g = 0; g < 8; ++g) {
    const std::uint8_t* rows = r.source + (8 * (j0 + g)) * r.source_stride + b0;
    std::uint64_t w[8];
    for (std::size_t k = 0; k < 8; ++k) {
      w[k] = load_word<std::endian::native>(rows + k * r.source_stride);
    }
    transpose_bytes_8x8(w);
    for (std::size_t b = 0; b < kTileColumns; ++b) {
      turned[b][g] = transpose_bits_8x8(w[byte_position(b)]);
    }
  }
  // Rows of the piece are written from its last, source column 8 * b0 + 63,
  // to its first.
  const std::size_t stride = r.stride;
  std::uint8_t* row = r.piece + (r.top_column - 8 * b0 - 63) * stride + j0;
  for (std::size_t b = kTileColumns; b-- > 0;) {
    transpose_bytes_8x8(turned[b]);
    for (std::size_t i = 8; i-- > 0;) {
      store_word<std::endian::big>(row, turned[b][i]);
      row += stride;
    }
  }
}

// Builds every rotated row that comes from source byte columns [low, high).
void rotate_byte_columns(const Rotation& r, std::size_t low, std::size_t high) {
  const bool whole_columns = high - low == kTileColumns && 8 * high <= r.width;
  const std::size_t whole_groups = r.height / 8;
  for (std::size_t j0 = 0; j0 < r.stride; j0 += 8) {
    if (whole_columns && j0 + 8 <= whole_groups) {
      rotate_tile(r, low, j0);
      continue;
    }
    for (std::size_t j = j0; j < std::min(j0 + 8, r.stride); ++j) {
      for (std::size_t byte_column = low; byte_column < high; ++byte_column) {
        rotate_block(r, byte_column, j);
      }
    }
  }
}

#endif

// Builds the rotated bitmap a piece at a time and hands each piece to
// `write_piece(most, build)`, which has `build` put at most `most` bytes
// somewhere and writes them.
template <typename WritePiece>
bool write_rotated_pieces(std::span<const std::uint8_t> bitmap, std::uint16_t width,
                          std::uint16_t height, WritePiece write_piece) {
  const std::size_t source_stride = row_stride(width);
  const std::size_t stride = row_stride(height);
  if (bitmap.size() < source_stride * height) return false;
  if (stride == 0) return true;  // rows of no bytes
  const std::size_t columns_per_piece = 8 * kTileColumns * stride <= kPieceBytes ? kTileColumns : 1;
  // A piece is the source byte columns [low, high), low a multiple of
  // columns_per_piece, taken from the source's right edge leftwards: only the
  // piece holding the fill bits is not made of whole tiles.
  std::size_t high = source_stride;
  while (high > 0) {
    // Rounded down without a division: columns_per_piece is 8 or 1.
    const std::size_t low = columns_per_piece == 1 ? high - 1 : (high - 1) & ~(kTileColumns - 1);
    const std::size_t rows = std::min<std::size_t>(width, 8 * high) - 8 * low;
    const bool written = write_piece(rows * stride, [&](std::uint8_t* piece) {
      const Rotation r = {.source = bitmap.data(),
                          .source_stride = source_stride,
                          .width = width,
                          .height = height,
                          .piece = piece,
                          .stride = stride,
                          .top_column = 8 * low + rows - 1};
      rotate_byte_columns(r, low, high);
      return rows * stride;
    });
    if (!written) return false;
    high = low;
  }
  return true;
}

}  // namespace

bool write_rotated_bitmap(std::span<const std::uint8_t> bitmap, std::uint16_t width,
                          std::uint16_t height, CharacterWriter& character) {
  // Each piece is built in the output's buffer when the buffer and the data
  // command have room for it, else beside it and then written.
  std::uint8_t spare[kPieceBytes];
  return write_rotated_pieces(bitmap, width, height, [&](std::size_t most, auto build) {
    if (std::uint8_t* at = character_room(character, most)) {
      commit_character_bytes(character, build(at));
      return true;
    }
    return write_character_bytes(character, std::span<const std::uint8_t>(spare, build(spare)));
  });
}

}  // namespace kestrune
