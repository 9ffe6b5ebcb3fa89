// kestrune-view: the glyph drawing, the PNG contact sheet, damaged input,
// every prefix of the sample font, and the install with its manual pages.
#include <gtest/gtest.h>
#include <stb/stb_image.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <initializer_list>
#include <span>
#include <sstream>
#include <string>
#include <vector>

#include "bytes/input.h"
#include "bytes/output.h"
#include "font_builder.h"
#include "run_tool.h"
#include "softfont/definitions.h"
#include "softfont/header.h"
#include "streams.h"
#include "viewer/character_table.h"
#include "viewer/contact_sheet.h"
#include "viewer/font_view.h"

namespace kestrune {
namespace {

namespace fb = fontbuilder;
using testsupport::run_tool;
using testsupport::ToolResult;

// The sample font's capital A as make_sample_font draws it, each dot doubled.
const std::vector<std::string> kSampleA = {
    "..######..", "..######..", "##......##", "##......##", "##......##",
    "##......##", "##########", "##########", "##......##", "##......##",
    "##......##", "##......##", "##......##", "##......##",
};

std::vector<std::string> lines_of(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);) lines.push_back(line);
  return lines;
}

std::string last_line(const std::string& text) {
  const std::vector<std::string> lines = lines_of(text);
  return lines.empty() ? "" : lines.back();
}

bool starts_with(const std::string& s, const std::string& prefix) {
  return s.compare(0, prefix.size(), prefix) == 0;
}

// The lines drawn for one character: those after its title line, up to the
// blank line that ends the drawing.
std::vector<std::string> drawing_of(const std::string& text, const std::string& title_start) {
  std::vector<std::string> drawing;
  bool inside = false;
  for (const std::string& line : lines_of(text)) {
    if (inside) {
      if (line.empty()) break;
      drawing.push_back(line);
    } else if (starts_with(line, title_start)) {
      inside = true;
    }
  }
  return drawing;
}

// Runs view_font in-process on `bytes`; returns the status, fills `text`.
int view_bytes(const fb::Bytes& bytes, std::string& text, view::ViewOptions options = {}) {
  InputBuffer in{std::span<const std::uint8_t>(bytes)};
  testsupport::CapturedMessages out;
  const int status = view::view_font(in, out.sink(), options);
  text = out.text();
  if (options.png != nullptr) options.png->flush();
  if (options.proof != nullptr) options.proof->flush();
  return status;
}

fb::Bytes prefix_of(const fb::Bytes& bytes, std::size_t n) {
  return fb::Bytes(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n));
}

std::string write_temp(const fb::Bytes& bytes, const std::string& name) {
  const std::string path = testsupport::temp_dir() + "/" + name;
  fb::write_file(path, bytes);
  return path;
}

// A PNG read back through stb, as 8-bit grey.
struct GreyImage {
  unsigned width = 0;
  unsigned height = 0;
  std::vector<std::uint8_t> pixels;
  int at(unsigned x, unsigned y) const { return pixels.at(std::size_t{y} * width + x); }
};

bool read_png(const fb::Bytes& bytes, GreyImage& image, std::string& error) {
  int width = 0;
  int height = 0;
  int channels = 0;
  std::uint8_t* pixels = stbi_load_from_memory(bytes.data(), static_cast<int>(bytes.size()), &width,
                                               &height, &channels, 1);
  if (pixels == nullptr) {
    error = stbi_failure_reason();
    return false;
  }
  image.width = static_cast<unsigned>(width);
  image.height = static_cast<unsigned>(height);
  image.pixels.assign(pixels, pixels + std::size_t{image.width} * image.height);
  stbi_image_free(pixels);
  return true;
}

// ------------------------------------------------------------ glyph drawing

TEST(ViewerDrawing, SampleCapitalAInTheTerminal) {
  const ToolResult result = run_tool(KESTRUNE_VIEW_EXE, {"--chars", "65", SAMPLE_FONT});
  ASSERT_EQ(result.exit_status, 0) << result.out << result.err;
  EXPECT_EQ(result.err, "");
  EXPECT_EQ(drawing_of(result.out, "Character 65 'A' at byte "), kSampleA) << result.out;
  // --chars leaves the other characters out of the table and the drawings.
  EXPECT_EQ(result.out.find("Character 66 'B'"), std::string::npos);
  EXPECT_NE(result.out.find("36 character definitions, 1 shown (--chars)."), std::string::npos);
  EXPECT_EQ(last_line(result.out), "End of font at byte 2112.");
  // --table: the same lines but for the drawings and the blank line before them.
  const ToolResult table = run_tool(KESTRUNE_VIEW_EXE, {"--table", "--chars", "65", SAMPLE_FONT});
  const std::size_t drawings = result.out.find("\nCharacter 65 'A'");
  EXPECT_EQ(table.out, result.out.substr(0, drawings) + "End of font at byte 2112.\n");
}

TEST(ViewerDrawing, LandscapeGlyphIsShownAsStored) {
  const std::string dir = testsupport::temp_dir();
  const std::string landscape = dir + "/landscape.sfp";
  ASSERT_EQ(run_tool(KESTRUNE_EXE, {SAMPLE_FONT, landscape, "-l"}).exit_status, 1);
  const ToolResult result = run_tool(KESTRUNE_VIEW_EXE, {"--chars=65", landscape});
  ASSERT_EQ(result.exit_status, 0) << result.out;
  // A quarter turn counter-clockwise: the rightmost column becomes the top row.
  const std::vector<std::string> expected = {
      "..############", "..############", "##....##......", "##....##......", "##....##......",
      "##....##......", "##....##......", "##....##......", "..############", "..############",
  };
  EXPECT_EQ(drawing_of(result.out, "Character 65 'A' at byte "), expected) << result.out;
  EXPECT_NE(result.out.find("14 x 10 dots, orientation 1 (landscape)"), std::string::npos);
  EXPECT_NE(result.out.find("  Orientation:        1 (landscape)"), std::string::npos);
}

TEST(ViewerDrawing, RowsFromTheLibrary) {
  const fb::Bytes bitmap = fb::bitmap_from_rows({"#.#", ".#.", "###"}, 3);
  EXPECT_EQ(view::draw_rows(bitmap, 3, 3), (std::vector<std::string>{"#.#", ".#.", "###"}));
  // Fill bits beyond the width are not drawn.
  const fb::Bytes dirty = {0xBF, 0x5F};
  EXPECT_EQ(view::draw_rows(dirty, 3, 2), (std::vector<std::string>{"#.#", ".#."}));
  // Width 0 or height 0: nothing to draw.
  EXPECT_TRUE(view::draw_rows(bitmap, 0, 3).empty());
  EXPECT_TRUE(view::draw_rows(bitmap, 3, 0).empty());
}

