// The viewer's character table and drawings: what each definition's block
// holds, in the classifier's words, one row and one drawing a character.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "bytes/messages.h"
#include "softfont/classifier.h"
#include "softfont/definitions.h"
#include "softfont/font.h"

namespace kestrune::view {

// What a definition's block says, and whether it can be drawn.
struct GlyphInfo {
  bool has_descriptor = false;  // a complete block: all 16 descriptor bytes
  CharacterDescriptor descriptor;
  bool drawable = false;  // a bitmap, plain or unpacked
  bool damaged = false;
  std::span<const std::uint8_t> bitmap;  // the dots as far as present, or unpacked
  std::size_t bitmap_needed = 0;         // height x row stride
  std::string note;                      // empty, or what is wrong or unusual
};

// The definition the font's reading stands at, classified; its dots stay
// valid until the next definition is read.
GlyphInfo inspect(FontReader& font);

void print_table_row(const CharacterDefinition& definition, const GlyphInfo& info,
                     MessageSink& out);
void print_glyph(const CharacterDefinition& definition, const GlyphInfo& info, MessageSink& out);

// How far a glyph's dots may lie from its reference point, in dots, in any
// direction, whichever way the printer turns it.
int reach_of(const CharacterDescriptor& d);

// The rows of a w x h bitmap that the bytes present reach, top first: '#' for
// a set dot, '.' for a clear one. A row only partly present ends in '?' for
// its missing dots; rows wholly missing are left out.
std::vector<std::string> draw_rows(std::span<const std::uint8_t> bitmap, std::uint16_t width,
                                   std::uint16_t height);

}  // namespace kestrune::view
