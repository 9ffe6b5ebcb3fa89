// The rotation and the cleaning work on whole bytes and words; here they are
// checked against the plain dot-by-dot rules on random glyphs of every width
// and height from 0 to 40 and on some large and oddly shaped ones.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "characters/clean.h"
#include "characters/landscape.h"
#include "characters/rotation.h"
#include "font_builder.h"
#include "streams.h"

namespace kestrune {
namespace {

using fontbuilder::Bytes;

struct Size {
  int width;
  int height;
};

std::string name_of(Size size) {
  return std::to_string(size.width) + "x" + std::to_string(size.height);
}

std::size_t stride_of(int dots) { return (static_cast<std::size_t>(dots) + 7) / 8; }

// Random bytes, fill bits included, so that a turn that lets fill bits through
// shows.
Bytes random_bytes(std::mt19937& rng, std::size_t count) {
  Bytes bytes(count);
  for (std::uint8_t& b : bytes) b = static_cast<std::uint8_t>(rng());
  return bytes;
}

Bytes turned_dot_by_dot(const Bytes& bitmap, Size size) {
  return fontbuilder::turned_dot_by_dot(bitmap, static_cast<std::size_t>(size.width),
                                        static_cast<std::size_t>(size.height));
}

// The last byte of each row that the block wholly holds loses the bits beyond
// the width.
Bytes cleaned_dot_by_dot(Bytes block) {
  const int width = block[10] << 8 | block[11];
  const int height = block[12] << 8 | block[13];
  const std::size_t stride = stride_of(width);
  for (int y = 0; y < height; ++y) {
    if (16 + (static_cast<std::size_t>(y) + 1) * stride > block.size()) break;
    for (int x = width; x < static_cast<int>(8 * stride); ++x) {
      const auto at = 16 + static_cast<std::size_t>(y) * stride + static_cast<std::size_t>(x) / 8;
      block[at] = static_cast<std::uint8_t>(block[at] & ~(0x80U >> (x % 8)));
    }
  }
  return block;
}

Bytes block_of(Size size, const Bytes& bitmap) {
  fontbuilder::GlyphSpec glyph;
  glyph.width = static_cast<std::uint16_t>(size.width);
  glyph.height = static_cast<std::uint16_t>(size.height);
  glyph.left_offset = -3;
  glyph.top_offset = 17;
  glyph.delta_x = 9;
  glyph.bitmap = bitmap;
  Bytes block = fontbuilder::character_descriptor(glyph);
  fontbuilder::append(block, bitmap);
  return block;
}

// The output buffer's capacity decides whether pieces are built in it or
// beside it and copied in; the bytes must not depend on it.
Bytes rotated_bitmap(const Bytes& bitmap, Size size,
                     std::size_t capacity = OutputBuffer::kDefaultCapacity) {
  Bytes written;
  OutputBuffer buffered(written, capacity);
  // The rotated bytes alone, with no data command ever full.
  CharacterWriter bytes_only{buffered, SIZE_MAX, SIZE_MAX};
  EXPECT_TRUE(write_rotated_bitmap(bitmap, static_cast<std::uint16_t>(size.width),
                                   static_cast<std::uint16_t>(size.height), bytes_only));
  EXPECT_TRUE(buffered.flush());
  return written;
}

std::vector<Size> small_sizes() {
  std::vector<Size> sizes;
  for (int width = 0; width <= 40; ++width) {
    for (int height = 0; height <= 40; ++height) sizes.push_back({width, height});
  }
  return sizes;
}

// Whole tiles of 64 x 64 dots with ragged edges on either side, single rows
// and columns, characters tall enough to be built eight rows at a time, and
// heights that end part way through a group of sixteen rows.
const Size kLargeSizes[] = {{1000, 3},  {3, 1000},   {65535, 1}, {1, 65535}, {64, 64},
                            {65, 63},   {127, 129},  {200, 300}, {513, 71},  {4000, 9},
                            {70, 8200}, {130, 8193}, {9, 8192},  {100, 57},  {66, 17},
                            {17, 66},   {90, 41},    {56, 53},   {45, 88}};

TEST(RotationReference, WriteRotatedBitmapTurnsEveryDot) {
  std::mt19937 rng(20240611);
  std::vector<Size> sizes = small_sizes();
  sizes.insert(sizes.end(), std::begin(kLargeSizes), std::end(kLargeSizes));
  for (const Size size : sizes) {
    SCOPED_TRACE(name_of(size));
    const Bytes bitmap =
        random_bytes(rng, stride_of(size.width) * static_cast<std::size_t>(size.height));
    const Bytes expected = turned_dot_by_dot(bitmap, size);
    ASSERT_EQ(rotated_bitmap(bitmap, size), expected);
    ASSERT_EQ(rotated_bitmap(bitmap, size, 100), expected);
  }
}

TEST(RotationReference, SolidGlyphsKeepTheirFillBitsClear) {
  for (const Size size : {Size{9, 9}, Size{63, 65}, Size{129, 67}, Size{70, 8201}}) {
    SCOPED_TRACE(name_of(size));
    const Bytes bitmap(stride_of(size.width) * static_cast<std::size_t>(size.height), 0xFF);
    ASSERT_EQ(rotated_bitmap(bitmap, size), turned_dot_by_dot(bitmap, size));
  }
}

// The whole transform: commands, the descriptor by its rules and the turned
// bitmap; bytes after the bitmap are dropped.
TEST(RotationReference, RotateCharacterToLandscapeWritesTheTurnedCharacter) {
  std::mt19937 rng(7);
  for (const Size size : small_sizes()) {
    SCOPED_TRACE(name_of(size));
    const Bytes bitmap =
        random_bytes(rng, stride_of(size.width) * static_cast<std::size_t>(size.height));
    Bytes block = block_of(size, bitmap);
    fontbuilder::append(block, {0xEE, 0xEE});
    const Bytes turned = turned_dot_by_dot(bitmap, size);

    Bytes expected =
        fontbuilder::text("\x1b*c77E\x1b(s" + std::to_string(turned.size() + 16) + "W");
    fontbuilder::append(expected, {4, 0, 14, 1, 1, 0, 0xFF, 0xEF});
    const int top = -3 + size.width;
    const auto low = [](int v) { return static_cast<std::uint8_t>(v & 0xFF); };
    fontbuilder::append(expected, {low(top >> 8), low(top), low(size.height >> 8), low(size.height),
                                   low(size.width >> 8), low(size.width), 0, 9});
    fontbuilder::append(expected, turned);

    const testsupport::TransformRun run =
        testsupport::run_transform(rotate_character_to_landscape, 77, block);
    ASSERT_EQ(run.output, expected);
    ASSERT_EQ(run.messages, "Character code 77 landscaped.\n");
    // A buffer too small for the commands and descriptor at once.
    ASSERT_EQ(testsupport::run_transform(rotate_character_to_landscape, 77, block, 40).output,
              expected);
  }
}

// A turned character too large for one data command: joined again, its data
// commands hold the turned dots, whether it came plain or compressed.
TEST(RotationReference, TurnedCharactersInSeveralDataCommandsHoldTheTurnedDots) {
  std::mt19937 rng(11);
  for (const Size size : {Size{300, 900}, Size{1000, 300}, Size{4000, 70}}) {
    for (const bool compressed : {false, true}) {
      SCOPED_TRACE(name_of(size) + (compressed ? " compressed" : ""));
      const Bytes bitmap =
          random_bytes(rng, stride_of(size.width) * static_cast<std::size_t>(size.height));
      Bytes block = block_of(size, bitmap);
      if (compressed) {
        block.resize(16);
        block[3] = 2;
        fontbuilder::append(block, fontbuilder::compress_bitmap(bitmap, size.width, size.height));
      }
      const Bytes out = testsupport::run_transform(rotate_character_to_landscape, 77, block).output;
      const std::string text(out.begin(), out.end());
      Bytes joined;
      int commands = 0;
      for (std::size_t at = 0; (at = text.find("\x1b(s", at)) != std::string::npos;) {
        const std::size_t w = text.find('W', at);
        const std::size_t count = std::stoul(text.substr(at + 3, w - at - 3));
        // A continuation's data begins 04 01.
        const std::size_t skip = commands++ == 0 ? 0 : 2;
        joined.insert(joined.end(), text.begin() + static_cast<long>(w + 1 + skip),
                      text.begin() + static_cast<long>(w + 1 + count));
        at = w + 1 + count;
      }
      EXPECT_GT(commands, 1);
      ASSERT_GE(joined.size(), 16U);
      EXPECT_EQ(joined[3], 1) << "written uncompressed";
      EXPECT_EQ(Bytes(joined.begin() + 16, joined.end()), turned_dot_by_dot(bitmap, size));
    }
  }
}

TEST(CleaningReference, ClearFillBitsClearsEveryDotBeyondTheWidth) {
  std::mt19937 rng(99);
  std::vector<Size> sizes = small_sizes();
  sizes.insert(sizes.end(), std::begin(kLargeSizes), std::end(kLargeSizes));
  for (const Size size : sizes) {
    SCOPED_TRACE(name_of(size));
    Bytes block = block_of(
        size, random_bytes(rng, stride_of(size.width) * static_cast<std::size_t>(size.height)));
    // Bytes after the last row are not the bitmap's and stay as they are.
    fontbuilder::append(block, random_bytes(rng, rng() % 3));
    const Bytes expected = cleaned_dot_by_dot(block);
    clear_fill_bits(block);
    ASSERT_EQ(block, expected);
  }
}

// A block cut anywhere: only the rows it wholly holds are cleaned.
TEST(CleaningReference, ShortBlocksCleanOnlyTheirWholeRows) {
  std::mt19937 rng(5);
  for (const Size size : {Size{3, 5}, Size{12, 4}, Size{17, 6}, Size{40, 3}, Size{1000, 2}}) {
    const Bytes whole = block_of(
        size, random_bytes(rng, stride_of(size.width) * static_cast<std::size_t>(size.height)));
    for (std::size_t length = 0; length <= whole.size(); ++length) {
      SCOPED_TRACE(name_of(size) + " cut to " + std::to_string(length));
      Bytes block(whole.begin(), whole.begin() + static_cast<long>(length));
      const Bytes expected = length < 16 ? block : cleaned_dot_by_dot(block);
      clear_fill_bits(block);
      ASSERT_EQ(block, expected);
    }
  }
}

TEST(CleaningReference, CleanRowFillWritesTheCleanedBlock) {
  std::mt19937 rng(3);
  for (const Size size : {Size{0, 4}, Size{1, 1}, Size{13, 40}, Size{40, 13}, Size{65535, 1}}) {
    SCOPED_TRACE(name_of(size));
    const Bytes block = block_of(
        size, random_bytes(rng, stride_of(size.width) * static_cast<std::size_t>(size.height)));
    Bytes expected = fontbuilder::text("\x1b*c5E\x1b(s" + std::to_string(block.size()) + "W");
    fontbuilder::append(expected, cleaned_dot_by_dot(block));
    const testsupport::TransformRun run = testsupport::run_transform(clean_row_fill, 5, block);
    ASSERT_EQ(run.output, expected);
    ASSERT_EQ(run.messages, "Character code 5 cleaned.\n");
  }
}

}  // namespace
}  // namespace kestrune