TEST(ViewerDrawing, ShortBlockIsDrawnAsFarAsItGoes) {
  // Width 10 (stride 2), height 4, but only 3 bitmap bytes: one whole row,
  // then half a row whose missing dots show as '?', then nothing.
  const fb::Bytes bitmap = {0xFF, 0xC0, 0xA0};
  EXPECT_EQ(view::draw_rows(bitmap, 10, 4), (std::vector<std::string>{"##########", "#.#.....??"}));

  fb::GlyphSpec glyph;
  glyph.code = 66;
  glyph.width = 10;
  glyph.height = 4;
  glyph.bitmap = bitmap;
  std::string text;
  // A damaged glyph is noted; the font is read to its end.
  const int status = view_bytes(fb::font(fb::FontSpec{}, {glyph}), text);
  EXPECT_EQ(status, view::kStatusComplete) << text;
  EXPECT_EQ(drawing_of(text, "Character 66 'B' at byte "),
            (std::vector<std::string>{"##########", "#.#.....??",
                                      "(the block ends here: 1 of 4 rows present)"}))
      << text;
  EXPECT_NE(text.find("the block holds 3 of the 8 bitmap bytes its size needs"), std::string::npos);
}

// ------------------------------------------------------------ the header

TEST(ViewerHeader, SampleHeaderSection) {
  std::string text;
  ASSERT_EQ(view_bytes(fb::read_file(SAMPLE_FONT), text), view::kStatusComplete) << text;
  const std::string expected =
      "Font header: ESC )s117W, a block of 117 bytes from byte 7\n"
      "  Descriptor size:    64 bytes\n"
      "  Header format:      0 (bitmap)\n"
      "  Orientation:        0 (portrait)\n"
      "  Resolution:         none in a 64-byte descriptor (printed at 300 dpi)\n"
      "  Font name:          \"Kestrune Sample\"\n"
      "  Selected by:        ESC (8U ESC (s1p25h3.75v0s0b3T\n"
      "  In printf:          \\e(8U\\e(s1p25h3.75v0s0b3T\n"
      "  Extra header bytes: 53: \"Copyright (c) 2026 Kestrune sample font. Free to use.\"\n"
      "\nCharacters:\n";
  EXPECT_NE(text.find(expected), std::string::npos) << text;
  EXPECT_NE(
      text.find("    65 'A'       670     1      0      1     14     10     14     48      44\n"),
      std::string::npos)
      << text;
}

// A download file is shown as the font it holds: its ID named, no prefix,
// and its font controls listed as what they are. A font whose characters
// are no bitmaps has no selection by height shown.
TEST(ViewerHeader, ADownloadFileAndTheFontsSelection) {
  const fb::Bytes sample = fb::read_file(SAMPLE_FONT);
  fb::Bytes file = fb::command("*c12D");
  fb::append(file, sample);
  fb::append(file, fb::command("*c5F"));
  std::string text;
  ASSERT_EQ(view_bytes(file, text), view::kStatusComplete) << text;
  const std::string lines[] = {
      "Font ID: 12 (ESC *c12D before the font header, as a download file begins); selected by "
      "ESC (12X.\nFont header: ESC )s117W, a block of 117 bytes from byte 13\n",
      "  Selected by:        ESC (8U ESC (s1p25h3.75v0s0b3T\n", "    90 'Z'      2062 ",
      "\n  Font control at byte 2118: ESC *c5F, the font made permanent\n36 character "
      "definitions.\n",
      "End of font at byte 2123.\n"};
  std::size_t at = 0;
  for (const std::string& line : lines) {
    at = text.find(line, at);
    ASSERT_NE(at, std::string::npos) << line << "\n" << text;
  }
  EXPECT_EQ(text.find("PCL prefix"), std::string::npos) << text;
  EXPECT_EQ(text.find("Skipped"), std::string::npos) << text;

  fb::FontSpec scalable;
  scalable.header_format = 15;
  ASSERT_EQ(view_bytes(fb::font(scalable, {}), text), view::kStatusComplete) << text;
  EXPECT_NE(text.find("  Font name:"), std::string::npos) << text;
  EXPECT_EQ(text.find("Selected by:"), std::string::npos) << text;
  EXPECT_EQ(text.find("In printf:"), std::string::npos) << text;
}

TEST(ViewerHeader, ResolutionWithoutFormat20IsNoted) {
  const std::string dir = testsupport::temp_dir();
  const std::string resolved = dir + "/r600.sfp";
  ASSERT_EQ(run_tool(KESTRUNE_EXE, {SAMPLE_FONT, resolved, "-r600"}).exit_status, 1);
  const ToolResult result = run_tool(KESTRUNE_VIEW_EXE, {resolved});
  ASSERT_EQ(result.exit_status, 0) << result.out;
  EXPECT_NE(result.out.find("  Resolution:         X 600 dpi, Y 600 dpi\n"), std::string::npos);
  EXPECT_NE(result.out.find("  Note: the descriptor is 68 bytes but its header format is 0, not "
                            "20: PCL printers read the X and Y resolution only from a "
                            "resolution-specified (format 20) header, so this font prints at the "
                            "default 300 dpi.\n"),
            std::string::npos)
      << result.out;

  // A format 20 header draws no such note.
  fb::FontSpec font_spec;
  font_spec.descriptor_size = 68;
  font_spec.header_format = 20;
  font_spec.x_resolution = 600;
  font_spec.y_resolution = 600;
  std::string text;
  EXPECT_EQ(view_bytes(fb::font(font_spec, {}), text), view::kStatusComplete);
  EXPECT_NE(text.find("  Header format:      20 (resolution-specified bitmap)\n"),
            std::string::npos);
  EXPECT_EQ(text.find("Note:"), std::string::npos) << text;
}

// ------------------------------------------------------------ the PNG

