#include "driver/run.h"

#include "bytes/output_file.h"
#include "characters/clean.h"
#include "characters/fix.h"
#include "characters/header_phase.h"
#include "characters/landscape.h"
#include "characters/scanner.h"
#include "driver/options.h"
#include "platform/files.h"
#include "softfont/font.h"

namespace kestrune {
namespace {

// Landscape, when the header phase could mark the font so, wins over clean.
// The mends of -fix come before either. A scalable font's characters are
// copied as they are.
bool run_body_pass(FontReader& font, OutputBuffer& out, const RunOptions& options,
                   const HeaderOutcome& header, MessageSink& messages) {
  const CharacterMend mend = options.fix ? mend_character : nullptr;
  if (header.turned) {
    return scan_character_definitions(font, out, rotate_character_to_landscape, messages, mend);
  }
  if (header.bitmap_font && options.clean) {
    return scan_character_definitions(font, out, clean_row_fill, messages, mend);
  }
  if (header.bitmap_font && options.fix) {
    return scan_character_definitions(font, out, keep_character, messages, mend);
  }
  return copy_remaining_bytes(font.input(), out, messages);
}

void print_file_names(const char* input_name, const char* output_name, MessageSink& messages) {
  print_text(messages, "Input font: ");
  print_text(messages, input_name);
  print_text(messages, "\n");
  print_text(messages, "Output font: ");
  print_text(messages, output_name);
  print_text(messages, "\n");
}

// Both files are open: the phases run, and the output is closed, replacing
// the old one only when they completed.
int run_open_files(std::FILE* in_file, OutputFile& out_file, const RunOptions& options,
                   MessageSink& messages) {
  // Neither stream gets a buffer of the library's: the input is read and the
  // whole output written in large pieces through buffers of the tool's own,
  // which a stream buffer would only copy once more.
  std::setvbuf(in_file, nullptr, _IONBF, 0);
  std::setvbuf(out_file.stream, nullptr, _IONBF, 0);
  InputBuffer in(in_file);
  OutputBuffer out(out_file.stream);
  const bool ok = run_font_phases(in, out, options, messages);
  std::fclose(in_file);
  return close_output(out_file, ok, messages) ? 1 : -1;
}

int run_command_line(int argc, const char* const* argv, MessageSink& messages) {
  if (argc < 3) {
    print_usage(messages);
    return -1;
  }
  const char* input_name = argv[1];
  const char* output_name = argv[2];
  if (input_name == nullptr || output_name == nullptr) {
    print_text(messages, "Error: Must have an input and an output file!\n");
    return -1;
  }
  print_file_names(input_name, output_name, messages);
  const RunOptions options = parse_options(argc, argv, messages);
  if (refuse_command_line(argc, argv, messages)) return -1;

  std::FILE* in = open_file(input_name, "rb");
  if (in == nullptr) {
    print_text(messages, "Error: Could not open input file.\n");
    return -1;
  }
  // Writing the output replaces it, so an output that is the input under
  // another name must be caught before it is opened.
  if (names_same_file(input_name, output_name)) {
    print_text(messages, "Error: Input and output are the same file.\n");
    std::fclose(in);
    return -1;
  }
  OutputFile out;
  if (!open_output(output_name, out)) {
    report_system_reason(messages, out.error);
    print_text(messages, "Error: Could not open output file.\n");
    std::fclose(in);
    return -1;
  }
  return run_open_files(in, out, options, messages);
}

}  // namespace

bool run_font_phases(InputBuffer& in, OutputBuffer& out, const RunOptions& options,
                     MessageSink& messages) {
  const HeaderChanges changes{options.resolution, options.landscape, options.header_format_20,
                              options.fix, options.clean};
  FontReader font(in, kestrune_reading(options.fix));
  const HeaderOutcome header = rewrite_font_header(font, out, changes, messages);
  const bool ok = header.written && run_body_pass(font, out, options, header, messages);
  // The last bytes gathered go out here, so a full disk may show itself only
  // now. What a failed run wrote before its failure is handed on as well.
  const bool flushed = out.flush();
  if (ok && !flushed) report_write_error(messages, out.error_number());
  return ok && flushed;
}

bool copy_remaining_bytes(InputBuffer& in, OutputBuffer& out, MessageSink& messages) {
  if (!copy_rest_of_input(in, out)) {
    report_write_error(messages, out.error_number());
    return false;
  }
  if (in.failed()) {
    report_read_error(messages);
    return false;
  }
  return true;
}

int run_kestrune(int argc, const char* const* argv, MessageSink& messages) {
  const int status = run_command_line(argc, argv, messages);
  flush_messages(messages);
  return status;
}

}  // namespace kestrune
