// The viewer, the check and kestrune read a font alike: the same characters,
// the same ending, the same meaning of its header format and of the largest
// bitmap printers take.
#include "agreement.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "bytes/input.h"
#include "driver/run.h"
#include "font_builder.h"
#include "streams.h"
#include "viewer/font_check.h"
#include "viewer/font_view.h"

namespace kestrune {
namespace {

namespace fb = fontbuilder;
using fb::Bytes;

const std::filesystem::path kFuzzDir =
    std::filesystem::path(SAMPLE_FONT).parent_path().parent_path() / "fuzz";

Bytes prefix_of(const Bytes& bytes, std::size_t n) {
  return Bytes(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n));
}

Bytes download_file(const Bytes& font) {
  Bytes file = fb::command("*c1D");
  fb::append(file, font);
  fb::append(file, fb::command("(1X"));
  return file;
}

// A font of every kind of character the reading joins or unpacks.
Bytes mixed_font() {
  const fb::GlyphSpec a = fb::drawn_glyph(65, {"..#..", ".#.#.", "#####", "#...#"});
  Bytes font = fb::font({}, {a, fb::compressed_glyph(fb::drawn_glyph(66, {"##.", "#.#", "##."}))});
  fb::append(font, fb::continued_definition(fb::drawn_glyph(67, {"###", "#..", "###"}), 20, 4));
  return font;
}

TEST(ViewerCheckAndKestrune, AgreeOnEveryFontOfTheCorpora) {
  // A whole-run seed begins with a byte that picks options.
  const std::pair<const char*, std::ptrdiff_t> sources[] = {{"corpus/fuzz_run", 1},
                                                            {"regressions/fuzz_run", 1},
                                                            {"corpus/fuzz_view", 0},
                                                            {"regressions/fuzz_view", 0}};
  std::size_t fonts = 0;
  for (const auto& [dir, skip] : sources) {
    for (const auto& entry : std::filesystem::directory_iterator(kFuzzDir / dir)) {
      const Bytes seed = fb::read_file(entry.path().string());
      if (seed.size() < static_cast<std::size_t>(skip)) continue;
      EXPECT_EQ(testsupport::disagreement(Bytes(seed.begin() + skip, seed.end())), "")
          << entry.path();
      ++fonts;
    }
  }
  EXPECT_GE(fonts, 40U);
}

TEST(ViewerCheckAndKestrune, AgreeOnEveryCutOffPrefix) {
  const Bytes sample = fb::read_file(SAMPLE_FONT);
  const std::pair<const char*, Bytes> fonts[] = {
      {"sample", sample}, {"mixed", mixed_font()}, {"download file", download_file(sample)}};
  for (const auto& [name, font] : fonts) {
    for (std::size_t n = 0; n <= font.size(); ++n) {
      const std::string why = testsupport::disagreement(prefix_of(font, n));
      ASSERT_EQ(why, "") << name << " cut at " << n;
    }
  }
}

// What each made of a font: the check's rule lines and characters
// checked, the viewer's status and last line, kestrune -l's lines.
struct Readings {
  std::string check;
  std::string view;
  int view_status = 0;
  std::string run;
};

Readings read_all_ways(const Bytes& font) {
  Readings r;
  {
    InputBuffer in{std::span<const std::uint8_t>(font)};
    testsupport::CapturedMessages out;
    view::check_font(in, out.sink(), "font");
    r.check = out.text();
  }
  {
    InputBuffer in{std::span<const std::uint8_t>(font)};
    testsupport::CapturedMessages out;
    view::ViewOptions options;
    options.draw = false;
    r.view_status = view::view_font(in, out.sink(), options);
    r.view = out.text();
  }
  InputBuffer in{std::span<const std::uint8_t>(font)};
  std::vector<std::uint8_t> written;
  OutputBuffer out(written);
  testsupport::CapturedMessages messages;
  RunOptions options;
  options.landscape = true;
  run_font_phases(in, out, options, messages.sink());
  r.run = messages.text();
  return r;
}

std::size_t count_of(const std::string& text, const std::string& what) {
  std::size_t count = 0;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
    ++count;
  }
  return count;
}

