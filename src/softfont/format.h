// The part of the PCL soft-font stream that Kestrune understands: the three
// commands it recognises, the records it keeps of a font descriptor and a
// character descriptor, and the primitives through which every other part of
// the tool reads and writes escape sequences.
#pragma once

#include <algorithm>
#include <array>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <span>
#include <string_view>
#include <vector>

namespace kestrune {

inline constexpr int ESC = 27;

// Options taken from the command line; the header phase may switch
// `landscape` off again when the font is not portrait.
struct RunOptions {
  std::int32_t resolution = 0;  // 0 leaves the font's resolution alone
  bool landscape = false;
  bool clean = false;
  bool header_format_20 = false;  // -f20: with a resolution, mark the header format 20
};

// The font descriptor at the start of the font header's data block. The tool
// accepts the 64-byte plain form and the 68-byte resolution-specified form and
// keeps either in one 68-byte buffer; `size` bytes of it are in use.
struct FontDescriptor {
  static constexpr int kPlainSize = 64;
  static constexpr int kResolutionSize = 68;
  static constexpr std::size_t kOrientationOffset = 12;
  static constexpr std::size_t kXResolutionOffset = 64;
  static constexpr std::size_t kYResolutionOffset = 66;

  std::array<std::uint8_t, kResolutionSize> bytes{};
  int size = 0;
};

// The 16-byte descriptor at the start of every character's data block, with
// its fields decoded (all numbers big-endian).
struct CharacterDescriptor {
  static constexpr std::size_t kSize = 16;

  std::uint8_t format = 0;
  std::uint8_t continuation = 0;
  std::uint8_t descriptor_size = 0;
  std::uint8_t glyph_class = 0;
  std::uint8_t orientation = 0;
  std::uint8_t reserved = 0;
  std::int16_t left_offset = 0;
  std::int16_t top_offset = 0;
  std::uint16_t width = 0;
  std::uint16_t height = 0;
  std::int16_t delta_x = 0;
};

// Format, continuation, descriptor size and class of the two bitmap kinds.
inline constexpr std::array<std::uint8_t, 4> kUncompressedBitmapPrefix = {4, 0, 14, 1};
inline constexpr std::array<std::uint8_t, 4> kCompressedBitmapPrefix = {4, 0, 14, 2};

// Whether a character's block (at least 4 bytes) begins as a compressed one.
inline bool is_compressed_character(std::span<const std::uint8_t> block) {
  return std::equal(kCompressedBitmapPrefix.begin(), kCompressedBitmapPrefix.end(), block.begin());
}

CharacterDescriptor decode_character_descriptor(std::span<const std::uint8_t, 16> bytes);
void encode_character_descriptor(const CharacterDescriptor& descriptor,
                                 std::span<std::uint8_t, 16> bytes);

// Bytes in one bitmap row of a character `width` dots wide.
constexpr std::size_t row_stride(std::uint16_t width) { return (std::size_t{width} + 7) / 8; }

// The largest bitmap a compressed character may unpack to, as printers limit
// it: width x height / 8 at most 1 MiB.
inline constexpr std::uint64_t kLargestUnpackedBitmap = std::uint64_t{1} << 20;

enum class Unpacked {
  kDone,
  kRunPastWidth,  // a run of dots would end beyond the character's width
  kTooLarge,      // the bitmap would exceed kLargestUnpackedBitmap
};

// Unpacks the run-length data of a compressed (class 2) character, the bytes
// after its descriptor, into an uncompressed bitmap of `height` rows of
// row_stride(width) bytes, fill bits clear. Each row is coded as a repeat
// count r (the row stands r + 1 times, never past the height), then run
// lengths of clear and set dots by turns, clear first, until they add up to
// the width; a run of more than 255 dots is coded 255, 0, rest. Rows the data
// does not reach are clear, as is the rest of a row it stops inside; bytes
// after the last row are ignored.
Unpacked unpack_compressed_bitmap(std::span<const std::uint8_t> data, std::uint16_t width,
                                  std::uint16_t height, std::vector<std::uint8_t>& bitmap);

// Reads two bytes and stores first * 256 + second in `value`. Returns false,
// leaving `value` alone, when the input ends or fails first.
bool read_be16(std::FILE* in, int& value);

// A command's value field: a run of decimal digits and the byte after it.
struct DecimalField {
  int value = 0;
  int terminator = 0;     // the byte that ended the digits, or EOF
  bool overflow = false;  // the digits do not fit an int; `value` is then INT_MAX
};

// Reads a value field: digits up to the first byte that is not one, which is
// returned as the terminator (the end of the input is such a byte, too).
DecimalField read_decimal_field(std::FILE* in);

// A value field's digits are folded in 64 bits into a value that stops at
// one past INT_MAX: value * 10 + 9 cannot overflow there, and a value that
// has passed INT_MAX stays past it.
inline constexpr std::int64_t kPastIntMax = std::int64_t{INT_MAX} + 1;

constexpr bool is_digit(int byte) { return byte >= '0' && byte <= '9'; }

constexpr std::int64_t fold_digit(std::int64_t value, int byte) {
  return std::min(value * 10 + (byte - '0'), kPastIntMax);
}

constexpr DecimalField finish_field(std::int64_t value, int terminator) {
  const bool overflow = value > INT_MAX;
  return DecimalField{overflow ? INT_MAX : static_cast<int>(value), terminator, overflow};
}

// Writes ESC, the two prefix letters, the value in decimal and the terminator.
// Returns false when the output fails.
bool emit_command(const char (&prefix)[3], int value, char terminator, std::FILE* out);

// Reads up to `count` bytes, growing `into` as bytes actually arrive, so that
// a count taken from a damaged file never sizes an allocation beyond the
// bytes the file holds. Returns the number of bytes read.
std::size_t read_block(std::FILE* in, std::size_t count, std::vector<std::uint8_t>& into);

// Like read_block, but into the front of a buffer kept from one call to the
// next: `buffer` never shrinks and is neither cleared nor reallocated while
// it has room, and grows only as bytes actually arrive. Returns the number of
// bytes read; the bytes after them in `buffer` are left from earlier calls.
std::size_t read_block_reusing(std::FILE* in, std::size_t count, std::vector<std::uint8_t>& buffer);

// Outcome of comparing fixed command bytes with what the input holds.
enum class Match {
  kMatch,
  kMismatch,
  kCutShort,  // the input ended (or failed) early and the bytes it gave agree so far
};

// The most bytes one match compares.
inline constexpr std::size_t kLongestMatch = 16;

// Reads `expected.size()` bytes (at most kLongestMatch) with one block read
// and compares them with `expected`. The bytes read are consumed whatever the
// outcome.
Match match_bytes(std::FILE* in, std::span<const std::uint8_t> expected);

// Writes all of `bytes`; false when the output fails.
bool write_bytes(std::FILE* out, std::span<const std::uint8_t> bytes);

// True once a read has gone past the last byte of the input, or has failed.
bool input_exhausted(std::FILE* in);

// The input of the body pass, read ahead from its stream a large piece at a
// time, so that the byte-by-byte work of finding and parsing commands costs
// no library call per byte. Once the pass has begun, the stream is read only
// through this buffer.
struct InputBuffer {
  static constexpr std::size_t kDefaultCapacity = std::size_t{1} << 16;

