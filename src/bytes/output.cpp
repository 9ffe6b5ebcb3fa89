#include "bytes/output.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

namespace kestrune {

OutputBuffer::OutputBuffer(std::FILE* destination, std::size_t capacity)
    : file_(destination),
      bytes_(new std::uint8_t[std::max<std::size_t>(capacity, 1)]),
      capacity_(std::max<std::size_t>(capacity, 1)) {}

OutputBuffer::OutputBuffer(std::vector<std::uint8_t>& destination, std::size_t capacity)
    : memory_(&destination),
      bytes_(new std::uint8_t[std::max<std::size_t>(capacity, 1)]),
      capacity_(std::max<std::size_t>(capacity, 1)) {}

bool OutputBuffer::write_to_destination(std::span<const std::uint8_t> bytes) {
  if (bytes.empty()) return true;
  if (file_ == nullptr) {
    memory_->insert(memory_->end(), bytes.begin(), bytes.end());
    return true;
  }
  errno = 0;
  if (std::fwrite(bytes.data(), 1, bytes.size(), file_) == bytes.size()) return true;
  error_number_ = errno;
  return false;
}

bool OutputBuffer::flush() {
  if (!failed_ && !write_to_destination(std::span<const std::uint8_t>(bytes_.get(), used_)))
    failed_ = true;
  used_ = 0;
  return !failed_;
}

bool OutputBuffer::write_through(std::span<const std::uint8_t> bytes) {
  const std::size_t capacity = capacity_;
  // The buffer is handed on only when full, so that every write to the
  // destination starts on a multiple of the capacity: on some file systems
  // writes that straddle pages cost much more.
  while (!bytes.empty() && !failed_) {
    if (used_ == capacity) {
      flush();
    } else if (used_ == 0 && bytes.size() >= capacity) {
      // Whole buffers' worth go straight to the destination.
      const std::size_t whole = bytes.size() / capacity * capacity;
      failed_ = !write_to_destination(bytes.first(whole));
      bytes = bytes.subspan(whole);
    } else {
      const std::size_t take = std::min(bytes.size(), capacity - used_);
      std::memcpy(bytes_.get() + used_, bytes.data(), take);
      used_ += take;
      bytes = bytes.subspan(take);
    }
  }
  return !failed_;
}

bool emit_command(const char (&prefix)[3], int value, char terminator, OutputBuffer& out) {
  if (std::uint8_t* at = out.room(kLongestCommand)) {
    out.commit(format_command(prefix, value, terminator,
                              std::span<std::uint8_t, kLongestCommand>(at, kLongestCommand)));
    return true;
  }
  std::uint8_t work[kLongestCommand];
  const std::size_t length = format_command(prefix, value, terminator, work);
  return out.write(std::span<const std::uint8_t>(work, length));
}

bool copy_rest_of_input(InputBuffer& in, OutputBuffer& out) {
  // What the window already holds goes first.
  if (!out.write(in.held())) return false;
  in.take_held(in.held().size());
  // The rest is read in pieces of many buffers, which write() hands on
  // whole: two system calls a megabyte instead of two for every buffer.
  // The piece is not cleared first: only the pages a read fills are ever
  // touched, so a font that ends with its header costs no megabyte. Nor is
  // it larger than what is left to read, where the source tells its size.
  constexpr std::size_t kLargestPiece = std::size_t{1} << 20;
  constexpr std::size_t kSmallestPiece = std::size_t{1} << 12;
  std::size_t size = kLargestPiece;
  if (std::uint64_t total = 0; in.source_size(total)) {
    const std::uint64_t rest = total > in.position() ? total - in.position() : 0;
    size = static_cast<std::size_t>(std::clamp<std::uint64_t>(rest, kSmallestPiece, kLargestPiece));
  }
  const auto piece = std::make_unique_for_overwrite<std::uint8_t[]>(size);
  while (!in.exhausted()) {
    const std::size_t got = in.read_past_window(piece.get(), size);
    if (!out.write(std::span<const std::uint8_t>(piece.get(), got))) return false;
  }
  return !out.failed();
}

}  // namespace kestrune
