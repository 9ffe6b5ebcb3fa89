// The compressed-bitmap (class 2) codec. Pure: no I/O.
#pragma once

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

// The same bitmap turned a quarter turn counter-clockwise, as the landscape
// rotation turns a bitmap: `width` rows of row_stride(height) bytes, the
// source's rightmost column as the top row, fill bits clear. Built straight
// from the runs, with no portrait bitmap between.
Unpacked turn_compressed_bitmap(std::span<const std::uint8_t> data, std::uint16_t width,
                                std::uint16_t height, std::vector<std::uint8_t>& turned);

}  // namespace kestrune
