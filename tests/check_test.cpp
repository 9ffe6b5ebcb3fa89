// kestrune-view --check, rule by rule, and kestrune -fix, mend by mend: each
// mended font checks clean and equals the font that never had the fault.
#include <gtest/gtest.h>

#include <span>
#include <sstream>
#include <string>
#include <vector>

#include "bytes/input.h"
#include "font_builder.h"
#include "run_tool.h"
#include "streams.h"
#include "viewer/font_check.h"

namespace kestrune {
namespace {

namespace fb = fontbuilder;
using fb::append;
using fb::Bytes;

fb::GlyphSpec glyph(int code) { return fb::drawn_glyph(code, {"##.", "#.#", "##."}); }

Bytes font_of(const std::vector<fb::GlyphSpec>& glyphs, fb::FontSpec header = {}) {
  return fb::font(header, glyphs);
}

fb::GlyphSpec with(fb::GlyphSpec g, void (*change)(fb::GlyphSpec&)) {
  change(g);
  return g;
}

// A glyph of 100 x 400 bytes: more than one data command holds.
fb::GlyphSpec large_glyph() {
  fb::GlyphSpec g = glyph(66);
  g.width = 800;
  g.height = 400;
  g.bitmap = Bytes(40000, 0x5A);
  return g;
}

fb::GlyphSpec compressed(fb::GlyphSpec g) {
  const Bytes plain = fb::character_bitmap(g);
  g.glyph_class = 2;
  g.bitmap = fb::compress_bitmap(plain, fb::glyph_width(g), fb::glyph_height(g));
  return g;
}

// "FAIL rule" for every rule line, and the status.
struct Checked {
  int status;
  std::vector<std::string> rules;
  std::string text;
};

Checked check(const Bytes& bytes) {
  InputBuffer in{std::span<const std::uint8_t>(bytes)};
  testsupport::CapturedMessages out;
  Checked result{view::check_font(in, out.sink(), "font.sfp"), {}, out.text()};
  std::istringstream lines(result.text);
  for (std::string line; std::getline(lines, line);) {
    if (line.starts_with("FAIL ") || line.starts_with("WARN ")) {
      result.rules.push_back(line.substr(0, line.find(':')));
    }
  }
  return result;
}

struct RuleCase {
  const char* name;
  Bytes font;
  std::vector<std::string> rules;
  int status;
};

std::vector<RuleCase> rule_cases() {
  const Bytes plain = font_of({glyph(65)});
  fb::FontSpec header;
  std::vector<RuleCase> cases = {
      {"clean", plain, {}, 0},
      {"garbage", fb::text("not a font"), {"FAIL font-header"}, 1},
      {"pcl prefix", fb::command("*c1D"), {"WARN pcl-prefix"}, 0},
      {"no characters", fb::font({}, {}), {"WARN no-characters"}, 0},
      {"stray bytes", plain, {"WARN stray-bytes"}, 0},
      {"cut short", plain, {"FAIL cut-short"}, 1},
  };
  append(cases[2].font, plain);
  append(cases[4].font, fb::command("(1X"));
  const Bytes def = fb::character_definition(glyph(66));
  cases[5].font.insert(cases[5].font.end(), def.begin(), def.end() - 3);

  auto header_case = [&](const char* name, void (*change)(fb::FontSpec&),
                         std::vector<std::string> rules, int status) {
    fb::FontSpec s = header;
    change(s);
    fb::GlyphSpec g = glyph(65);
    g.orientation = s.orientation;
    cases.push_back({name, font_of({g}, s), std::move(rules), status});
  };
  header_case(
      "header format 7", [](fb::FontSpec& s) { s.header_format = 7; }, {"FAIL header-format"}, 1);
  header_case(
      "scalable", [](fb::FontSpec& s) { s.header_format = 15; }, {"WARN header-format"}, 0);
  header_case(
      "descriptor of 62", [](fb::FontSpec& s) { s.descriptor_size = 62; },
      {"FAIL font-descriptor-size"}, 1);
  header_case(
      "format 20 of 64", [](fb::FontSpec& s) { s.header_format = 20; },
      {"FAIL font-descriptor-size"}, 1);
  header_case(
      "descriptor of 66",
      [](fb::FontSpec& s) {
        s.descriptor_size = 66;
        s.extra = {0, 0};
      },
      {"WARN font-descriptor-size"}, 0);
  header_case(
      "orientation 4", [](fb::FontSpec& s) { s.orientation = 4; }, {"FAIL font-orientation"}, 1);
  header_case(
      "First over Last", [](fb::FontSpec& s) { s.first_code = 128; }, {"FAIL first-last-code"}, 1);
  header_case(
      "code past Last", [](fb::FontSpec& s) { s.last_code = 64; }, {"FAIL first-last-code"}, 1);
  header_case(
      "68 bytes, format 0", [](fb::FontSpec& s) { s.descriptor_size = 68; },
      {"WARN font-descriptor-size", "WARN resolution-ignored"}, 0);

  auto glyph_case = [&](const char* name, std::vector<fb::GlyphSpec> glyphs,
                        std::vector<std::string> rules, int status) {
    cases.push_back({name, font_of(glyphs), std::move(rules), status});
  };
  const fb::GlyphSpec a = glyph(65);
  glyph_case("format 5", {with(a, [](fb::GlyphSpec& g) { g.format = 5; })}, {"FAIL char-format"},
             1);
  glyph_case("continuation mark", {with(a, [](fb::GlyphSpec& g) { g.continuation = 1; })},
             {"FAIL char-continuation"}, 1);
  glyph_case("descriptor size 16", {with(a, [](fb::GlyphSpec& g) { g.descriptor_size = 16; })},
             {"FAIL char-descriptor-size"}, 1);
  glyph_case("class 3", {with(a, [](fb::GlyphSpec& g) { g.glyph_class = 3; })}, {"FAIL char-class"},
             1);
  glyph_case("landscape glyph", {with(a, [](fb::GlyphSpec& g) { g.orientation = 1; })},
             {"FAIL char-orientation"}, 1);
  glyph_case("no rows", {fb::drawn_glyph(65, {})}, {"FAIL char-size"}, 1);
  glyph_case("far left", {with(a, [](fb::GlyphSpec& g) { g.left_offset = -16385; })},
             {"FAIL char-offset"}, 1);
  glyph_case("4000 x 3000",
             {with(a,
                   [](fb::GlyphSpec& g) {
                     g.width = 4000;
                     g.height = 3000;
                   })},
             {"FAIL char-too-large", "WARN char-short"}, 1);
  glyph_case("rows missing", {with(a, [](fb::GlyphSpec& g) { g.height = 5; })}, {"WARN char-short"},
             0);
  fb::GlyphSpec run_past = compressed(a);
  run_past.width = 1;
  glyph_case("run past the width", {run_past}, {"FAIL char-damaged-compressed"}, 1);
  glyph_case("one data command of 40016", {large_glyph()}, {"FAIL data-command-size"}, 1);
  glyph_case("fill bits",
             {with(a,
                   [](fb::GlyphSpec& g) {
                     g.bitmap = Bytes{0xFF, 0xA0, 0xC0};
                   })},
             {"WARN fill-bits"}, 0);
  glyph_case("descending", {glyph(66), glyph(65)}, {"WARN code-order"}, 0);
  glyph_case("twice", {glyph(65), glyph(65)}, {"WARN duplicate-code"}, 0);
  glyph_case("code 31 of type 0", {glyph(31)}, {"FAIL first-last-code", "WARN unprintable-code"},
             1);

  Bytes continued = fb::font({}, {});
  append(continued, fb::continued_definition(compressed(a), 20, 4));
  cases.push_back({"compressed, continued", continued, {"FAIL compressed-continued"}, 1});
  return cases;
}

TEST(FontCheck, EachRuleHasItsLineAndStatus) {
  for (const RuleCase& c : rule_cases()) {
    SCOPED_TRACE(c.name);
    const Checked result = check(c.font);
    EXPECT_EQ(result.rules, c.rules) << result.text;
    EXPECT_EQ(result.status, c.status) << result.text;
  }
}

TEST(FontCheck, ManyCharactersGetOneLineOfRanges) {
  std::vector<fb::GlyphSpec> glyphs;
  for (int code = 33; code <= 126; ++code) glyphs.push_back(glyph(code));
  glyphs.push_back(glyph(160));
  for (fb::GlyphSpec& g : glyphs) g.descriptor_size = 16;
  fb::FontSpec header;
  header.last_code = 255;
  const Checked result = check(font_of(glyphs, header));
  EXPECT_NE(result.text.find("\nFAIL char-descriptor-size: descriptor byte 2 (size) is not 14 in "
                             "95 characters: 33-126, 160; GhostPCL discards them"),
            std::string::npos)
      << result.text;
  EXPECT_NE(result.text.find("\nWARN unprintable-code: a code this font's type never prints in "
                             "1 character: 160;"),
            std::string::npos)
      << result.text;
  EXPECT_TRUE(result.text.ends_with("Summary: 1 FAIL, 1 WARN; 95 characters checked.\n"));
}

// ---------------------------------------------------------------- -fix

struct MendCase {
  const char* name;
  Bytes faulty;
  Bytes twin;  // the same font without the fault: what -fix must write
  std::string fixed_line;
};

std::vector<MendCase> mend_cases() {
  const fb::GlyphSpec a = glyph(65);
  const Bytes plain = font_of({a});
  std::vector<MendCase> cases;
  Bytes prefixed = fb::text("\x1b%-12345X@PJL ENTER LANGUAGE=PCL\r\n");
  append(prefixed, fb::command("*c1D"));
  append(prefixed, plain);
  cases.push_back({"prefix", prefixed, plain,
                   "PCL prefix fixed: the font header begins at byte 39; the commands before it "
                   "are left out."});
  cases.push_back({"descriptor size",
                   font_of({with(a, [](fb::GlyphSpec& g) { g.descriptor_size = 16; })}), plain,
                   "Character code 65 fixed."});
  fb::FontSpec narrow;
  narrow.first_code = 66;
  narrow.last_code = 64;
  fb::FontSpec exact;
  exact.first_code = 65;
  exact.last_code = 65;
  cases.push_back({"first and last", font_of({a}, narrow), font_of({a}, exact),
                   "First and last code fixed: set to 65 and 65."});
  Bytes split = fb::font({}, {});
  append(split, fb::continued_definition(large_glyph(), 32767, 32765));
  cases.push_back({"data command", font_of({large_glyph()}), split, "Character code 66 fixed."});
  Bytes continued = fb::font({}, {});
  append(continued, fb::continued_definition(compressed(a), 20, 4));
  cases.push_back({"compressed, continued", continued, plain, "Character code 65 fixed."});
  return cases;
}

TEST(FontFix, EachMendGivesTheFontThatNeverHadTheFault) {
  const std::string dir = testsupport::temp_dir();
  for (const MendCase& c : mend_cases()) {
    SCOPED_TRACE(c.name);
    fb::write_file(dir + "/in.sfp", c.faulty);
    const auto result =
        testsupport::run_tool(KESTRUNE_EXE, {dir + "/in.sfp", dir + "/out.sfp", "-fix"});
    EXPECT_EQ(result.exit_status, 1);
    EXPECT_NE(result.out.find("Fixing...\n"), std::string::npos);
    EXPECT_NE(result.out.find(c.fixed_line + "\n"), std::string::npos) << result.out;
    const Bytes written = fb::read_file(dir + "/out.sfp");
    EXPECT_TRUE(written == c.twin);
    EXPECT_EQ(check(written).status, 0) << check(written).text;
    EXPECT_EQ(check(c.twin).rules, std::vector<std::string>{});
  }
}

TEST(FontFix, AFontThatNeedsNothingComesThroughAndLinesComeInOrder) {
  const std::string dir = testsupport::temp_dir();
  fb::write_file(dir + "/in.sfp", fb::read_file(SAMPLE_FONT));
  auto result = testsupport::run_tool(KESTRUNE_EXE, {dir + "/in.sfp", dir + "/out.sfp", "-fix"});
  EXPECT_TRUE(fb::read_file(dir + "/out.sfp") == fb::read_file(SAMPLE_FONT));
  EXPECT_EQ(result.out.find("fixed"), std::string::npos);

  fb::write_file(dir + "/in.sfp",
                 font_of({with(glyph(65), [](fb::GlyphSpec& g) { g.descriptor_size = 16; })}));
  result = testsupport::run_tool(KESTRUNE_EXE, {dir + "/in.sfp", dir + "/out.sfp", "-l", "-fix"});
  EXPECT_NE(result.out.find("Character code 65 found.\nCharacter code 65 fixed.\n"
                            "Character code 65 landscaped.\n"),
            std::string::npos)
      << result.out;
}

}  // namespace
}  // namespace kestrune
