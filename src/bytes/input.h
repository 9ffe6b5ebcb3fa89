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

class InputBuffer {
 public:
  static constexpr std::size_t kDefaultCapacity = std::size_t{1} << 16;

  // Over a file, from its current position; the file stays the caller's.
  explicit InputBuffer(std::FILE* file, std::size_t capacity = kDefaultCapacity);
  // Over bytes in memory, which must outlive the buffer.
  explicit InputBuffer(std::span<const std::uint8_t> memory,
                       std::size_t capacity = kDefaultCapacity);

  // False for a pipe: the font header needs a seek.
  bool seekable() const { return seekable_; }
  // Set once a read has asked for a byte beyond the last one of the input, or
  // the source has failed: the moment at which a stream read byte by byte
  // would report its end.
  bool exhausted() const { return ran_out_; }
  // Reading the file failed (not merely ended).
  bool failed() const { return failed_; }
  // The system's reason for the failed read, when it gave one; else 0.
  int error_number() const { return error_number_; }
  // Marks the input failed: what follows cannot be trusted to be read.
  void fail() { failed_ = ran_out_ = true; }

  // Where the next byte to be taken lies in the source.
  std::uint64_t position() const { return window_offset_ + next_; }
  // Moves to `position` in the source, which clears the end of the input.
  // Within the window this is only a move. False when the source cannot
  // seek there.
  bool seek(std::uint64_t position);
  // The size of the whole source; false when a file cannot tell it.
  bool source_size(std::uint64_t& size) const;

  // One byte, or kEndOfInput once the input has run out.
  int next_byte() {
    if (next_ == end_ && !refill()) return kEndOfInput;
    return bytes_[next_++];
  }

  // The bytes the window holds that have not been taken.
  std::span<const std::uint8_t> held() const {
    return std::span<const std::uint8_t>(bytes_).subspan(next_, end_ - next_);
  }
  // Takes `count` of the held bytes (at most held().size()).
  void take_held(std::size_t count) { next_ += count; }

  // Tops up an empty window from the source; false, with the input
  // exhausted, when the source has no byte left to give.
  bool refill();

  // Reads a value field: digits up to the first byte that is not one, which
  // is returned as the terminator (the end of the input is such a byte,
  // too). The digits are folded where they lie in the window.
  DecimalField read_decimal_field() {
    std::int64_t value = 0;
    for (;;) {
      next_ += fold_digits(held(), value);
      if (next_ != end_) return finish_field(value, bytes_[next_++]);
      if (!refill()) return finish_field(value, kEndOfInput);
    }
  }

  // Takes `expected.size()` bytes (at most kLongestMatch) and compares them
  // with `expected`; they are consumed whatever the outcome. Bytes the
  // window already holds are compared where they lie, inline: two matches
  // are made for every character.
  Match match(std::span<const std::uint8_t> expected) {
    if (expected.size() > kLongestMatch || expected.size() > end_ - next_) {
      return match_byte_by_byte(expected);
    }
    const std::uint8_t* at = bytes_.data() + next_;
    next_ += expected.size();
    return std::equal(expected.begin(), expected.end(), at) ? Match::kMatch : Match::kMismatch;
  }

  // Passes over bytes up to and including the next ESC. False when the input
  // runs out first; every byte passed over is dropped.
  bool skip_to_escape();

  // Reads up to `count` bytes into `buffer` from byte `from` on, growing it
  // only as bytes actually arrive, so that a count taken from a damaged file
  // never sizes an allocation beyond the bytes the file holds. The bytes
  // before `from` are kept; `buffer` never shrinks. Returns the number of
  // bytes read.
  std::size_t read_block_at(std::size_t from, std::size_t count, std::vector<std::uint8_t>& buffer);

  // The next `count` bytes, consumed: where they lie in the window when it
  // holds them all, else read into `buffer` as read_block_at does. Null when
  // the input runs out first. The bytes may be changed in place; they stay
  // valid until the next read.
  std::uint8_t* take_block(std::size_t count, std::vector<std::uint8_t>& buffer);

  // Once the window's bytes are all taken, reads up to `most` bytes straight
  // from the source into `into`, as the window would have. Returns how many.
  std::size_t read_past_window(std::uint8_t* into, std::size_t most);

 private:
  Match match_byte_by_byte(std::span<const std::uint8_t> expected);
  std::size_t read_source(std::uint8_t* into, std::size_t most);

  std::FILE* file_ = nullptr;             // the source, or null for memory
  std::span<const std::uint8_t> memory_;  // the source when there is no file
  std::uint64_t memory_next_ = 0;         // where the next read from memory starts
  bool seekable_ = true;
  std::vector<std::uint8_t> bytes_;  // the window; its size is the capacity
  std::size_t next_ = 0;             // the first byte not yet taken
  std::size_t end_ = 0;              // one past the last byte held
  std::uint64_t window_offset_ = 0;  // where the window's first byte lies in the source
  bool ran_out_ = false;
  bool failed_ = false;
  int error_number_ = 0;
};

// Reads two bytes and stores first * 256 + second in `value`. Returns false,
// leaving `value` alone, when the input ends or fails first.
bool read_be16(InputBuffer& in, int& value);

}  // namespace kestrune
