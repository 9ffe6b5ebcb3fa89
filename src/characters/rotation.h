// The rotation kernel: a portrait bitmap turned a quarter turn
// counter-clockwise, built straight into the character being written.
#pragma once

#include <cstdint>
#include <span>

#include "softfont/definitions.h"

namespace kestrune {

// Writes the w x h portrait `bitmap` (stride (w + 7) / 8, h rows, all present)
// turned a quarter turn counter-clockwise: w rows of (h + 7) / 8 bytes, the
// source's rightmost column as the top row, as the next bytes of
// `character`. The rotated bitmap is built and written a few rows at a time,
// so memory does not follow its size. Returns false when the output fails,
// and, writing nothing, when `bitmap` holds fewer than h rows.
bool write_rotated_bitmap(std::span<const std::uint8_t> bitmap, std::uint16_t width,
                          std::uint16_t height, CharacterWriter& character);

}  // namespace kestrune
