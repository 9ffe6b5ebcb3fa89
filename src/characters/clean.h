// The row fill clean: zeroes the bits beyond a character's width at the end
// of each bitmap row.
#pragma once

#include <span>

#include "characters/scanner.h"

namespace kestrune {

// Masks the last byte of every bitmap row that lies wholly inside `block`;
// the descriptor is read for width and height only and never validated.
void clear_fill_bits(std::span<std::uint8_t> block);

// The cleaning transform: cleans the block (a compressed character's is left
// as it is), then writes the character under its code with the same bytes.
void clean_row_fill(int code, std::span<std::uint8_t> block, TransformContext& context);

}  // namespace kestrune