TEST(ViewerPng, SampleContactSheetBeforeAndAfterLandscape) {
  const std::string dir = testsupport::temp_dir();
  const std::string portrait_png = dir + "/portrait.png";
  ToolResult result = run_tool(KESTRUNE_VIEW_EXE, {"--png", portrait_png, SAMPLE_FONT});
  ASSERT_EQ(result.exit_status, 0) << result.out << result.err;
  EXPECT_NE(result.out.find("Contact sheet: 36 glyphs, 616 x 179 pixels, 3 x 3 pixels a dot.\n"),
            std::string::npos)
      << result.out;

  GreyImage image;
  std::string error;
  ASSERT_TRUE(read_png(fb::read_file(portrait_png), image, error)) << error;
  // 16 columns of 10 x 14 dots at 3 pixels a dot, a 7-pixel label row above
  // each glyph, 8 pixels of margin: 8 + 16 * (30 + 8) by 8 + 3 * (49 + 8).
  EXPECT_EQ(image.width, 616U);
  EXPECT_EQ(image.height, 179U);
  EXPECT_EQ(image.at(0, 0), view::kPaper);
  // The first cell is '0' (code 48): glyph box from (8, 15); its top row
  // "..######.." starts with two clear dots, then set ones.
  EXPECT_EQ(image.at(8, 15), view::kClearDot);
  EXPECT_EQ(image.at(8 + 5, 15 + 2), view::kClearDot);
  EXPECT_EQ(image.at(8 + 6, 15), view::kSetDot);
  EXPECT_EQ(image.at(8 + 29, 15 + 41), view::kClearDot);  // bottom right dot of '0'
  EXPECT_EQ(image.at(8 + 30, 15), view::kPaper);          // the margin after the cell
  // The label "48": the 4's top left pixel is set, its top middle one is not.
  EXPECT_EQ(image.at(8, 8), view::kLabel);
  EXPECT_EQ(image.at(9, 8), view::kPaper);
  // Cell 10 of the first row is 'A' (code 65).
  const unsigned ax = 8 + 10 * 38;
  EXPECT_EQ(image.at(ax + 6, 15), view::kSetDot);                // "..######.."
  EXPECT_EQ(image.at(ax + 3 * 4, 15 + 3 * 3), view::kClearDot);  // "##......##", dot 4
  EXPECT_EQ(image.at(ax, 15 + 3 * 6), view::kSetDot);            // the bar "##########"
  // --table leaves out the drawings, not the sheet.
  const std::string table_png = dir + "/table.png";
  ASSERT_EQ(run_tool(KESTRUNE_VIEW_EXE, {"--table", "--png", table_png, SAMPLE_FONT}).exit_status,
            0);
  EXPECT_EQ(fb::read_file(table_png), fb::read_file(portrait_png));

  // The landscape font: every glyph is 14 x 10 dots now, so the cells turn.
  const std::string landscape = dir + "/landscape.sfp";
  ASSERT_EQ(run_tool(KESTRUNE_EXE, {SAMPLE_FONT, landscape, "-l"}).exit_status, 1);
  const std::string landscape_png = dir + "/landscape.png";
  result = run_tool(KESTRUNE_VIEW_EXE, {"--png=" + landscape_png, landscape});
  ASSERT_EQ(result.exit_status, 0) << result.out;
  GreyImage turned;
  ASSERT_TRUE(read_png(fb::read_file(landscape_png), turned, error)) << error;
  EXPECT_EQ(turned.width, 8U + 16U * (42U + 8U));
  EXPECT_EQ(turned.height, 8U + 3U * (37U + 8U));
  // 'A' turned: its top row is "..############".
  const unsigned tx = 8 + 10 * 50;
  EXPECT_EQ(turned.at(tx, 15), view::kClearDot);
  EXPECT_EQ(turned.at(tx + 6, 15), view::kSetDot);
  EXPECT_EQ(turned.at(tx + 41, 15), view::kSetDot);
}

TEST(ViewerPng, RefusesToOverwriteTheFont) {
  const std::string font = write_temp(fb::read_file(SAMPLE_FONT), "font.sfp");
  const ToolResult result = run_tool(KESTRUNE_VIEW_EXE, {"--png", font, font});
  EXPECT_EQ(result.exit_status, 2);
  EXPECT_NE(result.err.find("is the font itself"), std::string::npos) << result.err;
  EXPECT_EQ(fb::read_file(font), fb::read_file(SAMPLE_FONT));
}

TEST(ViewerPng, LargeGlyphsAreScaledWholeAndTheSheetStaysBounded) {
  // A glyph of 300 x 300 dots with every row present, its one set dot at the
  // bottom right; then a short one of 300 x 2 dots, all set.
  fb::GlyphSpec glyph;
  glyph.code = 7;
  glyph.width = 300;
  glyph.height = 300;
  glyph.bitmap = fb::Bytes(std::size_t{300} * 38, 0);
  glyph.bitmap->back() = 0x10;
  fb::GlyphSpec bar = glyph;
  bar.height = 2;
  bar.bitmap = fb::Bytes(std::size_t{2} * 38, 0xFF);
  const std::string font = write_temp(fb::font(fb::FontSpec{}, {glyph, bar}), "big.sfp");
  const std::string png = testsupport::temp_dir() + "/big.png";
  const ToolResult result = run_tool(KESTRUNE_VIEW_EXE, {"--png", png, font});
  ASSERT_EQ(result.exit_status, 0) << result.out;
  EXPECT_NE(result.out.find("Contact sheet: glyphs larger than 128 x 128 dots are scaled down to "
                            "fit 128 x 128 dots; a grey dot is partly set.\n"),
            std::string::npos);
  GreyImage image;
  std::string error;
  ASSERT_TRUE(read_png(fb::read_file(png), image, error)) << error;
  // Three dots a side to one pixel: 100 x 100, at one pixel a dot.
  EXPECT_EQ(image.width, 8U + 2U * (100U + 8U));
  EXPECT_EQ(image.height, 8U + 1U * (7U + 100U + 8U));
  EXPECT_EQ(image.at(8 + 99, 15 + 99), 199);  // one dot of nine set: 224 less a ninth of it
  EXPECT_EQ(image.at(8 + 98, 15 + 99), view::kClearDot);
  // The bar keeps its shape: one row of 100 set pixels, its fill bits past its
  // 300 dots not counted.
  EXPECT_EQ(image.at(116, 15), view::kSetDot);
  EXPECT_EQ(image.at(116 + 99, 15), view::kSetDot);
  EXPECT_EQ(image.at(116, 16), view::kPaper);
}

// ------------------------------------------------------------ damaged input

// The viewer, in this process, on the first `n` bytes of `font`, with the
// contact sheet asked for; `title` is the name the executable would be given.
struct PrefixView {
  int status = -1;
  std::string text;
  fb::Bytes png;
};

