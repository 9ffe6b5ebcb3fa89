#include "driver/run.h"

#include <filesystem>
#include <system_error>

#include "characters/clean.h"
#include "characters/landscape.h"
#include "characters/scanner.h"
#include "driver/options.h"
#include "driver/output_file.h"
#include "softfont/format.h"
#include "softfont/header.h"

namespace kestrune {
namespace {

// Writing the output replaces it, so an output that is the input under
// another name (the same path, a hard link, a symbolic link) must be caught
// before it is opened.
bool names_same_file(const char* input_name, const char* output_name) {
  std::error_code error;
  return std::filesystem::equivalent(input_name, output_name, error) && !error;
}

// The flags as the header phase left them choose the pass; landscape wins
// over clean.
bool run_body_pass(std::FILE* in, OutputBuffer& out, const RunOptions& options) {
  if (options.landscape) return scan_character_definitions(in, out, rotate_character_to_landscape);
  if (options.clean) return scan_character_definitions(in, out, clean_row_fill);
  return copy_remaining_bytes(in, out);
}

int run_command_line(int argc, const char* const* argv) {
  if (argc < 3) {
    print_usage();
    return -1;
  }
  const char* input_name = argv[1];
  const char* output_name = argv[2];
  if (input_name == nullptr || output_name == nullptr) {
    print_text("Error: Must have an input and an output file!\n");
    return -1;
  }
  print_text("Input font: ");
  print_text(input_name);
  print_text("\n");
  print_text("Output font: ");
  print_text(output_name);
  print_text("\n");
  RunOptions options = parse_options(argc, argv);
  if (refuse_command_line(argc, argv)) return -1;

  std::FILE* in = std::fopen(input_name, "rb");
  if (in == nullptr) {
    print_text("Error: Could not open input file.\n");
    return -1;
  }
  if (names_same_file(input_name, output_name)) {
    print_text("Error: Input and output are the same file.\n");
    std::fclose(in);
    return -1;
  }
  OutputFile out;
  if (!open_output(output_name, out)) {
    report_system_reason(out.error);
    print_text("Error: Could not open output file.\n");
    std::fclose(in);
    return -1;
  }
  // Neither stream gets a buffer of the library's: the body is read and the
  // whole output written in large pieces through buffers of the tool's own,
  // which a stream buffer would only copy once more. Only the few bytes of
  // the font header's command are read one system call each.
  std::setvbuf(in, nullptr, _IONBF, 0);
  std::setvbuf(out.stream, nullptr, _IONBF, 0);
  const bool ok = run_font_phases(in, out.stream, options);
  std::fclose(in);
  return close_output(out, ok) ? 1 : -1;
}

}  // namespace

bool run_font_phases(std::FILE* in, std::FILE* out, RunOptions& options) {
  OutputBuffer buffered(out);
  const bool ok =
      rewrite_font_header(in, buffered, options) && run_body_pass(in, buffered, options);
  // The last bytes gathered go out here, so a full disk may show itself only
  // now. What a failed run wrote before its failure is handed on as well.
  const bool flushed = flush_output(buffered);
  if (ok && !flushed) report_write_error(buffered.error);
  return ok && flushed;
}

bool copy_remaining_bytes(std::FILE* in, OutputBuffer& out) {
  while (!input_exhausted(in)) {
    if (!read_into_output(in, out)) {
      report_write_error(out.error);
      return false;
    }
  }
  return input_ended_cleanly(in);
}

int run_kestrune(int argc, const char* const* argv) {
  const int status = run_command_line(argc, argv);
  flush_printed_text();
  return status;
}

}  // namespace kestrune
