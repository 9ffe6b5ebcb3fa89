#include "convert/convert_run.h"

#include <cerrno>
#include <cmath>
#include <cstring>
#include <memory>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "bytes/input.h"
#include "bytes/output.h"
#include "bytes/output_file.h"
#include "check/font_check.h"
#include "convert/bdf_writer.h"
#include "convert/convert_inputs.h"
#include "convert/pcl_writer.h"
#include "pcl/font_fields.h"
#include "pcl/symbol_sets.h"
#include "platform/files.h"
#include "softfont/font.h"

namespace kestrune::convert {
namespace {

struct CloseFile {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

bool names_bdf(const std::string& name) {
  if (name.size() < 4) return false;
  std::string end = name.substr(name.size() - 4);
  for (char& c : end) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c);
  return end == ".bdf";
}

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
    print_text(messages, "Error: Character code ", glyph.code, " is " + why + " once scaled; it is left out.\n");
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
    for (int scale = 2; scale <= 16 && mend.empty(); ++scale) {
      if (input * scale == 300 || input * scale == 600) {
        mend = "; --scale " + std::to_string(scale) + " makes it " + std::to_string(input * scale) + " dpi";
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
  char text[32];
  std::snprintf(text, sizeof text, "%.2f", std::round(points * 100.0) / 100.0);
  std::string shown = text;
  while (shown.back() == '0') shown.pop_back();
  if (shown.back() == '.') shown.pop_back();
  return shown;
}

std::string symbol_set_text(int value) {
  const SymbolSet* set = find_symbol_set(value);
  return set != nullptr ? std::string(symbol_set_id(*set)) : symbol_set_name(value);
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
  line += ", symbol set " + symbol_set_text(f.symbol_set);
  line += f.spacing == 0 ? ", fixed pitch, " : ", proportional, ";
  return line + point_size_text(f) + " point.\n";
}

// The font written is judged by the book of rules, as kestrune-view --check
// judges it. Returns the rules it fails, each printed.
int report_check(const ConvertOptions& options, const std::vector<std::uint8_t>& font,
                 MessageSink& messages) {
  InputBuffer in(font);
  FontReader reader(in);
  const check::FontVerdict verdict = check::check_font(reader);
  int fails = 0;
  for (const check::Finding& finding : verdict.findings) {
    if (finding.verdict != check::Verdict::kFail) continue;
    print_text(messages, "Error: " + options.output + " fails the check: " +
                             std::string(check::rule(finding.rule).name) + ": " + finding.text() + "\n");
    ++fails;
  }
  return fails;
}

bool write_output(const std::string& name, const std::vector<std::uint8_t>& bytes,
                  MessageSink& messages) {
  OutputFile output;
  if (!open_output(name.c_str(), output)) {
    report_system_reason(messages, output.error);
    print_text(messages, "Error: Could not open output file " + name + ".\n");
    return false;
  }
  const bool written = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), output.stream) == bytes.size();
  note_failure(written, output);
  return close_output(output, written, messages) && written;
}

bool output_is_an_input(const ConvertOptions& options, MessageSink& messages) {
  for (const std::string& input : options.inputs) {
    if (names_same_file(input.c_str(), options.output.c_str())) {
      print_text(messages, "Error: The output " + options.output + " is the input " + input + ".\n");
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
  const MergedInputs merged = read_inputs(inputs, options.symbol_set, messages, face);
  if (!merged.read) return made;
  std::size_t refused = merged.refused;
  apply_options(options, face);
  if (options.scale > 1) refused += leave_out_beyond_limits(face, messages);
  const bool bdf = names_bdf(options.output);
  finish_fields(face);
  if (!bdf) warn_of_resolution(options, face.fields.x_resolution, messages);

  OutputBuffer out(made.font);
  if (!(bdf ? write_bdf(face, out) : write_pcl_font(face, out)) || !out.flush()) {
    print_text(messages, "Error: Could not make the font.\n");
    return made;
  }
  if (!bdf && report_check(options, made.font, messages) > 0) ++refused;
  made.status = refused > 0 ? kRefusedGlyphsStatus : kWrittenStatus;
  made.written = written_line(options, face, bdf);
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
      print_text(messages, "Error: Could not open input file " + name + ": " +
                               std::strerror(errno) + ".\n");
      return kNothingWrittenStatus;
    }
    buffers.push_back(std::make_unique<InputBuffer>(files.back().get()));
    inputs.push_back({name, buffers.back().get()});
  }
  MadeFont made = make_font(inputs, options, messages);
  if (made.status == kNothingWrittenStatus) return made.status;
  if (!write_output(options.output, made.font, messages)) return kNothingWrittenStatus;
  print_text(messages, made.written);
  return made.status;
}

int run_convert_command_line(int argc, const char* const* argv, MessageSink& messages) {
  const CommandLine line = parse_convert_command_line(argc, argv);
  const int status = line.options ? run_convert(*line.options, messages) : line.status;
  flush_messages(messages);
  return status;
}

}  // namespace kestrune::convert
