#include "convert/bdf_face.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <utility>

#include "convert/bdf_properties.h"
#include "convert/bdf_reader.h"
#include "convert/printable_text.h"
#include "pcl/symbol_sets.h"

namespace kestrune::convert {
namespace {

constexpr int k8U = 8 * 32 + 'U' - 64;  // 8U
constexpr int k0N = 0 * 32 + 'N' - 64;  // 0N
constexpr int k2N = 2 * 32 + 'N' - 64;  // 2N
constexpr std::int64_t kLastUnicode = 0x10FFFF;
constexpr std::int64_t kLastCode = 65535;

bool same_letters(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    return lower(x) == lower(y);
  });
}

// Field `index` of an XLFD name (-foundry-family-weight-...-registry-
// encoding, 14 fields), or empty when the name is no XLFD.
std::string_view xlfd_field(std::string_view name, std::size_t index) {
  if (name.empty() || name.front() != '-' || std::count(name.begin(), name.end(), '-') != 14) {
    return {};
  }
  for (std::size_t field = 0; field < index; ++field) name.remove_prefix(name.find('-') + 1);
  return name.substr(0, name.find('-'));
}

// The font's properties, each problem with one told as a warning.
class Properties {
 public:
  Properties(const BdfHeader& header, const std::string& input_name, MessageSink& messages)
      : header_(header), input_name_(input_name), messages_(messages) {}

  // An integer property from `lowest` to `highest`; false when it is absent
  // or, with a warning, not such a number.
  bool integer(std::string_view name, std::int64_t lowest, std::int64_t highest,
               std::int64_t& value) {
    const BdfProperty* property = header_.property(name);
    if (property == nullptr) return false;
    if (!property->is_string && property->number >= lowest && property->number <= highest) {
      value = property->number;
      return true;
    }
    warn(*property, "is not a whole number from " + std::to_string(lowest) + " to " +
                        std::to_string(highest) + "; it is passed over");
    return false;
  }

  // A property's value as text, whether quoted or not; null when absent.
  const std::string* text(std::string_view name) const {
    const BdfProperty* property = header_.property(name);
    return property == nullptr ? nullptr : &property->value;
  }

  void warn(const BdfProperty& property, const std::string& what) {
    print_text(messages_, "Warning: " + input_name_ + " line " + std::to_string(property.line) +
                              ": property " + property.name + " " + what + ".\n");
  }
  const BdfHeader& header() const { return header_; }

 private:
  const BdfHeader& header_;
  const std::string& input_name_;
  MessageSink& messages_;
};

int stroke_weight(std::string weight) {
  std::erase_if(weight, [](char c) { return c == ' ' || c == '-'; });
  struct Weight {
    std::string_view name;
    int value;
  };
  constexpr Weight kWeights[] = {
      {"thin", -5},   {"extralight", -4}, {"ultralight", -4}, {"light", -3},   {"book", 0},
      {"regular", 0}, {"medium", 0},      {"normal", 0},      {"demibold", 2}, {"semibold", 2},
      {"bold", 3},    {"extrabold", 4},   {"ultrabold", 4},   {"heavy", 4},    {"black", 5},
  };
  for (const Weight& w : kWeights) {
    if (same_letters(weight, w.name)) return w.value;
  }
  return 0;
}

void name_fields(Properties& properties, Face& face) {
  if (const std::string* family = properties.text("FAMILY_NAME")) {
    face.family = *family;
  } else {
    face.family = std::string(xlfd_field(properties.header().font_name, 2));
  }
  face.fields.name = face.family.empty() ? "BDF font" : face.family.substr(0, 16);
  if (const std::string* copyright = properties.text("COPYRIGHT")) {
    face.copyright = printable_text(*copyright);
  }
  if (const std::string* slant = properties.text("SLANT")) {
    for (const std::string_view italic : {"I", "O", "RI", "RO"}) {
      if (same_letters(*slant, italic)) face.fields.style = 1;
    }
  }
  if (const std::string* weight = properties.text("WEIGHT_NAME")) {
    face.fields.stroke_weight = stroke_weight(*weight);
  }
}

