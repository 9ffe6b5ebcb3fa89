// kestrune-view --check, rule by rule, and kestrune -fix, mend by mend: each
// mended font checks clean and equals the font that never had the fault.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <span>
#include <sstream>
#include <string>
#include <vector>

#include "bytes/input.h"
#include "font_builder.h"
#include "run_tool.h"
#include "streams.h"
#ifdef KESTRUNE_HAVE_JSON
#include <nlohmann/json.hpp>
#endif

#include "characters/fix.h"
#include "check/rules.h"
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

// A glyph of 800 x 400 dots in stripes three dots wide, shifted a dot each
// row: its runs (about 270 bytes a row, no row repeating the one above) fill
// far more than one data command, and so do its 40,000 bytes unpacked.
fb::GlyphSpec striped_glyph() {
  fb::GlyphSpec g = glyph(66);
  g.rows.clear();
  for (int y = 0; y < 400; ++y) {
    std::string row(800, '.');
    for (int x = 0; x < 800; ++x) {
      if ((x + y) % 6 < 3) row[static_cast<std::size_t>(x)] = '#';
    }
    g.rows.push_back(row);
  }
  return g;
}

// The same as a bitmap of 800 x 700 dots: 70,016 bytes, which take three
// data commands.
fb::GlyphSpec tall_glyph() {
  fb::GlyphSpec g = large_glyph();
  g.height = 700;
  g.bitmap = Bytes(70000, 0x5A);
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
      // A download file: its ID straight before the header, and the command
      // that makes it permanent or temporary after it, are the font's own.
      {"download file, permanent", fb::command("*c12D"), {}, 0},
      {"download file, temporary", fb::command("*c32767D"), {}, 0},
      {"an ID past 32767 is a prefix", fb::command("*c32768D"), {"WARN pcl-prefix"}, 0},
      {"a font control that deletes fonts is stray", plain, {"WARN stray-bytes"}, 0},
  };
  // A reset before the ID makes it a prefix.
  cases[2].font = fb::command("E");
  append(cases[2].font, fb::command("*c1D"));
  append(cases[2].font, plain);
  append(cases[4].font, fb::command("(1X"));
  const Bytes def = fb::character_definition(glyph(66));
  cases[5].font.insert(cases[5].font.end(), def.begin(), def.end() - 3);
  append(cases[6].font, plain);
  append(cases[6].font, fb::command("*c5F"));
  append(cases[7].font, plain);
  append(cases[7].font, fb::command("*c4F"));
  append(cases[8].font, plain);
  append(cases[9].font, fb::command("*c0F"));

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
  fb::GlyphSpec run_past = fb::compressed_glyph(a);
  run_past.width = 1;
  glyph_case("run past the width", {run_past}, {"FAIL char-damaged-compressed"}, 1);
  // The runs are read for damage without the bitmap being built: damage in
  // a later row, a compressed bitmap over 1 MiB, and runs that stop early
  // (the rest clear) are judged as unpacking them would judge them.
  glyph_case("run past the width in a later row",
             {with(fb::compressed_glyph(a),
                   [](fb::GlyphSpec& g) {
                     g.bitmap = Bytes{1, 3, 0, 9};
                   })},
             {"FAIL char-damaged-compressed"}, 1);
  glyph_case("compressed, 8193 x 1024",
             {with(fb::compressed_glyph(a),
                   [](fb::GlyphSpec& g) {
                     g.width = 8193;
                     g.height = 1024;
                   })},
             {"FAIL char-too-large", "FAIL char-damaged-compressed"}, 1);
  glyph_case("compressed, runs that stop early",
             {with(fb::compressed_glyph(a),
                   [](fb::GlyphSpec& g) {
                     g.bitmap = Bytes{0, 1};
                   })},
             {}, 0);
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
  append(continued, fb::continued_definition(fb::compressed_glyph(a), 20, 4));
  cases.push_back({"compressed, continued", continued, {"FAIL compressed-continued"}, 1});
  // The continuation's 04 01 counts in its data command's size.
  Bytes long_continuation = fb::font({}, {});
  append(long_continuation, fb::continued_definition(tall_glyph(), 32767, 32766));
  cases.push_back({"a continuation of 32768", long_continuation, {"FAIL data-command-size"}, 1});
  glyph_case("16384 x 1, the largest width",
             {with(a,
                   [](fb::GlyphSpec& g) {
                     g.width = 16384;
                     g.height = 1;
                     g.bitmap = Bytes(2048, 0);
                   })},
             {}, 0);
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

  // Codes 33, 35, ..., 65: seventeen ranges of one, sixteen of them named.
  glyphs.clear();
  for (int code = 33; code <= 65; code += 2) {
    glyphs.push_back(with(glyph(code), [](fb::GlyphSpec& g) { g.descriptor_size = 16; }));
  }
  const Checked odd = check(font_of(glyphs));
  EXPECT_NE(odd.text.find("is not 14 in 17 characters: 33, 35, 37, 39, 41, 43, 45, 47, 49, 51, "
                          "53, 55, 57, 59, 61, 63 and 1 more range;"),
            std::string::npos)
      << odd.text;
}

