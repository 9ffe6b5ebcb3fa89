// The compressed-bitmap (class 2) codec. Pure: no I/O.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "pcl/records.h"

namespace kestrune {

enum class Unpacked {
  kDone,
  kRunPastWidth,  // a run of dots would end beyond the character's width
  kTooLarge,      // the bitmap would be too large for a printer: bitmap_too_large()
};

// Unpacks the run-length data of a compressed (class 2) character, the bytes
// after its descriptor, into an uncompressed bitmap of `height` rows of
// row_stride(width) bytes, fill bits clear. Each row is coded as a repeat
// count r (the row stands r + 1 times, never past the height), then run
// lengths of clear and set dots by turns, clear first, until they add up to
// the width; a run of more than 255 dots is coded 255, 0, rest. Rows the data
// does not reach are clear, as is the rest of a row it stops inside; bytes
// after the last row are ignored.
Unpacked unpack_compressed_bitmap(std::span<const std::uint8_t> data, std::uint16_t width,
                                  std::uint16_t height, std::vector<std::uint8_t>& bitmap);

// What unpacking the same data would return, found by reading the runs
// alone: no bitmap is built. For a reader that judges a character and has
// no use for its dots.
Unpacked check_compressed_runs(std::span<const std::uint8_t> data, std::uint16_t width,
                               std::uint16_t height);

// The same bitmap turned a quarter turn counter-clockwise, as the landscape
// rotation turns a bitmap: `width` rows of row_stride(height) bytes, the
// source's rightmost column as the top row, fill bits clear. Built straight
// from the runs, with no portrait bitmap between.
Unpacked turn_compressed_bitmap(std::span<const std::uint8_t> data, std::uint16_t width,
                                std::uint16_t height, std::vector<std::uint8_t>& turned);

// The other way: an uncompressed bitmap of `height` rows of row_stride(width)
// bytes coded as the unpacking above reads it, into `data`. A row the rows
// after it repeat is coded once, with their count (at most 255 a record);
// every run is coded, the last clear one of a row too, and a run of more than
// 255 dots as 255, 0 and the rest, as often as it takes. Fill bits are not
// dots: they are ignored. False, with `data` empty, when the data would pass
// `most` bytes or the bitmap holds fewer bytes than its rows: a writer that
// only wants data shorter than the bitmap stops as soon as it is not.
bool pack_compressed_bitmap(std::span<const std::uint8_t> bitmap, std::uint16_t width,
                            std::uint16_t height, std::vector<std::uint8_t>& data,
                            std::size_t most = SIZE_MAX);

}  // namespace kestrune