void resolution_fields(Properties& properties, FontFields& f) {
  const BdfHeader& header = properties.header();
  std::int64_t value = 0;
  if (properties.integer("RESOLUTION_X", 1, kLargestBdfDots, value)) {
    f.x_resolution = static_cast<int>(value);
  } else if (header.x_resolution > 0) {
    f.x_resolution = header.x_resolution;
  }
  if (properties.integer("RESOLUTION_Y", 1, kLargestBdfDots, value)) {
    f.y_resolution = static_cast<int>(value);
  } else if (header.y_resolution > 0) {
    f.y_resolution = header.y_resolution;
  }
}

// What the BDF's properties and bounding box say of the header's fields,
// and for what they do not, what printers expect of an upright portrait
// bitmap font of letter quality.
void derive_fields(Properties& properties, Face& face) {
  const BdfBox& box = properties.header().bounding_box;
  FontFields& f = face.fields;
  std::int64_t value = 0;
  const int pixel_size = properties.integer("PIXEL_SIZE", 1, kLargestBdfDots, value)
                             ? static_cast<int>(value)
                             : box.height;
  f.height = 4 * pixel_size;
  const int ascent = properties.integer("FONT_ASCENT", 0, kLargestBdfDots, value)
                         ? static_cast<int>(value)
                         : std::max(0, box.height + box.y);
  const int descent = properties.integer("FONT_DESCENT", 0, kLargestBdfDots, value)
                          ? static_cast<int>(value)
                          : std::max(0, -box.y);
  f.baseline = ascent;
  f.cell_width = box.width;
  f.cell_height = box.height;
  if (properties.integer("X_HEIGHT", 0, kLargestBdfDots, value))
    f.x_height = 4 * static_cast<int>(value);
  if (properties.integer("CAP_HEIGHT", 0, kLargestBdfDots, value))
    f.cap_height = 4 * static_cast<int>(value);
  f.orientation = 0;
  f.quality = 2;
  f.placement = 0;
  f.serif_style = 0;
  f.width_type = 0;
  f.typeface = 0;
  // An X font's UNDERLINE_POSITION counts down from the baseline; PCL's up.
  f.underline_position = properties.integer("UNDERLINE_POSITION", -128, 128, value)
                             ? -static_cast<int>(value)
                             : -std::max(1, std::min(128, (descent + 1) / 2));
  f.underline_thickness = properties.integer("UNDERLINE_THICKNESS", 0, 255, value)
                              ? static_cast<int>(value)
                              : std::clamp((pixel_size + 8) / 16, 1, 255);
  f.text_height = f.height;
  name_fields(properties, face);
  resolution_fields(properties, f);
}

// How a glyph's ENCODING becomes its code in the face's symbol set.
struct Placement {
  enum class Through { kUnicode, kLatin1, kLatin2, kCodes } through = Through::kCodes;
  const SymbolSet* set = nullptr;     // the face's, for the first three
  const SymbolSet* latin2 = nullptr;  // 2N, to read ISO 8859-2 codes by
  // "ENCODING -1 n" is code n of the face's symbol set: a BDF made from a
  // soft font in the set its PCL_SYMBOL_SET names so gives the codes that
  // have no Unicode character.
  bool alternate_codes = false;
};

int code_of(std::int64_t encoding, const Placement& placement) {
  using Through = Placement::Through;
  if (encoding < 0) return -1;
  if (placement.through == Through::kCodes) {
    return encoding <= kLastCode ? static_cast<int>(encoding) : -1;
  }
  const std::int64_t last = placement.through == Through::kUnicode ? kLastUnicode : 255;
  if (encoding > last) return -1;
  char32_t character = static_cast<char32_t>(encoding);
  if (placement.through == Through::kLatin2) {
    character = unicode_for_code(*placement.latin2, static_cast<int>(encoding));
    if (character == 0) return -1;
  }
  return code_for_unicode(*placement.set, character);
}

