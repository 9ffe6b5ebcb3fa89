// A face written as BDF: the header's fields as standard properties and the
// program's own, each glyph under its Unicode character where the symbol
// set has one, and every BDF written taken by bdftopcf.
#include "convert/bdf_writer.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "bytes/input.h"
#include "bytes/output.h"
#include "convert/bdf_face.h"
#include "font_builder.h"
#include "streams.h"

namespace kestrune::convert {
namespace {

Glyph glyph(int code, std::vector<std::string> drawing, int left, int top, int advance) {
  const int width = drawing.empty() ? 0 : static_cast<int>(drawing.front().size());
  const int height = static_cast<int>(drawing.size());
  return {code, width, height, left, top, advance, fontbuilder::bitmap_from_rows(drawing, width),
          {}};
}

// A Roman-8 font of 300 dpi: A, a-grave (0xC8 in Roman-8), a control
// code no Unicode character stands for, and a space.
Face roman8_face() {
  Face face;
  FontFields& f = face.fields;
  f.font_type = 1;
  f.baseline = 7;
  f.cell_width = 6;
  f.cell_height = 10;
  f.spacing = 1;
  f.symbol_set = 277;
  f.pitch = 24;
  f.height = 40;
  f.x_height = 20;
  f.stroke_weight = 3;
  f.style = 1;
  f.typeface = 4099;
  f.underline_position = -2;
  f.underline_thickness = 1;
  f.text_height = 40;
  f.text_width = 24;
  f.cap_height = 7000;
  f.font_number = 77;
  f.name = "Tiny \"Sans\"     ";
  face.copyright = "(c) Kestrune";
  face.glyphs.add(glyph(200, {"###", "#.#"}, 1, 2, 16));
  face.glyphs.add(glyph(65, {".#..........", "#.#.........", "###........#"}, -1, 3, 50));
  face.glyphs.add(glyph(5, {"#"}, 0, -1, 4));
  face.glyphs.add(glyph(32, {}, 0, 0, 24));
  face.glyphs.all()[3].name = "space";
  return face;
}

std::string bdf_of(const Face& face) {
  std::vector<std::uint8_t> bytes;
  {
    OutputBuffer out(bytes);
    EXPECT_TRUE(write_bdf(face, out));
    EXPECT_TRUE(out.flush());
  }
  return std::string(bytes.begin(), bytes.end());
}

TEST(BdfWriter, WritesTheWholeFont) {
  EXPECT_EQ(bdf_of(roman8_face()),
            "STARTFONT 2.1\n"
            "FONT -Kestrune-Tiny  Sans-Bold-I-Normal--10-24-300-300-P-59-ISO10646-1\n"
            "SIZE 2 300 300\n"
            "FONTBOUNDINGBOX 12 5 -1 -2\n"
            "STARTPROPERTIES 41\n"
            "FOUNDRY \"Kestrune\"\n"
            "FAMILY_NAME \"Tiny \"\"Sans\"\"\"\n"
            "WEIGHT_NAME \"Bold\"\n"
            "SLANT \"I\"\n"
            "SETWIDTH_NAME \"Normal\"\n"
            "PIXEL_SIZE 10\n"
            "POINT_SIZE 24\n"
            "RESOLUTION_X 300\n"
            "RESOLUTION_Y 300\n"
            "SPACING \"P\"\n"
            "AVERAGE_WIDTH 59\n"
            "FONT_ASCENT 7\n"
            "FONT_DESCENT 3\n"
            "CHARSET_REGISTRY \"ISO10646\"\n"
            "CHARSET_ENCODING \"1\"\n"
            "COPYRIGHT \"(c) Kestrune\"\n"
            "PCL_SYMBOL_SET \"8U\"\n"
            "PCL_TYPEFACE 4099\n"
            "PCL_FONT_TYPE 1\n"
            "PCL_STYLE 1\n"
            "PCL_STROKE_WEIGHT 3\n"
            "PCL_SPACING 1\n"
            "PCL_PITCH 24\n"
            "PCL_HEIGHT 40\n"
            "PCL_X_HEIGHT 20\n"
            "PCL_CAP_HEIGHT 7000\n"
            "PCL_WIDTH_TYPE 0\n"
            "PCL_SERIF_STYLE 0\n"
            "PCL_QUALITY 0\n"
            "PCL_PLACEMENT 0\n"
            "PCL_UNDERLINE_POSITION -2\n"
            "PCL_UNDERLINE_THICKNESS 1\n"
            "PCL_TEXT_HEIGHT 40\n"
            "PCL_TEXT_WIDTH 24\n"
            "PCL_PITCH_EXTENDED 0\n"
            "PCL_HEIGHT_EXTENDED 0\n"
            "PCL_BASELINE 7\n"
            "PCL_CELL_WIDTH 6\n"
            "PCL_CELL_HEIGHT 10\n"
            "PCL_FONT_NUMBER 77\n"
            "PCL_FONT_NAME \"Tiny \"\"Sans\"\"\"\n"
            "ENDPROPERTIES\n"
            "CHARS 4\n"
            "STARTCHAR C5\n"
            "ENCODING -1 5\n"
            "SWIDTH 100 0\n"
            "DWIDTH 1 0\n"
            "BBX 1 1 0 -2\n"
            "BITMAP\n"
            "80\n"
            "ENDCHAR\n"
            "STARTCHAR space\n"
            "ENCODING 32\n"
            "SWIDTH 600 0\n"
            "DWIDTH 6 0\n"
            "BBX 0 0 0 0\n"
            "BITMAP\n"
            "ENDCHAR\n"
            "STARTCHAR uni0041\n"
            "ENCODING 65\n"
            "SWIDTH 1300 0\n"
            "DWIDTH 13 0\n"
            "COMMENT PCL_DELTA_X 50\n"
            "BBX 12 3 -1 0\n"
            "BITMAP\n"
            "4000\n"
            "A000\n"
            "E010\n"
            "ENDCHAR\n"
            "STARTCHAR uni00E0\n"
            "ENCODING 224\n"
            "SWIDTH 400 0\n"
            "DWIDTH 4 0\n"
            "BBX 3 2 1 0\n"
            "BITMAP\n"
            "E0\n"
            "A0\n"
            "ENDCHAR\n"
            "ENDFONT\n");
}

struct Variant {
  const char* name;
  void (*change)(Face&);
  std::vector<std::string> lines;   // lines the BDF holds
  std::vector<std::string> absent;  // lines it does not
};

// Each glyph within a cell of 13 dots: a fixed-pitch font of character
// cells.
void make_cells(Face& face) {
  face.fields.spacing = 0;
  for (Glyph& g : face.glyphs.all()) {
    g.advance = 52;
    g.left = std::max(g.left, 0);
    g.top = std::max(g.top, 0);
  }
}

const Variant kVariants[] = {
    {"a symbol set with no Unicode map",
     [](Face& f) { f.fields.symbol_set = 298; },
     {"CHARSET_REGISTRY \"HP-PCL\"", "CHARSET_ENCODING \"9J\"", "STARTCHAR C5", "ENCODING 5",
      "STARTCHAR C200", "ENCODING 200"},
     {"ENCODING -1 5"}},
    {"character cells", make_cells, {"SPACING \"C\""}, {}},
    {"fixed pitch past the cells",
     [](Face& f) {
       make_cells(f);
       f.glyphs.all()[0].left = -1;
     },
     {"SPACING \"M\""},
     {}},
    {"fixed pitch of two advances",
     [](Face& f) {
       make_cells(f);
       f.glyphs.all()[0].advance = 56;
     },
     {"SPACING \"P\""},
     {}},
    {"resolution-specified",
     [](Face& f) {
       f.fields.descriptor_size = 68;
       f.fields.header_format = 20;
       f.fields.x_resolution = 600;
       f.fields.y_resolution = 1200;
     },
     {"SIZE 1 600 1200", "RESOLUTION_X 600", "RESOLUTION_Y 1200", "POINT_SIZE 6", "SWIDTH 800 0"},
     {}},
    {"resolution printers ignore",
     [](Face& f) {
       f.fields.descriptor_size = 68;
       f.fields.x_resolution = f.fields.y_resolution = 600;
     },
     {"RESOLUTION_X 300"},
     {}},
    {"no height: the cell's",
     [](Face& f) { f.fields.height = 0; },
     {"PIXEL_SIZE 10", "PCL_HEIGHT 0"},
     {}},
    {"a family, no copyright",
     [](Face& f) {
       f.family = "Kestrune-Mono";
       f.copyright.clear();
     },
     {"FAMILY_NAME \"Kestrune-Mono\"",
      "FONT -Kestrune-Kestrune Mono-Bold-I-Normal--10-24-300-300-P-59-ISO10646-1"},
     {"COPYRIGHT \"(c) Kestrune\""}},
    {"no glyphs",
     [](Face& f) { f.glyphs = GlyphSet{}; },
     {"CHARS 0", "FONTBOUNDINGBOX 0 0 0 0", "AVERAGE_WIDTH 0"},
     {}},
};

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1) {
    lines.push_back(text.substr(start, end - start));
  }
  return lines;
}

