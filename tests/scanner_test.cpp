// The body pass of a cleaning or landscape run: which bytes of the body
// become characters in the output, what is dropped, and what is reported.
#include <gtest/gtest.h>

#include <string>

#include "font_builder.h"
#include "run_tool.h"

namespace kestrune {
namespace {

using fontbuilder::append;
using fontbuilder::Bytes;
using fontbuilder::command;
using fontbuilder::GlyphSpec;
using fontbuilder::text;

GlyphSpec three_by_two(int code) {
  GlyphSpec g;
  g.code = code;
  g.width = 3;
  g.height = 2;
  g.top_offset = 2;
  g.delta_x = 12;
  g.bitmap = Bytes{0xA7, 0x67};  // rows 101 and 011 with dirty fill bits
  return g;
}

// The same character as -clean writes it.
Bytes cleaned(GlyphSpec g) {
  g.code_text.clear();
  g.bitmap = Bytes{0xA0, 0x60};
  return fontbuilder::character_definition(g);
}

const std::string kHeaderLines = "header size = 64\n";

std::string found(int code) { return "Character code " + std::to_string(code) + " found.\n"; }
std::string found_and_cleaned(int code) {
  return found(code) + "Character code " + std::to_string(code) + " cleaned.\n";
}
const std::string kInvalid = "Error: Invalid character found!\n";
// The body starts at byte 70, after ESC )s64W and the descriptor.
std::string dropped(int count, int first) {
  return "Warning: " + std::to_string(count) +
         " bytes outside character definitions were dropped, the first at byte " +
         std::to_string(first) + "; a run without -l, -clean or -fix keeps them.\n";
}

struct ScanCase {
  const char* name;
  Bytes body;
  std::string messages;  // after the header lines
  Bytes written;         // after the header
};

std::vector<ScanCase> scan_cases() {
  const Bytes a = fontbuilder::character_definition(three_by_two(65));
  const Bytes b = fontbuilder::character_definition(three_by_two(66));
  auto join = [](std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& p : parts) append(all, p);
    return all;
  };
  GlyphSpec padded = three_by_two(65);
  padded.code_text = "065";
  Bytes code_without_digits =
      join({text("\x1b*cE\x1b(s18W"), fontbuilder::character_descriptor(three_by_two(0)),
            Bytes{0xA7, 0x67}});
  Bytes short_block = join({text("\x1b*c7E\x1b(s4W"), Bytes{1, 2, 3, 4}});
  // A's block over two and over three data commands.
  const Bytes a_descriptor = fontbuilder::character_descriptor(three_by_two(65));
  const Bytes a_first = join({text("\x1b*c65E\x1b(s17W"), a_descriptor, Bytes{0xA7}});
  const Bytes a_continued = join({a_first, text("\x1b(s3W"), Bytes{4, 1, 0x67}});
  const Bytes a_in_three = join({text("\x1b*c65E\x1b(s16W"), a_descriptor, text("\x1b(s3W"),
                                 Bytes{4, 1, 0xA7}, text("\x1b(s03W"), Bytes{4, 1, 0x67}});