PrefixView view_prefix(const fb::Bytes& font, std::size_t n, const std::string& title = "") {
  PrefixView view;
  OutputBuffer png(view.png);
  view::ViewOptions options;
  options.png = &png;
  options.title = title;
  view.status = view_bytes(prefix_of(font, n), view.text, options);
  return view;
}

// kestrune-view on each of these prefixes of `font` exits, prints and writes
// its contact sheet as the viewer does in this process.
void expect_executable_views_alike(const fb::Bytes& font,
                                   std::initializer_list<std::size_t> sizes) {
  const std::string dir = testsupport::temp_dir();
  const std::string path = dir + "/prefix.sfp";
  const std::string png = dir + "/prefix.png";
  for (const std::size_t n : sizes) {
    SCOPED_TRACE("prefix of " + std::to_string(n) + " bytes, by the executable");
    fb::write_file(path, prefix_of(font, n));
    const ToolResult result = run_tool(KESTRUNE_VIEW_EXE, {"--png", png, path}, 10.0);
    const PrefixView view = view_prefix(font, n, path);
    ASSERT_FALSE(result.timed_out);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(result.exit_status, view.status);
    EXPECT_EQ(result.out, view.text);
    EXPECT_TRUE(fb::read_file(png) == view.png);
    std::filesystem::remove(png);
  }
}

TEST(ViewerDamage, EveryPrefixOfTheSampleEndsCleanly) {
  const fb::Bytes sample = fb::read_file(SAMPLE_FONT);
  // The ends of the header block and of each definition: a prefix that stops
  // there is a complete (shorter) font; every other prefix is damaged. The
  // sample's definitions follow one another with nothing between them.
  std::vector<std::size_t> boundaries;
  {
    InputBuffer in{std::span<const std::uint8_t>(sample)};
    FontHeader header;
    ASSERT_EQ(read_font_header(in, header), HeaderProblem::kNone);
    boundaries.push_back(static_cast<std::size_t>(in.position()));
    std::vector<std::uint8_t> buffer;
    CharacterDefinition definition;
    while (read_character_definition(in, buffer, definition)) {
      ASSERT_EQ(definition.status, DefinitionStatus::kComplete);
      boundaries.push_back(static_cast<std::size_t>(definition.end));
    }
  }
  ASSERT_EQ(boundaries.size(), 37U);
  ASSERT_EQ(boundaries.front(), 124U);

  // Every prefix is viewed in this process, the PNG written to memory: a
  // process for each would take minutes under the sanitizers. view_font's
  // status is the one the executable exits with.
  testing::internal::CaptureStderr();
  for (std::size_t n = 0; n <= sample.size(); ++n) {
    SCOPED_TRACE("prefix of " + std::to_string(n) + " bytes");
    const auto start = std::chrono::steady_clock::now();
    const PrefixView view = view_prefix(sample, n);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    const bool complete = std::find(boundaries.begin(), boundaries.end(), n) != boundaries.end();
    const std::string last = last_line(view.text);
    if (complete) {
      EXPECT_EQ(view.status, 0) << view.text;
      EXPECT_EQ(last, "End of font at byte " + std::to_string(n) + ".");
    } else {
      EXPECT_EQ(view.status, 1) << view.text;
      // Fewer bytes than ESC )s are no font header at the start of the file.
      const std::size_t stopped = n < 3 ? 0 : n;
      EXPECT_TRUE(starts_with(last, "Reading stopped at byte " + std::to_string(stopped) + ": "))
          << last;
    }
    GreyImage image;
    std::string error;
    EXPECT_TRUE(read_png(view.png, image, error)) << error;
  }
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");

  // The executable, on a few of them, prints, writes and exits the same.
  expect_executable_views_alike(
      sample, {0, 50, boundaries[0], boundaries[0] + 1, boundaries[9] - 3, sample.size()});
}

fb::Bytes continued_font();

TEST(ViewerDamage, WhereReadingStoppedIsSaid) {
  const fb::Bytes sample = fb::read_file(SAMPLE_FONT);
  const fb::Bytes continued = continued_font();
  struct Case {
    std::size_t size;
    const char* last_line;
    const fb::Bytes* font = nullptr;  // the sample when null
  };
  const Case cases[] = {
      {0,
       "Reading stopped at byte 0: no font header (ESC )s...W) at the start of the file, nor "
       "after PCL commands or PJL lines there."},
      {6, "Reading stopped at byte 6: the file ends inside the font header."},
      {50, "Reading stopped at byte 50: the file ends inside the font header."},
      {125,
       "Reading stopped at byte 125: the input ends inside a character code command (begun "
       "at byte 124)."},
      {127,
       "Reading stopped at byte 127: the input ends inside a character code command (begun "
       "at byte 124)."},
      {130,
       "Reading stopped at byte 130: the input ends inside the definition of character 48 "
       "(begun at byte 124)."},
      {133,
       "Reading stopped at byte 133: the input ends inside the definition of character 48 "
       "(begun at byte 124)."},
      {150,
       "Reading stopped at byte 150: the input ends inside the definition of character 48 "
       "(begun at byte 124)."},
      // One byte into the continuation's data, after its 04 01.
      {108,
       "Reading stopped at byte 108: the input ends inside the definition of character 65 "
       "(begun at byte 70).",
       &continued},
  };
  for (const Case& c : cases) {
    std::string text;
    EXPECT_EQ(view_bytes(prefix_of(c.font != nullptr ? *c.font : sample, c.size), text),
              view::kStatusDamaged)
        << text;
    EXPECT_EQ(last_line(text), c.last_line) << text;
  }
  // Not a font at all.
  std::string text;
  EXPECT_EQ(view_bytes(fb::text("hello"), text), view::kStatusDamaged);
  EXPECT_EQ(last_line(text),
            "Reading stopped at byte 0: no font header (ESC )s...W) at the start of the file, nor "
            "after PCL commands or PJL lines there.");
  // A descriptor of any size is read, as printers read it: one of 80 bytes
  // in a file that holds 64 of them ends inside the header.
  fb::FontSpec foreign;
  foreign.descriptor_size = 80;
  EXPECT_EQ(view_bytes(fb::font(foreign, {}), text), view::kStatusDamaged);
  EXPECT_NE(text.find("  Descriptor size:    80 bytes\n"), std::string::npos) << text;
  EXPECT_EQ(last_line(text), "Reading stopped at byte 70: the file ends inside the font header.");
}

