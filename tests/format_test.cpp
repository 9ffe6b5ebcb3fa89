// The read and write primitives every phase goes through.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <climits>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "bytes/input.h"
#include "bytes/output.h"
#include "font_builder.h"
#include "pcl/compressed.h"
#include "pcl/words.h"
#include "softfont/definitions.h"

namespace kestrune {
namespace {

using fontbuilder::Bytes;
using fontbuilder::text;
constexpr int EOF_ = kEndOfInput;

struct FieldCase {
  std::string input;
  int value;
  int terminator;
  bool overflow;
  int next;  // the byte after the terminator, EOF_ when none
};

TEST(ReadDecimalField, ReadsDigitsUpToTheTerminator) {
  const FieldCase cases[] = {
      {"E", 0, 'E', false, EOF_},
      {"65E", 65, 'E', false, EOF_},
      {"065E", 65, 'E', false, EOF_},
      {"18W\x04", 18, 'W', false, 4},
      {"12", 12, EOF_, false, EOF_},  // the end of the input ends the digits
      {"", 0, EOF_, false, EOF_},
      {"7/", 7, '/', false, EOF_},  // '/' and ':' border the digits
      {"7:", 7, ':', false, EOF_},
      {"\xff", 0, 0xFF, false, EOF_},  // bytes are taken unsigned
      {"2147483647E", INT_MAX, 'E', false, EOF_},
      {"2147483648E", INT_MAX, 'E', true, EOF_},
      {"99999999999999999999999E1", INT_MAX, 'E', true, '1'},
      // Eight bytes or more ahead: the digits are read as one word.
      {"65E\x1b(s18W", 65, 'E', false, 0x1B},
      {"1234567E.", 1234567, 'E', false, '.'},
      {"12345678E", 12345678, 'E', false, EOF_},  // eight digits: byte by byte
      {"E2345678", 0, 'E', false, '2'},
      {"0/:09876543", 0, '/', false, ':'},
      {"98:xxxxxx", 98, ':', false, 'x'},
      {"3\xb9\xb9\xb9\xb9\xb9\xb9\xb9", 3, 0xB9, false, 0xB9},  // low half 9, high half not 3
  };
  for (const FieldCase& c : cases) {
    SCOPED_TRACE(c.input);
    const Bytes bytes = text(c.input);
    InputBuffer in(bytes);
    const DecimalField field = in.read_decimal_field();
    EXPECT_EQ(field.value, c.value);
    EXPECT_EQ(field.terminator, c.terminator);
    EXPECT_EQ(field.overflow, c.overflow);
    EXPECT_EQ(in.next_byte(), c.next);
  }
}

TEST(ReadBe16, ReadsBigEndianOrFailsShort) {
  int value = -1;
  const Bytes bytes = {0x01, 0x2C, 0xFF, 0xFE, 0x07};
  InputBuffer in(bytes);
  ASSERT_TRUE(read_be16(in, value));
  EXPECT_EQ(value, 300);
  ASSERT_TRUE(read_be16(in, value));
  EXPECT_EQ(value, 65534);
  EXPECT_FALSE(read_be16(in, value));  // one byte left
  EXPECT_EQ(value, 65534);
}

TEST(EmitCommand, WritesValueInDecimalWithoutPadding) {
  Bytes written;
  OutputBuffer out(written);
  ASSERT_TRUE(emit_command("*c", 65, 'E', out));
  ASSERT_TRUE(emit_command("(s", 0, 'W', out));
  ASSERT_TRUE(emit_command(")s", -15, 'W', out));
  ASSERT_TRUE(emit_command("(s", INT_MAX, 'W', out));
  ASSERT_TRUE(emit_command("(s", INT_MIN, 'W', out));
  ASSERT_TRUE(out.flush());
  const std::string expected = "\x1b*c65E\x1b(s0W\x1b)s-15W\x1b(s2147483647W\x1b(s-2147483648W";
  EXPECT_EQ(std::string(written.begin(), written.end()), expected);
}

// Every digit count, both signs, each side of every power of ten, and a
// spread of others, against printf's "%d", through a buffer that fills often.
TEST(EmitCommand, WritesEveryValueAsPrintfDoes) {
  std::vector<int> values = {0, INT_MAX, INT_MIN, INT_MIN + 1};
  for (long long power = 1; power <= 1000000000LL; power *= 10) {
    for (const long long near : {power - 1, power, power + 1}) {
      values.push_back(static_cast<int>(near));
      values.push_back(static_cast<int>(-near));
    }
  }
  std::mt19937 random(65);
  for (int i = 0; i < 2000; ++i) values.push_back(static_cast<int>(random()));
  Bytes written_buffered;
  OutputBuffer buffered(written_buffered, 64);
  std::string expected;
  for (const int value : values) {
    ASSERT_TRUE(emit_command("(s", value, 'W', buffered));
    char text[32];
    std::snprintf(text, sizeof text, "\x1b(s%dW", value);
    expected += text;
  }
  ASSERT_TRUE(buffered.flush());
  EXPECT_EQ(std::string(written_buffered.begin(), written_buffered.end()), expected);
}

TEST(MatchBytes, TellsMismatchFromCutShort) {
  const std::uint8_t expected[] = {27, '(', 's'};
  struct Case {
    Bytes input;
    Match match;
  };
  const Case cases[] = {
      {{27, '(', 's', 'x'}, Match::kMatch},
      {{27, '(', 'S'}, Match::kMismatch},
      {{'(', 's', 27}, Match::kMismatch},
      {{27, '('}, Match::kCutShort},
      {{}, Match::kCutShort},
      {{27, 'x'}, Match::kMismatch},  // a short read that already differs
  };
  for (const Case& c : cases) {
    InputBuffer in(c.input);
    EXPECT_EQ(in.match(expected), c.match) << c.input.size() << " bytes";
  }
}

TEST(ReadBlock, StopsAtTheBytesTheInputHolds) {
  const Bytes bytes(100, 0xAB);
  InputBuffer in(bytes, 16);
  std::vector<std::uint8_t> block;
  // A count far beyond the file must not size the buffer.
  EXPECT_EQ(in.read_block_at(0, std::size_t{1} << 31, block), 100U);
  EXPECT_EQ(Bytes(block.begin(), block.begin() + 100), Bytes(100, 0xAB));
  EXPECT_LT(block.capacity(), std::size_t{4} << 20);
  EXPECT_TRUE(in.exhausted());
}

TEST(CharacterDescriptor, DecodesSignedAndUnsignedFields) {
  const Bytes raw = {4, 0, 14, 1, 0, 7, 0xFF, 0xFE, 0x80, 0x00, 0xFF, 0xFE, 0x00, 0x03, 0x7F, 0xFF};
  const CharacterDescriptor d =
      decode_character_descriptor(std::span<const std::uint8_t, 16>(raw.data(), 16));
  EXPECT_EQ(d.left_offset, -2);
  EXPECT_EQ(d.top_offset, -32768);
  EXPECT_EQ(d.width, 65534);
  EXPECT_EQ(d.height, 3);
  EXPECT_EQ(d.delta_x, 32767);
  EXPECT_EQ(d.reserved, 7);
  Bytes again(16);
  encode_character_descriptor(d, std::span<std::uint8_t, 16>(again.data(), 16));
  EXPECT_EQ(again, raw);
}

}  // namespace
}  // namespace kestrune