  return {
      {"empty body", {}, "", {}},
      {"definitions only", join({a, b}), found_and_cleaned(65) + found_and_cleaned(66),
       join({cleaned(three_by_two(65)), cleaned(three_by_two(66))})},
      {"font ID command between", join({a, command("*c5D"), b}),
       found_and_cleaned(65) + kInvalid + found_and_cleaned(66) + dropped(5, 100),
       join({cleaned(three_by_two(65)), cleaned(three_by_two(66))})},
      {"other commands and text dropped", join({command("&l0O"), text("hello"), a, text("\r\n")}),
       found_and_cleaned(65) + dropped(12, 70), cleaned(three_by_two(65))},
      {"code without its data command", join({text("\x1b*c65Exyz"), b}),
       found(65) + kInvalid + found_and_cleaned(66) + dropped(9, 70), cleaned(three_by_two(66))},
      {"data command with the wrong terminator", join({text("\x1b*c65E\x1b(s18w"), b}),
       found(65) + kInvalid + found_and_cleaned(66) + dropped(12, 70), cleaned(three_by_two(66))},
      {"leading zeros in the code", fontbuilder::character_definition(padded),
       found_and_cleaned(65), cleaned(three_by_two(65))},
      {"code without digits", code_without_digits, found_and_cleaned(0), cleaned(three_by_two(0))},
      {"code too large for int", join({text("\x1b*c99999999999E\x1b(s18W"), b}),
       kInvalid + found_and_cleaned(66) + dropped(21, 70), cleaned(three_by_two(66))},
      // The bytes of a failed match are consumed: the second ESC is among
      // them, so it does not start a search and A is lost.
      {"escape inside a failed match", join({text("\x1b"), a, b}),
       found_and_cleaned(66) + dropped(31, 70), cleaned(three_by_two(66))},
      {"block too short for a descriptor", join({short_block, b}),
       found(7) + "Error: Character 7 is too short to hold a descriptor; skipped.\n" +
           found_and_cleaned(66) + dropped(14, 70),
       cleaned(three_by_two(66))},
      {"input ends inside a block", join({a, Bytes(b.begin(), b.end() - 1)}),
       found_and_cleaned(65) + found(66) + "Error: Input ends inside character 66.\n" +
           dropped(29, 100),
       cleaned(three_by_two(65))},
      {"input ends inside the data command", join({a, text("\x1b*c66E\x1b(")}),
       found_and_cleaned(65) + found(66) + "Error: Input ends inside character 66.\n" +
           dropped(8, 100),
       cleaned(three_by_two(65))},
      {"input ends after an escape", join({a, text("\x1b")}),
       found_and_cleaned(65) + "Error: Input ends inside a character definition.\n" +
           dropped(1, 100),
       cleaned(three_by_two(65))},
      {"input ends inside the code", join({a, text("\x1b*c6")}),
       found_and_cleaned(65) + kInvalid + dropped(4, 100), cleaned(three_by_two(65))},
      {"a continued block is joined", join({a_continued, b}),
       found_and_cleaned(65) + found_and_cleaned(66),
       join({cleaned(three_by_two(65)), cleaned(three_by_two(66))})},
      {"a block continued twice", join({a_in_three, b}),
       found_and_cleaned(65) + found_and_cleaned(66),
       join({cleaned(three_by_two(65)), cleaned(three_by_two(66))})},
      // Not 04 01, or not straight after the block: dropped as before.
      {"a data command that is no continuation", join({a, text("\x1b(s3W\x04\x02\x67"), b}),
       found_and_cleaned(65) + found_and_cleaned(66) + dropped(8, 100),
       join({cleaned(three_by_two(65)), cleaned(three_by_two(66))})},
      {"a continuation after a gap", join({a, text(" \x1b(s3W\x04\x01\x67")}),
       found_and_cleaned(65) + dropped(9, 100), cleaned(three_by_two(65))},
      {"input ends inside a continuation",
       join({a_first, text("\x1b(s3W\x04\x01")}),
       found(65) + "Error: Input ends inside character 65.\n" + dropped(36, 70),
       {}},
      {"input ends inside a continuation's data",
       join({a_first, text("\x1b(s4W\x04\x01\x67")}),
       found(65) + "Error: Input ends inside character 65.\n" + dropped(37, 70),
       {}},
  };
}

TEST(ScanCharacterDefinitions, CleaningRuns) {
  const Bytes header = fontbuilder::font_header({});
  for (const ScanCase& c : scan_cases()) {
    SCOPED_TRACE(c.name);
    const std::string dir = testsupport::temp_dir();
    Bytes input = header;
    append(input, c.body);
    fontbuilder::write_file(dir + "/in.sfp", input);
    const auto result =
        testsupport::run_tool(KESTRUNE_EXE, {dir + "/in.sfp", dir + "/out.sfp", "-clean"});
    EXPECT_EQ(result.exit_status, 1);
    const std::string names = "Input font: " + dir + "/in.sfp\nOutput font: " + dir + "/out.sfp\n";
    EXPECT_EQ(result.out, names + "Cleaning...\n" + kHeaderLines + c.messages);
    Bytes expected = header;
    append(expected, c.written);
    EXPECT_EQ(fontbuilder::read_file(dir + "/out.sfp"), expected);
  }
}

}  // namespace
}  // namespace kestrune

