#include "convert/bdf_reader.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "streams.h"

namespace kestrune::convert {
namespace {

struct ReadResult {
  bool header_read = false;
  BdfHeader header;
  std::vector<BdfGlyph> glyphs;
  std::size_t refused = 0;
  BdfEnding ending = BdfEnding::kReading;
  std::string messages;
};

ReadResult read_text(const std::string& text, std::size_t capacity = 64) {
  InputBuffer in(std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()),
                 capacity);
  testsupport::CapturedMessages messages;
  BdfReader reader(in, "t.bdf", messages.sink());
  ReadResult result;
  result.header_read = reader.read_header();
  BdfGlyph glyph;
  while (reader.next_glyph(glyph)) result.glyphs.push_back(glyph);
  result.header = reader.header();
  result.refused = reader.refused();
  result.ending = reader.ending();
  result.messages = messages.text();
  return result;
}

const std::string kGoodFont =
    "STARTFONT 2.1\n"
    "FONT -Test-Tiny-Medium-R-Normal--8-80-75-75-P-50-ISO10646-1\n"
    "SIZE 8 75 72\n"
    "FONTBOUNDINGBOX 6 8 0 -2\n"
    "STARTPROPERTIES 3\n"
    "FAMILY_NAME \"Tiny\"\n"
    "PIXEL_SIZE 8\n"
    "COPYRIGHT \"Say \"\"hi\"\"\"\n"
    "ENDPROPERTIES\n"
    "CHARS 2\n"
    "STARTCHAR A\n"
    "ENCODING 65\n"
    "SWIDTH 500 0\n"
    "DWIDTH 6 0\n"
    "BBX 5 3 0 -1\n"
    "BITMAP\n"
    "20\n"
    "5F\n"
    "f8\n"
    "ENDCHAR\n"
    "STARTCHAR space\n"
    "ENCODING -1 32\n"
    "BBX 0 0 0 0\n"
    "BITMAP\n"
    "ENDCHAR\n"
    "ENDFONT\n";

TEST(BdfReader, ReadsHeaderAndGlyphsThroughAnyWindow) {
  for (const std::size_t capacity : {std::size_t{1}, std::size_t{7}, std::size_t{1} << 16}) {
    const ReadResult r = read_text(kGoodFont, capacity);
    EXPECT_EQ(r.messages, "");
    EXPECT_EQ(r.ending, BdfEnding::kEnd);
    EXPECT_EQ(r.header.font_name, "-Test-Tiny-Medium-R-Normal--8-80-75-75-P-50-ISO10646-1");
    EXPECT_EQ(r.header.point_size, 8);
    EXPECT_EQ(r.header.y_resolution, 72);
    EXPECT_EQ(r.header.bounding_box.y, -2);
    EXPECT_EQ(r.header.declared_glyphs, 2);
    ASSERT_NE(r.header.property("COPYRIGHT"), nullptr);
    EXPECT_EQ(r.header.property("COPYRIGHT")->value, "Say \"hi\"");
    EXPECT_EQ(r.header.property("PIXEL_SIZE")->number, 8);
    EXPECT_FALSE(r.header.property("PIXEL_SIZE")->is_string);
    ASSERT_EQ(r.glyphs.size(), 2u);
    const BdfGlyph& a = r.glyphs[0];
    EXPECT_EQ(a.encoding, 65);
    EXPECT_EQ(a.advance, 6);
    EXPECT_EQ(a.box.y, -1);
    EXPECT_EQ(a.line, 11u);
    // Bits past the width of 5 are cleared.
    EXPECT_EQ(a.rows, (std::vector<std::uint8_t>{0x20, 0x58, 0xF8}));
    EXPECT_EQ(r.glyphs[1].encoding, -1);
    EXPECT_EQ(r.glyphs[1].advance, 0);  // no DWIDTH: BBX x + width
    EXPECT_TRUE(r.glyphs[1].rows.empty());
  }
}

// A font of one glyph "x" whose lines from line 4 on are `body`.
std::string glyph_font(const std::string& body) {
  return "STARTFONT 2.1\nCHARS 1\nSTARTCHAR x\n" + body + "ENDFONT\n";
}

TEST(BdfReader, TellsEachProblemOnceAndGoesOn) {
  const std::string big_line(1'000'000, 'A');
  struct Row {
    std::string text;
    std::string messages;  // exact
    std::size_t kept;
    std::size_t refused;
  };
  const std::string left_out = "; the glyph is left out.\n";
  const Row rows[] = {
      {glyph_font("BBX 8 2 0 0\nBITMAP\nFG\n00\nENDCHAR\n"),
       "Error: t.bdf line 6: glyph \"x\": bad hex digit in its bitmap" + left_out, 0, 1},
      {glyph_font("BBX 8 2 0 0\nBITMAP\nFF\nENDCHAR\n"),
       "Error: t.bdf line 7: glyph \"x\": its bitmap has fewer rows than its BBX" + left_out, 0, 1},
      {glyph_font("BBX 8 1 0 0\nBITMAP\nFF\n00\nENDCHAR\n"),
       "Error: t.bdf line 7: glyph \"x\": its bitmap has more rows than its BBX" + left_out, 0, 1},
      {glyph_font("BBX 8 1 0 0\nBITMAP\nFF00\nENDCHAR\n"),
       "Error: t.bdf line 6: glyph \"x\": a row of its bitmap is longer than its BBX" + left_out, 0,
       1},
      {glyph_font("BBX 12 1 0 0\nBITMAP\nFF\nENDCHAR\n"),
       "Error: t.bdf line 6: glyph \"x\": a row of its bitmap is shorter than its BBX" + left_out,
       0, 1},
      {glyph_font("BBX 100000 100000 0 0\nBITMAP\nFF\nFF\nENDCHAR\n"),
       "Error: t.bdf line 4: glyph \"x\": its BBX is beyond 99999 dots" + left_out, 0, 1},
      {glyph_font("BBX -8 1 0 0\nBITMAP\nFF\nENDCHAR\n"),
       "Error: t.bdf line 4: glyph \"x\": its BBX has a negative width or height" + left_out, 0, 1},
      {glyph_font("BBX 8 1 0 99999999999999999999\nBITMAP\nFF\nENDCHAR\n"),
       "Error: t.bdf line 4: glyph \"x\": its BBX is not four whole numbers" + left_out, 0, 1},
      {glyph_font("DWIDTH 100000 0\nBBX 8 1 0 0\nBITMAP\nFF\nENDCHAR\n"),
       "Error: t.bdf line 4: glyph \"x\": its DWIDTH is beyond 99999 dots" + left_out, 0, 1},
      {glyph_font("ENCODING A\nBBX 8 1 0 0\nBITMAP\nFF\nENDCHAR\n"),
       "Error: t.bdf line 4: glyph \"x\": its ENCODING is not a whole number" + left_out, 0, 1},
      {glyph_font("BITMAP\nFF\nBBX 8 1 0 0\nENDCHAR\n"),
       "Error: t.bdf line 4: glyph \"x\": its BITMAP comes before its BBX" + left_out, 0, 1},
      {glyph_font("ENCODING 1\nENDCHAR\n"),
       "Error: t.bdf line 5: glyph \"x\": it has no BBX" + left_out, 0, 1},
      {glyph_font("BBX 8 1 0 0\nENDCHAR\n"),
       "Error: t.bdf line 5: glyph \"x\": it has no BITMAP" + left_out, 0, 1},
      {glyph_font("BBX 8 1 0 0\nBITMAP\nFF\n"),
       "Error: t.bdf line 7: glyph \"x\": it has no ENDCHAR before ENDFONT" + left_out, 0, 1},
      {glyph_font("BBX 8 1 0 0\nBITMAP\nFF\nSTARTCHAR y\nBBX 1 1 0 0\nBITMAP\n80\nENDCHAR\n"),
       "Error: t.bdf line 7: glyph \"x\": it has no ENDCHAR before the next STARTCHAR" + left_out +
           "Warning: t.bdf line 12: CHARS says 1 glyphs, but 2 follow.\n",
       1, 1},
      // A problem told, then the file cut short: both told, one refusal.
      {"STARTFONT 2.1\nSTARTCHAR x\nBBX 8 1 0 0\nBITMAP\nXX\n",
       "Error: t.bdf line 5: glyph \"x\": bad hex digit in its bitmap" + left_out +
           "Error: t.bdf line 5: glyph \"x\": the file ends before its ENDCHAR.\n",
       0, 1},
      {glyph_font("BBX 8 1 0 0\nBITMAP\n" + big_line + "\nENDCHAR\n"),
       "Error: t.bdf line 6: glyph \"x\": a line of it is longer than 65536 bytes" + left_out, 0,
       1},
      {"STARTFONT 2.1\nCOMMENT " + big_line +
           "\nCHARS 1\nSTARTCHAR x\nBBX 1 1 0 0\nBITMAP\n80\n"
           "ENDCHAR\nENDFONT\n",
       "Error: t.bdf line 2: the line is longer than 65536 bytes; it is passed over.\n", 1, 0},
      {"STARTFONT 2.1\nFONTBOUNDINGBOX 100000 100000 0 0\nENDFONT\n",
       "Warning: t.bdf line 2: FONTBOUNDINGBOX is negative or beyond 99999 dots; it is taken as "
       "absent.\n",
       0, 0},
      {"STARTFONT 2.1\nFONTBOUNDINGBOX 8 8 0\nSIZE 8\nCHARS many\nENDFONT\n",
       "Warning: t.bdf line 2: FONTBOUNDINGBOX is not four whole numbers; it is taken as absent.\n"
       "Warning: t.bdf line 3: SIZE is not three whole numbers from 0 to 99999; it is passed "
       "over.\nWarning: t.bdf line 4: CHARS is not a count; it is passed over.\n",
       0, 0},
      {"STARTFONT 2.1\nCHARS 3\nENDFONT\n",
       "Warning: t.bdf line 3: CHARS says 3 glyphs, but 0 follow.\n", 0, 0},
      {"STARTFONT 2.1\nSTARTPROPERTIES 2\nA 1\nENDPROPERTIES\nENDFONT\n",
       "Warning: t.bdf line 4: STARTPROPERTIES says 2 properties, but 1 follow.\n", 0, 0},
      {"STARTFONT 2.1\nSTARTPROPERTIES 2\nA 1\nB \"b\n",
       "Warning: t.bdf line 4: property B has no closing quote.\n"
       "Error: t.bdf line 4: the file ends inside the properties.\n",
       0, 0},
      {"STARTFONT 2.1\nSTARTPROPERTIES 1\nA 1\nSTARTCHAR x\nBBX 1 1 0 0\nBITMAP\n80\nENDCHAR\n",
       "Warning: t.bdf line 4: the properties have no ENDPROPERTIES.\n"
       "Warning: t.bdf line 8: the file ends with no ENDFONT.\n",
       1, 0},
      {"", "Error: t.bdf line 1: not a BDF font; it does not begin with STARTFONT.\n", 0, 0},
      {"\n\nSTARTFONTS\n",
       "Error: t.bdf line 3: not a BDF font; it does not begin with STARTFONT.\n", 0, 0},
      // Non-ASCII bytes are kept in names, as they are.
      {"STARTFONT 2.1\nSTARTCHAR \xC3\xA9\xFF\nBBX 1 1 0 0\nBITMAP\n8\nENDCHAR\nENDFONT\n",
       "Error: t.bdf line 5: glyph \"\xC3\xA9\xFF\": a row of its bitmap is shorter than its BBX" +
           left_out,
       0, 1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.text.substr(0, 200));
    const ReadResult r = read_text(row.text);
    EXPECT_EQ(r.messages, row.messages);
    EXPECT_EQ(r.glyphs.size(), row.kept);
    EXPECT_EQ(r.refused, row.refused);
  }
}

TEST(BdfReader, TakesLineEndsTabsAndBlanksAsTheyCome) {
  std::string crlf;
  for (const char c : kGoodFont) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
  const std::string loose =
      "  STARTFONT\t2.1  \nFONT  a b \t\nSTARTCHAR\tA \nENCODING\t65\t\nBBX 8\t2  0\t-1 \n"
      "BITMAP\n  C3 \t\n\n3c\r\nENDCHAR\nENDFONT";
  for (const std::string& text : {crlf, loose}) {
    const ReadResult r = read_text(text);
    EXPECT_EQ(r.messages, "");
    ASSERT_FALSE(r.glyphs.empty());
    EXPECT_EQ(r.glyphs[0].encoding, 65);
    EXPECT_EQ(r.glyphs[0].rows.size(), text == loose ? 2u : 3u);
  }
  EXPECT_EQ(read_text(loose).header.font_name, "a b");
  EXPECT_EQ(read_text(loose).glyphs[0].rows, (std::vector<std::uint8_t>{0xC3, 0x3C}));
}

TEST(BdfReader, GlyphTooLargeToKeepComesBackWithoutRows) {
  std::string rows;
  for (int i = 0; i < 1000; ++i) rows += "0\n";  // passed over unread
  const ReadResult r = read_text(glyph_font("BBX 9000 1000 0 0\nBITMAP\n" + rows + "ENDCHAR\n"));
  EXPECT_EQ(r.messages, "");
  ASSERT_EQ(r.glyphs.size(), 1u);
  EXPECT_TRUE(r.glyphs[0].too_large);
  EXPECT_TRUE(r.glyphs[0].rows.empty());
  // 8192 x 1024 dots make exactly 1 MiB, which printers take.
  std::string full_rows;
  for (int i = 0; i < 1024; ++i) full_rows += std::string(2048, 'F') + "\n";
  const ReadResult most =
      read_text(glyph_font("BBX 8192 1024 0 0\nBITMAP\n" + full_rows + "ENDCHAR\n"), 1 << 16);
  ASSERT_EQ(most.glyphs.size(), 1u);
  EXPECT_FALSE(most.glyphs[0].too_large);
  EXPECT_EQ(most.glyphs[0].rows.size(), std::size_t{1} << 20);
}

TEST(BdfReader, EveryPrefixReadsOrIsTold) {
  const ReadResult whole = read_text(kGoodFont);
  for (std::size_t length = 0; length < kGoodFont.size(); ++length) {
    const std::string prefix = kGoodFont.substr(0, length);
    SCOPED_TRACE(prefix);
    const ReadResult r = read_text(prefix, 5);
    if (prefix.find("ENDFONT") == std::string::npos) {
      EXPECT_NE(r.messages, "");
    }
    for (const BdfGlyph& glyph : r.glyphs) {
      const BdfGlyph& same = whole.glyphs[glyph.name == "A" ? 0 : 1];
      EXPECT_EQ(glyph.name, same.name);
      EXPECT_EQ(glyph.rows, same.rows);
    }
  }
}

}  // namespace
}  // namespace kestrune::convert