// ---------------------------------------------------------------- -fix

struct MendCase {
  const char* name;  // the rule the fault breaks, then what it is
  Bytes faulty;
  Bytes twin;  // the same font without the fault: what -fix must write; none when it refuses
  std::string fixed_line;
};

std::vector<MendCase> mend_cases() {
  const fb::GlyphSpec a = glyph(65);
  const Bytes plain = font_of({a});
  std::vector<MendCase> cases;
  Bytes prefixed = fb::text("\x1b%-12345X@PJL ENTER LANGUAGE=PCL\r\n");
  append(prefixed, fb::command("*c1D"));
  append(prefixed, plain);
  cases.push_back({"pcl-prefix", prefixed, plain,
                   "PCL prefix fixed: the font header begins at byte 39; the commands before it "
                   "are left out."});
  cases.push_back({"char-descriptor-size",
                   font_of({with(a, [](fb::GlyphSpec& g) { g.descriptor_size = 16; })}), plain,
                   "Character code 65 fixed."});
  fb::FontSpec narrow;
  narrow.first_code = 66;
  narrow.last_code = 64;
  fb::FontSpec exact;
  exact.first_code = 65;
  exact.last_code = 65;
  cases.push_back({"first-last-code", font_of({a}, narrow), font_of({a}, exact),
                   "First and last code fixed: set to 65 and 65."});
  Bytes split = fb::font({}, {});
  append(split, fb::continued_definition(large_glyph(), 32767, 32765));
  cases.push_back(
      {"data-command-size", font_of({large_glyph()}), split, "Character code 66 fixed."});
  Bytes continued = fb::font({}, {});
  append(continued, fb::continued_definition(fb::compressed_glyph(a), 20, 4));
  cases.push_back({"compressed-continued", continued, plain, "Character code 65 fixed."});
  Bytes long_continuation = fb::font({}, {});
  append(long_continuation, fb::continued_definition(tall_glyph(), 32767, 32766));
  Bytes tall_split = fb::font({}, {});
  append(tall_split, fb::continued_definition(tall_glyph(), 32767, 32765));
  cases.push_back({"data-command-size: a continuation of 32768", long_continuation, tall_split,
                   "Character code 66 fixed."});
  // Compressed runs that fill one data command of 108,000 bytes.
  Bytes striped_split = fb::font({}, {});
  append(striped_split, fb::continued_definition(striped_glyph(), 32767, 32765));
  cases.push_back({"data-command-size: compressed runs in one long command",
                   font_of({fb::compressed_glyph(striped_glyph())}), striped_split,
                   "Character code 66 fixed."});
  fb::FontSpec first_only;
  first_only.font_type = 2;
  first_only.first_code = 65;
  first_only.last_code = 65;
  fb::FontSpec both = first_only;
  both.last_code = 65535;
  cases.push_back({"first-last-code: both 65, code 65535 defined",
                   font_of({a, glyph(65535)}, first_only), font_of({a, glyph(65535)}, both),
                   "First and last code fixed: set to 65 and 65535."});
  // kestrune takes 64 and 68-byte descriptors only, after a prefix too.
  fb::FontSpec wide;
  wide.descriptor_size = 66;
  wide.extra = {0, 0};
  Bytes pjl = fb::text("\x1b%-12345X@PJL ENTER LANGUAGE=PCL\r\n");
  append(pjl, font_of({a}, wide));
  cases.push_back({"pcl-prefix: PJL, then a descriptor of 66",
                   pjl,
                   {},
                   "Error: Cannot work on this version of SFP... need 64 or 68 byte header "
                   "size."});
  return cases;
}

