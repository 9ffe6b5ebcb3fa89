#include "convert/bdf_writer.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "convert/bdf_properties.h"
#include "convert/printable_text.h"
#include "pcl/symbol_sets.h"
#include "softfont/header.h"

namespace kestrune::convert {
namespace {

bool put(OutputBuffer& out, std::string_view text) {
  return out.write({reinterpret_cast<const std::uint8_t*>(text.data()), text.size()});
}

std::string quoted(std::string_view text) {
  std::string value = "\"";
  for (const char c : printable_text(text)) {
    value += c;
    if (c == '"') value += '"';
  }
  return value + '"';
}

// A field of an XLFD name holds no hyphen, nor a character that patterns
// give a meaning (* ? , ").
std::string xlfd_field(std::string_view text) {
  std::string field(text);
  std::replace_if(
      field.begin(), field.end(),
      [](char c) { return c == '-' || c == '*' || c == '?' || c == ',' || c == '"'; }, ' ');
  return printable_text(field);
}

// n / d rounded half away from zero; d > 0.
std::int64_t rounded(std::int64_t n, std::int64_t d) {
  return n >= 0 ? (n + d / 2) / d : -((-n + d / 2) / d);
}

// A BDF advance is in whole dots; a PCL one in quarter dots.
int dots_of_advance(int quarter_dots) { return static_cast<int>(rounded(quarter_dots, 4)); }

std::string_view weight_name(int stroke_weight) {
  constexpr std::string_view kNames[] = {"Ultra Thin", "Extra Thin",  "Thin",       "Extra Light",
                                         "Light",      "Demi Light",  "Semi Light", "Medium",
                                         "Semi Bold",  "Demi Bold",   "Bold",       "Extra Bold",
                                         "Black",      "Extra Black", "Ultra Black"};
  if (stroke_weight < -7 || stroke_weight > 7) return "Medium";
  return kNames[stroke_weight + 7];
}

// Posture, the style's two low bits: 1 italic, 2 alternate italic.
std::string_view slant_of(int style) {
  const int posture = style & 3;
  return posture == 1 || posture == 2 ? "I" : "R";
}

struct Box {
  int left = 0;
  int bottom = 0;
  int right = 0;
  int top = 0;
};

// What the font's lines are worked out from, once.
struct FontFacts {
  int x_resolution = kDefaultResolution;
  int y_resolution = kDefaultResolution;
  int height = 0;                  // quarter dots: the font's height, else its cell's
  int pixel_size = 0;              // dots
  int point_size = 0;              // decipoints
  std::int64_t average_width = 0;  // tenths of a dot
  Box bounds;                      // the union of the glyphs' boxes
  std::string spacing;             // P, M or C
  const SymbolSet* set = nullptr;  // the symbol set, when it maps to Unicode
  std::string registry;
  std::string encoding;
  std::vector<const Glyph*> glyphs;  // in code order
};

bool has_dots(const Glyph& glyph) { return glyph.width > 0 && glyph.height > 0; }

// C (each glyph within a cell of one advance), M (one advance) or P.
std::string spacing_of(const Face& face, const std::vector<const Glyph*>& glyphs) {
  if (face.fields.spacing != 0) return "P";
  const int ascent = face.fields.baseline;
  const int descent = face.fields.cell_height - face.fields.baseline;
  bool within_cells = true;
  for (const Glyph* glyph : glyphs) {
    if (glyph->advance != glyphs.front()->advance) return "P";
    const int advance = dots_of_advance(glyph->advance);
    if (has_dots(*glyph) && (glyph->left < 0 || glyph->left + glyph->width > advance ||
                             glyph->top > ascent || glyph->height - glyph->top > descent)) {
      within_cells = false;
    }
  }
  return within_cells ? "C" : "M";
}

Box bounds_of(const std::vector<const Glyph*>& glyphs) {
  Box box;
  bool first = true;
  for (const Glyph* g : glyphs) {
    if (!has_dots(*g)) continue;
    const Box own{g->left, g->top - g->height, g->left + g->width, g->top};
    box = first ? own
                : Box{std::min(box.left, own.left), std::min(box.bottom, own.bottom),
                      std::max(box.right, own.right), std::max(box.top, own.top)};
    first = false;
  }
  return box;
}

// The resolution printers print the font at: the descriptor's only when
// the header says resolution-specified and the descriptor holds it.
void resolution_of(const FontFields& fields, FontFacts& facts) {
  if (fields.header_format != FontDescriptor::kResolutionSpecified ||
      fields.descriptor_size < FontDescriptor::kResolutionSize) {
    return;
  }
  if (fields.x_resolution > 0) facts.x_resolution = fields.x_resolution;
  if (fields.y_resolution > 0) facts.y_resolution = fields.y_resolution;
}

FontFacts facts_of(const Face& face) {
  const FontFields& fields = face.fields;
  FontFacts facts;
  facts.glyphs = face.glyphs.in_code_order();
  resolution_of(fields, facts);
  facts.height = fields.height > 0 ? fields.height : fields.cell_height * 4;
  facts.pixel_size = static_cast<int>(rounded(facts.height, 4));
  facts.point_size =
      static_cast<int>(rounded(std::int64_t{facts.height} * 180, facts.y_resolution));
  std::int64_t advances = 0;
  for (const Glyph* glyph : facts.glyphs) advances += glyph->advance;
  const auto count = static_cast<std::int64_t>(facts.glyphs.size());
  if (count > 0) facts.average_width = rounded(advances * 10, 4 * count);
  facts.bounds = bounds_of(facts.glyphs);
  facts.spacing = facts.glyphs.empty() ? "C" : spacing_of(face, facts.glyphs);
  facts.set = find_symbol_set(fields.symbol_set);
  facts.registry = facts.set != nullptr ? "ISO10646" : "HP-PCL";
  facts.encoding = facts.set != nullptr ? "1" : symbol_set_name(fields.symbol_set);
  return facts;
}

std::string family_of(const Face& face) {
  return printable_text(face.family.empty() ? face.fields.name : face.family);
}

std::string font_name(const Face& face, const FontFacts& facts) {
  const FontFields& f = face.fields;
  const std::string fields[] = {"Kestrune",
                                xlfd_field(family_of(face)),
                                xlfd_field(weight_name(f.stroke_weight)),
                                std::string(slant_of(f.style)),
                                "Normal",
                                "",
                                std::to_string(facts.pixel_size),
                                std::to_string(facts.point_size),
                                std::to_string(facts.x_resolution),
                                std::to_string(facts.y_resolution),
                                facts.spacing,
                                std::to_string(facts.average_width),
                                xlfd_field(facts.registry),
                                facts.encoding};
  std::string name;
  for (const std::string& field : fields) name += "-" + field;
  return name;
}

struct Property {
  std::string_view name;
  std::string value;  // as the line holds it: a string quoted
};

std::string number(std::int64_t value) { return std::to_string(value); }

std::vector<Property> standard_properties(const Face& face, const FontFacts& facts) {
  const FontFields& f = face.fields;
  std::vector<Property> properties = {
      {"FOUNDRY", quoted("Kestrune")},
      {"FAMILY_NAME", quoted(family_of(face))},
      {"WEIGHT_NAME", quoted(weight_name(f.stroke_weight))},
      {"SLANT", quoted(slant_of(f.style))},
      {"SETWIDTH_NAME", quoted("Normal")},
      {"PIXEL_SIZE", number(facts.pixel_size)},
      {"POINT_SIZE", number(facts.point_size)},
      {"RESOLUTION_X", number(facts.x_resolution)},
      {"RESOLUTION_Y", number(facts.y_resolution)},
      {"SPACING", quoted(facts.spacing)},
      {"AVERAGE_WIDTH", number(facts.average_width)},
      {"FONT_ASCENT", number(f.baseline)},
      {"FONT_DESCENT", number(f.cell_height - f.baseline)},
      {"CHARSET_REGISTRY", quoted(facts.registry)},
      {"CHARSET_ENCODING", quoted(facts.encoding)},
  };
  if (!printable_text(face.copyright).empty()) {
    properties.push_back({"COPYRIGHT", quoted(face.copyright)});
  }
  return properties;
}

// The header's fields BDF has no property for, under the program's own
// names, so that a font made again from the BDF has the same header.
void add_own_properties(const FontFields& f, std::vector<Property>& properties) {
  properties.push_back({kPclSymbolSetProperty, quoted(symbol_set_name(f.symbol_set))});
  for (const PclIntegerProperty& own : kPclIntegerProperties) {
    properties.push_back({own.name, number(f.*own.field)});
  }
  properties.push_back({kPclFontNumberProperty, number(f.font_number)});
  properties.push_back({kPclFontNameProperty, quoted(f.name)});
}

bool write_header(const Face& face, const FontFacts& facts, OutputBuffer& out) {
  const Box& b = facts.bounds;
  std::vector<Property> properties = standard_properties(face, facts);
  add_own_properties(face.fields, properties);
  std::string text = "STARTFONT 2.1\nFONT " + font_name(face, facts) + "\nSIZE " +
                     number(std::max<std::int64_t>(1, rounded(facts.point_size, 10))) + " " +
                     number(facts.x_resolution) + " " + number(facts.y_resolution) +
                     "\nFONTBOUNDINGBOX " + number(b.right - b.left) + " " +
                     number(b.top - b.bottom) + " " + number(b.left) + " " + number(b.bottom) +
                     "\nSTARTPROPERTIES " + number(static_cast<std::int64_t>(properties.size())) +
                     "\n";
  for (const Property& property : properties) {
    text.append(property.name).append(" ").append(property.value).append("\n");
  }
  text += "ENDPROPERTIES\nCHARS " + number(static_cast<std::int64_t>(facts.glyphs.size())) + "\n";
  return put(out, text);
}

std::string uni_name(char32_t character) {
  char name[16];
  std::snprintf(name, sizeof name, "uni%04X", static_cast<unsigned>(character));
  return name;
}

// STARTCHAR and ENCODING: in a Unicode font a code its symbol set maps to
// nothing stands as ENCODING -1 with the code after it.
std::string name_and_encoding(const Glyph& glyph, const FontFacts& facts) {
  const char32_t character = facts.set != nullptr ? unicode_for_code(*facts.set, glyph.code) : 0;
  std::string name = printable_text(glyph.name);
  if (name.empty()) name = character != 0 ? uni_name(character) : "C" + number(glyph.code);
  std::string encoding;
  if (facts.set == nullptr) {
    encoding = number(glyph.code);
  } else {
    encoding = character != 0 ? number(character) : "-1 " + number(glyph.code);
  }
  return "STARTCHAR " + name + "\nENCODING " + encoding + "\n";
}

// SWIDTH: the advance in thousandths of the font's height, which is its
// point size.
std::int64_t scalable_width(int dots, const FontFacts& facts) {
  if (facts.height <= 0) return 0;
  return rounded(std::int64_t{dots} * 4000 * facts.y_resolution,
                 std::int64_t{facts.height} * facts.x_resolution);
}

void append_rows(const Glyph& glyph, std::string& text) {
  constexpr char kHex[] = "0123456789ABCDEF";
  std::vector<std::uint8_t> scratch;
  const std::span<const std::uint8_t> dots = glyph_rows(glyph, scratch);
  const std::size_t stride = glyph_stride(glyph.width);
  const std::size_t rows = static_cast<std::size_t>(glyph.height);
  for (std::size_t row = 0; row < rows; ++row) {
    for (std::size_t at = row * stride; at < (row + 1) * stride; ++at) {
      const std::uint8_t byte = at < dots.size() ? dots[at] : 0;
      text += kHex[byte >> 4];
      text += kHex[byte & 0xF];
    }
    text += '\n';
  }
}

bool write_glyph(const Glyph& glyph, const FontFacts& facts, std::string& text, OutputBuffer& out) {
  text = name_and_encoding(glyph, facts);
  const int advance = dots_of_advance(glyph.advance);
  text +=
      "SWIDTH " + number(scalable_width(advance, facts)) + " 0\nDWIDTH " + number(advance) + " 0\n";
  // BDF advances are whole dots: a quarter-dot advance survives in a
  // comment, which BDF readers pass over.
  if (glyph.advance % 4 != 0) {
    text.append("COMMENT ").append(kBdfExactAdvance).append(" ") += number(glyph.advance) + "\n";
  }
  // A glyph without dots has no rows: BDF gives it no height either.
  const bool dots = has_dots(glyph);
  const int width = dots ? glyph.width : 0;
  const int height = dots ? glyph.height : 0;
  text += "BBX " + number(width) + " " + number(height) + " " + number(glyph.left) + " " +
          number(glyph.top - height) + "\nBITMAP\n";
  if (dots) append_rows(glyph, text);
  text += "ENDCHAR\n";
  return put(out, text);
}

}  // namespace

bool write_bdf(const Face& face, OutputBuffer& out) {
  const FontFacts facts = facts_of(face);
  if (!write_header(face, facts, out)) return false;
  std::string text;
  for (const Glyph* glyph : facts.glyphs) {
    if (!write_glyph(*glyph, facts, text, out)) return false;
  }
  return put(out, "ENDFONT\n") && !out.failed();
}

}  // namespace kestrune::convert
