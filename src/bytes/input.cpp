#include "bytes/input.h"

#include <cerrno>
#include <cstring>

#include "platform/files.h"

namespace kestrune {
namespace {

// Blocks are read in growing pieces starting at this size, so that memory
// follows the bytes that actually arrive rather than the count a file claims.
constexpr std::size_t kFirstReadPiece = std::size_t{1} << 16;

}  // namespace

// Up to `most` bytes from the source, wherever it is; fewer only at its end
// or on a failure, which is remembered.
std::size_t InputBuffer::read_source(std::uint8_t* into, std::size_t most) {
  if (file_ == nullptr) {
    const std::uint64_t size = memory_.size();
    const std::uint64_t left = memory_next_ < size ? size - memory_next_ : 0;
    const auto take = static_cast<std::size_t>(std::min<std::uint64_t>(left, most));
    if (take > 0) std::memcpy(into, memory_.data() + memory_next_, take);
    memory_next_ += take;
    return take;
  }
  if (failed_) return 0;
  errno = 0;
  const std::size_t got = std::fread(into, 1, most, file_);
  if (got < most && std::ferror(file_) != 0) {
    failed_ = true;
    error_number_ = errno;
  }
  return got;
}

InputBuffer::InputBuffer(std::FILE* source, std::size_t capacity)
    : file_(source), bytes_(std::max<std::size_t>(capacity, 1)) {
  seekable_ = file_position(source, window_offset_);
  if (!seekable_) window_offset_ = 0;
}

// A window over bytes in memory is no larger than they are: the many small
// fonts read in memory (the tests' loops over every prefix, the fuzz
// targets) cost no 64 KiB window each.
InputBuffer::InputBuffer(std::span<const std::uint8_t> source, std::size_t capacity)
    : memory_(source),
      bytes_(std::clamp<std::size_t>(source.size(), 1, std::max<std::size_t>(capacity, 1))) {}

bool InputBuffer::refill() {
  window_offset_ += end_;
  next_ = 0;
  end_ = 0;
  // Once the input has run out, it is not asked again.
  if (!ran_out_) end_ = read_source(bytes_.data(), bytes_.size());
  ran_out_ = end_ == 0;
  return !ran_out_;
}

bool InputBuffer::seek(std::uint64_t position) {
  if (position >= window_offset_ && position - window_offset_ <= end_) {
    next_ = static_cast<std::size_t>(position - window_offset_);
    ran_out_ = false;
    return true;
  }
  if (file_ == nullptr) {
    memory_next_ = position;
  } else if (!seekable_ || !seek_file(file_, position)) {
    return false;
  }
  window_offset_ = position;
  next_ = 0;
  end_ = 0;
  ran_out_ = false;
  return true;
}

bool InputBuffer::source_size(std::uint64_t& size) const {
  if (file_ == nullptr) {
    size = memory_.size();
    return true;
  }
  return file_size(file_, size);
}

bool read_be16(InputBuffer& in, int& value) {
  const int first = in.next_byte();
  if (first == kEndOfInput) return false;
  const int second = in.next_byte();
  if (second == kEndOfInput) return false;
  value = first * 256 + second;
  return true;
}

bool InputBuffer::skip_to_escape() {
  // Definitions usually follow each other directly.
  if (next_ != end_ && bytes_[next_] == ESC) {
    ++next_;
    return true;
  }
  for (;;) {
    if (next_ == end_ && !refill()) return false;
    const std::uint8_t* from = bytes_.data() + next_;
    const void* found = std::memchr(from, ESC, end_ - next_);
    if (found != nullptr) {
      next_ += static_cast<std::size_t>(static_cast<const std::uint8_t*>(found) - from) + 1;
      return true;
    }
    next_ = end_;
  }
}

Match InputBuffer::match_byte_by_byte(std::span<const std::uint8_t> expected) {
  std::uint8_t work[kLongestMatch];
  const std::size_t count = std::min(expected.size(), sizeof work);
  std::size_t got = 0;
  for (int byte = 0; got < count && (byte = next_byte()) != kEndOfInput;) {
    work[got++] = static_cast<std::uint8_t>(byte);
  }
  return compare_read_bytes(std::span<const std::uint8_t>(work, got), expected);
}

std::size_t InputBuffer::read_past_window(std::uint8_t* into, std::size_t most) {
  window_offset_ += end_;
  next_ = 0;
  end_ = 0;
  const std::size_t got = ran_out_ ? 0 : read_source(into, most);
  window_offset_ += got;
  if (got < most) ran_out_ = true;
  return got;
}

// A remainder the window could not hold comes straight from the source. Room
// the buffer already has is filled in one read; beyond it the buffer grows
// by pieces that at most double the bytes it holds.
std::size_t InputBuffer::read_block_at(std::size_t from, std::size_t count,
                                       std::vector<std::uint8_t>& buffer) {
  const std::size_t last = from + count;
  std::size_t have = from;
  while (have < last) {
    if (next_ == end_) {
      if (last - have >= bytes_.size() && !ran_out_) {
        const std::size_t room = buffer.size() > have ? buffer.size() - have : 0;
        const std::size_t want = std::min(last - have, std::max({kFirstReadPiece, have, room}));
        if (want > room) buffer.resize(have + want);
        const std::size_t got = read_past_window(buffer.data() + have, want);
        have += got;
        if (got < want) break;
        continue;
      }
      if (!refill()) break;
    }
    const std::size_t take = std::min(last - have, end_ - next_);
    if (buffer.size() < have + take) buffer.resize(have + take);
    std::memcpy(buffer.data() + have, bytes_.data() + next_, take);
    next_ += take;
    have += take;
  }
  return have - from;
}

std::uint8_t* InputBuffer::take_block(std::size_t count, std::vector<std::uint8_t>& buffer) {
  if (count <= end_ - next_) {
    std::uint8_t* block = bytes_.data() + next_;
    next_ += count;
    return block;
  }
  return read_block_at(0, count, buffer) == count ? buffer.data() : nullptr;
}

}  // namespace kestrune