namespace kestrune {
namespace {

// Compressed rows unpacked to the drawing they stand for ('#' set).
TEST(UnpackCompressedBitmap, RunsRepeatsAndDamage) {
  struct Case {
    const char* name;
    std::uint16_t width, height;
    Bytes data;
    Unpacked result;
    std::vector<std::string> rows;
  };
  const Case cases[] = {
      {"runs, clear first", 10, 1, {0, 2, 3, 1, 4}, Unpacked::kDone, {"..###.####"}},
      {"a repeated row", 3, 3, {1, 0, 1, 2, 0, 3}, Unpacked::kDone, {"#..", "#..", "..."}},
      {"a repeat stops at the height", 2, 2, {9, 0, 2}, Unpacked::kDone, {"##", "##"}},
      {"255, 0, rest",
       300,
       1,
       {0, 255, 0, 40, 5},
       Unpacked::kDone,
       {std::string(295, '.') + "#####"}},
      {"the data ends inside a row", 6, 2, {0, 1, 2}, Unpacked::kDone, {".##...", "......"}},
      {"rows the data does not reach",
       20,
       4,
       {0, 1, 2},
       Unpacked::kDone,
       {".##" + std::string(17, '.'), std::string(20, '.'), std::string(20, '.'),
        std::string(20, '.')}},
      {"bytes after the last row", 2, 1, {0, 0, 2, 7, 7}, Unpacked::kDone, {"##"}},
      {"zero width", 0, 2, {0, 0}, Unpacked::kDone, {"", ""}},
      {"a run past the width", 4, 1, {0, 1, 4}, Unpacked::kRunPastWidth, {}},
      {"a run past the width in a later row", 4, 3, {1, 4, 0, 2, 3}, Unpacked::kRunPastWidth, {}},
      {"a run ending at the width, then one of no dots",
       4,
       1,
       {0, 4, 0},
       Unpacked::kDone,
       {"...."}},
      {"over 1 MiB", 65535, 129, {}, Unpacked::kTooLarge, {}},
      {"exactly 1 MiB", 8192, 1024, {}, Unpacked::kDone, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::uint8_t> bitmap(4096, 0xA5);  // left over from an earlier character
    ASSERT_EQ(unpack_compressed_bitmap(c.data, c.width, c.height, bitmap), c.result);
    // The check reads the runs without the bitmap, and must find what the unpacking finds.
    EXPECT_EQ(check_compressed_runs(c.data, c.width, c.height), c.result);
    if (c.result != Unpacked::kDone || c.rows.empty()) continue;
    EXPECT_EQ(fontbuilder::rows_from_bitmap(bitmap, c.width, c.height), c.rows);
  }
}

// Little order puts the first byte lowest, big order highest; a store puts
// back the bytes a load of the same order took.
TEST(Words, EitherByteOrder) {
  const std::uint8_t bytes[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  EXPECT_EQ(load_word<std::endian::little>(bytes), 0x0807060504030201U);
  EXPECT_EQ(load_word<std::endian::big>(bytes), 0x0102030405060708U);
  std::uint8_t stored[8] = {};
  store_word<std::endian::big>(stored, 0x0102030405060708U);
  EXPECT_TRUE(std::equal(stored, stored + 8, bytes));
  store_word<std::endian::little>(stored, 0x0807060504030201U);
  EXPECT_TRUE(std::equal(stored, stored + 8, bytes));
}

// A character longer than one data command goes out as a full first command
// and continuations of 04 01 and the next bytes.
TEST(WriteCharacter, SplitsLongCharactersIntoDataCommands) {
  // Each size with the byte counts of its data commands.
  const std::pair<std::size_t, std::vector<std::size_t>> cases[] = {
      {16, {16}},
      {990, {990}},  // with its commands, more than the buffer holds
      {32767, {32767}},
      {32768, {32767, 3}},
      {32767 + 32765 + 1, {32767, 32767, 3}}};
  for (const auto& [size, commands] : cases) {
    Bytes block(size);
    for (std::size_t i = 0; i < size; ++i) block[i] = static_cast<std::uint8_t>(i * 7);
    Bytes written;
    OutputBuffer out(written, 1000);
    ASSERT_TRUE(write_character(66, block, out) && out.flush());
    Bytes expected = text("\x1b*c66E");
    for (std::size_t at = 0, k = 0; k < commands.size(); ++k) {
      fontbuilder::append(expected, text("\x1b(s" + std::to_string(commands[k]) + "W"));
      if (at > 0) fontbuilder::append(expected, {4, 1});
      const std::size_t take = commands[k] - (at > 0 ? 2 : 0);
      expected.insert(expected.end(), block.begin() + static_cast<long>(at),
                      block.begin() + static_cast<long>(at + take));
      at += take;
    }
    EXPECT_EQ(written, expected) << size;
  }
}

}  // namespace
}  // namespace kestrune
