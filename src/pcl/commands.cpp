#include "pcl/commands.h"

#include <algorithm>
#include <charconv>
#include <string_view>

namespace kestrune {

std::size_t format_command(const char (&prefix)[3], int value, char terminator,
                           std::span<std::uint8_t, kLongestCommand> into) {
  char* const work = reinterpret_cast<char*>(into.data());
  work[0] = static_cast<char>(ESC);
  work[1] = prefix[0];
  work[2] = prefix[1];
  // The longest value, -2147483648, leaves room for the terminator.
  char* const digits_end = std::to_chars(work + 3, work + kLongestCommand - 1, value).ptr;
  *digits_end = terminator;
  return static_cast<std::size_t>(digits_end + 1 - work);
}

Match compare_read_bytes(std::span<const std::uint8_t> got,
                         std::span<const std::uint8_t> expected) {
  for (std::size_t i = 0; i < got.size(); ++i) {
    if (got[i] != expected[i]) return Match::kMismatch;
  }
  return got.size() == expected.size() ? Match::kMatch : Match::kCutShort;
}

}  // namespace kestrune

namespace kestrune {
namespace {

constexpr std::string_view kPjlLine = "@PJL";

bool in_range(std::uint8_t byte, int low, int high) { return byte >= low && byte <= high; }

// One PCL command from `at` (an ESC) on: ESC and a character from 0 to ~, or
// ESC, a parameter character (! to /), a group character (` to ~) where one
// is given, and values each closed by a letter, lower case while more follow.
// A command closed by W carries that many data bytes. Returns where the
// command ends, or 0 when the bytes are no command.
std::size_t command_end(std::span<const std::uint8_t> bytes, std::size_t at) {
  std::size_t i = at + 1;
  if (i >= bytes.size()) return 0;
  if (in_range(bytes[i], '0', '~')) return i + 1;
  if (!in_range(bytes[i++], '!', '/')) return 0;
  if (i < bytes.size() && in_range(bytes[i], '`', '~')) ++i;
  for (;;) {
    std::int64_t value = 0;
    if (i < bytes.size() && (bytes[i] == '+' || bytes[i] == '-')) ++i;
    for (;;) {
      i += fold_digits(bytes.subspan(i), value);
      if (i == bytes.size() || bytes[i] != '.') break;
      ++i;  // a decimal point passes among the digits
    }
    if (i >= bytes.size() || !in_range(bytes[i], '@', '~')) return 0;
    const std::uint8_t letter = bytes[i++];
    if (in_range(letter, '`', '~')) continue;
    if (letter == 'W') i += static_cast<std::size_t>(std::min<std::int64_t>(value, INT32_MAX));
    return i;
  }
}

// Where the PJL line from `at` on ends, its line feed included; 0 when the
// bytes there are no PJL line.
std::size_t pjl_line_end(std::span<const std::uint8_t> bytes, std::size_t at) {
  if (bytes.size() - at < kPjlLine.size() ||
      !std::equal(kPjlLine.begin(), kPjlLine.end(),
                  bytes.begin() + static_cast<std::ptrdiff_t>(at))) {
    return 0;
  }
  const auto feed = std::find(bytes.begin() + static_cast<std::ptrdiff_t>(at), bytes.end(), '\n');
  return feed == bytes.end() ? 0 : static_cast<std::size_t>(feed - bytes.begin()) + 1;
}

}  // namespace

std::int64_t font_header_after_commands(std::span<const std::uint8_t> start) {
  std::size_t at = 0;
  while (at < start.size()) {
    const std::span<const std::uint8_t> rest = start.subspan(at);
    if (rest.size() >= sizeof kFontHeaderStart &&
        std::equal(std::begin(kFontHeaderStart), std::end(kFontHeaderStart), rest.begin())) {
      return at == 0 ? -1 : static_cast<std::int64_t>(at);
    }
    std::size_t next = 0;
    if (start[at] == ESC) {
      next = command_end(start, at);
    } else if (start[at] == '\r' || start[at] == '\n') {
      next = at + 1;
    } else {
      next = pjl_line_end(start, at);
    }
    if (next == 0) return -1;
    at = next;
  }
  return -1;
}

int font_id_before_header(std::span<const std::uint8_t> start) {
  constexpr std::uint8_t kIdStart[] = {ESC, '*', 'c'};
  constexpr std::size_t kMostDigits = 5;
  if (start.size() < sizeof kIdStart ||
      !std::equal(std::begin(kIdStart), std::end(kIdStart), start.begin())) {
    return -1;
  }
  std::int64_t id = 0;
  const std::size_t digits = fold_digits(start.subspan(sizeof kIdStart), id);
  const std::size_t at = sizeof kIdStart + digits;
  if (digits == 0 || digits > kMostDigits || id > kLargestFontId || at >= start.size() ||
      start[at] != kFontIdTerminator) {
    return -1;
  }
  const std::span<const std::uint8_t> header = start.subspan(at + 1);
  if (header.size() < sizeof kFontHeaderStart ||
      !std::equal(std::begin(kFontHeaderStart), std::end(kFontHeaderStart), header.begin())) {
    return -1;
  }
  return static_cast<int>(id);
}

}  // namespace kestrune
