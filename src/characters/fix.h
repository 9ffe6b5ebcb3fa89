// The mends of -fix: what a printer would refuse in a character that can be
// put right without changing what it prints.
#pragma once

#include <span>

#include "characters/scanner.h"

namespace kestrune {

// Sets a descriptor size byte other than 14 to 14, and unpacks a compressed
// character that needs more than one data command, which printers do not
// join, into a plain bitmap. Prints "fixed." for a character it mended.
std::span<std::uint8_t> mend_character(const CharacterDefinition& definition,
                                       TransformContext& context);

// The transform of a -fix run without -l or -clean: the character as it
// stands, in data commands a printer takes.
void keep_character(int code, std::span<std::uint8_t> block, TransformContext& context);

}  // namespace kestrune