TEST(ViewerDamage, MalformedDefinitionsAreListedAsKestruneFindsThem) {
  fb::GlyphSpec a;
  a.code = 65;
  a.rows = {"#.", ".#"};
  fb::GlyphSpec b = a;
  b.code = 66;
  fb::Bytes bytes = fb::font_header(fb::FontSpec{});
  const std::size_t body = bytes.size();
  fb::append(bytes, fb::command("*c5D"));   // a font ID: not a character code
  fb::append(bytes, fb::command("*c70E"));  // a code with no data command
  fb::append(bytes, fb::command("&l0O"));
  fb::append(bytes, fb::character_definition(a));  // found although ESC *c70E came first
  fb::append(bytes, fb::command("*c71E"));
  fb::append(bytes, fb::command("(s18X"));  // the wrong terminator
  fb::append(bytes, fb::command("(s3W"));   // a data command with no code
  fb::append(bytes, fb::text("\x1b*c9E"));  // ... takes the ESC *c of the next definition
  fb::append(bytes, fb::character_definition(b));
  fb::append(bytes, fb::command("*c67E"));
  fb::append(bytes, fb::command("(s4W"));  // a block too short for a descriptor
  fb::append(bytes, fb::Bytes{4, 0, 14, 1});

  // Damaged definitions are listed and noted; the font is read to its end.
  std::string text;
  EXPECT_EQ(view_bytes(bytes, text), view::kStatusComplete) << text;
  EXPECT_NE(text.find("  Skipped at byte " + std::to_string(body) +
                      ": an ESC *c command that is not a character code\n"),
            std::string::npos)
      << text;
  for (const char* code : {"    70 'F'", "    71 'G'", "     9     "}) {
    EXPECT_NE(text.find(std::string(code)), std::string::npos) << code;
  }
  EXPECT_EQ(drawing_of(text, "Character 65 'A'"), (std::vector<std::string>{"#.", ".#"}));
  EXPECT_EQ(text.find("Character 66 'B'"), std::string::npos) << text;
  EXPECT_NE(text.find("Character 67 'C' at byte"), std::string::npos);
  EXPECT_NE(text.find("not followed by a character data command (ESC (s...W)"), std::string::npos);
  EXPECT_NE(text.find("block too short to hold a character descriptor"), std::string::npos);
  EXPECT_NE(text.find("5 character definitions, 4 damaged, 1 skipped.\n"), std::string::npos)
      << text;
  EXPECT_EQ(last_line(text), "End of font at byte " + std::to_string(bytes.size()) + ".");
}

// ------------------------------------------------------------ as kestrune reads

// The codes of kestrune's "Character code N found." lines.
std::vector<int> found_codes(const std::string& text) {
  std::vector<int> codes;
  const std::string found = "Character code ";
  for (const std::string& line : lines_of(text)) {
    if (starts_with(line, found) && line.ends_with(" found.")) {
      codes.push_back(std::stoi(line.substr(found.size())));
    }
  }
  return codes;
}

// The codes that begin the rows of the viewer's character table.
std::vector<int> row_codes(const std::string& text) {
  std::vector<int> codes;
  bool inside = false;
  for (const std::string& line : lines_of(text)) {
    if (line.find(" character definition") != std::string::npos) break;
    if (inside && !starts_with(line, "  Skipped") && !starts_with(line, "  Font control")) {
      codes.push_back(std::stoi(line));
    }
    inside = inside || starts_with(line, "  code char");
  }
  return codes;
}

TEST(ViewerAsKestrune, TableRowsAreTheDefinitionsCleanFinds) {
  // The seed corpora: a whole-run seed begins with a byte that picks options.
  const std::filesystem::path corpus =
      std::filesystem::path(SAMPLE_FONT).parent_path().parent_path() / "fuzz" / "corpus";
  const std::pair<const char*, std::ptrdiff_t> sources[] = {{"fuzz_run", 1}, {"fuzz_view", 0}};
  const std::string dir = testsupport::temp_dir();
  std::size_t fonts = 0;
  for (const auto& [name, skip] : sources) {
    for (const auto& entry : std::filesystem::directory_iterator(corpus / name)) {
      SCOPED_TRACE(entry.path().string());
      const fb::Bytes seed = fb::read_file(entry.path().string());
      const std::string font = write_temp(fb::Bytes(seed.begin() + skip, seed.end()), "font.sfp");
      // kestrune reads a font after a PCL prefix with -fix, as the viewer does.
      const ToolResult clean = run_tool(KESTRUNE_EXE, {font, dir + "/out.sfp", "-clean", "-fix"});
      std::string text;
      view_bytes(fb::read_file(font), text);
      EXPECT_EQ(row_codes(text), found_codes(clean.out)) << text << clean.out;
      ++fonts;
    }
  }
  EXPECT_GE(fonts, 20U);
}

// A glyph's plain twin, the same glyph compressed, and the plain one continued
// over two data commands.
fb::GlyphSpec plain_twin() {
  fb::GlyphSpec glyph;
  glyph.rows = {"..#..", ".#.#.", "#####", "#...#", "#...#"};
  return glyph;
}

fb::Bytes continued_font() {
  const fb::GlyphSpec glyph = plain_twin();
  fb::Bytes block = fb::character_descriptor(glyph);
  fb::append(block, fb::character_bitmap(glyph));
  const auto split = block.begin() + 18;
  fb::Bytes bytes = fb::font_header(fb::FontSpec{});
  fb::append(bytes, fb::command("*c65E"));
  fb::append(bytes, fb::command("(s18W"));
  fb::append(bytes, fb::Bytes(block.begin(), split));
  fb::append(bytes, fb::command("(s" + std::to_string(block.end() - split + 2) + "W"));
  fb::append(bytes, fb::Bytes{4, 1});
  fb::append(bytes, fb::Bytes(split, block.end()));
  return bytes;
}

fb::GlyphSpec compressed_twin() {
  fb::GlyphSpec glyph = plain_twin();
  glyph.glyph_class = 2;
  glyph.width = 5;
  glyph.height = 5;
  // Each row: its repeat count, then runs of clear and set dots by turns.
  glyph.bitmap = fb::Bytes{0, 2, 1, 2, 0, 1, 1, 1, 1, 1, 0, 0, 5, 1, 0, 1, 3, 1};
  return glyph;
}

fb::Bytes compressed_font() { return fb::font(fb::FontSpec{}, {compressed_twin()}); }