TEST(ViewerCheckAndKestrune, HeaderFormatsMeanTheSameToAll) {
  struct Case {
    int format;
    const char* check_line;  // the header-format line's start, or "" for none
    bool bitmaps;            // the characters are read, shown and turned
  };
  const Case cases[] = {
      {0, "", true},
      {1, "FAIL header-format: header format byte 1,", true},
      {10, "WARN header-format: header format 10 is a scalable font's", false},
      {11, "WARN header-format: header format 11 is a scalable font's", false},
      {15, "WARN header-format: header format 15 is a scalable font's", false},
      // GhostPCL takes format 4 bitmap characters under the universal format.
      {16, "", true},
      {20, "", true},
      {99, "FAIL header-format: header format byte 99,", true},
  };
  const std::vector<fb::GlyphSpec> glyphs = {fb::drawn_glyph(65, {"#.", ".#"}),
                                             fb::drawn_glyph(66, {"##", "##"})};
  for (const Case& c : cases) {
    SCOPED_TRACE("header format " + std::to_string(c.format));
    fb::FontSpec header;
    header.header_format = static_cast<std::uint8_t>(c.format);
    if (c.format == 20) header.descriptor_size = 68;
    const Bytes font = fb::font(header, glyphs);
    EXPECT_EQ(testsupport::disagreement(font), "");
    const Readings r = read_all_ways(font);
    const std::string line = std::string("\n") + c.check_line;
    EXPECT_EQ(r.check.find("header-format") != std::string::npos, *c.check_line != '\0') << r.check;
    EXPECT_NE(r.check.find(line), std::string::npos) << r.check;
    const std::size_t characters = c.bitmaps ? 2 : 0;
    EXPECT_NE(r.check.find("; " + std::to_string(characters) + " characters checked."),
              std::string::npos)
        << r.check;
    EXPECT_NE(r.view.find(c.bitmaps ? "\n2 character definitions.\n"
                                    : "is a scalable font's, whose characters are no bitmaps"),
              std::string::npos)
        << r.view;
    EXPECT_EQ(r.view_status, 0) << r.view;
    EXPECT_EQ(count_of(r.run, " landscaped."), characters) << r.run;
    EXPECT_EQ(count_of(r.run, "Warning: Cannot rotate this font!"), c.bitmaps ? 0U : 1U) << r.run;
  }
}

TEST(ViewerCheckAndKestrune, TheLargestBitmapIsCountedInWholeBytesByAll) {
  struct Case {
    std::uint16_t width;
    std::uint16_t height;
    bool compress;
    bool too_large;  // width x height / 8 over 1 MiB in whole bytes
  };
  const Case cases[] = {
      // 8,388,613 dots: 1,048,576 whole bytes, the most printers take.
      {1277, 6569, true, false}, {1278, 6569, true, true},  {1277, 6569, false, false},
      {1278, 6569, false, true}, {8192, 1024, true, false}, {8192, 1025, true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height) +
                 (c.compress ? ", compressed" : ""));
    fb::GlyphSpec glyph = fb::drawn_glyph(65, {});
    glyph.width = c.width;
    glyph.height = c.height;
    glyph.bitmap = Bytes(row_stride(c.width) * c.height, 0);
    if (c.compress) glyph = fb::compressed_glyph(glyph);
    const Bytes font = fb::font({}, {glyph});
    EXPECT_EQ(testsupport::disagreement(font), "");
    const Readings r = read_all_ways(font);
    EXPECT_EQ(r.check.find("FAIL char-too-large") != std::string::npos, c.too_large) << r.check;
    EXPECT_EQ(r.view.find("a bitmap larger than printers take") != std::string::npos, c.too_large)
        << r.view;
    // A compressed glyph too large to unpack is skipped; a bitmap is turned
    // whatever its size, its dots being all there.
    const bool skipped = c.too_large && c.compress;
    EXPECT_EQ(count_of(r.run, "Character code 65 landscaped."), skipped ? 0U : 1U) << r.run;
    EXPECT_EQ(count_of(r.run, "holds damaged compressed data; skipped."), skipped ? 1U : 0U);
  }
}

}  // namespace
}  // namespace kestrune
