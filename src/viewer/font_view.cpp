#include "viewer/font_view.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "characters/clean.h"
#include "pcl/compressed.h"
#include "pcl/records.h"
#include "softfont/definitions.h"
#include "softfont/header.h"
#include "viewer/contact_sheet.h"
#include "viewer/proof.h"
#include "viewer/text.h"

namespace kestrune::view {
namespace {

constexpr int kLargestCode = 65535;

// Descriptor fields the header section shows (PCL bitmap font descriptor).
constexpr std::size_t kNameOffset = 48;
constexpr std::size_t kNameSize = 16;
constexpr std::size_t kExtraShown = 512;  // extra header bytes shown as text

// Where reading stopped and why. An empty reason means the input ended where
// a font may end.
struct StopPoint {
  std::uint64_t offset = 0;
  std::string reason;
  bool read_error = false;
};

// Records where reading stopped. A failed input overrides the reason given:
// what stopped the reading then was the read error, not the font.
void stop_at(StopPoint& stop, const InputBuffer& in, std::uint64_t offset, std::string reason) {
  if (input_failed(in)) {
    stop.read_error = true;
    stop.offset = input_position(in);
    stop.reason = "read error";
    if (in.error_number != 0) {
      stop.reason += std::string(" (") + std::strerror(in.error_number) + ")";
    }
    return;
  }
  stop.offset = offset;
  stop.reason = std::move(reason);
}

std::string at(std::uint64_t offset) { return "byte " + std::to_string(offset); }

// ---------------------------------------------------------------- printing

std::string quoted(std::span<const std::uint8_t> bytes) {
  std::string text = "\"";
  for (const std::uint8_t b : bytes) {
    if (b == '"' || b == '\\') {
      text += '\\';
      text += static_cast<char>(b);
    } else if (b >= 32 && b < 127) {
      text += static_cast<char>(b);
    } else if (b == '\n') {
      text += "\\n";
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", static_cast<unsigned>(b));
      text += hex;
    }
  }
  return text + "\"";
}

// A header format's or an orientation's number and its name.
struct Name {
  int value;
  const char* name;
};
constexpr Name kHeaderFormats[] = {
    {0, "bitmap"},
    {10, "Intellifont bound scalable"},
    {11, "Intellifont unbound scalable"},
    {15, "TrueType scalable"},
    {FontDescriptor::kResolutionSpecified, "resolution-specified bitmap"}};
constexpr Name kOrientations[] = {
    {0, "portrait"}, {1, "landscape"}, {2, "reverse portrait"}, {3, "reverse landscape"}};

// "value (name)", the name "unknown" when `names` has none for the value.
std::string named(int value, std::span<const Name> names) {
  const auto found =
      std::find_if(names.begin(), names.end(), [value](const Name& n) { return n.value == value; });
  return std::to_string(value) + " (" + (found == names.end() ? "unknown" : found->name) + ")";
}

std::string character_name(int code) {
  if (code > 32 && code < 127) return std::string("'") + static_cast<char>(code) + "'";
  return "";
}

void field(MessageSink& out, const char* label, const std::string& value) {
  say(out, "  %-20s%s\n", label, value.c_str());
}

void print_stop(const StopPoint& stop, MessageSink& out) {
  if (stop.reason.empty()) {
    say(out, "End of font at byte %llu.\n", static_cast<unsigned long long>(stop.offset));
  } else {
    say(out, "Reading stopped at byte %llu: %s.\n", static_cast<unsigned long long>(stop.offset),
        stop.reason.c_str());
  }
}

int status_of(const StopPoint& stop, bool damaged) {
  if (stop.read_error) return kStatusFailed;
  return damaged || !stop.reason.empty() ? kStatusDamaged : kStatusComplete;
}

// ---------------------------------------------------------------- the header

// The font's name, its trailing spaces dropped.
std::span<const std::uint8_t> font_name(const FontHeader& header) {
  std::span<const std::uint8_t> name(header.descriptor.bytes.data() + kNameOffset, kNameSize);
  while (!name.empty() && name.back() == ' ') name = name.first(name.size() - 1);
  return name;
}

void print_descriptor_fields(const FontHeader& header, MessageSink& out) {
  const FontDescriptor& d = header.descriptor;
  const std::size_t present = header.descriptor_read;
  if (present > FontDescriptor::kHeaderFormatOffset) {
    const int format = d.bytes[FontDescriptor::kHeaderFormatOffset];
    field(out, "Header format:", named(format, kHeaderFormats));
  }
  if (present > FontDescriptor::kOrientationOffset) {
    field(out, "Orientation:", named(d.bytes[FontDescriptor::kOrientationOffset], kOrientations));
  }
  if (d.size == FontDescriptor::kResolutionSize && present == d.bytes.size()) {
    field(out, "Resolution:",
          "X " + std::to_string(read_u16(d.bytes, FontDescriptor::kXResolutionOffset)) +
              " dpi, Y " + std::to_string(read_u16(d.bytes, FontDescriptor::kYResolutionOffset)) +
              " dpi");
  } else if (d.size == FontDescriptor::kPlainSize) {
    field(out, "Resolution:", "none in a 64-byte descriptor (printed at 300 dpi)");
  }
  if (present >= kNameOffset + kNameSize) field(out, "Font name:", quoted(font_name(header)));
}

void print_extra_bytes(const FontHeader& header, MessageSink& out) {
  if (header.extra_count <= 0) {
    field(out, "Extra header bytes:", "none");
    return;
  }
  const std::span<const std::uint8_t> extra(header.extra);
  std::string text = std::to_string(header.extra_count) + ": " +
                     quoted(extra.first(std::min(extra.size(), kExtraShown)));
  if (extra.size() > kExtraShown) {
    text += " ... and " + std::to_string(extra.size() - kExtraShown) + " more";
  }
  field(out, "Extra header bytes:", text);
}

// What a printer will make of this header.
void print_header_notes(const FontHeader& header, MessageSink& out) {
  const int size = header.descriptor.size;
  const int format = header.descriptor.bytes[FontDescriptor::kHeaderFormatOffset];
  if (size == FontDescriptor::kResolutionSize && format != FontDescriptor::kResolutionSpecified) {
    say(out,
        "  Note: the descriptor is 68 bytes but its header format is %d, not 20: PCL "
        "printers read the X and Y resolution only from a resolution-specified (format "
        "20) header, so this font prints at the default 300 dpi.\n",
        format);
  }
  if (format == FontDescriptor::kResolutionSpecified && size < FontDescriptor::kResolutionSize) {
    say(out,
        "  Note: header format 20 (resolution-specified) needs a 68-byte descriptor; "
        "this one is %d bytes.\n",
        size);
  }
  if (header.declared_size < size) {
    say(out,
        "  Note: the header's block (%lld bytes) is shorter than its descriptor (%d "
        "bytes); the body begins at byte %lld, inside the descriptor.\n",
        static_cast<long long>(header.declared_size), size,
        static_cast<long long>(header.block_start) + header.declared_size);
  }
}

// The header section: as much of the header as the tool read.
void print_header(const FontHeader& header, MessageSink& out) {
  if (!header.size_read) {
    say(out, "Font header: none found\n");
    return;
  }
  say(out, "Font header: ESC )s%lldW, a block of %lld bytes from byte %llu\n",
      static_cast<long long>(header.declared_size), static_cast<long long>(header.declared_size),
      static_cast<unsigned long long>(header.block_start));
  if (header.descriptor_read < 2) {
    field(out, "Descriptor size:", "missing");
    return;
  }
  field(out, "Descriptor size:", std::to_string(header.descriptor.size) + " bytes");
  print_descriptor_fields(header, out);
  if (header.descriptor_read < static_cast<std::size_t>(header.descriptor.size)) return;
  print_extra_bytes(header, out);
  print_header_notes(header, out);
}

// Where kestrune refuses the font, its own reason, without the final stop.
std::string refusal(HeaderProblem problem) {
  std::string_view reason = header_problem_reason(problem);
  if (reason.ends_with('.')) reason.remove_suffix(1);
  return "kestrune refuses this font: " + std::string(reason);
}

// ---------------------------------------------------------------- the body

// One walk over the body through the body pass's reader of definitions.
struct BodyWalk {
  explicit BodyWalk(InputBuffer& input) : in(input) {}
  InputBuffer& in;
  std::vector<std::uint8_t> buffer;
  CharacterDefinition definition;
};

bool next_definition(BodyWalk& walk) {
  return !input_exhausted(walk.in) &&
         read_character_definition(walk.in, walk.buffer, walk.definition);
}

// Why the walk ended: the input ran out inside the last definition read, or
// it ended where a font may end (an empty reason).
std::string end_of_walk(const BodyWalk& walk) {
  using enum DefinitionStatus;
  const CharacterDefinition& d = walk.definition;
  if (!input_exhausted(walk.in) || d.status == kNotCharacter || d.status == kComplete) return "";
  const std::string begun = " (begun at " + at(d.start) + ")";
  if (!names_a_character(d.status)) {
    return "the input ends inside a character code command" + begun;
  }
  return "the input ends inside the definition of character " + std::to_string(d.code) + begun;
}

// What a definition's block says, and whether it can be drawn.
struct GlyphInfo {
  bool has_descriptor = false;  // a complete block: all 16 descriptor bytes
  CharacterDescriptor descriptor;
  bool drawable = false;  // a bitmap, plain or unpacked
  bool damaged = false;
  std::span<const std::uint8_t> bitmap;  // the bytes after the descriptor, or unpacked
  std::size_t bitmap_needed = 0;         // height x row stride
  std::string note;                      // empty, or what is wrong or unusual
};

void add_note(GlyphInfo& info, const std::string& note) {
  info.note += (info.note.empty() ? "" : "; ") + note;
}

void inspect_descriptor(GlyphInfo& info, std::vector<std::uint8_t>& unpacked) {
  const CharacterDescriptor& d = info.descriptor;
  if (d.format != 4) {
    add_note(info, "format " + std::to_string(d.format) + ", not a bitmap character");
  } else if (d.continuation != 0) {
    add_note(info, "a continuation block");
  } else if (d.glyph_class == 2) {
    // A compressed character's bitmap, unpacked as the landscape rotation does.
    const Unpacked result = unpack_compressed_bitmap(info.bitmap, d.width, d.height, unpacked);
    info.drawable = result == Unpacked::kDone;
    if (info.drawable) {
      info.bitmap = unpacked;
    } else {
      info.damaged = true;
      add_note(info, result == Unpacked::kTooLarge
                         ? "compressed bitmap larger than 1 MiB unpacked"
                         : "damaged compressed data: a run passes the character's width");
    }
  } else if (d.glyph_class != 1) {
    add_note(info, "class " + std::to_string(d.glyph_class) + ", not a bitmap");
  } else {
    info.drawable = true;
  }
  if (d.descriptor_size != 14) {
    add_note(info, "descriptor size byte " + std::to_string(d.descriptor_size) + ", not 14");
  }
  if (info.drawable && info.bitmap.size() < info.bitmap_needed) {
    info.damaged = true;
    add_note(info, "the block holds " + std::to_string(info.bitmap.size()) + " of the " +
                       std::to_string(info.bitmap_needed) + " bitmap bytes its size needs");
  }
}

GlyphInfo inspect(const CharacterDefinition& definition, std::vector<std::uint8_t>& unpacked) {
  using enum DefinitionStatus;
  GlyphInfo info;
  info.damaged = definition.status != kComplete;
  switch (definition.status) {
    case kBadData:
      info.note = "not followed by a character data command (ESC (s...W)";
      return info;
    case kCutShort:
      info.note = "cut short: the input ends inside its data";
      return info;
    case kTooShort:
      info.note = "block too short to hold a character descriptor";
      return info;
    default:
      break;
  }
  const std::span<const std::uint8_t> block = definition.block;
  info.has_descriptor = true;
  info.descriptor = decode_character_descriptor(block.first<CharacterDescriptor::kSize>());
  info.bitmap = block.subspan(CharacterDescriptor::kSize);
  info.bitmap_needed = std::size_t{info.descriptor.height} * row_stride(info.descriptor.width);
  inspect_descriptor(info, unpacked);
  // Fill bits are the bits past the width that `kestrune -clean` clears; a
  // compressed block's run lengths have none.
  if (!is_compressed_character(block)) {
    std::vector<std::uint8_t> cleaned(block.begin(), block.end());
    clear_fill_bits(cleaned);
    if (!std::ranges::equal(cleaned, block)) add_note(info, "fill bits set");
  }
  return info;
}

void print_table_row(const CharacterDefinition& definition, const GlyphInfo& info,
                     MessageSink& out) {
  const CharacterDescriptor& d = info.descriptor;
  auto number = [&](std::int64_t value) {
    return info.has_descriptor ? std::to_string(value) : "-";
  };
  say(out, "%6d %-4s %8llu %5s %6s %6s %6s %6s %6s %6s %7s%s%s\n", definition.code,
      character_name(definition.code).c_str(), static_cast<unsigned long long>(definition.start),
      number(d.glyph_class).c_str(), number(d.orientation).c_str(), number(d.left_offset).c_str(),
      number(d.top_offset).c_str(), number(d.width).c_str(), number(d.height).c_str(),
      number(d.delta_x).c_str(), number(static_cast<std::int64_t>(definition.block.size())).c_str(),
      info.note.empty() ? "" : "  ", info.note.c_str());
}

void print_glyph(const CharacterDefinition& definition, const GlyphInfo& info, MessageSink& out) {
  const std::string name = character_name(definition.code);
  say(out, "Character %d%s%s at byte %llu", definition.code, name.empty() ? "" : " ", name.c_str(),
      static_cast<unsigned long long>(definition.start));
  if (!info.has_descriptor) {
    say(out, ": no complete descriptor (%s); nothing to draw\n\n", info.note.c_str());
    return;
  }
  const CharacterDescriptor& d = info.descriptor;
  say(out, ": %u x %u dots, orientation %s", unsigned{d.width}, unsigned{d.height},
      named(d.orientation, kOrientations).c_str());
  if (!info.drawable) {
    say(out, "; %s: not drawn\n\n", info.note.c_str());
    return;
  }
  say(out, "\n");
  const std::vector<std::string> rows = draw_rows(info.bitmap, d.width, d.height);
  for (const std::string& row : rows) say(out, "%s\n", row.c_str());
  if (d.width == 0 || d.height == 0) {
    say(out, "(no dots)\n");
  } else if (rows.size() < d.height || info.bitmap.size() < info.bitmap_needed) {
    say(out, "(the block ends here: %zu of %u rows present)\n",
        info.bitmap.size() / row_stride(d.width), unsigned{d.height});
  }
  say(out, "\n");
}

// Counts from the table's pass.
struct TableCounts {
  std::size_t definitions = 0;
  std::size_t shown = 0;
  std::size_t skipped = 0;
  std::size_t damaged = 0;
  std::vector<ProofGlyph> glyphs;  // the complete definitions shown, for a proof
  std::uint64_t readable = 0;      // bytes of the font up to where reading stopped
};

// How far a glyph's dots may lie from its reference point, in dots, in any
// direction, whichever way the printer turns it.
int reach_of(const CharacterDescriptor& d) {
  const int left = d.left_offset;
  const int top = d.top_offset;
  return std::max(
      {std::abs(left), std::abs(left + d.width), std::abs(top), std::abs(top - d.height)});
}

// The table: one row for each definition the body pass reports as found,
// and a line for each ESC *c that is not a character code.
void record_definition(const CharacterDefinition& definition, const ViewOptions& options,
                       std::vector<std::uint8_t>& unpacked, TableCounts& counts, SheetPlan& plan,
                       MessageSink& out) {
  if (definition.status == DefinitionStatus::kBadCode) {
    ++counts.skipped;
    say(out, "  Skipped at %s: an ESC *c command that is not a character code\n",
        at(definition.start).c_str());
  }
  if (!names_a_character(definition.status)) return;
  ++counts.definitions;
  const GlyphInfo info = inspect(definition, unpacked);
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
bool draw_glyphs(InputBuffer& in, const SheetPlan& plan, const ViewOptions& options,
                 MessageSink& out) {
  const SheetLayout layout = lay_out(plan);
  std::optional<ContactSheet> sheet;
  if (options.png != nullptr) sheet.emplace(*options.png, layout, plan.limits.max_dots);
  if (options.draw) say(out, "\n");
  std::vector<std::uint8_t> unpacked;
  for (BodyWalk walk(in); next_definition(walk);) {
    const CharacterDefinition& definition = walk.definition;
    if (!names_a_character(definition.status) || !options.codes.contains(definition.code)) {
      continue;
    }
    const GlyphInfo info = inspect(definition, unpacked);
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

// Dots per inch of the font's bitmaps: a resolution-specified (format 20)
// font says, any other is printed at 300.
int resolution_of(const FontHeader& header) {
  constexpr int kDefaultResolution = 300;
  const FontDescriptor& d = header.descriptor;
  if (d.size != FontDescriptor::kResolutionSize ||
      d.bytes[FontDescriptor::kHeaderFormatOffset] != FontDescriptor::kResolutionSpecified) {
    return kDefaultResolution;
  }
  const int resolution = read_u16(d.bytes, FontDescriptor::kXResolutionOffset);
  return resolution > 0 ? resolution : kDefaultResolution;
}

int orientation_of(const FontHeader& header) {
  return header.descriptor.bytes[FontDescriptor::kOrientationOffset];
}

// A page is portrait, landscape or either reversed; a font of another
// orientation has no page to be proofed on.
bool proof_orientation_ok(const FontHeader& header, const ViewOptions& options, MessageSink& out) {
  const int orientation = orientation_of(header);
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

bool proof_font(InputBuffer& in, const FontHeader& header, const TableCounts& counts,
                const ViewOptions& options, MessageSink& out) {
  ProofFont proof;
  proof.orientation = orientation_of(header);
  proof.resolution = resolution_of(header);
  proof.heading = {proof_title(options), "Font: " + quoted(font_name(header)),
                   "Orientation: " + named(proof.orientation, kOrientations) + ", " +
                       std::to_string(proof.resolution) + " dpi"};
  proof.download_size = counts.readable;
  proof.glyphs = counts.glyphs;
  return send_proof(in, proof, options, out);
}

// Pass 1: the character table, and the sizes the contact sheet needs.
StopPoint list_characters(InputBuffer& in, std::uint64_t body_start, const ViewOptions& options,
                          TableCounts& counts, SheetPlan& plan, MessageSink& out) {
  say(out, "\nCharacters:\n%6s %-4s %8s %5s %6s %6s %6s %6s %6s %6s %7s  %s\n", "code", "char",
      "offset", "class", "orient", "left", "top", "width", "height", "deltaX", "block", "note");
  StopPoint stop;
  counts.readable = body_start;
  std::vector<std::uint8_t> unpacked;
  if (seek_input(in, body_start)) {
    BodyWalk walk(in);
    while (next_definition(walk)) {
      record_definition(walk.definition, options, unpacked, counts, plan, out);
    }
    stop_at(stop, in, input_position(in), end_of_walk(walk));
    // A definition the input cuts short is not sent to a printer.
    counts.readable = stop.reason.empty() ? input_position(walk.in) : walk.definition.start;
  } else {
    stop_at(stop, in, body_start, "the body cannot be reached");
  }
  print_counts(counts, options, out);
  return stop;
}

// A font whose header cannot be used: the header as far as read, an empty
// contact sheet so that a PNG asked for exists, a proof that says why, and
// why reading stopped.
int show_refused(InputBuffer& in, HeaderProblem problem, const ViewOptions& options,
                 MessageSink& out) {
  StopPoint stop;
  stop_at(stop, in, input_position(in), refusal(problem));
  bool failed = false;
  if (options.png != nullptr) {
    ContactSheet sheet(*options.png, lay_out(SheetPlan{}), SheetLimits{}.max_dots);
    failed = !sheet.finish();
    if (failed) say(out, "Contact sheet: writing the PNG failed.\n");
  }
  if (options.proof != nullptr) {
    ProofFont proof;
    proof.heading = {proof_title(options), refusal(problem)};
    failed = !send_proof(in, proof, options, out) || failed;
  }
  print_stop(stop, out);
  return failed ? kStatusFailed : status_of(stop, true);
}

// The first line: the file's name and size.
bool print_title(const InputBuffer& in, const ViewOptions& options, MessageSink& out) {
  if (!in.seekable) {
    say(out,
        "Reading stopped at byte 0: the input is not a file that can be re-read "
        "(a pipe?).\n");
    return false;
  }
  std::string title = options.title.empty() ? "Font" : "Font file: " + options.title;
  if (std::uint64_t size = 0; source_size(in, size)) {
    title += " (" + std::to_string(size) + " bytes)";
  }
  say(out, "%s\n", title.c_str());
  return true;
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
    return ec == std::errc() && end == digits.data() + digits.size() && value <= kLargestCode;
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

std::vector<std::string> draw_rows(std::span<const std::uint8_t> bitmap, std::uint16_t width,
                                   std::uint16_t height) {
  const std::size_t stride = row_stride(width);
  std::vector<std::string> rows(rows_reached(bitmap.size(), width, height),
                                std::string(width, '?'));
  for (std::size_t r = 0; r < rows.size(); ++r) {
    for (std::size_t c = 0; c < width && r * stride + c / 8 < bitmap.size(); ++c) {
      rows[r][c] = (bitmap[r * stride + c / 8] & (0x80U >> (c % 8))) != 0 ? '#' : '.';
    }
  }
  return rows;
}

// ---------------------------------------------------------------- the whole view

int view_font(InputBuffer& in, MessageSink& out, const ViewOptions& options) {
  if (!print_title(in, options, out)) return kStatusFailed;
  FontHeader header;
  const HeaderProblem problem = read_font_header(in, header);
  print_header(header, out);
  if (problem != HeaderProblem::kNone) return show_refused(in, problem, options, out);
  if (!proof_orientation_ok(header, options, out)) return kStatusFailed;
  // The body starts where the header phase leaves it: the end of the
  // declared block.
  const std::uint64_t body_start =
      header.block_start + static_cast<std::uint64_t>(header.declared_size);
  TableCounts counts;
  SheetPlan plan;
  const StopPoint stop = list_characters(in, body_start, options, counts, plan, out);

  // Pass 2: the drawings and the contact sheet, from the same bytes again.
  bool failed = false;
  if (options.draw || options.png != nullptr) {
    if (!seek_input(in, body_start)) {
      say(out, "Reading stopped at byte %llu: the input cannot be re-read.\n",
          static_cast<unsigned long long>(body_start));
      return kStatusFailed;
    }
    failed = !draw_glyphs(in, plan, options, out);
  }
  if (options.proof != nullptr) failed = !proof_font(in, header, counts, options, out) || failed;
  print_stop(stop, out);
  if (failed) return kStatusFailed;
  return status_of(stop, counts.damaged > 0 || counts.skipped > 0);
}

}  // namespace kestrune::view