TEST(ViewerAsKestrune, CompressedAndContinuedGlyphsAreDrawnAsTheirPlainTwins) {
  // The drawing and the contact sheet's pixels of a font's one glyph.
  auto draw = [&](const fb::Bytes& font, std::vector<std::string>& drawing, GreyImage& sheet) {
    fb::Bytes png;
    OutputBuffer png_out(png);
    view::ViewOptions options;
    options.png = &png_out;
    std::string text;
    EXPECT_EQ(view_bytes(font, text, options), view::kStatusComplete) << text;
    drawing = drawing_of(text, "Character 65 'A' at byte ");
    std::string error;
    EXPECT_TRUE(read_png(png, sheet, error)) << error;
  };
  std::vector<std::string> plain;
  GreyImage plain_sheet;
  draw(fb::font(fb::FontSpec{}, {plain_twin()}), plain, plain_sheet);
  ASSERT_EQ(plain.size(), 5U);
  for (const fb::Bytes& twin : {compressed_font(), continued_font()}) {
    std::vector<std::string> drawing;
    GreyImage sheet;
    draw(twin, drawing, sheet);
    EXPECT_EQ(drawing, plain);
    EXPECT_EQ(sheet.pixels, plain_sheet.pixels);
  }
}

// A character of format 4 and class 2 is compressed whatever its other
// descriptor bytes say: -l turns what the viewer draws and writes it
// uncompressed, -clean keeps it, for every glyph the viewer draws.
TEST(ViewerAsKestrune, TransformsTurnAndKeepEveryGlyphTheViewerDraws) {
  struct Variant {
    std::uint8_t format, descriptor_size, glyph_class;
  };
  const Variant variants[] = {{4, 14, 1}, {4, 16, 1},  {4, 0, 1},  {4, 14, 2},
                              {4, 16, 2}, {4, 255, 2}, {5, 14, 1}, {4, 14, 3}};
  const std::string dir = testsupport::temp_dir();
  const auto drawn = [](const std::string& path) {
    return drawing_of(run_tool(KESTRUNE_VIEW_EXE, {path}).out, "Character 65 'A' at byte ");
  };
  for (const Variant& v : variants) {
    SCOPED_TRACE(std::to_string(v.format) + " " + std::to_string(v.descriptor_size) + " " +
                 std::to_string(v.glyph_class));
    fb::GlyphSpec glyph = v.glyph_class == 2 ? compressed_twin() : plain_twin();
    glyph.format = v.format;
    glyph.descriptor_size = v.descriptor_size;
    glyph.glyph_class = v.glyph_class;
    fb::write_file(dir + "/in.sfp", fb::font(fb::FontSpec{}, {glyph}));
    ASSERT_EQ(run_tool(KESTRUNE_EXE, {dir + "/in.sfp", dir + "/l.sfp", "-l"}).exit_status, 1);
    ASSERT_EQ(run_tool(KESTRUNE_EXE, {dir + "/in.sfp", dir + "/c.sfp", "-clean"}).exit_status, 1);
    const std::vector<std::string> portrait = drawn(dir + "/in.sfp");
    EXPECT_EQ(portrait.empty(), v.format != 4 || v.glyph_class > 2);
    EXPECT_EQ(drawn(dir + "/c.sfp"), portrait);
    if (portrait.empty()) continue;
    std::vector<std::string> turned(portrait[0].size(), std::string(portrait.size(), '.'));
    for (std::size_t y = 0; y < portrait.size(); ++y) {
      for (std::size_t x = 0; x < portrait[y].size(); ++x) {
        turned[portrait[y].size() - 1 - x][y] = portrait[y][x];
      }
    }
    EXPECT_EQ(drawn(dir + "/l.sfp"), turned);
    const fb::Bytes landscape = fb::read_file(dir + "/l.sfp");
    const std::string text(landscape.begin(), landscape.end());
    EXPECT_EQ(landscape.at(text.find('W', text.find("\x1b(s")) + 4), 1) << "the class byte";
  }
}

TEST(ViewerAsKestrune, FillBitsThatCleanClearsAreNoted) {
  fb::GlyphSpec dirty = plain_twin();
  dirty.bitmap = fb::character_bitmap(dirty);
  dirty.bitmap->back() |= 0x01;  // the last row's last fill bit
  const std::pair<fb::Bytes, bool> cases[] = {
      {fb::font(fb::FontSpec{}, {dirty}), true},
      {fb::font(fb::FontSpec{}, {plain_twin()}), false},
      {compressed_font(), false},  // its run lengths have low bits set
  };
  for (const auto& [font, noted] : cases) {
    std::string text;
    view_bytes(font, text);
    EXPECT_EQ(text.find("  fill bits set\n") != std::string::npos, noted) << text;
  }
}

// ------------------------------------------------------------ the proof job

TEST(ViewerProof, SampleJobFrame) {
  const fb::Bytes sample = fb::read_file(SAMPLE_FONT);
  const std::string proof = testsupport::temp_dir() + "/proof.pcl";
  const ToolResult result =
      run_tool(KESTRUNE_VIEW_EXE, {"--proof", proof, "--font-id", "7", SAMPLE_FONT});
  ASSERT_EQ(result.exit_status, 0) << result.out << result.err;
  const fb::Bytes bytes = fb::read_file(proof);
  const std::string job(bytes.begin(), bytes.end());
  // Reset, a portrait page, the font's ID, its bytes as they are, then it is
  // made temporary and selected.
  const std::string start =
      "\x1b"
      "E\x1b&l0O\x1b*c7D" +
      std::string(sample.begin(), sample.end()) + "\x1b*c4F\x1b(7X";
  ASSERT_TRUE(starts_with(job, start));
  // Ends with the only reset after the first.
  EXPECT_EQ(job.find("\x1b"
                     "E",
                     start.size()),
            job.size() - 2);
  // Each code once, in order, by transparent print.
  std::vector<int> printed;
  for (std::size_t at = job.find("\x1b&p1X"); at != std::string::npos;
       at = job.find("\x1b&p1X", at + 1)) {
    printed.push_back(static_cast<std::uint8_t>(job.at(at + 5)));
  }
  std::vector<int> codes = row_codes(result.out);
  std::sort(codes.begin(), codes.end());
  EXPECT_EQ(printed, codes);
  EXPECT_EQ(codes.size(), 36U);
}