  explicit InputBuffer(std::FILE* input, std::size_t capacity = kDefaultCapacity);

  std::FILE* stream;
  std::vector<std::uint8_t> bytes;  // the window; its size is the capacity
  std::size_t next = 0;             // the first byte not yet taken
  std::size_t end = 0;              // one past the last byte held
  std::uint64_t window_offset = 0;  // where the window's first byte lies in the stream
  // Set once a read has asked for a byte beyond the last one of the input, or
  // the stream has failed: the same moment at which the stream itself would
  // report its end had it been read byte by byte.
  bool ran_out = false;
};

// Tops up an empty window from the stream; false, with `ran_out` set, when
// the stream has no byte left to give.
bool refill_input(InputBuffer& in);

// Where the next byte to be taken lies in the stream.
inline std::uint64_t input_position(const InputBuffer& in) { return in.window_offset + in.next; }

// Makes the window hold at least `count` bytes not yet taken, moving them to
// its front and reading more as needed, without taking any: a look ahead.
// False when the input ends first or `count` exceeds the window. Pointers
// into the window are no longer valid once it has had to move its bytes.
bool look_ahead(InputBuffer& in, std::size_t count);

// One byte, or EOF once the input has run out.
inline int next_byte(InputBuffer& in) {
  if (in.next == in.end && !refill_input(in)) return EOF;
  return in.bytes[in.next++];
}

// Passes over bytes up to and including the next ESC. False when the input
// runs out first; every byte passed over is dropped.
bool skip_to_escape(InputBuffer& in);

// The same primitives over the buffer, with the same results byte for byte
// and the same moment of running out as their stream forms. The value field
// is read inline: it is parsed twice for every character, and a field
// returned from a call is stored and loaded back piece by piece.
inline DecimalField read_decimal_field(InputBuffer& in) {
  std::int64_t value = 0;
  // The digits are taken straight from the window, which is topped up when
  // they reach its end.
  for (;;) {
    const std::uint8_t* at = in.bytes.data() + in.next;
    const std::uint8_t* const end = in.bytes.data() + in.end;
    for (; at != end && is_digit(*at); ++at) value = fold_digit(value, *at);
    in.next = static_cast<std::size_t>(at - in.bytes.data());
    if (at != end) return finish_field(value, in.bytes[in.next++]);
    if (!refill_input(in)) return finish_field(value, EOF);
  }
}

// The bytes taken one at a time, across the window's refills.
Match match_bytes_byte_by_byte(InputBuffer& in, std::span<const std::uint8_t> expected);

// Bytes the window already holds are compared where they lie, inline: two
// matches are made for every character.
inline Match match_bytes(InputBuffer& in, std::span<const std::uint8_t> expected) {
  if (expected.size() > kLongestMatch || expected.size() > in.end - in.next) {
    return match_bytes_byte_by_byte(in, expected);
  }
  const std::uint8_t* at = in.bytes.data() + in.next;
  in.next += expected.size();
  return std::equal(expected.begin(), expected.end(), at) ? Match::kMatch : Match::kMismatch;
}

std::size_t read_block_reusing(InputBuffer& in, std::size_t count,
                               std::vector<std::uint8_t>& buffer);
// The same, into `buffer` from byte `from` on; the bytes before it are kept.
std::size_t read_block_at(InputBuffer& in, std::size_t from, std::size_t count,
                          std::vector<std::uint8_t>& buffer);
inline bool input_exhausted(const InputBuffer& in) { return in.ran_out; }

// The next `count` bytes, consumed: where they lie in the window when it
// holds them all, else read into `buffer` as read_block_reusing does. Null
// when the input runs out first. The bytes may be changed in place; they
// stay valid until the next read from `in`.
std::uint8_t* take_block(InputBuffer& in, std::size_t count, std::vector<std::uint8_t>& buffer);
bool input_ended_cleanly(const InputBuffer& in);

// The output font, every byte of it from the header on, gathered into a
// large buffer and handed to its stream a piece at a time, so that a
// character's few small writes cost no library call each and the writes
// start on whole multiples of the capacity. A failed write is remembered and
// ends further writing.
struct OutputBuffer {
  static constexpr std::size_t kDefaultCapacity = std::size_t{1} << 16;

