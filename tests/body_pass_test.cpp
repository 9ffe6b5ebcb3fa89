// Whole runs in each mode: the choice of body pass, damaged fonts cut at
// every byte, and cleaning as an idempotent change.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <random>

#include "font_builder.h"
#include "run_tool.h"
#include "streams.h"

namespace kestrune {
namespace {

using fontbuilder::append;
using fontbuilder::Bytes;
using fontbuilder::drawn_glyph;
using fontbuilder::FontSpec;
using fontbuilder::GlyphSpec;
using testsupport::MemoryRun;
using testsupport::run_in_memory;
using testsupport::run_tool;
using testsupport::ToolResult;

struct Output {
  ToolResult result;
  Bytes font;
};

Output run_on(const Bytes& input, std::vector<std::string> options, double timeout = 10.0) {
  const std::string dir = testsupport::temp_dir();
  fontbuilder::write_file(dir + "/in.sfp", input);
  std::vector<std::string> args = {dir + "/in.sfp", dir + "/out.sfp"};
  args.insert(args.end(), options.begin(), options.end());
  Output out{run_tool(KESTRUNE_EXE, args, timeout), {}};
  // A failed run leaves no output file.
  if (out.result.exit_status == 1) out.font = fontbuilder::read_file(dir + "/out.sfp");
  return out;
}

// The messages after the two name lines.
std::string messages(const ToolResult& r) {
  std::size_t at = 0;
  for (int line = 0; line < 2; ++line) at = r.out.find('\n', at) + 1;
  return r.out.substr(at);
}

// A small font with dirty fill bits, a foreign command and stray bytes.
Bytes small_font(std::uint8_t orientation = 0, std::uint8_t header_format = 0) {
  FontSpec font_spec;
  font_spec.orientation = orientation;
  font_spec.header_format = header_format;
  font_spec.extra = fontbuilder::text("(c) small");
  GlyphSpec dirty = drawn_glyph(66, {"#########", "#.......#"});
  dirty.bitmap = Bytes{0xFF, 0xFF, 0x80, 0xFF};
  Bytes font = fontbuilder::font(font_spec, {drawn_glyph(65, {"#.#", ".##", "#.."})});
  append(font, fontbuilder::command("*c5D"));
  append(font, fontbuilder::text("junk"));
  append(font, fontbuilder::character_definition(dirty));
  return font;
}

const std::string kDroppedCommandAndJunk =
    "Warning: 9 bytes outside character definitions were dropped, the first at byte 110; a run "
    "without -l, -clean or -fix keeps them.\n";

TEST(BodyPass, LandscapeWinsOverCleanOnAPortraitFont) {
  const Output out = run_on(small_font(), {"-l", "-clean"});
  EXPECT_EQ(out.result.exit_status, 1);
  EXPECT_EQ(messages(out.result),
            "Landscaping...\nCleaning...\nheader size = 73\n"
            "Character code 65 found.\nCharacter code 65 landscaped.\n"
            "Error: Invalid character found!\n"
            "Character code 66 found.\nCharacter code 66 landscaped.\n" +
                kDroppedCommandAndJunk);
  EXPECT_EQ(out.font, run_on(small_font(), {"-l"}).font);
}

TEST(BodyPass, CleaningRunsWhenTheFontCannotBeRotated) {
  const Output out = run_on(small_font(1), {"-l", "-clean"});
  EXPECT_EQ(out.result.exit_status, 1);
  EXPECT_EQ(messages(out.result),
            "Landscaping...\nCleaning...\nheader size = 73\n"
            "Warning: Cannot rotate this font! Continuing...\n"
            "Character code 65 found.\nCharacter code 65 cleaned.\n"
            "Error: Invalid character found!\n"
            "Character code 66 found.\nCharacter code 66 cleaned.\n" +
                kDroppedCommandAndJunk);
  EXPECT_EQ(out.font, run_on(small_font(1), {"-clean"}).font);
}

TEST(BodyPass, LandscapeOnANonPortraitFontCopies) {
  const Bytes font = small_font(1);
  const Output out = run_on(font, {"-l"});
  EXPECT_EQ(out.result.exit_status, 1);
  EXPECT_EQ(out.font, font);
}

// A scalable font's characters are no bitmaps: turning, cleaning or mending
// them would damage them, so every mode copies them.
TEST(BodyPass, AScalableFontIsCopiedInEveryMode) {
  const std::string warning =
      "Warning: Header format 15 (TrueType scalable) is a scalable font's; kestrune changes "
      "bitmap characters only, and copies these as they are.\n";
  const std::pair<std::vector<std::string>, std::string> modes[] = {
      {{"-l"},
       "Landscaping...\nheader size = 73\n" + warning +
           "Warning: Cannot rotate this font! Continuing...\n"},
      {{"-clean"}, "Cleaning...\nheader size = 73\n" + warning},
      {{"-fix"}, "Fixing...\nheader size = 73\n" + warning},
      {{"-l", "-clean", "-fix"},
       "Landscaping...\nCleaning...\nFixing...\nheader size = 73\n" + warning +
           "Warning: Cannot rotate this font! Continuing...\n"},
      {{}, "header size = 73\n"},
  };
  const Bytes font = small_font(0, 15);
  for (const auto& [mode, lines] : modes) {
    const Output out = run_on(font, mode);
    EXPECT_EQ(out.result.exit_status, 1);
    EXPECT_EQ(messages(out.result), lines);
    EXPECT_EQ(out.font, font);
  }
}

// Cut anywhere, a font must give a prefix of what the whole font gives: a
// character is written whole or not at all, and nothing is made up. Every
// cut runs in this process, where the executable would add only the files:
// a process for each would take minutes under the sanitizers.
TEST(BodyPass, EveryPrefixGivesAPrefixOfTheWholeOutput) {
  const Bytes font = small_font();
  const std::vector<std::vector<std::string>> modes = {
      {}, {"-r600"}, {"-clean"}, {"-l"}, {"-l", "-r300"}};
  for (const auto& mode : modes) {
    const std::string mode_name = mode.empty() ? "copy" : mode[0];
    const Bytes whole = run_on(font, mode).font;
    ASSERT_EQ(run_in_memory(font, mode).output, whole) << mode_name;
    testing::internal::CaptureStderr();
    for (std::size_t length = 0; length < font.size(); ++length) {
      SCOPED_TRACE(std::to_string(length) + " bytes, " + mode_name);
      const auto start = std::chrono::steady_clock::now();
      const MemoryRun run =
          run_in_memory(Bytes(font.begin(), font.begin() + static_cast<long>(length)), mode);
      EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
      EXPECT_LE(run.output.size(), whole.size());
      EXPECT_TRUE(std::equal(run.output.begin(), run.output.end(), whole.begin()));
    }
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << mode_name;
    // The executable, on a cut inside the header and one inside the last
    // character, exits as the run ended and leaves the file the run wrote,
    // or none when it failed.
    for (const std::size_t length : {std::size_t{50}, font.size() - 3}) {
      SCOPED_TRACE(std::to_string(length) + " bytes, " + mode_name + ", by the executable");
      const Bytes cut(font.begin(), font.begin() + static_cast<long>(length));
      const MemoryRun run = run_in_memory(cut, mode);
      const Output out = run_on(cut, mode, 2.0);
      EXPECT_FALSE(out.result.timed_out);
      EXPECT_EQ(out.result.exit_status, run.completed ? 1 : 255);
      EXPECT_EQ(out.font, run.completed ? run.output : Bytes{});
      EXPECT_EQ(out.result.err, "");
    }
  }
}

// A download file is the font it holds: every mode writes what it writes of
// the font alone, with the ID before it and the font control commands where
// they stood, and says the same of it.
TEST(BodyPass, ADownloadFileKeepsItsIdAndFontControls) {
  const Bytes font = fontbuilder::font(
      FontSpec{}, {drawn_glyph(65, {"#.#", ".##", "#.."}), drawn_glyph(66, {"##", "#."})});
  const Bytes a = fontbuilder::font(FontSpec{}, {drawn_glyph(65, {"#.#", ".##", "#.."})});
  const Bytes b = fontbuilder::character_definition(drawn_glyph(66, {"##", "#."}));
  struct Case {
    const char* name;
    Bytes before;
    Bytes between;  // after the first character
    Bytes after;
  };
  const Case cases[] = {
      {"permanent", fontbuilder::command("*c12D"), {}, fontbuilder::command("*c5F")},
      {"temporary, ID 0", fontbuilder::command("*c0D"), {}, fontbuilder::command("*c4F")},
      {"an ID alone", fontbuilder::command("*c32767D"), {}, {}},
      {"a control between characters",
       fontbuilder::command("*c7D"),
       fontbuilder::command("*c5F"),
       {}},
  };
  const std::vector<std::vector<std::string>> modes = {
      {}, {"-r600"}, {"-l"}, {"-clean"}, {"-fix"}, {"-l", "-clean", "-fix"}, {"-r600", "-f20"}};
  for (const Case& c : cases) {
    Bytes file = c.before;
    append(file, a);
    append(file, c.between);
    append(file, b);
    append(file, c.after);
    for (const auto& mode : modes) {
      SCOPED_TRACE(std::string(c.name) + ", " + (mode.empty() ? "copy" : mode[0]));
      const MemoryRun plain = run_in_memory(font, mode);
      const MemoryRun run = run_in_memory(file, mode);
      ASSERT_TRUE(run.completed) << run.messages;
      EXPECT_EQ(run.messages, plain.messages);
      // The plain run's output with the same commands where they stood:
      // the run on A alone writes the header and A.
      const Bytes first = run_in_memory(a, mode).output;
      ASSERT_TRUE(std::equal(first.begin(), first.end(), plain.output.begin()));
      Bytes expected = c.before;
      append(expected, first);
      append(expected, c.between);
      expected.insert(expected.end(), plain.output.begin() + static_cast<long>(first.size()),
                      plain.output.end());
      append(expected, c.after);
      EXPECT_EQ(run.output, expected);
    }
  }
}

TEST(BodyPass, CleaningACleanedFontChangesNothing) {
  std::mt19937 rng(3);
  std::vector<GlyphSpec> glyphs;
  for (int code = 33; code < 60; ++code) {
    GlyphSpec g;
    g.code = code;
    g.width = static_cast<std::uint16_t>(rng() % 20);
    g.height = static_cast<std::uint16_t>(rng() % 20);
    Bytes bitmap(g.height * ((g.width + 7u) / 8u));
    for (auto& b : bitmap) b = static_cast<std::uint8_t>(rng());
    g.bitmap = bitmap;
    glyphs.push_back(g);
  }
  FontSpec font_spec;
  font_spec.size_text = "064";  // the only thing a second cleaning may change
  const Output once = run_on(fontbuilder::font(font_spec, glyphs), {"-clean"});
  const Output twice = run_on(once.font, {"-clean"});
  EXPECT_EQ(once.result.exit_status, 1);
  EXPECT_EQ(twice.font, once.font);
  EXPECT_EQ(messages(twice.result), messages(once.result));
}

// The sample font through every mode, against outputs checked in beside the
// tests. Set KESTRUNE_UPDATE_GOLDEN=1 to write them anew after a deliberate
// change, and review the difference.
TEST(BodyPass, SampleFontGoldenRuns) {
  struct Golden {
    const char* name;
    std::vector<std::string> options;
  };
  const Golden runs[] = {{"copy", {}},
                         {"r300", {"-r300"}},
                         {"clean", {"-clean"}},
                         {"landscape", {"-l"}},
                         {"landscape-r600", {"-r600", "-l", "-clean"}}};
  const bool update = std::getenv("KESTRUNE_UPDATE_GOLDEN") != nullptr;
  const Bytes sample = fontbuilder::read_file(SAMPLE_FONT);
  for (const Golden& g : runs) {
    SCOPED_TRACE(g.name);
    const Output out = run_on(sample, g.options);
    EXPECT_EQ(out.result.exit_status, 1);
    const std::string base = std::string(GOLDEN_DIR) + "/sample-" + g.name;
    const std::string log = messages(out.result);
    if (update) {
      fontbuilder::write_file(base + ".sfp", out.font);
      fontbuilder::write_file(base + ".txt", Bytes(log.begin(), log.end()));
    }
    EXPECT_EQ(out.font, fontbuilder::read_file(base + ".sfp"));
    const Bytes expected_log = fontbuilder::read_file(base + ".txt");
    EXPECT_EQ(log, std::string(expected_log.begin(), expected_log.end()));
  }
}

}  // namespace
}  // namespace kestrune
