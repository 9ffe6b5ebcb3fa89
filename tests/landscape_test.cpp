// The landscape rotation on single characters, checked against a plain
// dot-by-dot turn written here.
#include "characters/landscape.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "font_builder.h"
#include "streams.h"

namespace kestrune {
namespace {

using fontbuilder::Bytes;
using fontbuilder::GlyphSpec;

Bytes block_of(const GlyphSpec& g) {
  Bytes b = fontbuilder::character_descriptor(g);
  fontbuilder::append(b, fontbuilder::character_bitmap(g));
  return b;
}

// A quarter turn counter-clockwise: the source's rightmost column, top to
// bottom, becomes the top row, left to right.
std::vector<std::string> turned(const std::vector<std::string>& rows, int width) {
  std::vector<std::string> out(static_cast<std::size_t>(width), std::string(rows.size(), '.'));
  for (std::size_t y = 0; y < rows.size(); ++y) {
    for (int x = 0; x < width; ++x)
      out[static_cast<std::size_t>(width - 1 - x)][y] = rows[y][static_cast<std::size_t>(x)];
  }
  return out;
}

std::vector<std::string> random_rows(std::mt19937& rng, int width, int height) {
  std::vector<std::string> rows(static_cast<std::size_t>(height),
                                std::string(static_cast<std::size_t>(width), '.'));
  for (auto& row : rows) {
    for (auto& dot : row) dot = (rng() & 1) != 0 ? '#' : '.';
  }
  return rows;
}

// Splits what the transform wrote into its descriptor and bitmap, checking
// the two commands in front of them.
struct Written {
  CharacterDescriptor descriptor;
  Bytes bitmap;
};
Written parse_written(const Bytes& output, int code, std::size_t rotated_size) {
  const std::string head =
      "\x1b*c" + std::to_string(code) + "E\x1b(s" + std::to_string(rotated_size + 16) + "W";
  EXPECT_GE(output.size(), head.size() + 16);
  EXPECT_EQ(std::string(output.begin(), output.begin() + static_cast<long>(head.size())), head);
  Written w;
  w.descriptor = decode_character_descriptor(
      std::span<const std::uint8_t, 16>(output.data() + head.size(), 16));
  w.bitmap.assign(output.begin() + static_cast<long>(head.size() + 16), output.end());
  EXPECT_EQ(w.bitmap.size(), rotated_size);
  return w;
}

TEST(RotateCharacterToLandscape, ThreeByTwoExample) {
  const Bytes input = {4, 0, 14, 1, 0, 0, 0, 0, 0, 2, 0, 3, 0, 2, 0, 12, 0xA0, 0x60};
  const auto run = testsupport::run_transform(rotate_character_to_landscape, 65, input);
  Bytes expected = fontbuilder::text("\x1b*c65E\x1b(s19W");
  fontbuilder::append(expected,
                      {4, 0, 14, 1, 1, 0, 0xFF, 0xFE, 0, 3, 0, 2, 0, 3, 0, 12, 0xC0, 0x40, 0x80});
  EXPECT_EQ(run.output, expected);
  EXPECT_EQ(run.messages, "Character code 65 landscaped.\n");
}

TEST(RotateCharacterToLandscape, MatchesADotByDotTurnAcrossByteBoundaries) {
  std::mt19937 rng(7);
  const int sizes[] = {0, 1, 7, 8, 9, 15, 16, 17, 24, 33};
  for (int width : sizes) {
    for (int height : sizes) {
      SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height));
      GlyphSpec g;
      g.width = static_cast<std::uint16_t>(width);
      g.height = static_cast<std::uint16_t>(height);
      g.rows = random_rows(rng, width, height);
      const auto run = testsupport::run_transform(rotate_character_to_landscape, 1, block_of(g));
      const std::size_t rotated_size =
          static_cast<std::size_t>(width) * ((static_cast<std::size_t>(height) + 7) / 8);
      const Written w = parse_written(run.output, 1, rotated_size);
      EXPECT_EQ(w.descriptor.width, height);
      EXPECT_EQ(w.descriptor.height, width);
      EXPECT_EQ(fontbuilder::rows_from_bitmap(w.bitmap, height, width), turned(g.rows, width));
      // The turned bitmap's fill bits are clear.
      EXPECT_EQ(fontbuilder::bitmap_from_rows(turned(g.rows, width), height), w.bitmap);
    }
  }
}

TEST(LandscapeDescriptor, OffsetsKeepTheirLow16Bits) {
  struct Case {
    std::int16_t left, top;
    std::uint16_t width;
    std::int16_t new_left, new_top;
  };
  const Case cases[] = {
      {0, 2, 3, -2, 3},
      {-2, 20, 10, -20, 8},
      {0, -32768, 1, -32768, 1},          // -(-32768) is 32768, whose low 16 bits read -32768
      {32767, 32767, 2, -32767, -32767},  // 32769 wraps
      {-32768, 0, 65535, 0, 32767},
      {100, -5, 65535, 5, 99},  // 65635 wraps
  };
  for (const Case& c : cases) {
    CharacterDescriptor d;
    d.left_offset = c.left;
    d.top_offset = c.top;
    d.width = c.width;
    d.height = 9;
    d.delta_x = -7;
    const CharacterDescriptor r = landscape_descriptor(d);
    EXPECT_EQ(r.left_offset, c.new_left);
    EXPECT_EQ(r.top_offset, c.new_top);
    EXPECT_EQ(r.width, 9);
    EXPECT_EQ(r.height, c.width);
    EXPECT_EQ(r.delta_x, -7);
    EXPECT_EQ(r.orientation, 1);
  }
}

