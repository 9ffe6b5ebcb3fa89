// The mends of -fix: what the book of rules marks as mended by kestrune -fix,
// put right without changing what the font prints. The font's own (a PCL
// prefix, First and Last Code) are the header phase's; a character's are
// made here, by the rules it breaks.
#pragma once

#include <span>

#include "characters/scanner.h"
#include "check/rules.h"

namespace kestrune {

// The rules -fix mends, the header phase's and a character's.
std::span<const check::RuleId> rules_fix_mends();

// Mends a complete definition by each rule it breaks that -fix mends: a
// descriptor size byte other than 14 is set to 14; a compressed character
// continued over data commands, or too large for one, is unpacked into a
// plain bitmap; every character goes out in data commands a printer takes.
// Prints "fixed." for a character it mended. Returns the block to write:
// the definition's own, changed in place, or one in `context.mended`.
std::span<std::uint8_t> mend_character(CharacterDefinition& definition, TransformContext& context);

// The transform of a -fix run without -l or -clean: the character as it
// stands, in data commands a printer takes.
void keep_character(int code, std::span<std::uint8_t> block, TransformContext& context);

}  // namespace kestrune
