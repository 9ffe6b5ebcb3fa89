// The scan over the character definitions that follow the font header.
#pragma once

#include <cstddef>
#include <cstdint>

#include "bytes/input.h"
#include "bytes/messages.h"
#include "bytes/output.h"

namespace kestrune {

// A per-character transform: given the character code and its data block of
// `n` bytes (n >= 16: the character descriptor, then the bitmap), writes the
// character to the output and prints its own messages.
using CharacterTransform = void (*)(int code, std::size_t n, std::uint8_t* block, OutputBuffer& out,
                                    MessageSink& messages);

// Finds every character definition (ESC *c<code>E then ESC (s<n>W and n data
// bytes) from the input's position to its end and hands each to `transform`.
// Everything else is dropped. Malformed definitions are reported and skipped.
// Returns false, with one error line printed, when reading or writing fails.
bool scan_character_definitions(InputBuffer& in, OutputBuffer& out, CharacterTransform transform,
                                MessageSink& messages);

}  // namespace kestrune
