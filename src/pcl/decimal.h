// Decimal numbers as "%d" writes them, for the commands and the progress
// lines: every character costs two of each, and the library's general
// conversion spends more on finding the length than on the digits.
#pragma once

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

namespace kestrune {

// The most characters write_decimal writes: "-2147483648".
inline constexpr std::size_t kLongestDecimal = 11;

namespace decimal_detail {

// "00" to "99", the two digits of each number below 100 side by side.
inline constexpr std::array<char, 200> kDigitPairs = [] {
  std::array<char, 200> pairs{};
  for (std::size_t i = 0; i < 100; ++i) {
    pairs[2 * i] = static_cast<char>('0' + i / 10);
    pairs[2 * i + 1] = static_cast<char>('0' + i % 10);
  }
  return pairs;
}();

inline constexpr std::array<std::uint32_t, 10> kPowersOfTen = {
    1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000, 1000000000};

// The number of digits of `value`: log10 estimated from its bit width
// (1233 / 4096 is just above log10 2), then corrected by one comparison.
// Setting the lowest bit changes no count (no power of ten above 1 is odd)
// and gives 0 its one digit.
inline std::size_t digit_count(std::uint32_t value) {
  value |= 1;
  const auto estimate = static_cast<std::size_t>(std::bit_width(value) * 1233 >> 12);
  return estimate + 1 - (value < kPowersOfTen[estimate] ? 1 : 0);
}

}  // namespace decimal_detail

// Writes `value` in decimal at `at`, which has room for kLongestDecimal
// characters; returns the end. Digits are written from the last, two at a
// time.
inline char* write_decimal(char* at, int value) {
  using namespace decimal_detail;
  auto magnitude = static_cast<std::uint32_t>(value);
  if (value < 0) {
    *at++ = '-';
    magnitude = 0U - magnitude;  // also right for INT_MIN
  }
  char* const end = at + digit_count(magnitude);
  char* digit = end;
  while (magnitude >= 100) {
    digit -= 2;
    std::memcpy(digit, &kDigitPairs[2 * (magnitude % 100)], 2);
    magnitude /= 100;
  }
  if (magnitude >= 10) {
    std::memcpy(digit - 2, &kDigitPairs[2 * magnitude], 2);
  } else {
    digit[-1] = static_cast<char>('0' + magnitude);
  }
  return end;
}

}  // namespace kestrune
