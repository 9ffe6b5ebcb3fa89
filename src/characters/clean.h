// The row fill clean: zeroes the bits beyond a character's width at the end
// of each bitmap row.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "bytes/messages.h"
#include "bytes/output.h"
#include "pcl/records.h"
#include "softfont/definitions.h"

namespace kestrune {

// Masks the last byte of every bitmap row that lies wholly inside `block`;
// the descriptor is read for width and height only and never validated.
void clear_fill_bits(std::span<std::uint8_t> block);

// The cleaning transform: cleans the block (a compressed character's is left
// as it is), then writes the character under its code with the same bytes,
// in data commands of at most kLargestDataBlock bytes.
void clean_row_fill(int code, std::size_t n, std::uint8_t* block, OutputBuffer& out,
                    MessageSink& messages);

}  // namespace kestrune
