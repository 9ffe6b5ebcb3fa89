#include "convert/bdf_face.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "convert/bdf_properties.h"
#include "streams.h"

namespace kestrune::convert {
namespace {

struct FaceRead {
  BdfOutcome outcome;
  Face face;
  std::string messages;
};

FaceRead read_face(const std::string& text, int symbol_set = -1) {
  InputBuffer in(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
  testsupport::CapturedMessages messages;
  FaceRead r;
  r.outcome = read_bdf_face(in, "t.bdf", BdfReading{symbol_set}, messages.sink(), r.face);
  r.messages = messages.text();
  return r;
}

// A BDF with these header lines and properties, then these glyph texts.
std::string bdf(const std::string& header, const std::vector<std::string>& properties,
                const std::vector<std::string>& glyphs) {
  std::string text = "STARTFONT 2.1\n" + header;
  text += "STARTPROPERTIES " + std::to_string(properties.size()) + "\n";
  for (const std::string& p : properties) text += p + "\n";
  text += "ENDPROPERTIES\nCHARS " + std::to_string(glyphs.size()) + "\n";
  for (const std::string& g : glyphs) text += g;
  return text + "ENDFONT\n";
}

// One glyph of a single dot.
std::string dot(const std::string& name, long encoding) {
  return "STARTCHAR " + name + "\nENCODING " + std::to_string(encoding) +
         "\nDWIDTH 3 0\nBBX 1 1 0 0\nBITMAP\n80\nENDCHAR\n";
}

TEST(BdfFace, FieldsAndGlyphsOfASmallFont) {
  const FaceRead r = read_face(
      bdf("FONT -Adobe-Helvetica-Bold-O-Normal--12-120-75-75-P-70-ISO10646-1\nSIZE 12 75 75\n"
          "FONTBOUNDINGBOX 10 14 -1 -3\n",
          {"FAMILY_NAME \"Helvetica Extended Wide\"", "WEIGHT_NAME \"Bold\"", "SLANT \"O\"",
           "PIXEL_SIZE 12", "FONT_ASCENT 11", "FONT_DESCENT 3", "X_HEIGHT 6", "CAP_HEIGHT 9",
           "COPYRIGHT \"(c) Someone\""},
          {"STARTCHAR A\nENCODING 65\nDWIDTH 8 0\nBBX 7 2 0 0\nBITMAP\n10\nFE\nENDCHAR\n",
           "STARTCHAR eacute\nENCODING 233\nDWIDTH 7 0\nBBX 5 1 1 9\nBITMAP\n70\nENDCHAR\n",
           "STARTCHAR space\nENCODING 32\nDWIDTH 4 0\nBBX 0 0 0 0\nBITMAP\nENDCHAR\n",
           dot("snowman", 0x2603), dot("none", -1)}));
  EXPECT_EQ(r.messages, "");
  EXPECT_TRUE(r.outcome.read);
  EXPECT_EQ(r.outcome.glyphs, 5u);
  EXPECT_EQ(r.outcome.unplaced, 2u);
  EXPECT_EQ(r.outcome.refused, 0u);
  EXPECT_EQ(r.outcome.encoding, "ISO10646-1");
  EXPECT_EQ(r.outcome.resolution, 75);
  const FontFields& f = r.face.fields;
  const struct {
    const char* what;
    int actual;
    int expected;
  } fields[] = {
      {"height", f.height, 48},
      {"baseline", f.baseline, 11},
      {"cell width", f.cell_width, 10},
      {"cell height", f.cell_height, 14},
      {"x height", f.x_height, 24},
      {"cap height", f.cap_height, 36},
      {"style", f.style, 1},
      {"stroke weight", f.stroke_weight, 3},
      {"symbol set", f.symbol_set, 277},
      {"quality", f.quality, 2},
      {"x resolution", f.x_resolution, 75},
      {"y resolution", f.y_resolution, 75},
      {"underline", f.underline_position, -2},
      {"thickness", f.underline_thickness, 1},
      {"text height", f.text_height, 48},
      {"text width", f.text_width, 16},
  };
  for (const auto& field : fields) EXPECT_EQ(field.actual, field.expected) << field.what;
  EXPECT_EQ(f.name, "Helvetica Extend");
  EXPECT_EQ(r.face.family, "Helvetica Extended Wide");
  EXPECT_EQ(r.face.copyright, "(c) Someone");
  EXPECT_FALSE(r.face.given.font_type || r.face.given.spacing);

  const struct {
    int code;
    int width, height, left, top, advance;
    std::vector<std::uint8_t> rows;
  } glyphs[] = {
      {65, 7, 2, 0, 2, 32, {0x10, 0xFE}},
      {197, 5, 1, 1, 10, 28, {0x70}},  // é in Roman-8
      {32, 1, 1, 0, 1, 16, {0x00}},    // no dots: one blank one
  };
  ASSERT_EQ(r.face.glyphs.size(), 3u);
  for (const auto& want : glyphs) {
    const Glyph* g = r.face.glyphs.find(want.code);
    ASSERT_NE(g, nullptr) << want.code;
    EXPECT_EQ(std::vector<int>({g->width, g->height, g->left, g->top, g->advance}),
              std::vector<int>({want.width, want.height, want.left, want.top, want.advance}));
    EXPECT_EQ(g->rows, want.rows);
  }
}

TEST(BdfFace, PlacesGlyphsThroughUnicodeOrByTheirCodes) {
  struct Row {
    std::vector<std::string> properties;
    int asked;
    long encoding;
    int code;  // -1: unplaced
    int symbol_set;
  };
  const std::string unicode[] = {"CHARSET_REGISTRY \"ISO10646\"", "CHARSET_ENCODING \"1\""};
  const std::string latin1[] = {"CHARSET_REGISTRY \"iso8859\"", "CHARSET_ENCODING \"1\""};
  const std::string latin2[] = {"CHARSET_REGISTRY \"ISO8859\"", "CHARSET_ENCODING \"2\""};
  const std::string koi8[] = {"CHARSET_REGISTRY \"KOI8\"", "CHARSET_ENCODING \"R\""};
  const Row rows[] = {
      {{unicode[0], unicode[1]}, -1, 0xE9, 197, 277},
      {{unicode[0], unicode[1]}, 629, 0x20AC, 128, 629},  // 19U
      {{unicode[0], unicode[1]}, 629, 0xE9, 233, 629},
      {{unicode[0], unicode[1], "PCL_SYMBOL_SET \"19U\""}, -1, 0x20AC, 128, 629},
      {{unicode[0], unicode[1]}, -1, 0x110000, -1, 277},
      {{latin1[0], latin1[1]}, -1, 0xE9, 233, 14},  // 0N
      {{latin1[0], latin1[1]}, 277, 0xE9, 197, 277},
      {{latin1[0], latin1[1]}, -1, 0x100, -1, 14},
      {{latin2[0], latin2[1]}, -1, 0xB1, 177, 78},   // ą in 2N
      {{latin2[0], latin2[1]}, 277, 0xB1, -1, 277},  // none in Roman-8
      {{koi8[0], koi8[1]}, -1, 0xC1, 0xC1, 277},
      {{koi8[0], koi8[1]}, 341, 65535, 65535, 341},  // 10U
      {{koi8[0], koi8[1]}, -1, 65536, -1, 277},
      {{}, -1, 0x41, 0x41, 277},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.encoding);
    const FaceRead r = read_face(bdf("", row.properties, {dot("g", row.encoding)}), row.asked);
    EXPECT_EQ(r.messages, "");
    EXPECT_EQ(r.face.fields.symbol_set, row.symbol_set);
    EXPECT_EQ(r.face.glyphs.size(), row.code < 0 ? 0u : 1u);
    EXPECT_EQ(r.outcome.unplaced, row.code < 0 ? 1u : 0u);
    EXPECT_EQ(r.face.glyphs.find(row.code) != nullptr, row.code >= 0);
  }
  // With no properties, the XLFD name tells the registry.
  const FaceRead named =
      read_face(bdf("FONT -a-b-c-d-e-f-1-2-3-4-p-5-ISO8859-1\n", {}, {dot("e", 0xE9)}));
  EXPECT_EQ(named.outcome.encoding, "ISO8859-1");
  EXPECT_EQ(named.face.fields.name, "b");
  EXPECT_NE(named.face.glyphs.find(233), nullptr);
}

TEST(BdfFace, NamesWeightsAndSlants) {
  struct Row {
    std::string property;
    int FontFields::*field;
    int expected;
  };
  const Row rows[] = {
      {"WEIGHT_NAME \"Thin\"", &FontFields::stroke_weight, -5},
      {"WEIGHT_NAME \"light\"", &FontFields::stroke_weight, -3},
      {"WEIGHT_NAME \"Demi Bold\"", &FontFields::stroke_weight, 2},
      {"WEIGHT_NAME \"SemiBold\"", &FontFields::stroke_weight, 2},
      {"WEIGHT_NAME \"Extra-Bold\"", &FontFields::stroke_weight, 4},
      {"WEIGHT_NAME \"Black\"", &FontFields::stroke_weight, 5},
      {"WEIGHT_NAME \"Wobbly\"", &FontFields::stroke_weight, 0},
      {"SLANT \"R\"", &FontFields::style, 0},
      {"SLANT \"i\"", &FontFields::style, 1},
      {"SLANT \"RO\"", &FontFields::style, 1},
      {"RESOLUTION_X 300", &FontFields::x_resolution, 300},
      {"UNDERLINE_POSITION 4", &FontFields::underline_position, -4},
      {"AVERAGE_WIDTH 65", &FontFields::text_width, 26},
  };
  for (const Row& row : rows) {
    const FaceRead r = read_face(bdf("SIZE 10 72 72\n", {row.property}, {}));
    EXPECT_EQ(r.face.fields.*row.field, row.expected) << row.property;
    EXPECT_EQ(r.face.fields.name, "BDF font");
  }
}

TEST(BdfFace, OwnPropertiesOverWhatWasWorkedOut) {
  std::vector<std::string> properties = {"PCL_SYMBOL_SET \"10U\"", "PCL_FONT_NAME \"Courier 12\"",
                                         "PCL_FONT_NUMBER 4000000000", "PIXEL_SIZE 50",
                                         "WEIGHT_NAME \"Bold\""};
  int value = 7;
  for (const PclIntegerProperty& p : kPclIntegerProperties) {
    properties.push_back(std::string(p.name) + " " + std::to_string(value++));
  }
  const FaceRead r = read_face(bdf("", properties, {dot("space", 32)}));
  EXPECT_EQ(r.messages, "");
  value = 7;
  for (const PclIntegerProperty& p : kPclIntegerProperties) {
    EXPECT_EQ(r.face.fields.*p.field, value++) << p.name;
  }
  EXPECT_EQ(r.face.fields.symbol_set, 341);
  EXPECT_EQ(r.face.fields.name, "Courier 12");
  EXPECT_EQ(r.face.fields.font_number, 4000000000u);
  EXPECT_TRUE(r.face.given.font_type && r.face.given.spacing);

  const FaceRead bad = read_face(bdf(
      "", {"PCL_STROKE_WEIGHT 200", "PCL_SYMBOL_SET \"U8\"", "PCL_PITCH \"x\"", "PCL_SPACING 256"},
      {}));
  EXPECT_EQ(bad.messages,
            "Warning: t.bdf line 4: property PCL_SYMBOL_SET is no symbol set; it is passed over.\n"
            "Warning: t.bdf line 3: property PCL_STROKE_WEIGHT is not a whole number from -128 "
            "to 127; it is passed over.\n"
            "Warning: t.bdf line 6: property PCL_SPACING is not a whole number from 0 to 255; "
            "it is passed over.\n"
            "Warning: t.bdf line 5: property PCL_PITCH is not a whole number from 0 to 65535; "
            "it is passed over.\n");
  EXPECT_FALSE(bad.face.given.spacing);
}

TEST(BdfFace, GlyphsBeyondPrintersAreNamedAndLeftOut) {
  std::string rows;
  for (int i = 0; i < 1000; ++i) rows += "0\n";
  const FaceRead r = read_face(
      bdf("", {},
          {"STARTCHAR wide\nENCODING 65\nBBX 20000 1 0 0\nBITMAP\n" + std::string(5000, '0') +
               "\nENDCHAR\n",
           "STARTCHAR huge\nENCODING 66\nBBX 9000 1000 0 0\nBITMAP\n" + rows + "ENDCHAR\n",
           "STARTCHAR bad\nENCODING 67\nBBX 1 1 0 0\nBITMAP\nZ0\nENDCHAR\n", dot("one", 68),
           dot("two", 68), dot("far", 999999)}));
  EXPECT_EQ(r.messages,
            "Error: t.bdf line 5: glyph \"wide\" (ENCODING 65): 20000 dots wide; the glyph is left "
            "out.\n"
            "Error: t.bdf line 11: glyph \"huge\" (ENCODING 66): its bitmap is over 1 MiB; the "
            "glyph is left out.\n"
            "Error: t.bdf line 1020: glyph \"bad\": bad hex digit in its bitmap; the glyph is "
            "left out.\n"
            "Warning: t.bdf line 1029: glyph \"two\" (ENCODING 68) replaces glyph \"one\" at "
            "code 68.\n");
  EXPECT_EQ(r.outcome.glyphs, 5u);
  EXPECT_EQ(r.outcome.refused, 3u);
  EXPECT_EQ(r.outcome.unplaced, 1u);
  ASSERT_EQ(r.face.glyphs.size(), 1u);
  EXPECT_EQ(r.face.glyphs.find(68)->name, "two");
  EXPECT_FALSE(read_face("COMMENT no font\n").outcome.read);
}

}  // namespace
}  // namespace kestrune::convert