TEST(BdfWriter, WritesWhatTheFontsFieldsSay) {
  for (const Variant& variant : kVariants) {
    SCOPED_TRACE(variant.name);
    Face face = roman8_face();
    variant.change(face);
    const std::vector<std::string> lines = lines_of(bdf_of(face));
    for (const std::string& line : variant.lines) {
      EXPECT_NE(std::find(lines.begin(), lines.end(), line), lines.end()) << line;
    }
    for (const std::string& line : variant.absent) {
      EXPECT_EQ(std::find(lines.begin(), lines.end(), line), lines.end()) << line;
    }
  }
}

TEST(BdfWriter, BdftopcfTakesEveryBdfWritten) {
  if (std::system("command -v bdftopcf >/dev/null 2>&1") != 0) {
    GTEST_SKIP() << "bdftopcf is not installed";
  }
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("kestrune-bdf-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  std::vector<Face> faces;
  faces.push_back(roman8_face());
  for (const Variant& variant : kVariants) {
    faces.push_back(roman8_face());
    variant.change(faces.back());
    // bdftopcf takes no font of no glyphs, which is never written.
    if (faces.back().glyphs.size() == 0) faces.pop_back();
  }
  for (std::size_t i = 0; i < faces.size(); ++i) {
    SCOPED_TRACE(i);
    const std::string bdf = (dir / "font.bdf").string();
    const std::string text = bdf_of(faces[i]);
    fontbuilder::write_file(bdf, fontbuilder::Bytes(text.begin(), text.end()));
    const std::string err = (dir / "err.txt").string();
    const std::string run =
        "bdftopcf -o '" + (dir / "font.pcf").string() + "' '" + bdf + "' 2>'" + err + "'";
    EXPECT_EQ(std::system(run.c_str()), 0);
    const fontbuilder::Bytes said = fontbuilder::read_file(err);
    EXPECT_EQ(std::string(said.begin(), said.end()), "");
    EXPECT_GT(std::filesystem::file_size(dir / "font.pcf"), 0U);
  }
  std::filesystem::remove_all(dir);
}

// What the BDF reader cannot bring back is left out: a code the symbol set
// maps to nothing (ENCODING -1), a glyph of no dots and an advance of part
// of a dot.
Face round_trip_face(void (*change)(Face&)) {
  Face face = roman8_face();
  Face kept;
  kept.fields = face.fields;
  kept.copyright = face.copyright;
  kept.given.font_type = kept.given.spacing = true;
  for (const Glyph* g : face.glyphs.in_code_order()) {
    if (g->code == 5 || g->code == 32) continue;
    Glyph copy = *g;
    copy.advance = copy.advance / 4 * 4;
    kept.glyphs.add(copy);
  }
  change(kept);
  finish_fields(kept);
  return kept;
}

TEST(BdfWriter, ReadsBackAsTheSameFace) {
  struct Row {
    const char* name;
    void (*change)(Face&);
  };
  const Row rows[] = {
      {"Roman-8 at 300 dpi", [](Face&) {}},
      {"resolution-specified",
       [](Face& f) {
         f.fields.x_resolution = 600;
         f.fields.y_resolution = 1200;
       }},
      {"a symbol set with no Unicode map",
       [](Face& f) {
         f.fields.symbol_set = 298;
         f.glyphs.add(glyph(5, {"#.#", ".#."}, 2, 9, 12));
       }},
      {"a stroke weight and style of no XLFD name",
       [](Face& f) {
         f.fields.stroke_weight = -5;
         f.fields.style = 0x0123;
       }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const Face face = round_trip_face(row.change);
    const std::string bdf = bdf_of(face);
    InputBuffer in(std::span(reinterpret_cast<const std::uint8_t*>(bdf.data()), bdf.size()));
    testsupport::CapturedMessages messages;
    Face read;
    const BdfOutcome outcome = read_bdf_face(in, "font.bdf", {}, messages.sink(), read);
    ASSERT_TRUE(outcome.read);
    EXPECT_EQ(messages.text(), "");
    EXPECT_EQ(outcome.unplaced, 0U);
    finish_fields(read);
    EXPECT_EQ(encode_font_fields(read.fields), encode_font_fields(face.fields));
    EXPECT_EQ(read.copyright, face.copyright);
    ASSERT_EQ(read.glyphs.size(), face.glyphs.size());
    for (const Glyph* g : face.glyphs.in_code_order()) {
      SCOPED_TRACE(g->code);
      const Glyph* r = read.glyphs.find(g->code);
      ASSERT_NE(r, nullptr);
      EXPECT_EQ((std::vector<int>{r->width, r->height, r->left, r->top, r->advance}),
                (std::vector<int>{g->width, g->height, g->left, g->top, g->advance}));
      EXPECT_EQ(r->rows, g->rows);
    }
  }
}

}  // namespace
}  // namespace kestrune::convert
