// The syntax of the PCL commands Kestrune reads and writes: ESC, two letters,
// a decimal value and an upper-case terminator. Pure: no I/O.
#pragma once

#include <algorithm>
#include <array>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <span>

#include "pcl/records.h"

namespace kestrune {

inline constexpr std::uint8_t kFontHeaderStart[] = {ESC, ')', 's'};
inline constexpr std::uint8_t kCharacterCodeLetters[] = {'*', 'c'};
inline constexpr std::uint8_t kCharacterDataStart[] = {ESC, '(', 's'};

// A command's value field: a run of decimal digits and the byte after it.
struct DecimalField {
  int value = 0;
  int terminator = 0;     // the byte that ended the digits, or -1 at the input's end
  bool overflow = false;  // the digits do not fit an int; `value` is then INT_MAX
};

// A value field's digits are folded in 64 bits into a value that stops at
// one past INT_MAX: value * 10 + 9 cannot overflow there, and a value that
// has passed INT_MAX stays past it.
inline constexpr std::int64_t kPastIntMax = std::int64_t{INT_MAX} + 1;

constexpr bool is_digit(int byte) { return byte >= '0' && byte <= '9'; }

constexpr std::int64_t fold_digit(std::int64_t value, int byte) {
  return std::min(value * 10 + (byte - '0'), kPastIntMax);
}

// Folds the digits at the start of `bytes` into `value`, as fold_digit does;
// returns how many bytes were digits. The readers of command value fields
// read their digits through this. The font header's size is the exception:
// it folds every byte before its "W" as a digit, unchecked, as fonts in use
// expect (read_header_size in softfont/header.cpp).
constexpr std::size_t fold_digits(std::span<const std::uint8_t> bytes, std::int64_t& value) {
  std::size_t i = 0;
  for (; i < bytes.size() && is_digit(bytes[i]); ++i) value = fold_digit(value, bytes[i]);
  return i;
}

constexpr DecimalField finish_field(std::int64_t value, int terminator) {
  const bool overflow = value > INT_MAX;
  return DecimalField{overflow ? INT_MAX : static_cast<int>(value), terminator, overflow};
}

// ESC, two letters, at most 11 characters of value (sign included) and the
// terminator fit in this many bytes.
inline constexpr std::size_t kLongestCommand = 16;

// Formats ESC, the two prefix letters, the value in decimal and the
// terminator into `into`; returns the length.
std::size_t format_command(const char (&prefix)[3], int value, char terminator,
                           std::span<std::uint8_t, kLongestCommand> into);

// Outcome of comparing fixed command bytes with what the input holds.
enum class Match {
  kMatch,
  kMismatch,
  kCutShort,  // the input ended (or failed) early and the bytes it gave agree so far
};

// The most bytes one match compares.
inline constexpr std::size_t kLongestMatch = 16;

// Compares the `got` bytes read with the first of `expected`.
Match compare_read_bytes(std::span<const std::uint8_t> got, std::span<const std::uint8_t> expected);

// The most bytes one data command carries. A longer character goes out as a
// first command of this many bytes, then continuation commands whose data is
// 04 01 (format 4, continuation) and up to kLargestDataBlock - 2 further bytes.
inline constexpr std::size_t kLargestDataBlock = 32767;
inline constexpr std::array<std::uint8_t, 2> kContinuationPrefix = {4, 1};

}  // namespace kestrune

namespace kestrune {

// A download file: the font's ID, ESC *c#D, straight before its header, and
// after its characters ESC *c4F or ESC *c5F, which make it temporary or
// permanent (kept through a printer reset until the printer is switched off).
inline constexpr int kLargestFontId = 32767;
inline constexpr char kFontIdTerminator = 'D';
inline constexpr char kFontControlTerminator = 'F';
inline constexpr int kMakeTemporary = 4;
inline constexpr int kMakePermanent = 5;
constexpr bool names_download_control(int control) {
  return control == kMakeTemporary || control == kMakePermanent;
}

// The ID when `start`, the first bytes of a file, is a font ID command
// (ESC *c, 1 to 5 digits of at most kLargestFontId, D) and then a font
// header's ESC )s; else -1.
int font_id_before_header(std::span<const std::uint8_t> start);

// Download files often put PCL commands (a reset, the font's ID) or a PJL
// header before the font header. When `start`, the first bytes of a file,
// holds nothing but such commands and PJL lines before an ESC )s, returns
// where that ESC lies; else -1, as for a file that is no font at all.
std::int64_t font_header_after_commands(std::span<const std::uint8_t> start);

}  // namespace kestrune