TEST(FontFix, EachMendGivesTheFontThatNeverHadTheFault) {
  const std::string dir = testsupport::temp_dir();
  for (const MendCase& c : mend_cases()) {
    SCOPED_TRACE(c.name);
    fb::write_file(dir + "/in.sfp", c.faulty);
    std::filesystem::remove(dir + "/out.sfp");
    const auto result =
        testsupport::run_tool(KESTRUNE_EXE, {dir + "/in.sfp", dir + "/out.sfp", "-fix"});
    EXPECT_NE(result.out.find("Fixing...\n"), std::string::npos);
    EXPECT_NE(result.out.find(c.fixed_line + "\n"), std::string::npos) << result.out;
    if (c.twin.empty()) {
      EXPECT_EQ(result.exit_status, 255);
      EXPECT_FALSE(std::filesystem::exists(dir + "/out.sfp"));
      continue;
    }
    EXPECT_EQ(result.exit_status, 1);
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

// ---------------------------------------------------------------- many fonts

TEST(FontCheck, ManyFontsEachReportedThenTheirTotals) {
  const std::string dir = testsupport::temp_dir();
  const std::string sample = SAMPLE_FONT;
  Bytes cut = fb::read_file(SAMPLE_FONT);
  append(cut, fb::text("\x1b*c65E\x1b(s18"));
  fb::write_file(dir + "/cut.sfp", cut);
  const std::string missing = dir + "/missing.sfp";
  struct Case {
    std::vector<std::string> fonts;
    int status;
    std::string last_line;  // empty for one font: no totals
  };
  const Case cases[] = {
      {{sample}, 0, ""},
      {{sample, sample}, 0, "Total: 2 files; 0 with a FAIL; 0 could not be read."},
      {{sample, dir + "/cut.sfp"}, 1, "Total: 2 files; 1 with a FAIL; 0 could not be read."},
      {{missing, dir + "/cut.sfp", dir, sample},
       2,
       "Total: 4 files; 1 with a FAIL; 2 could not be read."},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = {"--check"};
    args.insert(args.end(), c.fonts.begin(), c.fonts.end());
    const testsupport::ToolResult result = testsupport::run_tool(KESTRUNE_VIEW_EXE, args);
    SCOPED_TRACE(result.out);
    EXPECT_EQ(result.exit_status, c.status);
    std::size_t reports = 0;
    for (std::size_t at = result.out.find("Font file: "); at != std::string::npos;
         at = result.out.find("\nFont file: ", at + 1)) {
      ++reports;
    }
    EXPECT_EQ(reports, c.fonts.size());
    if (!c.last_line.empty()) {
      EXPECT_TRUE(result.out.ends_with(c.last_line + "\n"));
    }
  }
  const testsupport::ToolResult missing_one =
      testsupport::run_tool(KESTRUNE_VIEW_EXE, {"--check", missing});
  EXPECT_EQ(missing_one.out, "Font file: " + missing +
                                 "\nReading stopped at byte 0: cannot open the file (No such "
                                 "file or directory).\n");
  EXPECT_NE(missing_one.err.find("cannot open " + missing), std::string::npos);
}

#ifdef KESTRUNE_HAVE_JSON
TEST(FontCheck, JsonHoldsWhatTheLinesSay) {
  const std::string dir = testsupport::temp_dir();
  Bytes font = fb::command("E");
  append(font, fb::command("*c1D"));
  fb::FontSpec header;
  header.first_code = 66;
  append(font, font_of({with(glyph(65), [](fb::GlyphSpec& g) { g.descriptor_size = 16; }),
                        with(glyph(67), [](fb::GlyphSpec& g) { g.descriptor_size = 16; })},
                       header));
  append(font, fb::text("\x1b*c68E\x1b(s18"));
  fb::write_file(dir + "/font.pcl", font);
  const std::string missing = dir + "/missing.sfp";
  const testsupport::ToolResult result = testsupport::run_tool(
      KESTRUNE_VIEW_EXE, {"--check", "--json", dir + "/font.pcl", SAMPLE_FONT, missing});
  EXPECT_EQ(result.exit_status, 2);
  const nlohmann::json json = nlohmann::json::parse(result.out);
  ASSERT_EQ(json["files"].size(), 3U) << result.out;
  const nlohmann::json& first = json["files"][0];
  EXPECT_EQ(first["name"], dir + "/font.pcl");
  EXPECT_EQ(first["size"], font.size());
  EXPECT_EQ(first["characters_checked"], 2);
  EXPECT_EQ(first["ending"]["how"], "cut-short");
  EXPECT_EQ(first["ending"]["at"], font.size());
  EXPECT_EQ(first["ending"]["definition_at"], font.size() - 11);
  EXPECT_EQ(first["ending"]["code"], 68);
  std::vector<std::string> rules;
  for (const nlohmann::json& r : first["results"])
    rules.push_back(r["verdict"].get<std::string>() + " " + r["rule"].get<std::string>());
  EXPECT_EQ(rules, (std::vector<std::string>{"WARN pcl-prefix", "FAIL first-last-code",
                                             "FAIL char-descriptor-size", "FAIL cut-short"}));
  const nlohmann::json& size = first["results"][2];
  EXPECT_EQ(size["count"], 2);
  EXPECT_EQ(size["codes"], nlohmann::json::array({65, 67}));
  EXPECT_TRUE(size["text"].get<std::string>().starts_with(
      "descriptor byte 2 (size) is not 14 in 2 characters: 65, 67; GhostPCL"));
  EXPECT_EQ(first["results"][0]["codes"], nlohmann::json::array());
  EXPECT_EQ(first["results"][1]["codes"], nlohmann::json::array({65}));
  // The text is the line's after the rule's name.
  const testsupport::ToolResult lines =
      testsupport::run_tool(KESTRUNE_VIEW_EXE, {"--check", dir + "/font.pcl"});
  for (const nlohmann::json& r : first["results"]) {
    const std::string line = r["verdict"].get<std::string>() + " " + r["rule"].get<std::string>() +
                             ": " + r["text"].get<std::string>();
    EXPECT_NE(lines.out.find("\n" + line + "\n"), std::string::npos) << line;
  }
  EXPECT_EQ(json["files"][1]["ending"]["how"], "end");
  EXPECT_EQ(json["files"][1]["results"], nlohmann::json::array());
  EXPECT_EQ(json["files"][2]["ending"]["how"], "not-opened");
  EXPECT_TRUE(json["files"][2]["size"].is_null());
  EXPECT_EQ(json["totals"], nlohmann::json({{"files", 3}, {"with_fail", 1}, {"not_read", 1}}));
}
#endif

// ---------------------------------------------------------------- the book

std::string rule_name_of(const std::string& line) {
  return line.substr(line.find(' ') + 1);  // "FAIL rule" -> "rule"
}

TEST(RuleBook, EveryRuleIsBrokenByAFontOfTheTable) {
  std::set<std::string> broken;
  for (const RuleCase& c : rule_cases()) {
    for (const std::string& line : c.rules) broken.insert(rule_name_of(line));
  }
  for (const check::Rule& rule : check::rule_book()) {
    EXPECT_EQ(broken.count(std::string(rule.name)), 1U) << rule.name << " has no font";
  }
  EXPECT_EQ(broken.size(), check::kRuleCount);
}

TEST(RuleBook, FixMendsExactlyTheRulesTheBookMarksForIt) {
  std::set<std::string> marked;
  for (const check::Rule& rule : check::rule_book()) {
    if (rule.mend == check::Mend::kFix) marked.insert(std::string(rule.name));
  }
  std::set<std::string> mended;
  for (const check::RuleId id : rules_fix_mends()) {
    mended.insert(std::string(check::rule(id).name));
  }
  EXPECT_EQ(mended, marked);
  std::set<std::string> with_a_case;
  for (const MendCase& c : mend_cases()) {
    const std::string name = c.name;
    with_a_case.insert(name.substr(0, name.find(':')));
  }
  EXPECT_EQ(with_a_case, marked);
}

// "rule VERDICT" for every rule a text names, in its order; `pattern` finds
// a rule's name and its verdicts.
std::vector<std::string> rules_named(const std::string& text, const std::regex& pattern) {
  std::vector<std::string> rules;
  for (auto it = std::sregex_iterator(text.begin(), text.end(), pattern);
       it != std::sregex_iterator(); ++it) {
    std::string name = (*it)[1];
    name = std::regex_replace(name, std::regex(R"(\\-)"), "-");
    const std::string verdicts = std::regex_replace((*it)[2].str(), std::regex(" or "), "/");
    rules.push_back(name + " " + verdicts);
  }
  return rules;
}

std::string file_text(const std::filesystem::path& path) {
  std::ifstream file(path);
  return std::string(std::istreambuf_iterator<char>(file), {});
}

TEST(RuleBook, TheListingTheReadmeAndTheManualPageNameTheSameRules) {
  testsupport::CapturedMessages listing;
  view::print_rule_book(listing.sink());
  const std::vector<std::string> listed =
      rules_named(listing.text(), std::regex(R"((?:^|\n)([a-z-]+) +(FAIL/WARN|FAIL|WARN) )"));
  ASSERT_EQ(listed.size(), check::kRuleCount) << listing.text();
  const std::filesystem::path root = std::filesystem::path(SAMPLE_FONT).parent_path().parent_path();
  EXPECT_EQ(rules_named(file_text(root / "README.md"),
                        std::regex(R"(\n- `([a-z-]+)` \((FAIL or WARN|FAIL|WARN)\))")),
            listed);
  EXPECT_EQ(rules_named(file_text(root / "man" / "kestrune-view.1"),
                        std::regex(R"re(\n\.BR ([a-z\\-]+) " \((FAIL or WARN|FAIL|WARN)\)")re")),
            listed);
}

}  // namespace
}  // namespace kestrune
