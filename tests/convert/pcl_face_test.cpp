// A PCL soft font read into a face, and a face written as one: every way a
// font holds its characters gives the same glyphs, a damaged character is
// named and passed over, and a written font reads back as it was and
// passes the font check.
#include "convert/pcl_face.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "bytes/input.h"
#include "bytes/output.h"
#include "check/font_check.h"
#include "convert/pcl_writer.h"
#include "font_builder.h"
#include "softfont/font.h"
#include "streams.h"

namespace kestrune::convert {
namespace {

namespace fb = fontbuilder;
using fb::Bytes;

const std::vector<std::string> kA = {".##.", "#..#", "####", "#..#"};
const std::vector<std::string> kB = {"###......", "#..#.....", "###......", "#..######"};

fb::GlyphSpec glyph_a() { return fb::drawn_glyph(65, kA); }
fb::GlyphSpec glyph_b() { return fb::drawn_glyph(66, kB); }

template <typename Change>
fb::GlyphSpec changed(fb::GlyphSpec glyph, Change change) {
  change(glyph);
  return glyph;
}

fb::FontSpec with_extra(const std::string& extra) {
  fb::FontSpec header;
  header.extra = fb::text(extra);
  return header;
}

Bytes continued_font() {
  Bytes font = fb::font_header({});
  fb::append(font, fb::continued_definition(glyph_a(), 18, 3));
  fb::append(font, fb::continued_definition(glyph_b(), 20, 5));
  return font;
}

Bytes after_prefix(Bytes font) {
  Bytes prefixed = fb::text("\x1b%-12345X@PJL ENTER LANGUAGE = PCL\r\n");
  fb::append(prefixed, fb::command("E"));
  fb::append(prefixed, font);
  return prefixed;
}

Bytes cut(Bytes font, std::size_t dropped) {
  font.resize(font.size() - dropped);
  return font;
}

struct Read {
  bool read = false;
  std::size_t glyphs = 0;
  std::size_t refused = 0;
  std::string messages;
};

Read read_font(const Bytes& font, Face& face) {
  InputBuffer in(font);
  testsupport::CapturedMessages messages;
  const PclOutcome outcome = read_pcl_face(in, "in.sfp", messages.sink(), face);
  return {outcome.read, outcome.glyphs, outcome.refused, messages.text()};
}

// The rows of a glyph, whether it holds them or the runs they unpack from.
Bytes rows_of(const Glyph& glyph) {
  Bytes scratch;
  const std::span<const std::uint8_t> rows = glyph_rows(glyph, scratch);
  return Bytes(rows.begin(), rows.end());
}

std::vector<std::string> drawing(const Glyph& glyph) {
  return fb::rows_from_bitmap(rows_of(glyph), glyph.width, glyph.height);
}

TEST(PclFace, ReadsEveryWayOfHoldingCharacters) {
  const std::string kCutB =
      "Error: in.sfp: the input ends inside the definition of character 66; the characters "
      "before it are kept\n";
  struct Row {
    const char* name;
    Bytes font;
    std::size_t glyphs;  // the glyphs read: A, then B when there are two
    std::size_t refused;
    std::string messages;
  };
  const Row rows[] = {
      {"plain", fb::font({}, {glyph_a(), glyph_b()}), 2, 0, ""},
      {"compressed",
       fb::font({}, {fb::compressed_glyph(glyph_a()), fb::compressed_glyph(glyph_b())}), 2, 0, ""},
      {"continued", continued_font(), 2, 0, ""},
      // A compressed character is held as its runs until it is written: one
      // whose runs are damaged is still refused as it is read.
      {"compressed, a run past the width",
       fb::font({}, {fb::compressed_glyph(glyph_a()), changed(glyph_b(),
                                                              [](fb::GlyphSpec& g) {
                                                                g.glyph_class = 2;
                                                                g.bitmap = Bytes{0, 3, 7};
                                                              })}),
       1, 1, "Error: in.sfp: character 66 holds damaged compressed data; skipped.\n"},
      {"compressed, defined again as a bitmap",
       fb::font({}, {fb::compressed_glyph(glyph_a()), fb::compressed_glyph(glyph_b()), glyph_a()}),
       2, 0, ""},
      {"a bitmap defined again compressed",
       fb::font({}, {glyph_a(), glyph_b(), fb::compressed_glyph(glyph_a())}), 2, 0, ""},
      {"after a PJL prefix", after_prefix(fb::font({}, {glyph_a(), glyph_b()})), 2, 0, ""},
      {"cut short", cut(fb::font({}, {glyph_a(), glyph_b()}), 3), 1, 1, kCutB},
      {"cut inside a code", cut(fb::font({}, {glyph_a(), glyph_b()}), 33), 1, 0,
       "Error: in.sfp: the input ends inside a character code command; the characters before it "
       "are kept\n"},
      {"dirty fill bits",
       fb::font({}, {changed(glyph_a(),
                             [](fb::GlyphSpec& g) {
                               g.bitmap = Bytes{0x6F, 0x9F, 0xF7, 0x9F};
                             })}),
       1, 0, ""},
      {"short bitmap",
       fb::font({},
                {glyph_a(), changed(glyph_b(), [](fb::GlyphSpec& g) { g.bitmap = Bytes(7, 0); })}),
       1, 1, "Error: in.sfp: character 66 holds fewer bytes than its rows need; skipped.\n"},
      {"class 3",
       fb::font({}, {glyph_a(), changed(glyph_b(), [](fb::GlyphSpec& g) { g.glyph_class = 3; })}),
       1, 1,
       "Error: in.sfp: character 66 is not a bitmap character (format 4, class 3); skipped.\n"},
      {"a continuation alone",
       fb::font({}, {glyph_a(), changed(glyph_b(), [](fb::GlyphSpec& g) { g.continuation = 1; })}),
       1, 1, "Error: in.sfp: character 66 is a continuation block standing alone; skipped.\n"},
      {"turned character",
       fb::font({}, {glyph_a(), changed(glyph_b(), [](fb::GlyphSpec& g) { g.orientation = 1; })}),
       1, 1, "Error: in.sfp: character 66 has orientation 1, not the font's 0; skipped.\n"},
      {"code past 16 bits",
       fb::font({}, {glyph_a(), changed(glyph_b(), [](fb::GlyphSpec& g) { g.code = 65602; })}), 1,
       1, "Error: in.sfp: character 65602 has a code past 65535; skipped.\n"},
      {"too short a block",
       fb::font({}, {glyph_a(), changed(glyph_b(),
                                        [](fb::GlyphSpec& g) {
                                          g.bitmap = Bytes{};
                                          g.format = 4;
                                          g.size_text = "10";
                                        })}),
       1, 1, "Error: in.sfp: character 66 has a malformed definition; skipped.\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Face face;
    const Read read = read_font(row.font, face);
    EXPECT_TRUE(read.read);
    EXPECT_EQ(read.glyphs, row.glyphs);
    EXPECT_EQ(read.refused, row.refused);
    EXPECT_EQ(read.messages, row.messages);
    ASSERT_EQ(face.glyphs.size(), row.glyphs);
    const Glyph* a = face.glyphs.find(65);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(drawing(*a), (std::vector<std::string>{".##.", "#..#", "####", "#..#"}));
    EXPECT_EQ(rows_of(*a), (Bytes{0x60, 0x90, 0xF0, 0x90}));
    EXPECT_EQ((std::vector<int>{a->left, a->top, a->advance}), (std::vector<int>{1, 4, 24}));
    if (row.glyphs < 2) continue;
    const Glyph* b = face.glyphs.find(66);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(drawing(*b),
              (std::vector<std::string>{"###......", "#..#.....", "###......", "#..######"}));
  }
}

TEST(PclFace, TakesTheHeadersFields) {
  fb::FontSpec header = with_extra(std::string("(c) Kestrune\r\n\0more", 20));
  header.descriptor_size = 68;
  header.header_format = 20;
  header.x_resolution = header.y_resolution = 600;
  header.spacing = 1;
  Face face;
  const Bytes font = fb::font(header, {glyph_a()});
  InputBuffer in(font);
  testsupport::CapturedMessages messages;
  const PclOutcome outcome = read_pcl_face(in, "in.sfp", messages.sink(), face);
  EXPECT_EQ(outcome.resolution, 600);
  EXPECT_EQ(face.copyright, "(c) Kestrune");
  EXPECT_EQ(face.fields.descriptor_size, 68);
  EXPECT_EQ(face.fields.x_resolution, 600);
  EXPECT_EQ(face.fields.name, "Kestrune Sample ");
  EXPECT_EQ(face.fields.spacing, 1);
  EXPECT_EQ(face.fields.baseline, 14);
  EXPECT_TRUE(face.given.font_type && face.given.spacing);
}

TEST(PclFace, RefusesFontsWithoutUprightBitmaps) {
  struct Row {
    const char* name;
    void (*change)(fb::FontSpec&);
    std::string message;
  };
  const Row rows[] = {
      {"landscape", [](fb::FontSpec& s) { s.orientation = 1; },
       "Error: in.sfp: its orientation is 1 (landscape): kestrune-convert reads portrait fonts "
       "only, whose glyphs stand upright as BDF holds them\n"},
      {"reverse portrait", [](fb::FontSpec& s) { s.orientation = 2; },
       "Error: in.sfp: its orientation is 2 (reverse portrait): kestrune-convert reads portrait "
       "fonts only, whose glyphs stand upright as BDF holds them\n"},
      {"TrueType", [](fb::FontSpec& s) { s.header_format = 15; },
       "Error: in.sfp: it is a scalable font (header format 15, TrueType scalable): "
       "kestrune-convert reads bitmap fonts only\n"},
      {"block shorter than the descriptor", [](fb::FontSpec& s) { s.size_text = "40"; },
       "Error: in.sfp: the font header's block of 40 bytes is shorter than its descriptor of "
       "64 bytes\n"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    fb::FontSpec header;
    row.change(header);
    Face face;
    const Read read = read_font(fb::font(header, {glyph_a()}), face);
    EXPECT_FALSE(read.read);
    EXPECT_EQ(read.messages, row.message);
    EXPECT_EQ(face.glyphs.size(), 0U);
  }
  Face face;
  const Read garbage = read_font(fb::text("not a font"), face);
  EXPECT_FALSE(garbage.read);
  EXPECT_TRUE(garbage.messages.starts_with("Error: in.sfp: ")) << garbage.messages;
}

Glyph glyph(int code, int width, int height, int left, int top, int advance) {
  Glyph g{code, width, height, left, top, advance, {}, {}};
  g.rows.resize(glyph_stride(width) * static_cast<std::size_t>(height));
  for (std::size_t i = 0; i < g.rows.size(); ++i) g.rows[i] = static_cast<std::uint8_t>(i * 37 + 5);
  const std::size_t stride = glyph_stride(width);
  const auto mask =
      static_cast<std::uint8_t>(0xFF << (stride * 8 - static_cast<std::size_t>(width)));
  for (std::size_t end = stride; end <= g.rows.size(); end += stride) g.rows[end - 1] &= mask;
  return g;
}

Face hand_made_face(int descriptor_size, std::string copyright) {
  Face face;
  FontFields& f = face.fields;
  f.descriptor_size = descriptor_size;
  f.header_format = descriptor_size == 68 ? 20 : 0;
  f.x_resolution = f.y_resolution = descriptor_size == 68 ? 600 : 300;
  f.font_type = 2;
  f.style = 0x0401;
  f.baseline = 20;
  f.cell_width = 30;
  f.cell_height = 26;
  f.spacing = 1;
  f.symbol_set = 277;
  f.pitch = 64;
  f.height = 96;
  f.x_height = 40;
  f.width_type = -2;
  f.stroke_weight = 3;
  f.typeface = 0x1234;
  f.underline_position = -3;
  f.underline_thickness = 2;
  f.first_code = 0;
  f.last_code = 700;
  f.cap_height = 5000;
  f.font_number = 0x01020304;
  f.name = "Round Trip      ";
  face.copyright = std::move(copyright);
  face.given.font_type = face.given.spacing = true;
  face.glyphs.add(glyph(700, 300, 900, -4, 800, 1203));  // over one data command
  // Read as compressed: its data kept so is larger than its rows.
  Glyph speckled = glyph(65, 13, 20, 1, 20, 61);
  speckled.compressed = true;
  face.glyphs.add(speckled);
  face.glyphs.add(glyph(0, 1, 1, 0, -5, 0));
  face.glyphs.add(glyph(32, 8, 3, -2, 1, 32));
  // Blank glyphs, which compress to a few bytes: one read as compressed,
  // one not.
  Glyph blank = glyph(66, 200, 300, 0, 300, 800);
  std::fill(blank.rows.begin(), blank.rows.end(), std::uint8_t{0});
  blank.compressed = true;
  face.glyphs.add(blank);
  blank.code = 67;
  blank.compressed = false;
  face.glyphs.add(blank);
  return face;
}

void expect_same_glyphs(const Face& written, const Face& read) {
  ASSERT_EQ(read.glyphs.size(), written.glyphs.size());
  for (const Glyph* g : written.glyphs.in_code_order()) {
    SCOPED_TRACE(g->code);
    const Glyph* r = read.glyphs.find(g->code);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ((std::vector<int>{r->width, r->height, r->left, r->top, r->advance}),
              (std::vector<int>{g->width, g->height, g->left, g->top, g->advance}));
    EXPECT_EQ(rows_of(*r), rows_of(*g));
  }
}

// The compressed (class 2) characters of a soft font.
std::size_t compressed_characters(const Bytes& font_bytes) {
  InputBuffer in(font_bytes);
  FontReader font(in);
  font.read_header();
  std::size_t count = 0;
  if (!font.start_body()) return count;
  while (font.next_definition()) {
    if (font.definition().status == DefinitionStatus::kComplete &&
        font.classify(0).kind == CharacterKind::kCompressed) {
      ++count;
    }
  }
  return count;
}

TEST(PclWriter, WrittenFontReadsBackAndPassesTheCheck) {
  struct Row {
    const char* name;
    int descriptor_size;
    std::string copyright;
    std::string copyright_read;
  };
  const std::string longest(kLargestDataBlock - 64, 'c');
  const Row rows[] = {
      {"plain", 64, "", ""},
      {"resolution-specified", 68, "Copyright Kestrune", "Copyright Kestrune"},
      {"copyright cut to the largest header", 64, longest + "past it", longest},
  };
  // How many characters go out compressed: those read so, the large one
  // aside, which no data command holds; those it makes smaller; none.
  const std::pair<CharacterClasses, std::size_t> classes[] = {
      {CharacterClasses::kKeep, 2},
      {CharacterClasses::kCompress, 2},
      {CharacterClasses::kExpand, 0},
  };
  for (const Row& row : rows) {
    for (const auto& [wanted, compressed] : classes) {
      SCOPED_TRACE(row.name);
      SCOPED_TRACE(static_cast<int>(wanted));
      const Face face = hand_made_face(row.descriptor_size, row.copyright);
      Bytes written;
      {
        OutputBuffer out(written);
        ASSERT_TRUE(write_pcl_font(face, wanted, out));
        ASSERT_TRUE(out.flush());
      }
      EXPECT_LE(written.size(), pcl_font_size(face, wanted));
      EXPECT_EQ(compressed_characters(written), compressed);
      Face read;
      const Read result = read_font(written, read);
      ASSERT_TRUE(result.read) << result.messages;
      EXPECT_EQ(result.messages, "");
      EXPECT_EQ(read.copyright, row.copyright_read);
      EXPECT_EQ(encode_font_fields(read.fields), encode_font_fields(face.fields));
      expect_same_glyphs(face, read);

      InputBuffer in(written);
      FontReader font(in);
      const check::FontVerdict verdict = check::check_font(font);
      for (const check::Finding& finding : verdict.findings) {
        EXPECT_NE(finding.verdict, check::Verdict::kFail) << finding.text();
      }
      EXPECT_EQ(verdict.checked, 6U);
    }
  }
}

}  // namespace
}  // namespace kestrune::convert
