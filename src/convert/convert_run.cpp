#include "convert/convert_run.h"

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "bytes/input.h"
#include "bytes/output.h"
#include "bytes/output_file.h"
#include "check/font_check.h"
#include "convert/bdf_writer.h"
#include "convert/convert_inputs.h"
#include "convert/pcl_writer.h"
#include "pcl/commands.h"
#include "pcl/font_fields.h"
#include "pcl/symbol_sets.h"
#include "platform/files.h"
#include "softfont/font.h"

namespace kestrune::convert {
namespace {

struct CloseFile {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

// Glyphs that scaling took beyond what printers take are left out, each
// named. Returns how many.
std::size_t leave_out_beyond_limits(Face& face, MessageSink& messages) {
  GlyphSet kept;
  std::size_t refused = 0;
  for (Glyph& glyph : face.glyphs.all()) {
    const std::string why = beyond_printer_limits(glyph);
    if (why.empty()) {
      kept.add(std::move(glyph));
      continue;
    }
    print_text(messages, "Error: Character code ", glyph.code,
               ", once scaled, is beyond printers' limits: " + why + "; it is left out.\n");
    ++refused;
  }
  if (refused > 0) face.glyphs = std::move(kept);
  return refused;
}

// Printers take 300 and 600 dpi fonts only; the scale that reaches one is
// named, from the input's resolution.
void warn_of_resolution(const ConvertOptions& options, int resolution, MessageSink& messages) {
  if (resolution == 300 || resolution == 600) return;
  std::string mend;
  if (options.dpi == 0 && resolution > 0 && resolution % options.scale == 0) {
    const int input = resolution / options.scale;
    for (int scale = options.scale > 1 ? 1 : 2; scale <= 16 && mend.empty(); ++scale) {
      if (input * scale == 300 || input * scale == 600) {
        mend = "; --scale " + std::to_string(scale) + " makes it " + std::to_string(input * scale) +
               " dpi";
      }
    }
  }
  print_text(messages, "Warning: " + options.output + " is a ", resolution,
             " dpi font: printers take 300 and 600 dpi fonts only" + mend + ".\n");
}

void apply_options(const ConvertOptions& options, Face& face) {
  if (options.name) face.fields.name = *options.name;
  if (options.typeface) face.fields.typeface = *options.typeface;
  if (options.scale > 1) scale_face(face, options.scale, options.dpi == 0);
  if (options.dpi > 0) face.fields.x_resolution = face.fields.y_resolution = options.dpi;
}

// A point size as printed: at most two decimals, none when it is whole.
std::string point_size_text(const FontFields& fields) {
  if (fields.y_resolution <= 0) return "0";
  const double points = fields.height / 4.0 * 72.0 / fields.y_resolution;
  return hundredths_text(std::llround(points * 100.0));
}

std::string plural(std::size_t count, const char* one, const char* many) {
  return std::to_string(count) + (count == 1 ? one : many);
}

// The line that says what was written.
std::string written_line(const ConvertOptions& options, const Face& face, bool bdf) {
  const FontFields& f = face.fields;
  std::string line = "Wrote " + options.output + ": ";
  line += bdf ? "BDF, " + plural(face.glyphs.size(), " glyph", " glyphs")
              : plural(face.glyphs.size(), " character", " characters");
  line += " at " + std::to_string(f.x_resolution) + " dpi";
  if (!bdf) line += " (header format " + std::to_string(f.header_format) + ")";
  line += ", symbol set " + symbol_set_name(f.symbol_set);
  line += f.spacing == 0 ? ", fixed pitch, " : ", proportional, ";
  return line + point_size_text(f) + " point.\n";
}

// The line after it that says how a job selects the soft font written: by
// its ID when it has one, and by its attributes as its header reads, which
// the one reading of a font decides from the header's own bytes: the same
// whether the file written is read back or not (a device is not).
std::string selection_line(const ConvertOptions& options, const Face& face) {
  std::vector<std::uint8_t> header;
  OutputBuffer out(header);
  if (!write_pcl_header(face, out) || !out.flush()) return "";
  InputBuffer in(header);
  FontReader reader(in);
  reader.read_header();
  const std::string attributes = selection_commands(reader.header(), SelectionForm::kWrittenOut);
  if (attributes.empty()) return "";
  std::string line = "Select it ";
  if (options.font_id) {
    line += "with ESC (" + std::to_string(*options.font_id) + "X, or ";
  }
  return line + "by its attributes with " + attributes + ".\n";
}

// The font written is judged by the book of rules, as kestrune-view --check
// judges it. Returns the rules it fails, each printed.
int report_check(const ConvertOptions& options, InputBuffer& in, MessageSink& messages) {
  FontReader reader(in);
  const check::FontVerdict verdict = check::check_font(reader);
  int fails = 0;
  for (const check::Finding& finding : verdict.findings) {
    if (finding.verdict != check::Verdict::kFail) continue;
    print_text(messages, "Error: " + options.output +
                             " fails the check: " + std::string(check::rule(finding.rule).name) +
                             ": " + finding.text() + "\n");
    ++fails;
  }
  return fails;
}

// The face read from the inputs, with the options applied and its fields
// finished. False when nothing is to be written; `refused` counts the
// glyphs left out, each named.
bool prepare_face(std::span<const NamedInput> inputs, const ConvertOptions& options,
                  MessageSink& messages, Face& face, std::size_t& refused) {
  InputReading reading;
  reading.symbol_set = options.symbol_set;
  reading.code = options.code;
  reading.threshold = options.threshold;
  reading.dpi = options.dpi;
  reading.scale = options.scale;
  const MergedInputs merged = read_inputs(inputs, reading, messages, face);
  if (!merged.read) return false;
  refused = merged.refused;
  apply_options(options, face);
  if (options.scale > 1) refused += leave_out_beyond_limits(face, messages);
  finish_fields(face);
  if (!names_bdf(options.output)) warn_of_resolution(options, face.fields.x_resolution, messages);
  return true;
}

// A soft font is a download file with a font ID: the ID before it, and
// with --permanent the command that keeps it through a reset after it.
bool write_soft_font(const ConvertOptions& options, const Face& face, OutputBuffer& out) {
  return (!options.font_id || write_font_id(*options.font_id, out)) &&
         write_pcl_font(face, options.classes, out) &&
         (!options.permanent || write_font_control(kMakePermanent, out));
}

bool write_face(const ConvertOptions& options, const Face& face, OutputBuffer& out) {
  const bool bdf = names_bdf(options.output);
  return (bdf ? write_bdf(face, out) : write_soft_font(options, face, out)) && out.flush();
}

// The soft font just written to `output`, judged from the file. An output
// written straight to a device cannot be read back, and is not judged.
int report_check_of_file(const ConvertOptions& options, const OutputFile& output,
                         MessageSink& messages) {
  if (output.temporary.empty()) return 0;
  // Read back through the stream it was written by, which is open for
  // reading too: Windows lets no one else open the new file while it is
  // being written. A font that cannot be read back is not taken as sound.
  if (std::fflush(output.stream) != 0 || std::fseek(output.stream, 0, SEEK_SET) != 0) {
    print_text(messages, "Error: " + options.output + " could not be read back to be checked.\n");
    return 1;
  }
  InputBuffer in(output.stream);
  return report_check(options, in, messages);
}

// Writes the face to the output file, straight from the glyphs: memory
// goes with the glyphs kept, never with the font written.
bool write_output(const ConvertOptions& options, const Face& face, MessageSink& messages,
                  std::size_t& refused) {
  OutputFile output;
  if (!open_output(options.output.c_str(), output)) {
    report_system_reason(messages, output.error);
    print_text(messages, "Error: Could not open output file " + options.output + ".\n");
    return false;
  }
  const bool bdf = names_bdf(options.output);
  OutputBuffer out(output.stream);
  const bool written = note_failure(write_face(options, face, out), output);
  if (written && !bdf && report_check_of_file(options, output, messages) > 0) ++refused;
  return close_output(output, written, messages) && written;
}

bool output_is_an_input(const ConvertOptions& options, MessageSink& messages) {
  for (const std::string& input : options.inputs) {
    if (names_same_file(input.c_str(), options.output.c_str())) {
      print_text(messages,
                 "Error: The output " + options.output + " is the input " + input + ".\n");
      return true;
    }
  }
  return false;
}

}  // namespace

MadeFont make_font(std::span<const NamedInput> inputs, const ConvertOptions& options,
                   MessageSink& messages) {
  MadeFont made;
  Face face;
  std::size_t refused = 0;
  if (!prepare_face(inputs, options, messages, face, refused)) return made;
  const bool bdf = names_bdf(options.output);
  // The ID and the control command after the font take a command each.
  if (!bdf) made.font.reserve(pcl_font_size(face, options.classes) + 2 * kLongestCommand);
  OutputBuffer out(made.font);
  if (!write_face(options, face, out)) return made;
  InputBuffer written(made.font);
  if (!bdf && report_check(options, written, messages) > 0) ++refused;
  made.status = refused > 0 ? kRefusedGlyphsStatus : kWrittenStatus;
  made.written = written_line(options, face, bdf);
  if (!bdf) made.written += selection_line(options, face);
  return made;
}

int run_convert(const ConvertOptions& options, MessageSink& messages) {
  if (output_is_an_input(options, messages)) return kNothingWrittenStatus;
  std::vector<std::unique_ptr<std::FILE, CloseFile>> files;
  std::vector<std::unique_ptr<InputBuffer>> buffers;
  std::vector<NamedInput> inputs;
  for (const std::string& name : options.inputs) {
    files.emplace_back(open_file(name.c_str(), "rb"));
    if (!files.back()) {
      print_text(messages,
                 "Error: Could not open input file " + name + ": " + std::strerror(errno) + ".\n");
      return kNothingWrittenStatus;
    }
    buffers.push_back(std::make_unique<InputBuffer>(files.back().get()));
    inputs.push_back({name, buffers.back().get()});
  }
  Face face;
  std::size_t refused = 0;
  const bool prepared = prepare_face(inputs, options, messages, face, refused);
  // The inputs are read: their files close before the output is written.
  inputs.clear();
  buffers.clear();
  files.clear();
  if (!prepared || !write_output(options, face, messages, refused)) return kNothingWrittenStatus;
  const bool bdf = names_bdf(options.output);
  print_text(messages,
             written_line(options, face, bdf) + (bdf ? "" : selection_line(options, face)));
  return refused > 0 ? kRefusedGlyphsStatus : kWrittenStatus;
}

int run_convert_command_line(int argc, const char* const* argv, MessageSink& messages) {
  const CommandLine line = parse_convert_command_line(argc, argv);
  const int status = line.options ? run_convert(*line.options, messages) : line.status;
  flush_messages(messages);
  return status;
}

}  // namespace kestrune::convert
