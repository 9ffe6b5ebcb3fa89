// The row fill clean on single characters.
#include "characters/clean.h"

#include <gtest/gtest.h>

#include "font_builder.h"
#include "streams.h"

namespace kestrune {
namespace {

using fontbuilder::Bytes;

Bytes block(std::uint16_t width, std::uint16_t height, Bytes bitmap, std::uint8_t glyph_class = 1) {
  fontbuilder::GlyphSpec g;
  g.width = width;
  g.height = height;
  g.glyph_class = glyph_class;
  Bytes b = fontbuilder::character_descriptor(g);
  fontbuilder::append(b, bitmap);
  return b;
}

struct CleanCase {
  const char* name;
  std::uint16_t width, height;
  Bytes bitmap, cleaned;
  std::uint8_t glyph_class = 1;
};

TEST(ClearFillBits, MasksTheLastByteOfEveryRow) {
  const CleanCase cases[] = {
      {"3 wide", 3, 2, {0xA7, 0x67}, {0xA0, 0x60}},
      {"12 wide", 12, 2, {0xFF, 0xFF, 0x12, 0x3F}, {0xFF, 0xF0, 0x12, 0x30}},
      {"16 wide: nothing to mask", 16, 1, {0xFF, 0xFF}, {0xFF, 0xFF}},
      {"8 wide: nothing to mask", 8, 2, {0xFF, 0x81}, {0xFF, 0x81}},
      {"1 wide", 1, 3, {0xFF, 0x7F, 0x80}, {0x80, 0x00, 0x80}},
      {"0 wide", 0, 2, {0xFF, 0xFF}, {0xFF, 0xFF}},
      {"0 high", 3, 0, {0xFF}, {0xFF}},
      {"9 wide", 9, 1, {0xFF, 0xFF}, {0xFF, 0x80}},
      {"bytes after the last row untouched", 3, 1, {0xFF, 0xFF}, {0xE0, 0xFF}},
      {"compressed class masked all the same", 3, 1, {0xFF}, {0xE0}, 2},
      // Rows that the block does not wholly hold are left alone.
      {"short block: only whole rows",
       12,
       3,
       {0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
       {0xFF, 0xF0, 0xFF, 0xF0, 0xFF}},
      {"no bitmap at all", 12, 3, {}, {}},
  };
  for (const CleanCase& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes b = block(c.width, c.height, c.bitmap, c.glyph_class);
    const Bytes descriptor(b.begin(), b.begin() + 16);
    clear_fill_bits(b);
    EXPECT_EQ(Bytes(b.begin(), b.begin() + 16), descriptor);
    EXPECT_EQ(Bytes(b.begin() + 16, b.end()), c.cleaned);
  }
}

TEST(CleanRowFill, WritesTheCharacterWithItsByteCount) {
  const Bytes input = {4, 0, 14, 1, 0, 0, 0, 0, 0, 2, 0, 3, 0, 2, 0, 12, 0xA7, 0x67};
  const auto run = testsupport::run_transform(clean_row_fill, 65, input);
  Bytes expected = fontbuilder::text("\x1b*c65E\x1b(s18W");
  fontbuilder::append(expected, {4, 0, 14, 1, 0, 0, 0, 0, 0, 2, 0, 3, 0, 2, 0, 12, 0xA0, 0x60});
  EXPECT_EQ(run.output, expected);
  EXPECT_EQ(run.messages, "Character code 65 cleaned.\n");
}

}  // namespace
}  // namespace kestrune
