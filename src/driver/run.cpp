#include "driver/run.h"

#include <filesystem>
#include <memory>
#include <system_error>

#include "characters/clean.h"
#include "characters/landscape.h"
#include "characters/scanner.h"
#include "driver/options.h"
#include "softfont/format.h"
#include "softfont/header.h"

namespace kestrune {
namespace {

constexpr std::size_t kCopyChunk = std::size_t{1} << 16;

// Both fonts are read and written through buffers of this size, so that the
// scanner's byte-at-a-time reads and the transforms' small writes cost a
// system call only every so many bytes.
constexpr std::size_t kStreamBuffer = std::size_t{1} << 16;

// A stream's buffer, given to it before its first read or write and kept
// until it is closed. (A buffer the library allocates itself would have the
// file system's block size, whatever size is asked for.)
struct StreamBuffer {
  std::unique_ptr<char[]> bytes = std::make_unique_for_overwrite<char[]>(kStreamBuffer);
};

void give_buffer(std::FILE* stream, StreamBuffer& buffer) {
  std::setvbuf(stream, buffer.bytes.get(), _IOFBF, kStreamBuffer);
}

// Opening the output truncates it, so an output that is the input under
// another name (the same path, a hard link, a symbolic link) must be caught
// before it is opened.
bool names_same_file(const char* input_name, const char* output_name) {
  std::error_code error;
  return std::filesystem::equivalent(input_name, output_name, error) && !error;
}

// The flags as the header phase left them choose the pass; landscape wins
// over clean.
bool run_body_pass(std::FILE* in, std::FILE* out, const RunOptions& options) {
  if (options.landscape) return scan_character_definitions(in, out, rotate_character_to_landscape);
  if (options.clean) return scan_character_definitions(in, out, clean_row_fill);
  return copy_remaining_bytes(in, out);
}

// Buffered bytes reach the file only when it is flushed and closed, so a full
// disk may show itself only here.
bool close_output(std::FILE* out, bool run_ok) {
  const bool flushed = std::fflush(out) == 0 && std::ferror(out) == 0;
  const bool closed = std::fclose(out) == 0;
  if (run_ok && !(flushed && closed)) report_write_error();
  return run_ok && flushed && closed;
}

}  // namespace

bool run_font_phases(std::FILE* in, std::FILE* out, RunOptions& options) {
  return rewrite_font_header(in, out, options) && run_body_pass(in, out, options);
}

bool copy_remaining_bytes(std::FILE* in, std::FILE* out) {
  std::uint8_t chunk[kCopyChunk];
  while (!input_exhausted(in)) {
    const std::size_t got = std::fread(chunk, 1, sizeof chunk, in);
    if (!write_bytes(out, std::span<const std::uint8_t>(chunk, got))) {
      report_write_error();
      return false;
    }
  }
  return input_ended_cleanly(in);
}

int run_kestrune(int argc, const char* const* argv) {
  if (argc < 3) {
    print_usage();
    return -1;
  }
  const char* input_name = argv[1];
  const char* output_name = argv[2];
  if (input_name == nullptr || output_name == nullptr) {
    std::printf("Error: Must have an input and an output file!\n");
    return -1;
  }
  std::printf("Input font: %s\n", input_name);
  std::printf("Output font: %s\n", output_name);
  RunOptions options = parse_options(argc, argv);

  // Declared before the streams are opened, so that they outlive them.
  StreamBuffer input_buffer;
  StreamBuffer output_buffer;
  std::FILE* in = std::fopen(input_name, "rb");
  if (in == nullptr) {
    std::printf("Error: Could not open input file.\n");
    return -1;
  }
  give_buffer(in, input_buffer);
  if (names_same_file(input_name, output_name)) {
    std::printf("Error: Input and output are the same file.\n");
    std::fclose(in);
    return -1;
  }
  std::FILE* out = std::fopen(output_name, "w+b");
  if (out == nullptr) {
    std::printf("Error: Could not open output file.\n");
    std::fclose(in);
    return -1;
  }
  give_buffer(out, output_buffer);
  const bool ok = run_font_phases(in, out, options);
  std::fclose(in);
  return close_output(out, ok) ? 1 : -1;
}

}  // namespace kestrune