  explicit OutputBuffer(std::FILE* output, std::size_t capacity = kDefaultCapacity);

  std::FILE* stream;
  std::vector<std::uint8_t> bytes;  // its size is the capacity
  std::size_t used = 0;
  bool failed = false;
  int error = 0;  // errno of the failed write, kept as later calls may change errno
};

// Hands every byte held to the stream; false once any write has failed.
bool flush_output(OutputBuffer& out);

// Reads from `in` straight into the free room of `out`'s buffer, handing
// the buffer to its stream first when it is full. False once the output
// has failed.
bool read_into_output(std::FILE* in, OutputBuffer& out);

// Both are false once any write to the output has failed.
bool write_bytes(OutputBuffer& out, std::span<const std::uint8_t> bytes);

// Writes the bytes `build` makes: given where to put at most `most` bytes,
// it puts them there and returns how many. That is the end of `out`'s buffer
// when it has the room, so they need no copying; else `spare` (at least
// `most` bytes), from which they go through write_bytes, which keeps the
// stream's writes in whole buffers. False once the output has failed.
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
bool emit_command(const char (&prefix)[3], int value, char terminator, OutputBuffer& out);

// The most bytes one data command carries. A longer character goes out as a
// first command of this many bytes, then continuation commands whose data is
// 04 01 (format 4, continuation) and up to kLargestDataBlock - 2 further bytes.
inline constexpr std::size_t kLargestDataBlock = 32767;
inline constexpr std::array<std::uint8_t, 2> kContinuationPrefix = {4, 1};

// A character being written: its bytes are counted into data commands.
struct CharacterOutput {
  OutputBuffer& out;
  std::size_t left = 0;  // bytes of the character not yet written
  std::size_t room = 0;  // bytes the current data command still takes
};

// Writes ESC *c code E and the first data command of a character whose
// descriptor and data are `size` bytes in all. False once the output fails.
bool begin_character(int code, std::size_t size, CharacterOutput& character);

// Writes the character's next bytes, opening a continuation command wherever
// a data command is full. False once the output fails.
bool write_character_bytes(CharacterOutput& character, std::span<const std::uint8_t> bytes);

// A character of `block.size()` bytes written whole under `code`.
bool write_character(int code, std::span<const std::uint8_t> block, OutputBuffer& out);

// Everything the tool prints goes to standard output through these. The
// text is gathered in a buffer of the tool's own and handed to stdout a
// piece at a time, so that a line per character costs no library call; a
// terminal still gets every line as soon as it is printed. Nothing else may
// write to stdout until flush_printed_text has been called.
void print_text(std::string_view text);
// `before`, then `number` as "%d" writes it, then `after`.
void print_text(std::string_view before, int number, std::string_view after);
void flush_printed_text();

// Prints "Character code %d <what>\n", the progress line of every character
// ("found.", "cleaned.", "landscaped.").
void print_character_progress(int code, std::string_view what);

// At the end of a pass over the input: true when the input ended, false,
// with the error reported, when reading it failed.
bool input_ended_cleanly(std::FILE* in);

// Standard messages for I/O failures, shared by every phase.
void report_read_error();
// A "Warning: " line with the system's reason for `error`, an errno value;
// nothing for 0, when there is none to give.
void report_system_reason(int error);
// The reason for `error`, then the write error line.
void report_write_error(int error);

}  // namespace kestrune
