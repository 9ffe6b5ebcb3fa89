#include "viewer/font_view.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "pcl/records.h"
#include "softfont/definitions.h"
#include "softfont/font.h"
#include "softfont/header.h"
#include "viewer/character_table.h"
#include "viewer/contact_sheet.h"
#include "viewer/header_report.h"
#include "viewer/proof.h"
#include "viewer/text.h"

namespace kestrune::view {
namespace {

// Where reading stopped and why. An empty reason means the input ended where
// a font may end.
struct StopPoint {
  std::uint64_t offset = 0;
  std::string reason;
  std::string not_shown;  // why no character is shown of a font read no further
  bool read_error = false;
  bool damaged = false;  // the font is cut short, or has no header printers take
};

std::string byte_offset_text(std::uint64_t offset) { return "byte " + std::to_string(offset); }

void print_stop(const StopPoint& stop, MessageSink& out) {
  if (!stop.not_shown.empty()) {
    say(out, "Characters not shown: %s.\n", stop.not_shown.c_str());
  } else if (stop.reason.empty()) {
    say(out, "End of font at byte %llu.\n", static_cast<unsigned long long>(stop.offset));
  } else {
    say(out, "Reading stopped at byte %llu: %s.\n", static_cast<unsigned long long>(stop.offset),
        stop.reason.c_str());
  }
}

int status_of(const StopPoint& stop) {
  if (stop.read_error) return kStatusFailed;
  return stop.damaged ? kStatusDamaged : kStatusComplete;
}

// Where the reading of `font` ended and why, as the check sees it too.
StopPoint stop_of(FontReader& font) {
  StopPoint stop;
  InputBuffer& in = font.input();
  stop.offset = font.stopped_at();
  switch (font.ending()) {
    case FontEnding::kReadError:
      stop.read_error = true;
      stop.reason = read_error_reason(in);
      break;
    case FontEnding::kNoHeader:
      stop.damaged = true;
      stop.reason = font.header_fault();
      break;
    case FontEnding::kCutShort: {
      const CharacterDefinition& d = font.cut_definition();
      stop.damaged = true;
      stop.reason =
          (names_a_character(d.status)
               ? "the input ends inside the definition of character " + std::to_string(d.code)
               : std::string("the input ends inside a character code command")) +
          " (begun at " + byte_offset_text(d.start) + ")";
      break;
    }
    default:
      break;
  }
  return stop;
}

// ---------------------------------------------------------------- the body

// Counts from the table's pass.
struct TableCounts {
  std::size_t definitions = 0;
  std::size_t shown = 0;
  std::size_t skipped = 0;
  std::size_t damaged = 0;
  std::vector<ProofGlyph> glyphs;  // the complete definitions shown, for a proof
  std::uint64_t readable = 0;      // bytes of the font up to where reading stopped
};

// The table: one row for each definition the body pass reports as found,
// and a line for each ESC *c that is not a character code.
void record_definition(FontReader& font, const ViewOptions& options, TableCounts& counts,
                       SheetPlan& plan, MessageSink& out) {
  const CharacterDefinition& definition = font.definition();
  if (definition.status == DefinitionStatus::kBadCode) {
    ++counts.skipped;
    say(out, "  Skipped at %s: an ESC *c command that is not a character code\n",
        byte_offset_text(definition.start).c_str());
  }
  if (definition.status == DefinitionStatus::kFontControl) {
    say(out, "  Font control at %s: ESC *c%dF, the font made %s\n",
        byte_offset_text(definition.start).c_str(), definition.code,
        definition.code == kMakePermanent ? "permanent" : "temporary");
  }
  if (!names_a_character(definition.status)) return;
  ++counts.definitions;
  const GlyphInfo info = inspect(font);
  if (info.damaged) ++counts.damaged;
  if (!options.codes.contains(definition.code)) return;
  ++counts.shown;
  if (definition.status == DefinitionStatus::kComplete) {
    counts.glyphs.push_back({definition.code, reach_of(info.descriptor)});
  }
  print_table_row(definition, info, out);
  const CharacterDescriptor& d = info.descriptor;
  plan.add(definition.code, info.drawable ? d.width : 0,
           info.drawable ? rows_reached(info.bitmap.size(), d.width, d.height) : 0);
}

void print_counts(const TableCounts& counts, const ViewOptions& options, MessageSink& out) {
  say(out, "%zu character definition%s", counts.definitions, counts.definitions == 1 ? "" : "s");
  if (!options.codes.ranges.empty()) say(out, ", %zu shown (--chars)", counts.shown);
  if (counts.damaged > 0) say(out, ", %zu damaged", counts.damaged);
  if (counts.skipped > 0) say(out, ", %zu skipped", counts.skipped);
  say(out, ".\n");
}

void print_sheet_lines(const SheetPlan& plan, const SheetLayout& layout, MessageSink& out) {
  say(out, "Contact sheet: %zu glyph%s, %d x %d pixels, %d x %d pixels a dot.\n", layout.placed,
      layout.placed == 1 ? "" : "s", layout.width, layout.height, layout.scale, layout.scale);
  if (layout.placed < plan.glyphs) {
    say(out,
        "Contact sheet: only the first %zu of %zu glyphs fit (a sheet is at most "
        "%d pixels high).\n",
        layout.placed, plan.glyphs, plan.limits.max_height_px);
  }
  if (plan.scaled) {
    say(out,
        "Contact sheet: glyphs larger than %d x %d dots are scaled down to fit %d x %d dots; "
        "a grey dot is partly set.\n",
        plan.limits.max_dots, plan.limits.max_dots, plan.limits.max_dots, plan.limits.max_dots);
  }
}

// The drawings and the contact sheet, from the body read again. False when
// the PNG could not be written.
bool draw_glyphs(FontReader& font, const SheetPlan& plan, const ViewOptions& options,
                 MessageSink& out) {
  const SheetLayout layout = lay_out(plan);
  std::optional<ContactSheet> sheet;
  if (options.png != nullptr) sheet.emplace(*options.png, layout, plan.limits.max_dots);
  if (options.draw) say(out, "\n");
  while (font.next_definition()) {
    const CharacterDefinition& definition = font.definition();
    if (!names_a_character(definition.status) || !options.codes.contains(definition.code)) {
      continue;
    }
    const GlyphInfo info = inspect(font);
    if (options.draw) print_glyph(definition, info, out);
    if (sheet) {
      sheet->add(definition.code, info.bitmap, info.descriptor.width, info.descriptor.height,
                 info.drawable);
    }
  }
  if (!sheet) return true;
  if (!sheet->finish()) {
    say(out, "Contact sheet: writing the PNG failed.\n");
    return false;
  }
  print_sheet_lines(plan, layout, out);
  return true;
}

// ---------------------------------------------------------------- the proof

std::string proof_title(const ViewOptions& options) {
  return "Proof of " + (options.title.empty() ? std::string("a font") : options.title);
}

// A page is portrait, landscape or either reversed; a font of another
// orientation has no page to be proofed on.
bool proof_orientation_ok(const FontHeader& header, const ViewOptions& options, MessageSink& out) {
  const int orientation = header.orientation();
  if (options.proof == nullptr || orientation <= 3) return true;
  say(out,
      "Proof: the font's orientation byte is %d, not 0 to 3 (portrait, landscape, "
      "reverse portrait, reverse landscape): there is no page to print it on; no proof "
      "written.\n",
      orientation);
  return false;
}

bool send_proof(InputBuffer& in, const ProofFont& proof, const ViewOptions& options,
                MessageSink& out) {
  if (!write_proof(in, proof, options.font_id, *options.proof)) {
    say(out, "Proof: writing the PCL job failed.\n");
    return false;
  }
  if (proof.download_size == 0) {
    say(out, "Proof: a PCL job with its heading only; no font to download.\n");
  } else {
    say(out, "Proof: a PCL job downloading %llu bytes of the font as font ID %d.\n",
        static_cast<unsigned long long>(proof.download_size), options.font_id);
  }
  return true;
}

// The font from its header on, without any PCL commands or ID before it:
// the proof gives it an ID of its own.
std::uint64_t font_start(const FontReader& font) { return font.header_start(); }

bool proof_font(FontReader& font, const TableCounts& counts, const ViewOptions& options,
                MessageSink& out) {
  const FontHeader& header = font.header();
  ProofFont proof;
  proof.orientation = header.orientation();
  proof.resolution = printer_resolution(header);
  proof.heading = {proof_title(options), "Font: " + quoted(font_name(header)),
                   "Orientation: " + orientation_name(proof.orientation) + ", " +
                       std::to_string(proof.resolution) + " dpi"};
  proof.download_from = font_start(font);
  proof.download_size = counts.readable - proof.download_from;
  proof.glyphs = counts.glyphs;
  return send_proof(font.input(), proof, options, out);
}

// Pass 1: the character table, and the sizes the contact sheet needs.
StopPoint list_characters(FontReader& font, const ViewOptions& options, TableCounts& counts,
                          SheetPlan& plan, MessageSink& out) {
  say(out, "\nCharacters:\n%6s %-4s %8s %5s %6s %6s %6s %6s %6s %6s %7s  %s\n", "code", "char",
      "offset", "class", "orient", "left", "top", "width", "height", "deltaX", "block", "note");
  counts.readable = font.body_start();
  if (font.start_body()) {
    while (font.next_definition()) record_definition(font, options, counts, plan, out);
  }
  const StopPoint stop = stop_of(font);
  // A definition the input cuts short is not sent to a printer.
  if (font.ending() == FontEnding::kEnd) counts.readable = stop.offset;
  if (font.ending() == FontEnding::kCutShort) counts.readable = font.cut_definition().start;
  print_counts(counts, options, out);
  return stop;
}

// A font with no header printers take, or whose characters are no bitmaps:
// the header as far as read, an empty contact sheet so that a PNG asked for
// exists, a proof that says why, and why reading stopped.
int show_headline_only(FontReader& font, const StopPoint& stop, const ViewOptions& options,
                       MessageSink& out) {
  bool failed = false;
  if (options.png != nullptr) {
    ContactSheet sheet(*options.png, lay_out(SheetPlan{}), SheetLimits{}.max_dots);
    failed = !sheet.finish();
    if (failed) say(out, "Contact sheet: writing the PNG failed.\n");
  }
  if (options.proof != nullptr) {
    ProofFont proof;
    proof.heading = {proof_title(options), stop.reason.empty() ? stop.not_shown : stop.reason};
    failed = !send_proof(font.input(), proof, options, out) || failed;
  }
  print_stop(stop, out);
  return failed ? kStatusFailed : status_of(stop);
}

// What stands before a font header found after PCL commands or PJL lines,
// or after a download file's ID.
void print_prefix(const FontReader& font, MessageSink& out) {
  if (font.font_id() >= 0) {
    say(out,
        "Font ID: %d (ESC *c%dD before the font header, as a download file begins); selected by "
        "ESC (%dX.\n",
        font.font_id(), font.font_id(), font.font_id());
  }
  if (!font.read_past_prefix()) return;
  const bool takes = font.header_problem() == HeaderProblem::kNone &&
                     kestrune_takes_descriptor_size(font.header().descriptor.size);
  say(out,
      "PCL prefix: the font header begins at byte %lld, after PCL commands or PJL lines; the "
      "font is shown from there%s.\n",
      static_cast<long long>(font.prefix_end()),
      takes ? "; kestrune takes it with -fix, which leaves them out" : "");
}

// A scalable font's characters are no bitmaps: none is shown.
StopPoint not_bitmaps(const FontReader& font) {
  const HeaderFormat format = font.format();
  StopPoint stop;
  stop.offset = font.body_start();
  stop.not_shown = "header format " + std::to_string(format.value) + " (" + format.name +
                   ") is a scalable font's, whose characters are no bitmaps";
  return stop;
}

}  // namespace

// ---------------------------------------------------------------- code lists

bool CodeSet::contains(int code) const {
  if (ranges.empty()) return true;
  return std::any_of(ranges.begin(), ranges.end(),
                     [code](const auto& r) { return code >= r.first && code <= r.second; });
}

bool parse_code_list(std::string_view text, CodeSet& codes, std::string& error) {
  auto number = [&](std::string_view digits, int& value) {
    if (digits.empty() || digits.size() > 5) return false;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    return ec == std::errc() && end == digits.data() + digits.size() &&
           value <= kLargestCharacterCode;
  };
  codes.ranges.clear();
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t comma = std::min(text.find(',', start), text.size());
    const std::string_view item = text.substr(start, comma - start);
    const std::size_t dash = item.find('-');
    int first = 0;
    int last = 0;
    const bool ok = dash == std::string_view::npos
                        ? number(item, first) && number(item, last)
                        : number(item.substr(0, dash), first) &&
                              number(item.substr(dash + 1), last) && first <= last;
    if (!ok) {
      error = "'" + std::string(item) +
              "' is not a character code (0-65535) or a range of them such as 65-90";
      codes.ranges.clear();
      return false;
    }
    codes.ranges.emplace_back(first, last);
    start = comma + 1;
  }
  return true;
}