// The symbol set asked for, else the one PCL_SYMBOL_SET names, else -1.
int wanted_symbol_set(Properties& properties, const BdfReading& reading) {
  if (reading.symbol_set >= 0) return reading.symbol_set;
  const BdfProperty* property = properties.header().property(kPclSymbolSetProperty);
  if (property == nullptr) return -1;
  const int value = property->is_string ? symbol_set_value(property->value)
                    : property->number >= 0 && property->number <= 65535
                        ? static_cast<int>(property->number)
                        : -1;
  if (value < 0) properties.warn(*property, "is no symbol set; it is passed over");
  return value;
}

// Chooses how glyphs are placed from the font's registry and encoding
// (CHARSET_REGISTRY and CHARSET_ENCODING, else the last two fields of its
// XLFD name), and sets the face's symbol set.
Placement choose_placement(Properties& properties, const BdfReading& reading, MessageSink& messages,
                           const std::string& input_name, Face& face, BdfOutcome& outcome) {
  const std::string* registry_property = properties.text("CHARSET_REGISTRY");
  const std::string* encoding_property = properties.text("CHARSET_ENCODING");
  const std::string_view font_name = properties.header().font_name;
  const std::string_view registry =
      registry_property != nullptr ? *registry_property : xlfd_field(font_name, 13);
  const std::string_view encoding =
      encoding_property != nullptr ? *encoding_property : xlfd_field(font_name, 14);
  if (!registry.empty()) outcome.encoding = std::string(registry) + "-" + std::string(encoding);

  Placement placement;
  int fallback = k8U;
  if (same_letters(registry, "ISO10646") && encoding == "1") {
    placement.through = Placement::Through::kUnicode;
  } else if (same_letters(registry, "ISO8859") && encoding == "1") {
    placement.through = Placement::Through::kLatin1;
    fallback = k0N;
  } else if (same_letters(registry, "ISO8859") && encoding == "2") {
    placement.latin2 = find_symbol_set(k2N);
    if (placement.latin2 != nullptr) placement.through = Placement::Through::kLatin2;
    fallback = k2N;
  }
  const int wanted = wanted_symbol_set(properties, reading);
  face.fields.symbol_set = wanted >= 0 ? wanted : fallback;
  placement.alternate_codes = reading.symbol_set < 0 && wanted >= 0;
  if (placement.through == Placement::Through::kCodes) return placement;
  placement.set = find_symbol_set(face.fields.symbol_set);
  if (placement.set == nullptr) {
    placement.set = find_symbol_set(fallback);
    print_text(messages, "Warning: " + input_name + ": symbol set " +
                             symbol_set_name(face.fields.symbol_set) +
                             " has no map to Unicode here; the glyphs are placed in " +
                             symbol_set_name(fallback) + ".\n");
    face.fields.symbol_set = fallback;
  }
  if (placement.set == nullptr) placement.through = Placement::Through::kCodes;
  return placement;
}

// The PCL header's fields as the font's own properties give them, over what
// was worked out.
void take_pcl_properties(Properties& properties, Face& face) {
  std::int64_t value = 0;
  for (const PclIntegerProperty& p : kPclIntegerProperties) {
    if (!properties.integer(p.name, p.lowest, p.highest, value)) continue;
    face.fields.*p.field = static_cast<int>(value);
    if (p.field == &FontFields::font_type) face.given.font_type = true;
    if (p.field == &FontFields::spacing) face.given.spacing = true;
  }
  if (properties.integer(kPclFontNumberProperty, 0, 0xFFFFFFFF, value)) {
    face.fields.font_number = static_cast<std::uint32_t>(value);
  }
  if (const std::string* name = properties.text(kPclFontNameProperty)) {
    face.fields.name = name->substr(0, 16);
  }
}

