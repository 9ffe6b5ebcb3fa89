#include "softfont/format.h"

#include <algorithm>
#include <climits>
#include <cstring>

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

bool read_be16(std::FILE* in, int& value) {
  const int first = std::getc(in);
  if (first == EOF) return false;
  const int second = std::getc(in);
  if (second == EOF) return false;
  value = first * 256 + second;
  return true;
}

DecimalField read_decimal_field(std::FILE* in) {
  DecimalField field;
  int byte = std::getc(in);
  while (byte >= '0' && byte <= '9') {
    const int digit = byte - '0';
    // Checked before multiplying: value * 10 + digit must stay within int.
    if (field.overflow || field.value > (INT_MAX - digit) / 10) {
      field.overflow = true;
      field.value = INT_MAX;
    } else {
      field.value = field.value * 10 + digit;
    }
    byte = std::getc(in);
  }
  field.terminator = byte;
  return field;
}

bool emit_command(const char (&prefix)[3], int value, char terminator, std::FILE* out) {
  char work[kWorkBufferSize];
  const int length =
      std::snprintf(work, sizeof work, "%c%c%c%d%c", ESC, prefix[0], prefix[1], value, terminator);
  if (length < 0 || static_cast<std::size_t>(length) >= sizeof work) return false;
  return std::fwrite(work, 1, static_cast<std::size_t>(length), out) ==
         static_cast<std::size_t>(length);
}

std::size_t read_block(std::FILE* in, std::size_t count, std::vector<std::uint8_t>& into) {
  into.clear();
  while (into.size() < count) {
    const std::size_t have = into.size();
    // The buffer at most doubles per piece, so it never holds much more than
    // twice the bytes that actually arrived.
    const std::size_t want = std::min(count - have, std::max(kFirstReadPiece, have));
    into.resize(have + want);
    const std::size_t got = std::fread(into.data() + have, 1, want, in);
    if (got < want) {
      into.resize(have + got);
      break;
    }
  }
  return into.size();
}

Match match_bytes(std::FILE* in, std::span<const std::uint8_t> expected) {
  std::uint8_t work[kWorkBufferSize];
  const std::size_t count = std::min(expected.size(), sizeof work);
  const std::size_t got = std::fread(work, 1, count, in);
  // Only the bytes actually read are compared.
  if (std::memcmp(work, expected.data(), got) != 0) return Match::kMismatch;
  return got == expected.size() ? Match::kMatch : Match::kCutShort;
}

bool write_bytes(std::FILE* out, std::span<const std::uint8_t> bytes) {
  if (bytes.empty()) return true;
  return std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
}

bool input_exhausted(std::FILE* in) { return std::feof(in) != 0 || std::ferror(in) != 0; }

void report_read_error() { std::printf("Error: Could not read input file.\n"); }

void report_write_error() { std::printf("Error: Could not write output file.\n"); }

}  // namespace kestrune