// ---------------------------------------------------------------- the whole view

std::string read_error_reason(const InputBuffer& in) {
  std::string reason = "read error";
  if (in.error_number() != 0) reason += std::string(" (") + std::strerror(in.error_number()) + ")";
  return reason;
}

bool print_file_line(const InputBuffer& in, const std::string& name, MessageSink& out) {
  if (!in.seekable()) {
    say(out,
        "Reading stopped at byte 0: the input is not a file that can be re-read "
        "(a pipe?).\n");
    return false;
  }
  std::string title = name.empty() ? "Font" : "Font file: " + name;
  if (std::uint64_t size = 0; in.source_size(size)) {
    title += " (" + std::to_string(size) + " bytes)";
  }
  say(out, "%s\n", title.c_str());
  return true;
}

int view_font(InputBuffer& in, MessageSink& out, const ViewOptions& options) {
  if (!print_file_line(in, options.title, out)) return kStatusFailed;
  FontReader font(in);
  font.read_header();
  print_prefix(font, out);
  print_header(font.header(), out);
  if (font.ending() != FontEnding::kReading) {
    return show_headline_only(font, stop_of(font), options, out);
  }
  if (!font.bitmap_font()) return show_headline_only(font, not_bitmaps(font), options, out);
  if (!proof_orientation_ok(font.header(), options, out)) return kStatusFailed;
  TableCounts counts;
  SheetPlan plan;
  const StopPoint stop = list_characters(font, options, counts, plan, out);

  // Pass 2: the drawings and the contact sheet, from the same bytes again.
  bool failed = false;
  if ((options.draw || options.png != nullptr) && !stop.read_error) {
    if (!font.start_body()) {
      say(out, "Reading stopped at byte %llu: the input cannot be re-read.\n",
          static_cast<unsigned long long>(font.body_start()));
      return kStatusFailed;
    }
    failed = !draw_glyphs(font, plan, options, out);
  }
  if (options.proof != nullptr) failed = !proof_font(font, counts, options, out) || failed;
  print_stop(stop, out);
  return failed ? kStatusFailed : status_of(stop);
}

}  // namespace kestrune::view