// The text width printers take as the average of lower-case letters: the
// space's advance where there is one, else the font's AVERAGE_WIDTH.
int text_width(Properties& properties, const Face& face) {
  if (const Glyph* space = face.glyphs.find(32)) return std::clamp(space->advance, 0, 65535);
  std::int64_t tenths = 0;
  if (!properties.integer("AVERAGE_WIDTH", -10 * kLargestBdfDots, 10 * kLargestBdfDots, tenths)) {
    return 0;
  }
  return std::min(65535, static_cast<int>((std::abs(tenths) * 4 + 5) / 10));
}

Glyph face_glyph(BdfGlyph& bdf, int code) {
  Glyph glyph;
  glyph.code = code;
  glyph.advance = 4 * bdf.advance;
  // The exact advance a BDF made from a soft font carries, where it rounds
  // to the DWIDTH given.
  if (bdf.exact_advance && std::abs(*bdf.exact_advance - glyph.advance) <= 2) {
    glyph.advance = *bdf.exact_advance;
  }
  glyph.name = std::move(bdf.name);
  if (bdf.box.width == 0 || bdf.box.height == 0) {
    make_blank_dot(glyph);
    return glyph;
  }
  glyph.width = bdf.box.width;
  glyph.height = bdf.box.height;
  glyph.left = bdf.box.x;
  glyph.top = bdf.box.y + bdf.box.height;
  glyph.rows = std::move(bdf.rows);
  return glyph;
}

struct GlyphPlacing {
  const Placement& placement;
  const std::string& input_name;
  MessageSink& messages;
  Face& face;
  BdfOutcome& outcome;
};

void place_glyph(BdfGlyph& bdf, GlyphPlacing& to) {
  const bool alternate = bdf.encoding < 0 && bdf.alternate >= 0 && bdf.alternate <= kLastCode &&
                         to.placement.alternate_codes;
  const int code =
      alternate ? static_cast<int>(bdf.alternate) : code_of(bdf.encoding, to.placement);
  if (code < 0) {
    ++to.outcome.unplaced;
    return;
  }
  const auto where = [&](const Glyph& glyph) {
    return to.input_name + " line " + std::to_string(bdf.line) + ": glyph \"" + glyph.name +
           "\" (ENCODING " + std::to_string(bdf.encoding) + ")";
  };
  const bool too_large = bdf.too_large;
  Glyph glyph = face_glyph(bdf, code);
  const std::string why = too_large ? "its bitmap is over 1 MiB" : beyond_printer_limits(glyph);
  if (!why.empty()) {
    print_text(to.messages, "Error: " + where(glyph) + ": " + why + "; the glyph is left out.\n");
    ++to.outcome.refused;
    return;
  }
  if (const Glyph* earlier = to.face.glyphs.find(code)) {
    print_text(to.messages, "Warning: " + where(glyph) + " replaces glyph \"" + earlier->name +
                                "\" at code " + std::to_string(code) + ".\n");
  }
  to.face.glyphs.add(std::move(glyph));
}

}  // namespace

BdfOutcome read_bdf_face(InputBuffer& in, const std::string& input_name, const BdfReading& reading,
                         MessageSink& messages, Face& face) {
  BdfOutcome outcome;
  BdfReader reader(in, input_name, messages);
  if (!reader.read_header()) return outcome;
  outcome.read = true;
  Properties properties(reader.header(), input_name, messages);
  derive_fields(properties, face);
  outcome.resolution = face.fields.x_resolution;
  const Placement placement =
      choose_placement(properties, reading, messages, input_name, face, outcome);
  GlyphPlacing placing{placement, input_name, messages, face, outcome};
  BdfGlyph bdf;
  while (reader.next_glyph(bdf)) {
    ++outcome.glyphs;
    place_glyph(bdf, placing);
  }
  outcome.refused += reader.refused();
  face.fields.text_width = text_width(properties, face);
  take_pcl_properties(properties, face);
  return outcome;
}

}  // namespace kestrune::convert
