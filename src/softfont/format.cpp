#include "softfont/format.h"

#include <algorithm>
#include <charconv>
#include <climits>

namespace kestrune {
namespace {

// ESC, two letters, at most 11 characters of value (sign included), the
// terminator and the closing zero byte.
constexpr std::size_t kWorkBufferSize = 16;

// Blocks are read in growing pieces starting at this size, so that memory
// follows the bytes that actually arrive rather than the count a file claims.
constexpr std::size_t kFirstReadPiece = std::size_t{1} << 16;

std::uint16_t get_u16(std::span<const std::uint8_t, 16> bytes, std::size_t at) {
  return static_cast<std::uint16_t>((bytes[at] << 8) | bytes[at + 1]);
}

void put_u16(std::span<std::uint8_t, 16> bytes, std::size_t at, std::uint16_t value) {
  bytes[at] = static_cast<std::uint8_t>(value >> 8);
  bytes[at + 1] = static_cast<std::uint8_t>(value & 0xFF);
}

}  // namespace

CharacterDescriptor decode_character_descriptor(std::span<const std::uint8_t, 16> bytes) {
  CharacterDescriptor d;
  d.format = bytes[0];
  d.continuation = bytes[1];
  d.descriptor_size = bytes[2];
  d.glyph_class = bytes[3];
  d.orientation = bytes[4];
  d.reserved = bytes[5];
  // Two's complement conversion from u16 is well defined since C++20.
  d.left_offset = static_cast<std::int16_t>(get_u16(bytes, 6));
  d.top_offset = static_cast<std::int16_t>(get_u16(bytes, 8));
  d.width = get_u16(bytes, 10);
  d.height = get_u16(bytes, 12);
  d.delta_x = static_cast<std::int16_t>(get_u16(bytes, 14));
  return d;
}

void encode_character_descriptor(const CharacterDescriptor& d, std::span<std::uint8_t, 16> bytes) {
  bytes[0] = d.format;
  bytes[1] = d.continuation;
  bytes[2] = d.descriptor_size;
  bytes[3] = d.glyph_class;
  bytes[4] = d.orientation;
  bytes[5] = d.reserved;
  put_u16(bytes, 6, static_cast<std::uint16_t>(d.left_offset));
  put_u16(bytes, 8, static_cast<std::uint16_t>(d.top_offset));
  put_u16(bytes, 10, d.width);
  put_u16(bytes, 12, d.height);
  put_u16(bytes, 14, static_cast<std::uint16_t>(d.delta_x));
}

// Bytes are read one at a time without taking the stream's lock on each: the
// tool has one thread.
bool read_be16(std::FILE* in, int& value) {
  const int first = getc_unlocked(in);
  if (first == EOF) return false;
  const int second = getc_unlocked(in);
  if (second == EOF) return false;
  value = first * 256 + second;
  return true;
}

DecimalField read_decimal_field(std::FILE* in) {
  DecimalField field;
  int byte = getc_unlocked(in);
  while (byte >= '0' && byte <= '9') {
    const int digit = byte - '0';
    // Checked before multiplying: value * 10 + digit must stay within int.
    if (field.overflow || field.value > (INT_MAX - digit) / 10) {
      field.overflow = true;
      field.value = INT_MAX;
    } else {
      field.value = field.value * 10 + digit;
    }
    byte = getc_unlocked(in);
  }
  field.terminator = byte;
  return field;
}

bool emit_command(const char (&prefix)[3], int value, char terminator, std::FILE* out) {
  char work[kWorkBufferSize];
  work[0] = static_cast<char>(ESC);
  work[1] = prefix[0];
  work[2] = prefix[1];
  // The value as "%d" writes it; the longest, -2147483648, leaves room for
  // the terminator.
  const std::to_chars_result digits = std::to_chars(work + 3, work + sizeof work - 1, value);
  if (digits.ec != std::errc{}) return false;
  *digits.ptr = terminator;
  const auto length = static_cast<std::size_t>(digits.ptr + 1 - work);
  return std::fwrite(work, 1, length, out) == length;
}

std::size_t read_block_reusing(std::FILE* in, std::size_t count,
                               std::vector<std::uint8_t>& buffer) {
  std::size_t have = 0;
  while (have < count) {
    // Room the buffer already has is filled in one read; beyond it the buffer
    // grows by pieces that at most double what has arrived in this call.
    const std::size_t room = buffer.size() - have;
    const std::size_t want = std::min(count - have, std::max({kFirstReadPiece, have, room}));
    if (want > room) buffer.resize(have + want);
    const std::size_t got = std::fread(buffer.data() + have, 1, want, in);
    have += got;
    if (got < want) break;
  }
  return have;
}

std::size_t read_block(std::FILE* in, std::size_t count, std::vector<std::uint8_t>& into) {
  into.resize(read_block_reusing(in, count, into));
  return into.size();
}

Match match_bytes(std::FILE* in, std::span<const std::uint8_t> expected) {
  std::uint8_t work[kWorkBufferSize];
  const std::size_t count = std::min(expected.size(), sizeof work);
  // As one block read of `count` bytes would: up to the end of the input.
  std::size_t got = 0;
  while (got < count) {
    const int byte = getc_unlocked(in);
    if (byte == EOF) break;
    work[got++] = static_cast<std::uint8_t>(byte);
  }
  // Only the bytes actually read are compared.
  for (std::size_t i = 0; i < got; ++i) {
    if (work[i] != expected[i]) return Match::kMismatch;
  }
  return got == expected.size() ? Match::kMatch : Match::kCutShort;
}

bool write_bytes(std::FILE* out, std::span<const std::uint8_t> bytes) {
  if (bytes.empty()) return true;
  return std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
}

bool input_exhausted(std::FILE* in) { return std::feof(in) != 0 || std::ferror(in) != 0; }

void print_character_progress(int code, std::string_view what) {
  constexpr std::string_view kLead = "Character code ";
  char line[64];
  char* at = std::copy(kLead.begin(), kLead.end(), line);
  at = std::to_chars(at, at + 11, code).ptr;  // at most 11 characters, sign included
  *at++ = ' ';
  what = what.substr(0, static_cast<std::size_t>(line + sizeof line - 1 - at));
  at = std::copy(what.begin(), what.end(), at);
  *at++ = '\n';
  std::fwrite(line, 1, static_cast<std::size_t>(at - line), stdout);
}

bool input_ended_cleanly(std::FILE* in) {
  if (std::ferror(in) == 0) return true;
  report_read_error();
  return false;
}

void report_read_error() { std::printf("Error: Could not read input file.\n"); }

void report_write_error() { std::printf("Error: Could not write output file.\n"); }

}  // namespace kestrune
