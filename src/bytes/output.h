// The one way the tool writes: a large buffer handed to a file, or to bytes
// in memory, a piece at a time, so that a character's few small writes cost
// no library call each and the writes start on whole multiples of the
// capacity. A failed write is remembered and ends further writing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <span>
#include <vector>

#include "bytes/input.h"

namespace kestrune {

class OutputBuffer {
 public:
  static constexpr std::size_t kDefaultCapacity = std::size_t{1} << 16;

  // To a file; the file stays the caller's.
  explicit OutputBuffer(std::FILE* file, std::size_t capacity = kDefaultCapacity);
  // Appended to `memory`, which must outlive the buffer.
  explicit OutputBuffer(std::vector<std::uint8_t>& memory, std::size_t capacity = kDefaultCapacity);

  bool failed() const { return failed_; }
  // The system's reason for the failed write, when it gave one; else 0.
  int error_number() const { return error_number_; }
  // The destination file, or null for memory.
  std::FILE* file() const { return file_; }

  // Room for `count` bytes at the end of the buffer, to be built in place and
  // then committed: a writer that formats its bytes there needs no copy. Null
  // when the buffer has not that much room left, or the output has failed.
  std::uint8_t* room(std::size_t count) {
    return !failed_ && count <= capacity_ - used_ ? bytes_.get() + used_ : nullptr;
  }
  // Takes the first `count` bytes of the room last given as written.
  void commit(std::size_t count) { used_ += count; }

  // Writes all of `bytes`; false once any write to the output has failed.
  // Bytes the buffer has room for are copied inline: a character's writes
  // are mostly a few bytes each.
  bool write(std::span<const std::uint8_t> bytes) {
    if (std::uint8_t* at = room(bytes.size())) {
      if (!bytes.empty()) std::memcpy(at, bytes.data(), bytes.size());
      used_ += bytes.size();
      return true;
    }
    return write_through(bytes);
  }
  // Hands every byte held to the destination; false once any write has failed.
  bool flush();

 private:
  bool write_through(std::span<const std::uint8_t> bytes);
  bool write_to_destination(std::span<const std::uint8_t> bytes);

  std::FILE* file_ = nullptr;
  std::vector<std::uint8_t>* memory_ = nullptr;  // the destination when there is no file
  // Left uninitialized: a buffer is made for every run, message sink and
  // test, and its bytes are written before they are read.
  std::unique_ptr<std::uint8_t[]> bytes_;
  std::size_t capacity_ = 0;
  std::size_t used_ = 0;
  bool failed_ = false;
  int error_number_ = 0;
};

// Writes ESC, the two prefix letters, the value in decimal and the terminator.
bool emit_command(const char (&prefix)[3], int value, char terminator, OutputBuffer& out);

// Copies every byte from the input's position to its end, read straight into
// the free room of the output's buffer. False once the output has failed.
bool copy_rest_of_input(InputBuffer& in, OutputBuffer& out);

}  // namespace kestrune
