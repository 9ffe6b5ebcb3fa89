// The one way the tool writes: a large buffer handed to a file, or to bytes
// in memory, a piece at a time, so that a character's few small writes cost
// no library call each and the writes start on whole multiples of the
// capacity. A failed write is remembered and ends further writing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <span>
#include <vector>

#include "bytes/input.h"

namespace kestrune {

struct OutputBuffer {
  static constexpr std::size_t kDefaultCapacity = std::size_t{1} << 16;

  // To a file; the file stays the caller's.
  explicit OutputBuffer(std::FILE* file, std::size_t capacity = kDefaultCapacity);
  // Appended to `memory`, which must outlive the buffer.
  explicit OutputBuffer(std::vector<std::uint8_t>& memory, std::size_t capacity = kDefaultCapacity);

  std::FILE* file = nullptr;                    // the destination, or null for memory
  std::vector<std::uint8_t>* memory = nullptr;  // the destination when there is no file
  std::vector<std::uint8_t> bytes;              // its size is the capacity
  std::size_t used = 0;
  bool failed = false;
  int error_number = 0;  // the system's reason for the failed write, when it gave one
};

// Hands every byte held to the destination; false once any write has failed.
bool flush_output(OutputBuffer& out);

// Writes all of `bytes`; false once any write to the output has failed.
bool write_bytes(OutputBuffer& out, std::span<const std::uint8_t> bytes);

// Writes the bytes `build` makes: given where to put at most `most` bytes,
// it puts them there and returns how many. That is the end of `out`'s buffer
// when it has the room, so they need no copying; else `spare` (at least
// `most` bytes), from which they go through write_bytes, which keeps the
// destination's writes in whole buffers. False once the output has failed.
template <typename Build>
bool write_built(OutputBuffer& out, std::uint8_t* spare, std::size_t most, Build build) {
  if (out.failed) return false;
  if (most <= out.bytes.size() - out.used) {
    out.used += build(out.bytes.data() + out.used);
    return true;
  }
  const std::size_t length = build(spare);
  return write_bytes(out, std::span<const std::uint8_t>(spare, length));
}

// Writes ESC, the two prefix letters, the value in decimal and the terminator.
bool emit_command(const char (&prefix)[3], int value, char terminator, OutputBuffer& out);

// Copies every byte from the input's position to its end, read straight into
// the free room of the output's buffer. False once the output has failed.
bool copy_rest_of_input(InputBuffer& in, OutputBuffer& out);

}  // namespace kestrune
