#include "bytes/input.h"

#include <cerrno>
#include <cstring>

#include "platform/files.h"

namespace kestrune {
namespace {

// Blocks are read in growing pieces starting at this size, so that memory
// follows the bytes that actually arrive rather than the count a file claims.
constexpr std::size_t kFirstReadPiece = std::size_t{1} << 16;

// Up to `most` bytes from the source, wherever it is; fewer only at its end
// or on a failure, which is remembered.
std::size_t read_source(InputBuffer& in, std::uint8_t* into, std::size_t most) {
  if (in.file == nullptr) {
    const std::uint64_t size = in.memory.size();
    const std::uint64_t left = in.memory_next < size ? size - in.memory_next : 0;
    const auto take = static_cast<std::size_t>(std::min<std::uint64_t>(left, most));
    if (take > 0) std::memcpy(into, in.memory.data() + in.memory_next, take);
    in.memory_next += take;
    return take;
  }
  if (in.failed) return 0;
  errno = 0;
  const std::size_t got = std::fread(into, 1, most, in.file);
  if (got < most && std::ferror(in.file) != 0) {
    in.failed = true;
    in.error_number = errno;
  }
  return got;
}

}  // namespace

InputBuffer::InputBuffer(std::FILE* source, std::size_t capacity)
    : file(source), bytes(std::max<std::size_t>(capacity, 1)) {
  seekable = file_position(source, window_offset);
  if (!seekable) window_offset = 0;
}

InputBuffer::InputBuffer(std::span<const std::uint8_t> source, std::size_t capacity)
    : memory(source), bytes(std::max<std::size_t>(capacity, 1)) {}

bool refill_input(InputBuffer& in) {
  in.window_offset += in.end;
  in.next = 0;
  in.end = 0;
  // Once the input has run out, it is not asked again.
  if (!in.ran_out) in.end = read_source(in, in.bytes.data(), in.bytes.size());
  in.ran_out = in.end == 0;
  return !in.ran_out;
}

bool seek_input(InputBuffer& in, std::uint64_t position) {
  if (position >= in.window_offset && position - in.window_offset <= in.end) {
    in.next = static_cast<std::size_t>(position - in.window_offset);
    in.ran_out = false;
    return true;
  }
  if (in.file == nullptr) {
    in.memory_next = position;
  } else if (!in.seekable || !seek_file(in.file, position)) {
    return false;
  }
  in.window_offset = position;
  in.next = 0;
  in.end = 0;
  in.ran_out = false;
  return true;
}

bool source_size(const InputBuffer& in, std::uint64_t& size) {
  if (in.file == nullptr) {
    size = in.memory.size();
    return true;
  }
  return file_size(in.file, size);
}

bool read_be16(InputBuffer& in, int& value) {
  const int first = next_byte(in);
  if (first == kEndOfInput) return false;
  const int second = next_byte(in);
  if (second == kEndOfInput) return false;
  value = first * 256 + second;
  return true;
}

bool skip_to_escape(InputBuffer& in) {
  // Definitions usually follow each other directly.
  if (in.next != in.end && in.bytes[in.next] == ESC) {
    ++in.next;
    return true;
  }
  for (;;) {
    if (in.next == in.end && !refill_input(in)) return false;
    const std::uint8_t* from = in.bytes.data() + in.next;
    const void* found = std::memchr(from, ESC, in.end - in.next);
    if (found != nullptr) {
      in.next += static_cast<std::size_t>(static_cast<const std::uint8_t*>(found) - from) + 1;
      return true;
    }
    in.next = in.end;
  }
}

Match match_bytes_byte_by_byte(InputBuffer& in, std::span<const std::uint8_t> expected) {
  std::uint8_t work[kLongestMatch];
  const std::size_t count = std::min(expected.size(), sizeof work);
  std::size_t got = 0;
  for (int byte = 0; got < count && (byte = next_byte(in)) != kEndOfInput;) {
    work[got++] = static_cast<std::uint8_t>(byte);
  }
  return compare_read_bytes(std::span<const std::uint8_t>(work, got), expected);
}

std::size_t read_past_window(InputBuffer& in, std::uint8_t* into, std::size_t most) {
  in.window_offset += in.end;
  in.next = 0;
  in.end = 0;
  const std::size_t got = in.ran_out ? 0 : read_source(in, into, most);
  in.window_offset += got;
  if (got < most) in.ran_out = true;
  return got;
}

// A remainder the window could not hold comes straight from the source. Room
// the buffer already has is filled in one read; beyond it the buffer grows
// by pieces that at most double the bytes it holds.
std::size_t read_block_at(InputBuffer& in, std::size_t from, std::size_t count,
                          std::vector<std::uint8_t>& buffer) {
  const std::size_t last = from + count;
  std::size_t have = from;
  while (have < last) {
    if (in.next == in.end) {
      if (last - have >= in.bytes.size() && !in.ran_out) {
        const std::size_t room = buffer.size() > have ? buffer.size() - have : 0;
        const std::size_t want = std::min(last - have, std::max({kFirstReadPiece, have, room}));
        if (want > room) buffer.resize(have + want);
        const std::size_t got = read_past_window(in, buffer.data() + have, want);
        have += got;
        if (got < want) break;
        continue;
      }
      if (!refill_input(in)) break;
    }
    const std::size_t take = std::min(last - have, in.end - in.next);
    if (buffer.size() < have + take) buffer.resize(have + take);
    std::memcpy(buffer.data() + have, in.bytes.data() + in.next, take);
    in.next += take;
    have += take;
  }
  return have - from;
}

std::uint8_t* take_block(InputBuffer& in, std::size_t count, std::vector<std::uint8_t>& buffer) {
  if (count <= in.end - in.next) {
    std::uint8_t* block = in.bytes.data() + in.next;
    in.next += count;
    return block;
  }
  return read_block_at(in, 0, count, buffer) == count ? buffer.data() : nullptr;
}

}  // namespace kestrune