// A job sent down a pipe by its /dev/fd name, a link of the system's own
// (as --proof >(lp -o raw) gives), is the job written to a file.
TEST(ViewerProof, DownAPipe) {
  const std::string proof = testsupport::temp_dir() + "/proof.pcl";
  ASSERT_EQ(run_tool(KESTRUNE_VIEW_EXE, {"--proof", proof, SAMPLE_FONT}).exit_status, 0);
  const ToolResult piped =
      run_tool("/bin/sh", {"-c", R"("$0" --proof /dev/fd/3 "$1" 3>&1 >/dev/null | cat)",
                           KESTRUNE_VIEW_EXE, SAMPLE_FONT});
  const fb::Bytes job = fb::read_file(proof);
  EXPECT_EQ(piped.out, std::string(job.begin(), job.end())) << piped.err;
}

TEST(ViewerProof, EachFontOnAPageOfItsOwnOrientation) {
  const struct {
    std::uint8_t orientation;
    int status;
    const char* job_start;
  } cases[] = {{1, view::kStatusComplete,
                "\x1b"
                "E\x1b&l1O\x1b*c1D"},
               {3, view::kStatusComplete,
                "\x1b"
                "E\x1b&l3O\x1b*c1D"},
               {4, view::kStatusFailed, ""}};
  for (const auto& c : cases) {
    fb::FontSpec font_spec;
    font_spec.orientation = c.orientation;
    fb::Bytes job;
    OutputBuffer proof(job);
    view::ViewOptions options;
    options.proof = &proof;
    std::string text;
    EXPECT_EQ(view_bytes(fb::font(font_spec, {plain_twin()}), text, options), c.status) << text;
    EXPECT_TRUE(starts_with(std::string(job.begin(), job.end()), c.job_start));
  }
}

// ------------------------------------------------------------ the command line

TEST(ViewerCommandLine, UsageAndFailures) {
  ToolResult result = run_tool(KESTRUNE_VIEW_EXE, {});
  EXPECT_EQ(result.exit_status, 2);
  EXPECT_NE(result.err.find("no font given"), std::string::npos);
  result = run_tool(KESTRUNE_VIEW_EXE, {"--help"});
  EXPECT_EQ(result.exit_status, 0);
  EXPECT_TRUE(starts_with(result.out, "Usage: kestrune-view [--chars LIST] [--png FILE] FONT\n"));
  result = run_tool(KESTRUNE_VIEW_EXE, {"--version"});
  EXPECT_EQ(result.exit_status, 0);
  // The package's version; kestrune's usage text keeps its own, 0.91beta.
  EXPECT_EQ(result.out, "kestrune-view " KESTRUNE_PACKAGE_VERSION " (Kestrune)\n");
  result = run_tool(KESTRUNE_VIEW_EXE, {"--chars", "65-", SAMPLE_FONT});
  EXPECT_EQ(result.exit_status, 2);
  EXPECT_NE(result.err.find("--chars: '65-' is not a character code"), std::string::npos);
  result = run_tool(KESTRUNE_VIEW_EXE, {"--bogus", SAMPLE_FONT});
  EXPECT_EQ(result.exit_status, 2);
  for (const char* bad : {"--font-id=32768", "--font-id=-1", "--proof="}) {
    EXPECT_EQ(run_tool(KESTRUNE_VIEW_EXE, {"--proof=x.pcl", bad, SAMPLE_FONT}).exit_status, 2);
  }
  // A refused proof leaves no job behind.
  const std::string dir = testsupport::temp_dir();
  fb::FontSpec turned_oddly;
  turned_oddly.orientation = 4;
  fb::write_file(dir + "/odd.sfp", fb::font(turned_oddly, {}));
  EXPECT_EQ(run_tool(KESTRUNE_VIEW_EXE, {"--proof", dir + "/p.pcl", dir + "/odd.sfp"}).exit_status,
            2);
  EXPECT_FALSE(std::filesystem::exists(dir + "/p.pcl"));
  result = run_tool(KESTRUNE_VIEW_EXE, {SAMPLE_FONT, SAMPLE_FONT});
  EXPECT_EQ(result.exit_status, 2);
  result = run_tool(KESTRUNE_VIEW_EXE, {"/nonexistent/font.sfp"});
  EXPECT_EQ(result.exit_status, 2);
  EXPECT_NE(result.err.find("cannot open /nonexistent/font.sfp"), std::string::npos);
  // A directory opens but cannot be read, whether viewed or checked.
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{testsupport::temp_dir()}, {"--check", testsupport::temp_dir()}}) {
    result = run_tool(KESTRUNE_VIEW_EXE, args);
    EXPECT_EQ(result.exit_status, 2) << result.out;
    EXPECT_TRUE(starts_with(last_line(result.out), "Reading stopped at byte 0: read error"))
        << result.out;
  }
  // Options that do not go together, each refused with its reason.
  const std::pair<std::vector<std::string>, const char*> refused[] = {
      {{"--check", "--table", SAMPLE_FONT}, "--check goes with no other option but --json"},
      {{"--json", SAMPLE_FONT}, "--json goes with --check"},
      {{"--rules", SAMPLE_FONT}, "--rules goes with no other option or font"},
      {{"--rules", "--check"}, "--rules goes with no other option or font"},
      {{SAMPLE_FONT, SAMPLE_FONT}, "only one font at a time (--check takes many)"},
  };
  for (const auto& [args, reason] : refused) {
    result = run_tool(KESTRUNE_VIEW_EXE, args);
    EXPECT_EQ(result.exit_status, 2) << reason;
    EXPECT_NE(result.err.find(reason), std::string::npos) << result.err;
    EXPECT_EQ(result.out, "");
  }
  EXPECT_EQ(run_tool(KESTRUNE_VIEW_EXE, {"--check", SAMPLE_FONT}).exit_status, 0);
  // A pipe is refused: the viewer reads the font twice.
  result = run_tool(KESTRUNE_VIEW_EXE, {"/dev/stdin"}, 10.0, SAMPLE_FONT);
  EXPECT_EQ(result.exit_status, 0) << "a redirected file is seekable: " << result.out;
}

