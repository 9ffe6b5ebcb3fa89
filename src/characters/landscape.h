// The landscape rotation: turns a portrait character a quarter turn
// counter-clockwise.
#pragma once

#include <span>

#include "characters/scanner.h"
#include "pcl/records.h"

namespace kestrune {

// The descriptor of the rotated character: orientation 1, reserved 0, left
// offset -T, top offset L + w (each kept to its low 16 bits), width and
// height exchanged; format, class and delta X as they were.
CharacterDescriptor landscape_descriptor(const CharacterDescriptor& portrait);

// The landscape transform. A compressed character is unpacked first and
// written uncompressed; one that cannot be unpacked is skipped.
void rotate_character_to_landscape(int code, std::span<std::uint8_t> block,
                                   TransformContext& context);

}  // namespace kestrune
