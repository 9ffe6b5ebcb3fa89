// The landscape rotation: turns a portrait character a quarter turn
// counter-clockwise.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "bytes/messages.h"
#include "bytes/output.h"
#include "pcl/records.h"
#include "softfont/definitions.h"

namespace kestrune {

// The descriptor of the rotated character: orientation 1, reserved 0, left
// offset -T, top offset L + w (each kept to its low 16 bits), width and
// height exchanged; format, class and delta X as they were.
CharacterDescriptor landscape_descriptor(const CharacterDescriptor& portrait);

// Writes the w x h portrait `bitmap` (stride (w + 7) / 8, h rows, all present)
// turned a quarter turn counter-clockwise: w rows of (h + 7) / 8 bytes, the
// source's rightmost column as the top row. The rotated bitmap is built and
// written a few rows at a time, so memory does not follow its size. Returns
// false when the output fails, and, writing nothing, when `bitmap` holds
// fewer than h rows.
bool write_rotated_bitmap(std::span<const std::uint8_t> bitmap, std::uint16_t width,
                          std::uint16_t height, OutputBuffer& out);
// The same, as the bytes of a character being written, which may be split
// over several data commands.
bool write_rotated_bitmap(std::span<const std::uint8_t> bitmap, std::uint16_t width,
                          std::uint16_t height, CharacterOutput& character);

// The landscape transform. A compressed character is unpacked first and
// written uncompressed; one that cannot be unpacked is skipped.
void rotate_character_to_landscape(int code, std::size_t n, std::uint8_t* block, OutputBuffer& out,
                                   MessageSink& messages);

}  // namespace kestrune
