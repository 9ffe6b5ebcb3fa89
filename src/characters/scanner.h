// The scan over the character definitions that follow the font header.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "bytes/input.h"
#include "bytes/messages.h"
#include "bytes/output.h"
#include "softfont/definitions.h"
#include "softfont/font.h"

namespace kestrune {

// What a per-character transform works with: where it writes and prints,
// and room for unpacked dots and for a mended block, each serving one
// character after another.
struct TransformContext {
  OutputBuffer& out;
  MessageSink& messages;
  std::vector<std::uint8_t> unpacked;
  std::vector<std::uint8_t> mended;
};

// A per-character transform: given the character code and its complete data
// block (at least 16 bytes: the character descriptor, then the bitmap),
// writes the character to the output and prints its own messages.
using CharacterTransform = void (*)(int code, std::span<std::uint8_t> block,
                                    TransformContext& context);

// A mend made to a complete definition before its transform: returns the
// block the transform is to have, the definition's own or one in
// `context.mended`.
using CharacterMend = std::span<std::uint8_t> (*)(CharacterDefinition& definition,
                                                  TransformContext& context);

// Finds every character definition (ESC *c<code>E then ESC (s<n>W and n data
// bytes) of the font's body, from where its reading stands, and hands each
// to `transform`. Everything else is dropped. Malformed definitions are
// reported and skipped. A `mend`, when given, is made to each complete
// definition first. Returns false, with one error line printed, when
// reading or writing fails.
bool scan_character_definitions(FontReader& font, OutputBuffer& out, CharacterTransform transform,
                                MessageSink& messages, CharacterMend mend = nullptr);

}  // namespace kestrune
