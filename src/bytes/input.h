// The one way the tool reads: a window over a file or over bytes in memory,
// read ahead a large piece at a time, so that the byte-by-byte work of
// finding and parsing commands costs no library call per byte. Every read is
// bounds-checked; positions are 64-bit.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <span>
#include <vector>

#include "pcl/commands.h"

namespace kestrune {

// What a byte read returns once the input has run out.
inline constexpr int kEndOfInput = -1;

struct InputBuffer {
  static constexpr std::size_t kDefaultCapacity = std::size_t{1} << 16;

  // Over a file, from its current position; the file stays the caller's.
  explicit InputBuffer(std::FILE* file, std::size_t capacity = kDefaultCapacity);
  // Over bytes in memory, which must outlive the buffer.
  explicit InputBuffer(std::span<const std::uint8_t> memory,
                       std::size_t capacity = kDefaultCapacity);

  std::FILE* file = nullptr;             // the source, or null for memory
  std::span<const std::uint8_t> memory;  // the source when there is no file
  std::uint64_t memory_next = 0;         // where the next read from memory starts
  bool seekable = true;                  // false for a pipe

  std::vector<std::uint8_t> bytes;  // the window; its size is the capacity
  std::size_t next = 0;             // the first byte not yet taken
  std::size_t end = 0;              // one past the last byte held
  std::uint64_t window_offset = 0;  // where the window's first byte lies in the source
  // Set once a read has asked for a byte beyond the last one of the input, or
  // the source has failed: the moment at which a stream read byte by byte
  // would report its end.
  bool ran_out = false;
  bool failed = false;   // reading the file failed (not merely ended)
  int error_number = 0;  // the system's reason for the failed read, when it gave one
};

// Tops up an empty window from the source; false, with `ran_out` set, when
// the source has no byte left to give.
bool refill_input(InputBuffer& in);

// Where the next byte to be taken lies in the source.
inline std::uint64_t input_position(const InputBuffer& in) { return in.window_offset + in.next; }

// Moves to `position` in the source, which clears the end of the input.
// Within the window this is only a move of `next`. False when the source
// cannot seek there.
bool seek_input(InputBuffer& in, std::uint64_t position);

// The size of the whole source; false when a file cannot tell it.
bool source_size(const InputBuffer& in, std::uint64_t& size);

inline bool input_exhausted(const InputBuffer& in) { return in.ran_out; }
inline bool input_failed(const InputBuffer& in) { return in.failed; }

// The bytes the window holds that have not been taken.
inline std::span<const std::uint8_t> held_bytes(const InputBuffer& in) {
  return std::span<const std::uint8_t>(in.bytes).subspan(in.next, in.end - in.next);
}
// Takes `count` of the held bytes (at most held_bytes(in).size()).
inline void take_held(InputBuffer& in, std::size_t count) { in.next += count; }

// One byte, or kEndOfInput once the input has run out.
inline int next_byte(InputBuffer& in) {
  if (in.next == in.end && !refill_input(in)) return kEndOfInput;
  return in.bytes[in.next++];
}

// Reads two bytes and stores first * 256 + second in `value`. Returns false,
// leaving `value` alone, when the input ends or fails first.
bool read_be16(InputBuffer& in, int& value);

// Passes over bytes up to and including the next ESC. False when the input
// runs out first; every byte passed over is dropped.
bool skip_to_escape(InputBuffer& in);

// Reads a value field: digits up to the first byte that is not one, which is
// returned as the terminator (the end of the input is such a byte, too). The
// digits are folded where they lie in the window.
inline DecimalField read_decimal_field(InputBuffer& in) {
  std::int64_t value = 0;
  for (;;) {
    in.next += fold_digits(held_bytes(in), value);
    if (in.next != in.end) return finish_field(value, in.bytes[in.next++]);
    if (!refill_input(in)) return finish_field(value, kEndOfInput);
  }
}

// The bytes taken one at a time, across the window's refills.
Match match_bytes_byte_by_byte(InputBuffer& in, std::span<const std::uint8_t> expected);

// Takes `expected.size()` bytes (at most kLongestMatch) and compares them
// with `expected`; they are consumed whatever the outcome. Bytes the window
// already holds are compared where they lie, inline: two matches are made for
// every character.
inline Match match_bytes(InputBuffer& in, std::span<const std::uint8_t> expected) {
  if (expected.size() > kLongestMatch || expected.size() > in.end - in.next) {
    return match_bytes_byte_by_byte(in, expected);
  }
  const std::uint8_t* at = in.bytes.data() + in.next;
  in.next += expected.size();
  return std::equal(expected.begin(), expected.end(), at) ? Match::kMatch : Match::kMismatch;
}

// Reads up to `count` bytes into `buffer` from byte `from` on, growing it
// only as bytes actually arrive, so that a count taken from a damaged file
// never sizes an allocation beyond the bytes the file holds. The bytes before
// `from` are kept; `buffer` never shrinks. Returns the number of bytes read.
std::size_t read_block_at(InputBuffer& in, std::size_t from, std::size_t count,
                          std::vector<std::uint8_t>& buffer);

// The next `count` bytes, consumed: where they lie in the window when it
// holds them all, else read into `buffer` as read_block_at does. Null when
// the input runs out first. The bytes may be changed in place; they stay
// valid until the next read from `in`.
std::uint8_t* take_block(InputBuffer& in, std::size_t count, std::vector<std::uint8_t>& buffer);

// Once the window's bytes are all taken, reads up to `most` bytes straight
// from the source into `into`, as the window would have. Returns how many.
std::size_t read_past_window(InputBuffer& in, std::uint8_t* into, std::size_t most);

}  // namespace kestrune
