#include "softfont/format.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>

namespace kestrune {
namespace {

// ESC, two letters, at most 11 characters of value (sign included), the
// terminator and the closing zero byte; also the most bytes one match reads.
constexpr std::size_t kWorkBufferSize = kLongestMatch;

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

// Only the `got` bytes actually read are compared.
Match compare_read_bytes(const std::uint8_t* read, std::size_t got,
                         std::span<const std::uint8_t> expected) {
  for (std::size_t i = 0; i < got; ++i) {
    if (read[i] != expected[i]) return Match::kMismatch;
  }
  return got == expected.size() ? Match::kMatch : Match::kCutShort;
}

// Takes `expected.size()` bytes (at most kWorkBufferSize) from `next_byte`
// as one block read of them would, up to the end of the input, and compares
// the bytes it got.
template <typename NextByte>
Match read_and_compare(NextByte next_byte, std::span<const std::uint8_t> expected) {
  std::uint8_t work[kWorkBufferSize];
  const std::size_t count = std::min(expected.size(), sizeof work);
  std::size_t got = 0;
  for (int byte = 0; got < count && (byte = next_byte()) != EOF;) {
    work[got++] = static_cast<std::uint8_t>(byte);
  }
  return compare_read_bytes(work, got, expected);
}

// ESC, the prefix, the value as "%d" writes it and the terminator, formatted
// into `work`; returns the length. The longest value, -2147483648, leaves
// room for the terminator.
std::size_t format_command(const char (&prefix)[3], int value, char terminator, char* work) {
  work[0] = static_cast<char>(ESC);
  work[1] = prefix[0];
  work[2] = prefix[1];
  char* digits_end = std::to_chars(work + 3, work + kWorkBufferSize - 1, value).ptr;
  *digits_end = terminator;
  return static_cast<std::size_t>(digits_end + 1 - work);
}

// Reads the rest of a block, bytes [have, count), from the stream into
// `buffer`. Room the buffer already has is filled in one read; beyond it the
// buffer grows by pieces that at most double the bytes it holds.
std::size_t fill_block(std::FILE* in, std::size_t count, std::vector<std::uint8_t>& buffer,
                       std::size_t have) {
  while (have < count) {
    const std::size_t room = buffer.size() - have;
    const std::size_t want = std::min(count - have, std::max({kFirstReadPiece, have, room}));
    if (want > room) buffer.resize(have + want);
    const std::size_t got = std::fread(buffer.data() + have, 1, want, in);
    have += got;
    if (got < want) break;
  }
  return have;
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
  std::int64_t value = 0;
  int byte = getc_unlocked(in);
  for (; is_digit(byte); byte = getc_unlocked(in)) value = fold_digit(value, byte);
  return finish_field(value, byte);
}

bool emit_command(const char (&prefix)[3], int value, char terminator, std::FILE* out) {
  char work[kWorkBufferSize];
  const std::size_t length = format_command(prefix, value, terminator, work);
  return std::fwrite(work, 1, length, out) == length;
}

std::size_t read_block_reusing(std::FILE* in, std::size_t count,
                               std::vector<std::uint8_t>& buffer) {
  return fill_block(in, count, buffer, 0);
}

std::size_t read_block(std::FILE* in, std::size_t count, std::vector<std::uint8_t>& into) {
  into.resize(read_block_reusing(in, count, into));
  return into.size();
}

Match match_bytes(std::FILE* in, std::span<const std::uint8_t> expected) {
  return read_and_compare([in] { return getc_unlocked(in); }, expected);
}

bool write_bytes(std::FILE* out, std::span<const std::uint8_t> bytes) {
  if (bytes.empty()) return true;
  return std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
}

bool input_exhausted(std::FILE* in) { return std::feof(in) != 0 || std::ferror(in) != 0; }

bool input_ended_cleanly(std::FILE* in) {
  if (std::ferror(in) == 0) return true;
  report_read_error();
  return false;
}

void report_read_error() { print_text("Error: Could not read input file.\n"); }

void report_system_reason(int error) {
  if (error == 0) return;
  print_text("Warning: The system's reason: ");
  print_text(std::strerror(error));
  print_text(".\n");
}

void report_write_error(int error) {
  report_system_reason(error);
  print_text("Error: Could not write output file.\n");
}

// The body pass's buffered input and output.

InputBuffer::InputBuffer(std::FILE* input, std::size_t capacity)
    : stream(input), bytes(std::max<std::size_t>(capacity, 1)) {
  const long at = std::ftell(input);
  if (at > 0) window_offset = static_cast<std::uint64_t>(at);
}

bool refill_input(InputBuffer& in) {
  in.window_offset += in.end;
  in.next = 0;
  in.end = 0;
  // Once the input has run out or failed, it is not asked again.
  if (!in.ran_out && std::ferror(in.stream) == 0) {
    in.end = std::fread(in.bytes.data(), 1, in.bytes.size(), in.stream);
  }
  in.ran_out = in.end == 0;
  return !in.ran_out;
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
  return read_and_compare([&in] { return next_byte(in); }, expected);
}

std::size_t read_block_at(InputBuffer& in, std::size_t from, std::size_t count,
                          std::vector<std::uint8_t>& buffer) {
  const std::size_t last = from + count;
  std::size_t have = from;
  while (have < last) {
    if (in.next == in.end) {
      // A remainder the window could not hold comes straight from the stream.
      if (last - have >= in.bytes.size() && !in.ran_out) {
        const std::size_t before = have;
        have = fill_block(in.stream, last, buffer, have);
        in.window_offset += in.end + (have - before);
        in.next = 0;
        in.end = 0;
        if (have < last) in.ran_out = true;
        return have - from;
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

std::size_t read_block_reusing(InputBuffer& in, std::size_t count,
                               std::vector<std::uint8_t>& buffer) {
  return read_block_at(in, 0, count, buffer);
}

bool look_ahead(InputBuffer& in, std::size_t count) {
  if (count <= in.end - in.next) return true;
  if (count > in.bytes.size() || in.ran_out || std::ferror(in.stream) != 0) return false;
  std::memmove(in.bytes.data(), in.bytes.data() + in.next, in.end - in.next);
  in.window_offset += in.next;
  in.end -= in.next;
  in.next = 0;
  while (in.end < count) {
    const std::size_t got =
        std::fread(in.bytes.data() + in.end, 1, in.bytes.size() - in.end, in.stream);
    if (got == 0) return false;
    in.end += got;
  }
  return true;
}

std::uint8_t* take_block(InputBuffer& in, std::size_t count, std::vector<std::uint8_t>& buffer) {
  if (count <= in.end - in.next) {
    std::uint8_t* block = in.bytes.data() + in.next;
    in.next += count;
    return block;
  }
  return read_block_reusing(in, count, buffer) == count ? buffer.data() : nullptr;
}

bool input_ended_cleanly(const InputBuffer& in) { return input_ended_cleanly(in.stream); }

OutputBuffer::OutputBuffer(std::FILE* output, std::size_t capacity)
    : stream(output), bytes(std::max<std::size_t>(capacity, 1)) {}

bool flush_output(OutputBuffer& out) {
  if (!out.failed && !write_bytes(out.stream, std::span(out.bytes).first(out.used))) {
    out.failed = true;
    out.error = errno;
  }
  out.used = 0;
  return !out.failed;
}

bool write_bytes(OutputBuffer& out, std::span<const std::uint8_t> bytes) {
  const std::size_t capacity = out.bytes.size();
  // The buffer is handed on only when full, so that every write to the
  // stream starts on a multiple of the capacity: on some file systems writes
  // that straddle pages cost much more.
  while (!bytes.empty() && !out.failed) {
    if (out.used == capacity) {
      flush_output(out);
    } else if (out.used == 0 && bytes.size() >= capacity) {
      // Whole buffers' worth go straight to the stream.
      const std::size_t whole = bytes.size() / capacity * capacity;
      out.failed = !write_bytes(out.stream, bytes.first(whole));
      if (out.failed) out.error = errno;
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

bool read_into_output(std::FILE* in, OutputBuffer& out) {
  if (out.used == out.bytes.size() && !flush_output(out)) return false;
  out.used += std::fread(out.bytes.data() + out.used, 1, out.bytes.size() - out.used, in);
  return !out.failed;
}

bool emit_command(const char (&prefix)[3], int value, char terminator, OutputBuffer& out) {
  std::uint8_t work[kWorkBufferSize];
  return write_built(out, work, sizeof work, [&](std::uint8_t* at) {
    return format_command(prefix, value, terminator, reinterpret_cast<char*>(at));
  });
}

bool begin_character(int code, std::size_t size, CharacterOutput& character) {
  character.left = size;
  character.room = std::min(size, kLargestDataBlock);
  return emit_command("*c", code, 'E', character.out) &&
         emit_command("(s", static_cast<int>(character.room), 'W', character.out);
}

bool write_character_bytes(CharacterOutput& character, std::span<const std::uint8_t> bytes) {
  // Never more than the character's own size.
  bytes = bytes.first(std::min(bytes.size(), character.left));
  while (!bytes.empty()) {
    if (character.room == 0) {
      // The continuation's data: its two prefix bytes, then the next bytes.
      character.room = std::min(character.left, kLargestDataBlock - kContinuationPrefix.size());
      const auto count = static_cast<int>(character.room + kContinuationPrefix.size());
      if (!emit_command("(s", count, 'W', character.out) ||
          !write_bytes(character.out, kContinuationPrefix)) {
        return false;
      }
    }
    const std::size_t take = std::min(bytes.size(), character.room);
    if (!write_bytes(character.out, bytes.first(take))) return false;
    bytes = bytes.subspan(take);
    character.room -= take;
    character.left -= take;
  }
  return !character.out.failed;
}

bool write_character(int code, std::span<const std::uint8_t> block, OutputBuffer& out) {
  // Most characters fit one data command.
  if (block.size() <= kLargestDataBlock) {
    return emit_command("*c", code, 'E', out) &&
           emit_command("(s", static_cast<int>(block.size()), 'W', out) && write_bytes(out, block);
  }
  CharacterOutput character{out};
  return begin_character(code, block.size(), character) && write_character_bytes(character, block);
}

namespace {

// Standard output's buffer, and whether stdout is a terminal, which gets
// each piece of text at once as it would from the library's line buffering.
// Both live at namespace scope, so that a line per character does not pay
// for a guarded static's check. Should the buffer's allocation fail, the
// program ends before main rather than at its first line: nothing catches it
// either way.
OutputBuffer printed_text_buffer(stdout);  // NOLINT(cert-err58-cpp)
int stdout_is_terminal = -1;               // not yet asked

OutputBuffer& printed_text() { return printed_text_buffer; }

bool printing_to_terminal() {
  if (stdout_is_terminal < 0) stdout_is_terminal = isatty(fileno(stdout)) != 0 ? 1 : 0;
  return stdout_is_terminal != 0;
}

}  // namespace

void print_text(std::string_view text) {
  // A failure to print is not the font's failure: it is not reported, and
  // later text is tried again.
  OutputBuffer& out = printed_text();
  out.failed = false;
  write_bytes(out, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
  if (printing_to_terminal()) flush_printed_text();
}

void print_text(std::string_view before, int number, std::string_view after) {
  char digits[11];  // at most 11 characters, sign included
  const char* end = std::to_chars(digits, digits + sizeof digits, number).ptr;
  print_text(before);
  print_text(std::string_view(digits, static_cast<std::size_t>(end - digits)));
  print_text(after);
}

void print_character_progress(int code, std::string_view what) {
  constexpr std::string_view kLead = "Character code ";
  constexpr std::size_t kLongestCode = 11;  // sign included
  constexpr std::size_t kLongestWhat = 32;
  what = what.substr(0, kLongestWhat);
  std::uint8_t spare[kLead.size() + kLongestCode + 1 + kLongestWhat + 1];
  OutputBuffer& out = printed_text();
  out.failed = false;  // as in print_text
  write_built(out, spare, sizeof spare, [&](std::uint8_t* bytes) {
    char* const line = reinterpret_cast<char*>(bytes);
    char* at = std::copy(kLead.begin(), kLead.end(), line);
    at = std::to_chars(at, at + kLongestCode, code).ptr;
    *at++ = ' ';
    at = std::copy(what.begin(), what.end(), at);
    *at++ = '\n';
    return static_cast<std::size_t>(at - line);
  });
  if (printing_to_terminal()) flush_printed_text();
}

void flush_printed_text() {
  flush_output(printed_text());
  std::fflush(stdout);
}

}  // namespace kestrune
