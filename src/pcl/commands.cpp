#include "pcl/commands.h"

#include "pcl/decimal.h"

namespace kestrune {

std::size_t format_command(const char (&prefix)[3], int value, char terminator,
                           std::span<std::uint8_t, kLongestCommand> into) {
  char* const work = reinterpret_cast<char*>(into.data());
  work[0] = static_cast<char>(ESC);
  work[1] = prefix[0];
  work[2] = prefix[1];
  // The longest value, -2147483648, leaves room for the terminator.
  static_assert(3 + kLongestDecimal + 1 <= kLongestCommand);
  char* digits_end = write_decimal(work + 3, value);
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
