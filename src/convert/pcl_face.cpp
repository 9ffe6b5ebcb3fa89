#include "convert/pcl_face.h"

#include <algorithm>
#include <cstdint>
#include <span>
#include <string_view>
#include <utility>

#include "convert/printable_text.h"
#include "pcl/records.h"
#include "softfont/font.h"

namespace kestrune::convert {
namespace {

// The bitmaps of a face are held whole: however many characters a font
// defines, and however far its compressed ones unpack, the face stops here.
constexpr std::size_t kLargestFaceBytes = std::size_t{256} << 20;

void print_error(MessageSink& messages, const std::string& input_name, std::string_view why) {
  print_text(messages, "Error: ");
  print_text(messages, input_name);
  print_text(messages, ": ");
  print_text(messages, why);
  print_text(messages, "\n");
}

void print_character_error(MessageSink& messages, const std::string& input_name, int code,
                           std::string_view why) {
  print_text(messages, "Error: ");
  print_text(messages, input_name);
  print_text(messages, ": character ", code, " ");
  print_text(messages, why);
  print_text(messages, "; skipped.\n");
}

// Why the header gives no face, or empty when it gives one.
std::string header_refusal(const FontReader& font) {
  std::string fault = font.header_fault();
  if (!fault.empty()) return fault;
  if (!font.bitmap_font()) {
    return "it is a scalable font (header format " + std::to_string(font.format().value) + ", " +
           font.format().name + "): kestrune-convert reads bitmap fonts only";
  }
  const int orientation = font.header().orientation();
  if (orientation != 0) {
    return "its orientation is " + orientation_name(orientation) +
           ": kestrune-convert reads portrait fonts only, whose glyphs stand upright as BDF holds "
           "them";
  }
  return "";
}

// The fields of the descriptor as read, which is written back as 64 bytes,
// or as 68 when it held the resolution.
FontFields fields_of(const FontHeader& header) {
  const FontDescriptor& descriptor = header.descriptor;
  const auto size = static_cast<std::size_t>(
      std::clamp(descriptor.size, FontDescriptor::kPlainSize, FontDescriptor::kResolutionSize));
  FontFields fields = decode_font_fields(std::span(descriptor.bytes).first(size));
  fields.descriptor_size = static_cast<int>(size) == FontDescriptor::kResolutionSize
                               ? FontDescriptor::kResolutionSize
                               : FontDescriptor::kPlainSize;
  return fields;
}

// The header's extra bytes up to the first NUL: the copyright notice fonts
// carry there.
std::string copyright_of(const FontHeader& header) {
  const auto end = std::find(header.extra.begin(), header.extra.end(), std::uint8_t{0});
  const std::string bytes(header.extra.begin(), end);
  return printable_text(bytes);
}

// Why a complete character gives no glyph, or empty when it gives one.
std::string character_refusal(const Character& character) {
  const CharacterDescriptor& d = character.descriptor;
  if (character.kind == CharacterKind::kOther) {
    return "is not a bitmap character (format " + std::to_string(d.format) + ", class " +
           std::to_string(d.glyph_class) + ")";
  }
  if (character.has(kContinuationMark)) return "is a continuation block standing alone";
  if (character.has(kForeignOrientation)) {
    return "has orientation " + std::to_string(d.orientation) + ", not the font's 0";
  }
  if (character.has(kTooLarge)) return "has a bitmap of more than 1 MiB";
  if (character.has(kDamagedCompressed)) return "holds damaged compressed data";
  if (character.has(kShortBitmap)) return "holds fewer bytes than its rows need";
  return "";
}

// The glyph of a character that gives one: its dots with the fill bits
// cleared, or a compressed character's runs (`data`, found undamaged) as
// they are.
Glyph glyph_of(int code, const Character& character, std::span<const std::uint8_t> data) {
  const CharacterDescriptor& d = character.descriptor;
  Glyph glyph{code, d.width, d.height, d.left_offset, d.top_offset, d.delta_x, {}, {}};
  glyph.compressed = character.kind == CharacterKind::kCompressed;
  // Runs of no bytes hold no dots: such a glyph has clear rows, as before.
  if (glyph.compressed && !data.empty()) {
    glyph.runs.assign(data.begin(), data.end());
    return glyph;
  }
  glyph.rows.assign(character.dots.begin(), character.dots.end());
  glyph.rows.resize(character.dots_needed, 0);
  const RowFill fill = row_fill(d.width, d.height, glyph.rows.size());
  for (std::size_t row = 0; row < fill.rows; ++row) {
    glyph.rows[(row + 1) * fill.stride - 1] &= fill.mask;
  }
  return glyph;
}

// Reading the body into the face.
struct BodyReading {
  const std::string& input_name;
  MessageSink& messages;
  Face& face;
  PclOutcome& outcome;
  std::size_t face_bytes = 0;
};

void refuse(BodyReading& reading, int code, std::string_view why) {
  print_character_error(reading.messages, reading.input_name, code, why);
  ++reading.outcome.refused;
}

void read_definition(FontReader& font, BodyReading& reading) {
  const CharacterDefinition& definition = font.definition();
  // A definition the input ends inside is told once the walk ends.
  if (!names_a_character(definition.status) || definition.input_ended) return;
  const int code = definition.code;
  if (definition.status != DefinitionStatus::kComplete) {
    return refuse(reading, code, "has a malformed definition");
  }
  if (code > kLargestCharacterCode) {
    return refuse(reading, code, "has a code past " + std::to_string(kLargestCharacterCode));
  }
  // A compressed character's runs are read for damage here and unpacked
  // only when the glyph is written.
  const Character character = font.classify(kCheckRuns);
  const std::string why = character_refusal(character);
  if (!why.empty()) return refuse(reading, code, why);
  const Glyph* replaced = reading.face.glyphs.find(code);
  const std::size_t freed =
      replaced != nullptr
          ? glyph_stride(replaced->width) * static_cast<std::size_t>(std::max(replaced->height, 0))
          : 0;
  if (reading.face_bytes - freed + character.dots_needed > kLargestFaceBytes) {
    return refuse(reading, code, "takes the font's bitmaps past 256 MiB");
  }
  Glyph glyph = glyph_of(code, character, definition.block.subspan(CharacterDescriptor::kSize));
  // Written again, a character printers discard would fail the check.
  const std::string beyond = beyond_printer_limits(glyph);
  if (!beyond.empty()) return refuse(reading, code, "is beyond printers' limits: " + beyond);
  reading.face_bytes = reading.face_bytes - freed + character.dots_needed;
  if (!reading.face.glyphs.add(std::move(glyph))) ++reading.outcome.glyphs;
}

// How the walk ended: the error line for a font cut short or a failed read.
void finish_body(const FontReader& font, BodyReading& reading) {
  if (font.ending() == FontEnding::kReadError) {
    report_read_error(reading.messages);
    reading.outcome.read = false;
    return;
  }
  if (font.ending() != FontEnding::kCutShort) return;
  const CharacterDefinition& cut = font.cut_definition();
  if (names_a_character(cut.status)) {
    print_error(reading.messages, reading.input_name,
                "the input ends inside the definition of character " + std::to_string(cut.code) +
                    "; the characters before it are kept");
    ++reading.outcome.refused;
  } else {
    print_error(reading.messages, reading.input_name,
                "the input ends inside a character code command; the characters before it are "
                "kept");
  }
}

}  // namespace

PclOutcome read_pcl_face(InputBuffer& in, const std::string& input_name, MessageSink& messages,
                         Face& face) {
  PclOutcome outcome;
  FontReader font(in);
  font.read_header();
  if (font.ending() == FontEnding::kReadError) {
    report_read_error(messages);
    return outcome;
  }
  const std::string refusal = header_refusal(font);
  if (!refusal.empty()) {
    print_error(messages, input_name, refusal);
    return outcome;
  }
  face.fields = fields_of(font.header());
  face.copyright = copyright_of(font.header());
  face.given.font_type = face.given.spacing = true;
  outcome.resolution = printer_resolution(font.header());
  outcome.read = true;
  if (!font.start_body()) {
    report_read_error(messages);
    outcome.read = false;
    return outcome;
  }
  BodyReading reading{input_name, messages, face, outcome};
  while (font.next_definition()) read_definition(font, reading);
  finish_body(font, reading);
  return outcome;
}

}  // namespace kestrune::convert