namespace kestrune {
namespace {

// Glyphs of awkward sizes and classes through the tool: each comes back with
// only its fill bits cleared, a compressed one unchanged.
TEST(ScanCharacterDefinitions, CleaningAwkwardSizes) {
  struct Glyph {
    std::uint16_t width, height;
    std::uint8_t glyph_class;
  };
  const Glyph glyphs[] = {{0, 3, 1},  {1, 3, 1}, {8, 2, 1},  {12, 2, 1},
                          {16, 2, 1}, {5, 0, 1}, {12, 2, 2}, {17, 1, 1}};
  Bytes input = fontbuilder::font_header({});
  Bytes expected = input;
  std::string messages;
  int code = 40;
  for (const Glyph& g : glyphs) {
    GlyphSpec dirty;
    dirty.code = ++code;
    dirty.width = g.width;
    dirty.height = g.height;
    dirty.glyph_class = g.glyph_class;
    const std::size_t stride = (g.width + 7U) / 8U;
    dirty.bitmap = Bytes(stride * g.height, 0xFF);
    append(input, fontbuilder::character_definition(dirty));
    GlyphSpec clean = dirty;
    clean.bitmap.reset();
    clean.rows.assign(g.height, std::string(g.width, '#'));
    if (g.glyph_class == 2) clean = dirty;  // run lengths have no fill bits
    append(expected, fontbuilder::character_definition(clean));
    messages += found_and_cleaned(code);
  }
  const std::string dir = testsupport::temp_dir();
  fontbuilder::write_file(dir + "/in.sfp", input);
  const auto result =
      testsupport::run_tool(KESTRUNE_EXE, {dir + "/in.sfp", dir + "/out.sfp", "-clean"});
  EXPECT_EQ(result.exit_status, 1);
  EXPECT_NE(result.out.find(kHeaderLines + messages), std::string::npos) << result.out;
  EXPECT_EQ(fontbuilder::read_file(dir + "/out.sfp"), expected);
}

}  // namespace
}  // namespace kestrune

namespace kestrune {
namespace {

// A glyph sent plain, continued over several data commands, or compressed
// (its runs also continued) comes out of -l as the plain glyph does; -clean
// joins the continued one and keeps a compressed one's runs. Glyphs of more
// than 32767 bytes go out in several data commands, which the tool joins
// again when it reads its own output.
TEST(ScanCharacterDefinitions, ContinuedAndCompressedTwins) {
  // Rows in pairs, and runs of more than 255 dots.
  std::vector<std::string> rows(300, std::string(300, '.'));
  for (std::size_t y = 0; y < rows.size(); ++y) rows[y][y / 2] = rows[y][299 - y / 2] = '#';
  GlyphSpec plain = fontbuilder::drawn_glyph(65, rows);
  GlyphSpec compressed = plain;
  compressed.glyph_class = 2;
  compressed.bitmap = fontbuilder::compress_bitmap(fontbuilder::character_bitmap(plain), 300, 300);
  const auto continued = [](const GlyphSpec& g) {
    return fontbuilder::continued_definition(g, 1000, 2000);
  };
  const Bytes header = fontbuilder::font_header({});
  const auto run = [&](const Bytes& body, const std::string& option) {
    const std::string dir = testsupport::temp_dir();
    Bytes input = header;
    append(input, body);
    fontbuilder::write_file(dir + "/in.sfp", input);
    const auto result =
        testsupport::run_tool(KESTRUNE_EXE, {dir + "/in.sfp", dir + "/out.sfp", option});
    EXPECT_NE(result.out.find("Character code 65 found.\n"), std::string::npos) << result.out;
    EXPECT_EQ(result.out.find("Error"), std::string::npos) << result.out;
    return fontbuilder::read_file(dir + "/out.sfp");
  };
  const Bytes plain_definition = fontbuilder::character_definition(plain);
  const Bytes turned = run(plain_definition, "-l");
  const Bytes cleaned_plain = run(plain_definition, "-clean");
  for (const Bytes& twin :
       {continued(plain), fontbuilder::character_definition(compressed), continued(compressed)}) {
    EXPECT_EQ(run(twin, "-l"), turned);
  }
  EXPECT_EQ(run(continued(plain), "-clean"), cleaned_plain);
  Bytes compressed_font = header;
  append(compressed_font, fontbuilder::character_definition(compressed));
  EXPECT_EQ(run(continued(compressed), "-clean"), compressed_font);
  // 700 x 400 dots turn into 400 rows of 88 bytes: over one data command.
  GlyphSpec large = plain;
  large.rows.assign(700, std::string(400, '#'));
  const Bytes large_turned = run(fontbuilder::character_definition(large), "-l");
  EXPECT_NE(std::string(large_turned.begin(), large_turned.end()).find("\x1b(s32767W"),
            std::string::npos);
  const Bytes body(large_turned.begin() + static_cast<long>(header.size()), large_turned.end());
  const Bytes cleaned_again = run(body, "-clean");
  EXPECT_EQ(Bytes(cleaned_again.begin() + static_cast<long>(header.size()), cleaned_again.end()),
            body);
}

}  // namespace
}  // namespace kestrune
