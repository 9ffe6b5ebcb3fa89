// Eight bytes taken as one 64-bit word and put back, in either byte order:
// what the bitmap codes work on a word at a time. Pure: no I/O.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

namespace kestrune {

// Eight bytes as a word whatever the machine: in little order the first in
// its lowest byte; in big order the first in its highest, so that a row's
// leftmost dot is the word's top bit. The machine's own order is one load.
template <std::endian order = std::endian::little>
std::uint64_t load_word(const std::uint8_t* at) {
  std::uint64_t word;
  std::memcpy(&word, at, sizeof word);
  if constexpr (std::endian::native != order) word = __builtin_bswap64(word);
  return word;
}

// The word's eight bytes, in the order load_word<order> takes them.
template <std::endian order = std::endian::little>
void store_word(std::uint8_t* at, std::uint64_t word) {
  if constexpr (std::endian::native != order) word = __builtin_bswap64(word);
  std::memcpy(at, &word, sizeof word);
}

}  // namespace kestrune
