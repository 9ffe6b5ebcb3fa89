#include "bytes/output.h"

#include <cerrno>
#include <cstring>
#include <memory>

namespace kestrune {
namespace {

bool write_to_destination(OutputBuffer& out, std::span<const std::uint8_t> bytes) {
  if (bytes.empty()) return true;
  if (out.file == nullptr) {
    out.memory->insert(out.memory->end(), bytes.begin(), bytes.end());
    return true;
  }
  errno = 0;
  if (std::fwrite(bytes.data(), 1, bytes.size(), out.file) == bytes.size()) return true;
  out.error_number = errno;
  return false;
}

}  // namespace

OutputBuffer::OutputBuffer(std::FILE* destination, std::size_t capacity)
    : file(destination), bytes(std::max<std::size_t>(capacity, 1)) {}

OutputBuffer::OutputBuffer(std::vector<std::uint8_t>& destination, std::size_t capacity)
    : memory(&destination), bytes(std::max<std::size_t>(capacity, 1)) {}

bool flush_output(OutputBuffer& out) {
  if (!out.failed && !write_to_destination(out, std::span(out.bytes).first(out.used))) {
    out.failed = true;
  }
  out.used = 0;
  return !out.failed;
}

bool write_bytes(OutputBuffer& out, std::span<const std::uint8_t> bytes) {
  const std::size_t capacity = out.bytes.size();
  // The buffer is handed on only when full, so that every write to the
  // destination starts on a multiple of the capacity: on some file systems
  // writes that straddle pages cost much more.
  while (!bytes.empty() && !out.failed) {
    if (out.used == capacity) {
      flush_output(out);
    } else if (out.used == 0 && bytes.size() >= capacity) {
      // Whole buffers' worth go straight to the destination.
      const std::size_t whole = bytes.size() / capacity * capacity;
      out.failed = !write_to_destination(out, bytes.first(whole));
      bytes = bytes.subspan(whole);
    } else {
      const std::size_t take = std::min(bytes.size(), capacity - out.used);
      std::memcpy(out.bytes.data() + out.used, bytes.data(), take);
      out.used += take;
      bytes = bytes.subspan(take);
    }
  }
  return !out.failed;
}

bool emit_command(const char (&prefix)[3], int value, char terminator, OutputBuffer& out) {
  std::uint8_t work[kLongestCommand];
  return write_built(out, work, sizeof work, [&](std::uint8_t* at) {
    return format_command(prefix, value, terminator,
                          std::span<std::uint8_t, kLongestCommand>(at, kLongestCommand));
  });
}

bool copy_rest_of_input(InputBuffer& in, OutputBuffer& out) {
  // What the window already holds goes first.
  if (!write_bytes(out, held_bytes(in))) return false;
  take_held(in, held_bytes(in).size());
  // The rest is read in pieces of many buffers, which write_bytes hands on
  // whole: two system calls a megabyte instead of two for every buffer.
  // The piece is not cleared first: only the pages a read fills are ever
  // touched, so a font that ends with its header costs no megabyte.
  const std::size_t size = std::max(std::size_t{1} << 20, out.bytes.size());
  const auto piece = std::make_unique_for_overwrite<std::uint8_t[]>(size);
  while (!input_exhausted(in)) {
    const std::size_t got = read_past_window(in, piece.get(), size);
    if (!write_bytes(out, std::span<const std::uint8_t>(piece.get(), got))) return false;
  }
  return !out.failed;
}

}  // namespace kestrune