struct MessageCase {
  const char* name;
  std::uint8_t format, glyph_class, orientation;
  std::string messages;
  std::uint8_t written_class;
};

// Reports never stop the turn: each of these characters is still written. A
// compressed character is unpacked and written uncompressed, turned as its
// uncompressed twin is.
TEST(RotateCharacterToLandscape, DescriptorProblemsAreReportedOnly) {
  const MessageCase cases[] = {
      {"compressed", 4, 2, 0, "", 1},
      {"foreign format", 5, 1, 0, "Error: Invalid data in character 9.\n", 1},
      {"foreign class", 4, 3, 0, "Error: Invalid data in character 9.\n", 3},
      {"not portrait", 4, 1, 1, "Error: Character should be portrait.\n", 1},
      {"compressed and not portrait", 4, 2, 3, "Error: Character should be portrait.\n", 1},
  };
  for (const MessageCase& c : cases) {
    SCOPED_TRACE(c.name);
    GlyphSpec g;
    g.format = c.format;
    g.glyph_class = c.glyph_class;
    g.orientation = c.orientation;
    g.rows = {"#..", ".##"};
    if (c.glyph_class == 2) g.bitmap = Bytes{0, 0, 1, 2, 0, 1, 2};  // the same rows, as runs
    const auto run = testsupport::run_transform(rotate_character_to_landscape, 9, block_of(g));
    EXPECT_EQ(run.messages, c.messages + "Character code 9 landscaped.\n");
    const Written w = parse_written(run.output, 9, 3);
    EXPECT_EQ(w.descriptor.orientation, 1);
    EXPECT_EQ(w.descriptor.glyph_class, c.written_class);
    EXPECT_EQ(w.descriptor.format, c.format);
    EXPECT_EQ(fontbuilder::rows_from_bitmap(w.bitmap, 2, 3), turned(g.rows, 3));
  }
}

// A compressed character that cannot be unpacked is skipped with one line.
TEST(RotateCharacterToLandscape, DamagedCompressedCharactersAreSkipped) {
  // A run past the width, and 4097 x 2048 dots: over 1 MiB unpacked.
  for (const auto& [width, runs] : {std::pair{3, Bytes{0, 1, 3}}, std::pair{4097, Bytes{0}}}) {
    GlyphSpec g;
    g.glyph_class = 2;
    g.orientation = 1;  // no portrait message either
    g.width = static_cast<std::uint16_t>(width);
    g.height = 2048;
    g.bitmap = runs;
    const auto run = testsupport::run_transform(rotate_character_to_landscape, 9, block_of(g));
    EXPECT_EQ(run.output, Bytes{});
    EXPECT_EQ(run.messages, "Error: Character 9 holds damaged compressed data; skipped.\n");
  }
}

TEST(RotateCharacterToLandscape, BlockShorterThanItsBitmapIsSkipped) {
  GlyphSpec g;
  g.width = 9;
  g.height = 4;
  g.bitmap = Bytes(7, 0xFF);  // 8 needed
  const auto run = testsupport::run_transform(rotate_character_to_landscape, 3, block_of(g));
  EXPECT_EQ(run.output, Bytes{});
  EXPECT_EQ(run.messages,
            "Error: Character 3 holds fewer bitmap bytes than its size needs; skipped.\n");
}

TEST(RotateCharacterToLandscape, BytesAfterTheBitmapAreNotWritten) {
  GlyphSpec g;
  g.rows = {"#..", ".##"};
  g.bitmap = Bytes{0xA0, 0x60, 0xEE, 0xEE};
  const auto run = testsupport::run_transform(rotate_character_to_landscape, 65, block_of(g));
  EXPECT_EQ(parse_written(run.output, 65, 3).bitmap, (Bytes{0xC0, 0x40, 0x80}));
}

// Four quarter turns, each taking the last as a fresh portrait character,
// give back the glyph and its offsets.
TEST(RotateCharacterToLandscape, FourTurnsGiveBackTheGlyph) {
  std::mt19937 rng(11);
  for (int trial = 0; trial < 60; ++trial) {
    GlyphSpec g;
    const int width = static_cast<int>(rng() % 30);
    const int height = static_cast<int>(rng() % 30);
    g.width = static_cast<std::uint16_t>(width);
    g.height = static_cast<std::uint16_t>(height);
    g.left_offset = static_cast<std::int16_t>(static_cast<int>(rng() % 200) - 100);
    g.top_offset = static_cast<std::int16_t>(static_cast<int>(rng() % 200) - 100);
    g.delta_x = 44;
    g.rows = random_rows(rng, width, height);
    Bytes original = block_of(g);
    // Dirty fill bits must not survive the turns.
    const std::size_t stride = (static_cast<std::size_t>(width) + 7) / 8;
    if (stride * 8 != static_cast<std::size_t>(width)) {
      for (std::size_t r = 0; r < static_cast<std::size_t>(height); ++r)
        original[16 + r * stride + stride - 1] |= 1;
    }
    Bytes block = original;
    for (int turn = 0; turn < 4; ++turn) {
      block[4] = 0;  // a fresh portrait character
      const auto run = testsupport::run_transform(rotate_character_to_landscape, 5, block);
      // The block follows the "W" of the descriptor and data command.
      const auto block_start = std::find(run.output.begin() + 5, run.output.end(), 'W') + 1;
      block.assign(block_start, run.output.end());
    }
    block[4] = 0;
    EXPECT_EQ(block, block_of(g)) << width << "x" << height;
  }
}

}  // namespace
}  // namespace kestrune
