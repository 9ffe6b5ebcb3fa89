#include "convert/convert_inputs.h"

#include <string_view>
#include <utility>

#include "bytes/input.h"
#include "convert/bdf_face.h"
#include "convert/pcl_face.h"
#include "convert/png_face.h"
#include "pcl/font_fields.h"
#include "pcl/symbol_sets.h"

namespace kestrune::convert {
namespace {

enum class InputKind { kBdf, kPcl, kPng, kNeither };

// A BDF begins "STARTFONT"; a PCL soft font, or the PCL commands or PJL
// lines before one, with ESC; a PNG image with its signature. The bytes
// looked at are read again after.
InputKind kind_of(InputBuffer& in) {
  constexpr std::string_view kBdfStart = "STARTFONT";
  std::string start;
  while (start.size() < kBdfStart.size()) {
    const int byte = in.next_byte();
    if (byte == kEndOfInput) break;
    start.push_back(static_cast<char>(byte));
  }
  if (!in.seek(0)) return InputKind::kNeither;
  if (start == kBdfStart) return InputKind::kBdf;
  if (starts_as_png({reinterpret_cast<const std::uint8_t*>(start.data()), start.size()})) {
    return InputKind::kPng;
  }
  if (!start.empty() && start[0] == ESC) return InputKind::kPcl;
  return InputKind::kNeither;
}

// The font's codes moved from its symbol set to `to` through Unicode.
// Returns the glyphs that have no code there, which are left out.
std::size_t move_to_symbol_set(Face& face, int to, const std::string& name, MessageSink& messages) {
  const SymbolSet* from = find_symbol_set(face.fields.symbol_set);
  const SymbolSet* target = find_symbol_set(to);
  if (from == target || target == nullptr) return 0;
  if (from == nullptr) {
    print_text(messages,
               "Warning: " + name + ": its symbol set " + symbol_set_name(face.fields.symbol_set) +
                   " is not one kestrune-convert knows; its codes are kept as they are.\n");
    face.fields.symbol_set = to;
    return 0;
  }
  GlyphSet moved;
  std::size_t unplaced = 0;
  for (Glyph& glyph : face.glyphs.all()) {
    const char32_t character = unicode_for_code(*from, glyph.code);
    const int code = character != 0 ? code_for_unicode(*target, character) : -1;
    if (code < 0) {
      ++unplaced;
      continue;
    }
    glyph.code = code;
    moved.add(std::move(glyph));
  }
  face.glyphs = std::move(moved);
  face.fields.symbol_set = to;
  face.given.font_type = false;  // the codes it was worked out from have moved
  return unplaced;
}

void print_unplaced(const std::string& name, std::size_t unplaced, int symbol_set,
                    MessageSink& messages) {
  if (unplaced == 0) return;
  print_text(messages, name + ": ", static_cast<std::int64_t>(unplaced),
             unplaced == 1 ? " glyph left out: unencoded, or with no code in symbol set "
                           : " glyphs left out: unencoded, or with no code in symbol set ");
  print_text(messages, symbol_set_name(symbol_set) + ".\n");
}

struct OneInput {
  bool read = false;
  std::size_t refused = 0;
  int resolution = 0;
};

OneInput read_bdf_input(InputBuffer& in, const std::string& name, int symbol_set,
                        MessageSink& messages, Face& face) {
  const BdfOutcome outcome = read_bdf_face(in, name, BdfReading{symbol_set}, messages, face);
  if (!outcome.read) return {};
  print_text(messages, "Read " + name + ": BDF, ", static_cast<std::int64_t>(outcome.glyphs),
             outcome.glyphs == 1 ? " glyph at " : " glyphs at ");
  print_text(
      messages, "", outcome.resolution,
      " dpi, " + (outcome.encoding.empty() ? std::string("no charset") : outcome.encoding) + ".\n");
  print_unplaced(name, outcome.unplaced, face.fields.symbol_set, messages);
  return {true, outcome.refused, outcome.resolution};
}

OneInput read_pcl_input(InputBuffer& in, const std::string& name, int symbol_set,
                        MessageSink& messages, Face& face) {
  const PclOutcome outcome = read_pcl_face(in, name, messages, face);
  if (!outcome.read) return {};
  print_text(messages, "Read " + name + ": PCL soft font, ",
             static_cast<std::int64_t>(outcome.glyphs),
             outcome.glyphs == 1 ? " character at " : " characters at ");
  print_text(messages, "", outcome.resolution,
             " dpi, symbol set " + symbol_set_name(face.fields.symbol_set) + ".\n");
  if (symbol_set >= 0) {
    print_unplaced(name, move_to_symbol_set(face, symbol_set, name, messages), symbol_set,
                   messages);
  }
  return {true, outcome.refused, outcome.resolution};
}

// Where an image stands among the inputs: it takes the next code, and the
// font's resolution when it follows a font.
struct ImageTurn {
  int code = 0;
  bool first = true;
  int font_resolution = 0;  // the first input's, when this is a later one
};

OneInput read_png_input(InputBuffer& in, const std::string& name, const InputReading& reading,
                        const ImageTurn& turn, MessageSink& messages, Face& face) {
  PngReading png;
  png.code = turn.code;
  png.threshold = reading.threshold;
  png.scale = reading.scale;
  png.first = turn.first;
  png.symbol_set = reading.symbol_set;
  png.font_dpi = reading.dpi > 0 ? reading.dpi
                 : turn.first    ? 0
                                 : turn.font_resolution * reading.scale;
  const PngOutcome outcome = read_png_face(in, name, png, messages, face);
  if (!outcome.read) return {};
  return {true, outcome.refused, outcome.resolution};
}

OneInput read_input(InputBuffer& in, const std::string& name, const InputReading& reading,
                    ImageTurn& turn, MessageSink& messages, Face& face) {
  switch (kind_of(in)) {
    case InputKind::kBdf:
      return read_bdf_input(in, name, reading.symbol_set, messages, face);
    case InputKind::kPcl:
      return read_pcl_input(in, name, reading.symbol_set, messages, face);
    case InputKind::kPng: {
      const OneInput input = read_png_input(in, name, reading, turn, messages, face);
      ++turn.code;
      return input;
    }
    case InputKind::kNeither:
      break;
  }
  if (in.failed()) {
    report_read_error(messages);
  } else {
    print_text(messages, "Error: " + name +
                             " is no font: it begins neither with STARTFONT (a BDF font), nor "
                             "with ESC (a PCL soft font), nor as a PNG image.\n");
  }
  return {};
}

// A later input's glyphs added to the face, each replacing one of its code.
void add_glyphs(Face& later, const std::string& name, MessageSink& messages, Face& face) {
  for (Glyph& glyph : later.glyphs.all()) {
    const int code = glyph.code;
    if (face.glyphs.add(std::move(glyph))) {
      print_text(messages, "Warning: " + name + ": character code ", code,
                 " replaces the one read before.\n");
    }
  }
}

}  // namespace

MergedInputs read_inputs(std::span<const NamedInput> inputs, const InputReading& reading,
                         MessageSink& messages, Face& face) {
  MergedInputs merged;
  ImageTurn turn{reading.code, true, 0};
  for (std::size_t i = 0; i < inputs.size(); ++i) {
    Face later;
    Face& into = i == 0 ? face : later;
    // Later inputs are made in the first one's symbol set.
    const int first_set =
        find_symbol_set(face.fields.symbol_set) != nullptr ? face.fields.symbol_set : -1;
    InputReading asked = reading;
    if (i > 0) asked.symbol_set = first_set;
    turn.first = i == 0;
    turn.font_resolution = merged.resolution;
    const OneInput input = read_input(*inputs[i].in, inputs[i].name, asked, turn, messages, into);
    if (!input.read) return {};
    merged.refused += input.refused;
    if (i == 0) {
      merged.resolution = input.resolution;
    } else {
      add_glyphs(later, inputs[i].name, messages, face);
    }
  }
  merged.read = true;
  return merged;
}

}  // namespace kestrune::convert