// A PNG or proof takes the place of an earlier file of its name only when
// the run completes (status 0 or 1). A failed run leaves that file as it
// was, and no file of its own behind.
TEST(ViewerCommandLine, OnlyACompletedRunReplacesAnEarlierFile) {
  struct Case {
    const char* name;
    std::vector<std::string> args;  // "{out}" is the earlier file, "{dir}" its directory
    int status;
    bool replaced;
    bool full_stdout = false;
  };
  const std::string sample = SAMPLE_FONT;
  const Case cases[] = {
      {"a proof", {"--proof", "{out}", sample}, 0, true},
      {"a PNG", {"--png", "{out}", sample}, 0, true},
      {"a damaged font's PNG", {"--png", "{out}", "{dir}/cut.sfp"}, 1, true},
      {"a proof refused for orientation 4", {"--proof", "{out}", "{dir}/odd.sfp"}, 2, false},
      {"PNG, refused proof", {"--png", "{out}", "--proof", "{dir}/p", "{dir}/odd.sfp"}, 2, false},
      {"PNG, proof not written", {"--png", "{out}", "--proof", "/dev/full", sample}, 2, false},
      {"proof, PNG not written", {"--proof", "{out}", "--png", "/dev/full", sample}, 2, false},
      {"PNG, proof not created", {"--png", "{out}", "--proof", "{dir}/n/p", sample}, 2, false},
      {"a proof whose messages are lost", {"--proof", "{out}", sample}, 2, false, true},
  };
  const fb::Bytes earlier = fb::text("an earlier file");
  fb::FontSpec turned_oddly;
  turned_oddly.orientation = 4;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string dir = testsupport::temp_dir();
    fb::write_file(dir + "/odd.sfp", fb::font(turned_oddly, {}));
    fb::write_file(dir + "/cut.sfp", prefix_of(fb::read_file(SAMPLE_FONT), 500));
    fb::write_file(dir + "/out", earlier);
    std::vector<std::string> args;
    if (c.full_stdout) args = {"-c", "exec \"$0\" \"$@\" >/dev/full", KESTRUNE_VIEW_EXE};
    for (std::string arg : c.args) {
      if (arg == "{out}") arg = dir + "/out";
      if (starts_with(arg, "{dir}")) arg = dir + arg.substr(5);
      args.push_back(arg);
    }
    const ToolResult result = run_tool(c.full_stdout ? "/bin/sh" : KESTRUNE_VIEW_EXE, args);
    EXPECT_EQ(result.exit_status, c.status) << result.out << result.err;
    const fb::Bytes after = fb::read_file(dir + "/out");
    EXPECT_EQ(after == earlier, !c.replaced);
    EXPECT_FALSE(after.empty());
    // The two fonts and the output; no new file is left beside it.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 3);
  }
}

// A signal that ends the run removes the new PNG and the new proof alike,
// both open at once. Its drawing of 300 x 300 dots fills the pipe that no
// one reads, which holds the run up with both files open.
TEST(ViewerCommandLine, ASignalRemovesEveryNewFile) {
  fb::GlyphSpec glyph;
  glyph.width = glyph.height = 300;
  glyph.bitmap = fb::Bytes(std::size_t{300} * 38, 0x55);
  const std::string font = write_temp(fb::font(fb::FontSpec{}, {glyph}), "font.sfp");
  const std::string dir = std::filesystem::path(font).parent_path();
  const fb::Bytes earlier = fb::text("an earlier file");
  fb::write_file(dir + "/out.png", earlier);
  fb::write_file(dir + "/out.pcl", earlier);
  const std::string script = R"sh(cd "$1" && mkfifo pipe && exec 3<>pipe
"$0" --png out.png --proof out.pcl font.sfp >pipe &
for _ in $(seq 500); do [ "$(ls -A | grep -c '^\.out\.')" = 2 ] && break || sleep 0.02; done
ls -A | grep -c '^\.out\.'; kill -TERM $!; wait $!; echo "status $?"; ls -A)sh";
  const ToolResult result = run_tool("/bin/sh", {"-c", script, KESTRUNE_VIEW_EXE, dir});
  EXPECT_EQ(result.out, "2\nstatus 143\nfont.sfp\nout.pcl\nout.png\npipe\n") << result.err;
  EXPECT_EQ(fb::read_file(dir + "/out.png"), earlier);
  EXPECT_EQ(fb::read_file(dir + "/out.pcl"), earlier);
}

TEST(ViewerCommandLine, CodeLists) {
  view::CodeSet codes;
  std::string error;
  ASSERT_TRUE(view::parse_code_list("65,66,48-57", codes, error)) << error;
  EXPECT_TRUE(codes.contains(65));
  EXPECT_TRUE(codes.contains(50));
  EXPECT_FALSE(codes.contains(67));
  for (const char* bad : {"", "65,", "a", "5-4", "65536", "-3", "1-2-3", " 65"}) {
    EXPECT_FALSE(view::parse_code_list(bad, codes, error)) << bad;
  }
  EXPECT_TRUE(view::CodeSet{}.contains(12345));
}

// ------------------------------------------------------------ install

std::string find_in_path(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::istringstream dirs(path != nullptr ? path : "/usr/bin:/bin");
  for (std::string dir; std::getline(dirs, dir, ':');) {
    const std::string candidate = (dir.empty() ? "." : dir) + "/" + name;
    if (::access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return "";
}

TEST(ViewerInstall, ExecutablesAndManualPages) {
  const std::string man = find_in_path("man");
  if (man.empty()) GTEST_SKIP() << "man is not installed";
  const std::string prefix = testsupport::temp_dir() + "/prefix";
  const ToolResult install =
      run_tool(CMAKE_EXE, {"--install", KESTRUNE_BUILD_DIR, "--prefix", prefix}, 60.0);
  ASSERT_EQ(install.exit_status, 0) << install.out << install.err;

  for (const char* tool : {"kestrune", "kestrune-view", "kestrune-convert"}) {
    const std::string exe = prefix + "/bin/" + tool;
    EXPECT_EQ(::access(exe.c_str(), X_OK), 0) << exe;
    const std::string page = prefix + "/share/man/man1/" + tool + ".1";
    ASSERT_TRUE(std::filesystem::is_regular_file(page)) << page;
    const ToolResult shown = run_tool(man, {"-l", page}, 30.0);
    EXPECT_EQ(shown.exit_status, 0) << shown.err;
    EXPECT_NE(shown.out.find("EXIT STATUS"), std::string::npos) << shown.out;
    EXPECT_NE(shown.out.find("DIAGNOSTICS"), std::string::npos) << shown.out;
  }
  const ToolResult version = run_tool(prefix + "/bin/kestrune-view", {"--version"});
  EXPECT_EQ(version.exit_status, 0);
  const ToolResult usage = run_tool(prefix + "/bin/kestrune", {"--version"});
  EXPECT_EQ(usage.exit_status, 255);
  EXPECT_NE(usage.out.find("Version: 0.91beta"), std::string::npos);
  std::filesystem::remove_all(prefix);
}

}  // namespace
}  // namespace kestrune
