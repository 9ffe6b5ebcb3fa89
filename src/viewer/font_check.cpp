#include "viewer/font_check.h"

#include <algorithm>

#include "softfont/definitions.h"
#include "softfont/header.h"
#include "viewer/check_characters.h"
#include "viewer/check_report.h"
#include "viewer/font_view.h"
#include "viewer/text.h"

namespace kestrune::view {
namespace {

constexpr const char* kWholeFontDiscarded = "printers discard the whole font";

int header_format_of(const FontHeader& header) {
  return header.descriptor.bytes[FontDescriptor::kHeaderFormatOffset];
}

bool is_scalable_format(int format) {
  return format == 10 || format == 11 || format == 15 || format == 16;
}

// Why there is no font header to check, or empty when there is one.
std::string missing_header(HeaderProblem problem, const FontHeader& header) {
  switch (problem) {
    case HeaderProblem::kNone:
      if (header.declared_size >= header.descriptor.size) return "";
      return "the font header's block of " + std::to_string(header.declared_size) +
             " bytes is shorter than its descriptor of " + std::to_string(header.descriptor.size) +
             " bytes";
    case HeaderProblem::kBadStart:
      return "no font header (ESC )s...W) at the start of the file, nor after PCL commands or "
             "PJL lines there";
    case HeaderProblem::kCutShort:
      return "the file ends inside the font header";
    case HeaderProblem::kSizeOutOfRange:
      return "the font header's size is out of range";
    default:
      return std::string(header_problem_reason(problem));
  }
}

// kestrune works only on the 64 and 68-byte descriptors: only those can
// take its mends.
bool kestrune_takes(const FontHeader& header) {
  return header.descriptor.size == FontDescriptor::kPlainSize ||
         header.descriptor.size == FontDescriptor::kResolutionSize;
}

// Reads the font header, from the start or after a PCL prefix as kestrune
// -fix finds it.
HeaderProblem read_checked_header(InputBuffer& in, FontHeader& header, CheckReport& report) {
  HeaderProblem problem = read_font_header(in, header, DescriptorSizes::kAny);
  if (problem != HeaderProblem::kBadStart) return problem;
  const std::int64_t at = font_header_after_prefix(in);
  if (at < 0 || !in.seek(static_cast<std::uint64_t>(at))) return problem;
  header = FontHeader{};
  problem = read_font_header(in, header, DescriptorSizes::kAny);
  report_rule(
      report, Verdict::kWarn, "pcl-prefix",
      "the font header begins at byte " + std::to_string(at) + ", after PCL commands or PJL lines",
      "printers take it, kestrune refuses it",
      problem == HeaderProblem::kNone && kestrune_takes(header)
          ? "kestrune -fix writes the font without them"
          : "");
  return problem;
}

void check_descriptor_size(const FontHeader& header, CheckReport& report) {
  const int size = header.descriptor.size;
  const int format = header_format_of(header);
  const std::string bytes = std::to_string(size) + " bytes";
  if (size < FontDescriptor::kPlainSize) {
    report_rule(report, Verdict::kFail, "font-descriptor-size",
                "a descriptor of " + bytes + ", under 64", kWholeFontDiscarded);
  } else if (format == FontDescriptor::kResolutionSpecified &&
             size < FontDescriptor::kResolutionSize) {
    report_rule(report, Verdict::kFail, "font-descriptor-size",
                "a format 20 descriptor of " + bytes + ", under 68", kWholeFontDiscarded);
  } else if (format == 0 && size != FontDescriptor::kPlainSize) {
    report_rule(report, Verdict::kWarn, "font-descriptor-size",
                "a format 0 descriptor of " + bytes + ", not 64",
                "DeskJet 600 to 900 printers discard the font");
  }
}

// The rules of the header alone. False when the characters are not to be
// checked: those of a scalable font are no bitmaps.
bool check_header(const FontHeader& header, CheckReport& report) {
  const int format = header_format_of(header);
  if (is_scalable_format(format)) {
    report_rule(report, Verdict::kWarn, "header-format",
                "header format " + std::to_string(format) +
                    " is a scalable font's; its characters are not checked",
                "a printer that takes scalable fonts reads it as one; kestrune works on bitmap "
                "fonts only");
    return false;
  }
  if (format != 0 && format != FontDescriptor::kResolutionSpecified) {
    report_rule(report, Verdict::kFail, "header-format",
                "header format byte " + std::to_string(format) +
                    ", not 0 (bitmap) or 20 (resolution-specified)",
                kWholeFontDiscarded);
  }
  check_descriptor_size(header, report);
  const int orientation = header.descriptor.bytes[FontDescriptor::kOrientationOffset];
  if (orientation > 3) {
    report_rule(report, Verdict::kFail, "font-orientation",
                "orientation byte " + std::to_string(orientation) + ", over 3",
                kWholeFontDiscarded);
  }
  return true;
}

// What the walk over the body found besides the characters.
struct BodyFindings {
  BytesOutsideDefinitions outside;
  CharacterDefinition last;  // the last definition read
};

bool cut_short(const CharacterDefinition& definition) {
  return definition.status == DefinitionStatus::kCutShort ||
         definition.status == DefinitionStatus::kCutBeforeCode;
}

// Judges every complete definition from `body_start` to the end. False when
// reading fails.
bool check_body(InputBuffer& in, std::uint64_t body_start, CharacterCheck& check,
                BodyFindings& found) {
  if (!in.seek(body_start)) return false;
  found.outside.counted_to = body_start;
  std::vector<std::uint8_t> buffer;
  while (!in.exhausted() && read_character_definition(in, buffer, found.last)) {
    // A definition the file cuts short has a rule of its own.
    if (!cut_short(found.last)) found.outside.account(found.last);
    if (found.last.status == DefinitionStatus::kComplete) check_character(found.last, check);
  }
  if (in.failed()) return false;
  if (!cut_short(found.last)) found.outside.end_at(in.position());
  return true;
}

void report_body_findings(const BodyFindings& found, CheckReport& report) {
  if (found.outside.count > 0) {
    report_rule(report, Verdict::kWarn, "stray-bytes",
                std::to_string(found.outside.count) +
                    " bytes outside character definitions, the first at byte " +
                    std::to_string(found.outside.first),
                "a printer reads them as commands of their own; kestrune -l, -clean and -fix "
                "drop them, a copy keeps them");
  }
  using enum DefinitionStatus;
  const CharacterDefinition& last = found.last;
  if (!cut_short(last)) return;
  const std::string begun = ", begun at byte " + std::to_string(last.start);
  report_rule(report, Verdict::kFail, "cut-short",
              last.status == kCutShort ? "the file ends inside the definition of character " +
                                             std::to_string(last.code) + begun
                                       : "the file ends inside a character code command" + begun,
              "printers lose that character");
}

// The rules that need the header and the characters both, then the
// characters' own.
void report_font_rules(const FontHeader& header, const CharacterCheck& check,
                       const BodyFindings& found, CheckReport& report) {
  report_first_last_code(check, report);
  if (header.descriptor.size >= FontDescriptor::kResolutionSize && header_format_of(header) == 0) {
    report_rule(
        report, Verdict::kWarn, "resolution-ignored",
        "a descriptor of " + std::to_string(header.descriptor.size) + " bytes with header format 0",
        "printers read no resolution from it and print it at 300 dpi",
        "kestrune -rNNN -f20 marks it format 20");
  }
  if (check.checked == 0) {
    report_rule(report, Verdict::kWarn, "no-characters", "the font defines no character",
                "a printer downloads a font that prints nothing");
  }
  report_character_rules(check, report);
  report_body_findings(found, report);
}

int finish(const CheckReport& report, std::size_t checked) {
  say(report.out, "Summary: %d FAIL, %d WARN; %zu character%s checked.\n", report.fails,
      report.warns, checked, checked == 1 ? "" : "s");
  return report.fails > 0 ? 1 : 0;
}

int read_failed(const InputBuffer& in, MessageSink& out) {
  say(out, "Reading stopped at byte %llu: %s.\n", static_cast<unsigned long long>(in.position()),
      read_error_reason(in).c_str());
  return 2;
}

}  // namespace

int check_font(InputBuffer& in, MessageSink& out, const std::string& name) {
  if (!print_file_line(in, name, out)) return 2;
  CheckReport report{out};
  FontHeader header;
  const HeaderProblem problem = read_checked_header(in, header, report);
  if (problem == HeaderProblem::kReadError || in.failed()) return read_failed(in, out);
  if (const std::string missing = missing_header(problem, header); !missing.empty()) {
    report_rule(report, Verdict::kFail, "font-header", missing, "printers take no font from it");
    return finish(report, 0);
  }
  if (!check_header(header, report)) return finish(report, 0);
  CharacterCheck check = character_check_for(header);
  BodyFindings found;
  const std::uint64_t body_start =
      header.block_start + static_cast<std::uint64_t>(header.declared_size);
  if (!check_body(in, body_start, check, found)) return read_failed(in, out);
  report_font_rules(header, check, found, report);
  return finish(report, check.checked);
}

}  // namespace kestrune::view
