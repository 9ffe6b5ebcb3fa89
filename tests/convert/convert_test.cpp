// Whole runs of kestrune-convert: in memory for what it makes and says, as
// a process for its command line and its files, and on real fonts from
// Debian's packages where they are installed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "bytes/input.h"
#include "bytes/messages.h"
#include "check/font_check.h"
#include "convert/convert_run.h"
#include "font_builder.h"
#include "run_tool.h"
#include "softfont/font.h"

namespace {

namespace fb = kestrune::fontbuilder;
using kestrune::convert::ConvertOptions;
using kestrune::convert::MadeFont;
using kestrune::convert::make_font;
using kestrune::convert::NamedInput;
using Bytes = std::vector<std::uint8_t>;

// A small 75 dpi Unicode face: a space, A, e acute and the euro sign.
const std::string kSmallBdf =
    "STARTFONT 2.1\nFONT -Misc-Fixed-Medium-R-Normal--8-80-75-75-C-50-ISO10646-1\n"
    "SIZE 8 75 75\nFONTBOUNDINGBOX 5 8 0 -1\nSTARTPROPERTIES 7\nFAMILY_NAME \"Fixed\"\n"
    "WEIGHT_NAME \"Medium\"\nPIXEL_SIZE 8\nFONT_ASCENT 7\nFONT_DESCENT 1\n"
    "CHARSET_REGISTRY \"ISO10646\"\nCHARSET_ENCODING \"1\"\nENDPROPERTIES\nCHARS 4\n"
    "STARTCHAR space\nENCODING 32\nDWIDTH 5 0\nBBX 0 0 0 0\nBITMAP\nENDCHAR\n"
    "STARTCHAR A\nENCODING 65\nDWIDTH 5 0\nBBX 5 7 0 "
    "0\nBITMAP\n20\n50\n88\nF8\n88\n88\n88\nENDCHAR\n"
    "STARTCHAR eacute\nENCODING 233\nDWIDTH 5 0\nBBX 4 6 0 0\nBITMAP\n20\n40\n60\nF0\n80\n70\n"
    "ENDCHAR\nSTARTCHAR Euro\nENCODING 8364\nDWIDTH 5 0\nBBX 5 5 0 1\nBITMAP\n38\nE0\nF0\nE0\n38\n"
    "ENDCHAR\nENDFONT\n";

Bytes bytes_of(const std::string& text) { return Bytes(text.begin(), text.end()); }

struct Made {
  MadeFont made;
  std::string printed;
};

// The font made from `fonts` in memory, each input named "inN".
Made convert(const std::vector<Bytes>& fonts, ConvertOptions options) {
  std::vector<kestrune::InputBuffer> buffers;
  buffers.reserve(fonts.size());
  std::vector<NamedInput> inputs;
  for (const Bytes& font : fonts) {
    buffers.emplace_back(std::span<const std::uint8_t>(font));
    inputs.push_back({"in" + std::to_string(inputs.size() + 1), &buffers.back()});
  }
  if (options.output.empty()) options.output = "out.sfp";
  Bytes printed;
  kestrune::MessageSink messages(printed);
  Made result{make_font(inputs, options, messages), ""};
  kestrune::flush_messages(messages);
  result.printed.assign(printed.begin(), printed.end());
  return result;
}

// The check's FAIL lines for a soft font, as the viewer names them.
int fails_of(const Bytes& font) {
  kestrune::InputBuffer in{std::span<const std::uint8_t>(font)};
  kestrune::FontReader reader(in);
  return kestrune::check::check_font(reader).fails();
}

TEST(Convert, SaysWhatItReadAndWrote) {
  struct Row {
    const char* what;
    ConvertOptions options;
    std::vector<std::string> lines;  // each printed, in this order
    const char* absent;              // printed nowhere
  };
  ConvertOptions scaled;
  scaled.scale = 4;
  ConvertOptions roman8;
  roman8.symbol_set = 277;
  roman8.dpi = 600;
  ConvertOptions bdf;
  bdf.output = "OUT.Bdf";
  const Row rows[] = {
      {"as it is",
       {},
       {"Read in1: BDF, 4 glyphs at 75 dpi, ISO10646-1.\n",
        "in1: 1 glyph left out: unencoded, or with no code in symbol set 8U.\n",
        "Warning: out.sfp is a 75 dpi font: printers take 300 and 600 dpi fonts "
        "only; --scale 4 makes it 300 dpi.\n"},
       "Error"},
      {"scaled to 300 dpi",
       scaled,
       {"Read in1: BDF, 4 glyphs at 75 dpi, ISO10646-1.\n"},
       "Warning"},
      {"at 600 dpi in Roman-8", roman8, {"in1: 1 glyph left out"}, "Warning"},
      {"as BDF", bdf, {"Read in1: BDF, 4 glyphs at 75 dpi, ISO10646-1.\n"}, "Warning"},
  };
  for (const Row& row : rows) {
    const Made made = convert({bytes_of(kSmallBdf)}, row.options);
    EXPECT_EQ(made.made.status, 0) << row.what;
    std::size_t at = 0;
    for (const std::string& line : row.lines) {
      const std::size_t found = made.printed.find(line, at);
      EXPECT_NE(found, std::string::npos) << row.what << ": " << line << "\n" << made.printed;
      if (found != std::string::npos) at = found + line.size();
    }
    EXPECT_EQ(made.printed.find(row.absent), std::string::npos) << row.what << made.printed;
  }
}

TEST(Convert, SoftFontsItMakesPassTheCheck) {
  const int symbol_sets[] = {-1, 21, 14, 78, 277, 341, 629};
  for (const int scale : {1, 4}) {
    for (const int set : symbol_sets) {
      ConvertOptions options;
      options.scale = scale;
      options.symbol_set = set;
      const Made made = convert({bytes_of(kSmallBdf)}, options);
      ASSERT_EQ(made.made.status, 0) << made.printed;
      EXPECT_EQ(fails_of(made.made.font), 0) << "scale " << scale << ", symbol set " << set;
    }
  }
}

// A download file: the font as it is made without an ID, with the ID
// before it and ESC *c5F after it, read back as that font with no rule
// broken, and a line that says how a job selects it.
TEST(Convert, ADownloadFileIsTheFontBetweenItsIdAndItsControl) {
  struct Row {
    std::optional<int> id;
    bool permanent;
    const char* before;
    const char* after;
    const char* select;
  };
  const char* const attributes = "by its attributes with ESC (8U ESC (s0p15h7.75v0s0b0T.\n";
  const Row rows[] = {
      {std::nullopt, false, "", "", "Select it "},
      {12, false, "\x1b*c12D", "", "Select it with ESC (12X, or "},
      {12, true, "\x1b*c12D", "\x1b*c5F", "Select it with ESC (12X, or "},
      {0, true, "\x1b*c0D", "\x1b*c5F", "Select it with ESC (0X, or "},
      {32767, false, "\x1b*c32767D", "", "Select it with ESC (32767X, or "},
  };
  ConvertOptions plain_options;
  plain_options.scale = 4;
  const Made plain = convert({bytes_of(kSmallBdf)}, plain_options);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.before);
    ConvertOptions options = plain_options;
    options.font_id = row.id;
    options.permanent = row.permanent;
    const Made made = convert({bytes_of(kSmallBdf)}, options);
    ASSERT_EQ(made.made.status, 0) << made.printed;
    Bytes expected = bytes_of(row.before);
    expected.insert(expected.end(), plain.made.font.begin(), plain.made.font.end());
    const Bytes after = bytes_of(row.after);
    expected.insert(expected.end(), after.begin(), after.end());
    EXPECT_EQ(made.made.font, expected);
    EXPECT_TRUE(made.made.written.ends_with(".\n" + std::string(row.select) + attributes))
        << made.made.written;
    kestrune::InputBuffer in{std::span<const std::uint8_t>(made.made.font)};
    kestrune::FontReader reader(in);
    const kestrune::check::FontVerdict verdict = kestrune::check::check_font(reader);
    EXPECT_EQ(verdict.fails() + verdict.warns(), 0);
    EXPECT_EQ(verdict.checked, 3U);
    EXPECT_EQ(reader.font_id(), row.id.value_or(-1));
  }
}

TEST(Convert, ALaterInputAddsGlyphsAndReplacesThoseOfCodesTaken) {
  const Bytes sample = fb::read_file(SAMPLE_FONT);
  const Made made = convert({sample, bytes_of(kSmallBdf)}, {});
  EXPECT_EQ(made.made.status, 0) << made.printed;
  // The sample font is in Roman-8, so the face's e acute lands on 197.
  EXPECT_NE(made.printed.find("Warning: in2: character code 65 replaces the one read before.\n"),
            std::string::npos)
      << made.printed;
  EXPECT_EQ(made.printed.find("code 197 replaces"), std::string::npos) << made.printed;
}

TEST(Convert, ASoftFontComesBackFromBdfAsItWas) {
  // Rows of what BDF holds in no standard way: a code of the symbol set with
  // no Unicode character, an advance of no whole dots, a negative offset, a
  // copyright sign, compressed and continued characters.
  fb::GlyphSpec no_unicode = fb::drawn_glyph(128, {"#.#", ".#.", "#.#"});
  fb::GlyphSpec quarter_dots = fb::drawn_glyph(66, {"##", "##"});
  quarter_dots.delta_x = 37;
  fb::GlyphSpec below = fb::drawn_glyph(103, {".##", "#.#", ".##", "..#", "##."});
  below.top_offset = 3;
  below.left_offset = -2;
  fb::FontSpec header;
  header.extra = fb::text("\xA9 2026 Kestrune");
  header.first_code = 32;
  header.last_code = 255;
  header.font_type = 2;
  Bytes pcl = fb::font(header, {no_unicode, quarter_dots, below,
                                fb::compressed_glyph(fb::drawn_glyph(67, {"###", "#..", "###"}))});
  fb::append(pcl, fb::continued_definition(fb::drawn_glyph(68, {"##.", "#.#", "##."}), 20, 4));
  ConvertOptions to_bdf;
  to_bdf.output = "out.bdf";
  // BDF holds no class: a glyph from it goes out uncompressed, as --expand
  // writes the compressed one of the soft font.
  ConvertOptions expanded;
  expanded.classes = kestrune::convert::CharacterClasses::kExpand;
  const Made soft = convert({pcl}, expanded);
  const Made bdf = convert({pcl}, to_bdf);
  const Made back = convert({bdf.made.font}, {});
  ASSERT_EQ(soft.made.status, 0) << soft.printed;
  ASSERT_EQ(bdf.made.status, 0) << bdf.printed;
  EXPECT_EQ(back.made.font, soft.made.font)
      << bdf.printed << back.printed << std::string(bdf.made.font.begin(), bdf.made.font.end());
}

// Each character of a soft font as the project's own reading sees it: its
// class, and its dots, unpacked where it is compressed.
struct CharacterRead {
  int glyph_class = 0;
  int width = 0;
  int height = 0;
  Bytes dots;
};
std::map<int, CharacterRead> characters_of(const Bytes& font_bytes) {
  kestrune::InputBuffer in{std::span<const std::uint8_t>(font_bytes)};
  kestrune::FontReader font(in);
  font.read_header();
  std::map<int, CharacterRead> read;
  if (!font.start_body()) return read;
  while (font.next_definition()) {
    if (font.definition().status != kestrune::DefinitionStatus::kComplete) continue;
    const kestrune::Character c = font.classify(kestrune::kUnpackRuns);
    read[font.definition().code] = {c.descriptor.glyph_class, c.descriptor.width,
                                    c.descriptor.height, Bytes(c.dots.begin(), c.dots.end())};
  }
  return read;
}

bool same_dots(const std::map<int, CharacterRead>& a, const std::map<int, CharacterRead>& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const auto& x, const auto& y) {
    return x.first == y.first && x.second.width == y.second.width &&
           x.second.height == y.second.height && x.second.dots == y.second.dots;
  });
}

std::map<int, int> classes_of(const Bytes& font_bytes) {
  std::map<int, int> classes;
  for (const auto& [code, c] : characters_of(font_bytes)) classes[code] = c.glyph_class;
  return classes;
}

// Dots that repeat down a stem and across a bar, as a text face's do.
fb::GlyphSpec stroked_glyph(int code, int width, int height) {
  std::vector<std::string> rows;
  for (int y = 0; y < height; ++y) {
    std::string row(static_cast<std::size_t>(width), '.');
    for (int x = 0; x < width; ++x) {
      if (x < width / 5 || (y > height / 2 && y < height / 2 + 3))
        row[static_cast<std::size_t>(x)] = '#';
    }
    rows.push_back(row);
  }
  return fb::drawn_glyph(code, rows);
}

// Dots of no pattern, which run lengths only make longer.
fb::GlyphSpec speckled_glyph(int code, int width, int height) {
  fb::GlyphSpec glyph = fb::drawn_glyph(code, {});
  glyph.width = static_cast<std::uint16_t>(width);
  glyph.height = static_cast<std::uint16_t>(height);
  Bytes bitmap((static_cast<std::size_t>(width) + 7) / 8 * static_cast<std::size_t>(height));
  std::uint32_t state = 12345;
  for (std::uint8_t& byte : bitmap) {
    state = state * 1103515245U + 12345U;
    byte = static_cast<std::uint8_t>(state >> 16);
  }
  const int spare = (8 - width % 8) % 8;
  for (std::size_t end = (static_cast<std::size_t>(width) + 7) / 8; end <= bitmap.size();
       end += (static_cast<std::size_t>(width) + 7) / 8) {
    bitmap[end - 1] &= static_cast<std::uint8_t>(0xFF << spare);
  }
  glyph.bitmap = bitmap;
  return glyph;
}

ConvertOptions with_classes(kestrune::convert::CharacterClasses classes) {
  ConvertOptions options;
  options.classes = classes;
  return options;
}

TEST(Convert, CompressMakesASmallerFontOfTheSameDotsAndExpandGivesItBack) {
  using kestrune::convert::CharacterClasses;
  const Bytes sample = fb::read_file(SAMPLE_FONT);
  // Glyphs that compress, one that does not, and one over a data command
  // uncompressed that compresses into one.
  const Bytes strokes = fb::font({}, {stroked_glyph(65, 40, 60), speckled_glyph(66, 30, 30),
                                      stroked_glyph(67, 900, 300), fb::drawn_glyph(68, {"#"})});
  ConvertOptions scaled;
  scaled.scale = 4;
  const Made from_bdf = convert({bytes_of(kSmallBdf)}, scaled);
  struct Row {
    const char* name;
    Bytes input;
    std::size_t compressed;  // characters --compress makes compressed
  };
  const Row rows[] = {
      {"the sample font", sample, 32},
      {"strokes and speckle", strokes, 2},
      {"a soft font made from BDF", from_bdf.made.font, 3},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const Made plain = convert({row.input}, with_classes(CharacterClasses::kExpand));
    const Made packed = convert({row.input}, with_classes(CharacterClasses::kCompress));
    ASSERT_EQ(packed.made.status, 0) << packed.printed;
    EXPECT_EQ(fails_of(packed.made.font), 0);
    EXPECT_TRUE(same_dots(characters_of(packed.made.font), characters_of(row.input)));
    std::size_t compressed = 0;
    for (const auto& [code, glyph_class] : classes_of(packed.made.font)) {
      compressed += glyph_class == 2 ? 1 : 0;
    }
    EXPECT_EQ(compressed, row.compressed);
    if (row.compressed > 0) {
      EXPECT_LT(packed.made.font.size(), plain.made.font.size());
    }
    const Made back = convert({packed.made.font}, with_classes(CharacterClasses::kExpand));
    EXPECT_EQ(back.made.font, plain.made.font);
  }
  // A font kestrune-convert wrote comes back byte for byte.
  EXPECT_EQ(convert({sample}, with_classes(CharacterClasses::kExpand)).made.font, sample);
}

TEST(Convert, WithoutAnOptionACharacterKeepsItsClass) {
  const fb::GlyphSpec stem = stroked_glyph(65, 40, 60);
  const fb::GlyphSpec speckle = speckled_glyph(66, 30, 30);
  struct Row {
    const char* name;
    Bytes input;
    std::map<int, int> classes;  // of the characters written, by code
  };
  Bytes continued = fb::font({}, {stem});
  fb::append(continued, fb::continued_definition(fb::compressed_glyph(speckle), 100, 50));
  Bytes too_large = fb::font({}, {fb::compressed_glyph(stem)});
  fb::append(too_large, fb::continued_definition(fb::compressed_glyph(speckled_glyph(67, 500, 500)),
                                                 32767, 32765));
  const Row rows[] = {
      {"uncompressed, though it would compress, and compressed, though larger",
       fb::font({}, {stem, fb::compressed_glyph(speckle)}),
       {{65, 1}, {66, 2}}},
      {"compressed, continued over data commands: in one", continued, {{65, 1}, {66, 2}}},
      {"compressed, too large for one data command: uncompressed", too_large, {{65, 2}, {67, 1}}},
      {"from BDF: uncompressed",
       convert({bytes_of(kSmallBdf)}, {}).made.font,
       {{32, 1}, {65, 1}, {197, 1}}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const Made made = convert({row.input}, {});
    ASSERT_EQ(made.made.status, 0) << made.printed;
    EXPECT_EQ(fails_of(made.made.font), 0);
    EXPECT_EQ(classes_of(made.made.font), row.classes);
    EXPECT_TRUE(same_dots(characters_of(made.made.font), characters_of(row.input)));
  }
}

TEST(Convert, GlyphsBeyondPrintersLimitsAreLeftOutEachNamed) {
  fb::GlyphSpec no_width;  // no rows and no width: a bitmap of no dots
  no_width.code = 66;
  no_width.height = 1;
  const Bytes wide = fb::font(
      {}, {fb::drawn_glyph(65, {std::string(1100, '#')}), no_width, fb::drawn_glyph(67, {"#"})});
  ConvertOptions scaled;
  scaled.scale = 16;
  const Made made = convert({wide}, scaled);
  EXPECT_EQ(made.made.status, 1);
  EXPECT_NE(made.printed.find("Error: in1: character 66 is beyond printers' limits: 0 dots wide"),
            std::string::npos)
      << made.printed;
  EXPECT_NE(made.printed.find("Error: Character code 65, once scaled, is beyond printers' "
                              "limits: 17600 dots wide; it is left out.\n"),
            std::string::npos)
      << made.printed;
  EXPECT_NE(made.printed.find("Warning: out.sfp is a 4800 dpi font: printers take 300 and 600 dpi "
                              "fonts only; --scale 1 makes it 300 dpi.\n"),
            std::string::npos)
      << made.printed;
  EXPECT_TRUE(made.made.written.starts_with("Wrote out.sfp: 1 character at 4800 dpi"))
      << made.made.written;
  EXPECT_EQ(fails_of(made.made.font), 0);
}

TEST(Convert, NothingIsMadeOfWhatIsNoFont) {
  const std::string rows[] = {"", "STARTFON", "Hello, world\n", "\xEF\xBB\xBFSTARTFONT 2.1\n"};
  for (const std::string& text : rows) {
    const Made made = convert({bytes_of(text)}, {});
    EXPECT_EQ(made.made.status, 2) << text;
    EXPECT_TRUE(made.made.font.empty()) << text;
    EXPECT_NE(made.printed.find("Error: in1 is no font"), std::string::npos) << made.printed;
  }
}

// The built program, run as a user runs it.
const std::string kConvert = KESTRUNE_CONVERT_EXE;

TEST(ConvertCommandLine, RefusesWhatItCannotDoAndWritesNothing) {
  const std::string dir = kestrune::testsupport::temp_dir();
  const std::string sample = SAMPLE_FONT;
  const std::string out = dir + "/out.sfp";
  struct Row {
    std::vector<std::string> args;
    int status;
    const char* says;  // on standard output or standard error
  };
  const Row rows[] = {
      {{}, 2, "an input and an output are needed"},
      {{sample}, 2, "an input and an output are needed"},
      {{"--scale", "17", sample, out}, 2, "--scale"},
      {{"--scale", "2x", sample, out}, 2, "--scale"},
      {{"--dpi", "0", sample, out}, 2, "--dpi"},
      {{"--symbol-set", "9Q", sample, out}, 2, "9Q is not one of 0U, 0N, 2N, 8U, 10U, 19U"},
      {{"--name", "Seventeen letters", sample, out}, 2, "--name: more than 16 characters"},
      {{"--name", "Schrift \xC3\xA4", sample, out}, 2, "--name: only printable ASCII characters"},
      {{"--typeface", "65536", sample, out}, 2, "--typeface"},
      {{"--code", "65536", sample, out}, 2, "--code"},
      {{"--code", "-1", sample, out}, 2, "--code"},
      {{"--threshold", "0", sample, out}, 2, "--threshold"},
      {{"--threshold", "101", sample, out}, 2, "--threshold"},
      {{"--threshold", "50.5", sample, out}, 2, "--threshold"},
      {{"--permanent", sample, out}, 2, "--permanent needs --font-id"},
      {{"--font-id", "32768", sample, out}, 2, "--font-id"},
      {{"--font-id", "-1", sample, out}, 2, "--font-id"},
      {{"--font-id", "3", sample, dir + "/out.bdf"},
       2,
       "--font-id: a BDF output (.bdf) is no download file"},
      {{"--font-id", "3", "--permanent", sample, dir + "/OUT.BDF"},
       2,
       "--permanent: a BDF output (.bdf) is no download file"},
      {{"--frobnicate", sample, out}, 2, "--frobnicate"},
      {{dir + "/none.sfp", out}, 2, "Error: Could not open input file"},
      {{sample, dir + "/no/such/dir/out.sfp"}, 2, "Error: Could not open output file"},
      {{sample, sample}, 2, "is the input"},
      {{"--compress", sample, "--expand", out}, 2, "--compress excludes --expand"},
  };
  for (const Row& row : rows) {
    const auto run = kestrune::testsupport::run_tool(kConvert, row.args);
    EXPECT_EQ(run.exit_status, row.status) << row.args.size();
    EXPECT_NE((run.out + run.err).find(row.says), std::string::npos) << run.out << run.err;
    EXPECT_FALSE(std::filesystem::exists(out)) << row.says;
  }
  EXPECT_EQ(fb::read_file(sample), fb::read_file(SAMPLE_FONT));
}

TEST(ConvertCommandLine, OptionsStandBeforeOrAfterTheFilesAndDashDashEndsThem) {
  const std::string dir = kestrune::testsupport::temp_dir();
  const std::vector<std::vector<std::string>> lines = {
      {"--scale", "2", SAMPLE_FONT, dir + "/a.sfp"},
      {SAMPLE_FONT, "--scale=2", dir + "/b.sfp"},
      {SAMPLE_FONT, dir + "/c.sfp", "--scale", "2"},
      {"--scale", "2", "--", SAMPLE_FONT, dir + "/d.sfp"},
  };
  for (const auto& args : lines) {
    const auto run = kestrune::testsupport::run_tool(kConvert, args);
    EXPECT_EQ(run.exit_status, 0) << run.out << run.err;
  }
  for (const char* name : {"/b.sfp", "/c.sfp", "/d.sfp"}) {
    EXPECT_EQ(fb::read_file(dir + name), fb::read_file(dir + "/a.sfp")) << name;
  }
  const auto help = kestrune::testsupport::run_tool(kConvert, {"--help"});
  EXPECT_EQ(help.exit_status, 0);
  EXPECT_TRUE(help.out.starts_with("Usage: kestrune-convert [OPTIONS] INPUT... OUTPUT\n"));
  // The README quotes the text whole.
  const Bytes readme = fb::read_file(README_FILE);
  EXPECT_NE(std::string(readme.begin(), readme.end()).find(help.out), std::string::npos);
}

TEST(ConvertCommandLine, AFailedRunLeavesAnEarlierOutputAsItWas) {
  const std::string dir = kestrune::testsupport::temp_dir();
  const std::string out = dir + "/out.sfp";
  std::ofstream(out) << "earlier";
  std::ofstream(dir + "/text.txt") << "not a font";
  const auto run = kestrune::testsupport::run_tool(kConvert, {SAMPLE_FONT, dir + "/text.txt", out});
  EXPECT_EQ(run.exit_status, 2);
  EXPECT_EQ(fb::read_file(out), bytes_of("earlier"));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), {}), 2);
}

}  // namespace

// Real fonts from Debian's packages, turned to BDF by their own tools: an
// X11 font (xfonts-75dpi, through pcf2bdf) and DejaVu Sans rendered at 12
// points and 300 dpi (through otf2bdf). Skipped where a tool is missing.
struct RealFont {
  const char* name;
  const char* tool;
  std::vector<std::string> args;  // the BDF's path follows
  std::vector<std::string> options;
};

const RealFont kRealFonts[] = {
    {"helvR12",
     "/usr/bin/pcf2bdf",
     {"/usr/share/fonts/X11/75dpi/helvR12-ISO8859-1.pcf.gz", "-o"},
     {"--scale", "4"}},
    {"courB10",
     "/usr/bin/pcf2bdf",
     {"/usr/share/fonts/X11/75dpi/courB10-ISO8859-1.pcf.gz", "-o"},
     {"--scale", "4"}},
    {"DejaVuSans12",
     "/usr/bin/otf2bdf",
     {"-p", "12", "-r", "300", "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf", "-o"},
     {"--symbol-set", "8U"}},
};

// The BDF of a real font in `dir`, or "" when its tool or font is missing.
std::string real_bdf(const RealFont& font, const std::string& dir) {
  if (!std::filesystem::exists(font.tool)) return "";
  std::vector<std::string> args = font.args;
  if (!std::filesystem::exists(args[args.size() - 2])) return "";
  const std::string bdf = dir + "/" + font.name + ".bdf";
  args.push_back(bdf);
  const auto run = kestrune::testsupport::run_tool(font.tool, args, 60.0);
  return run.exit_status == 0 || std::filesystem::exists(bdf) ? bdf : "";
}

std::string convert_files(std::vector<std::string> args) {
  const auto run = kestrune::testsupport::run_tool(kConvert, args, 60.0);
  EXPECT_EQ(run.exit_status, 0) << run.out << run.err;
  return run.out;
}

// What a BDF says of its glyphs: each glyph's lines from ENCODING to
// ENDCHAR, but for SWIDTH, which is worked out from rounded sizes.
std::vector<std::string> glyph_lines(const std::string& path) {
  std::ifstream in(path);
  std::vector<std::string> lines;
  bool inside = false;
  for (std::string line; std::getline(in, line);) {
    if (line.starts_with("ENCODING")) inside = true;
    if (inside && !line.starts_with("SWIDTH")) lines.push_back(line);
    if (line == "ENDCHAR") inside = false;
  }
  return lines;
}

TEST(ConvertRealFonts, PassTheCheckAndComeBackFromBdfUnchanged) {
  const std::string dir = kestrune::testsupport::temp_dir();
  int converted = 0;
  for (const RealFont& font : kRealFonts) {
    const std::string bdf = real_bdf(font, dir);
    if (bdf.empty()) continue;
    ++converted;
    const std::string pcl = dir + "/" + font.name + ".sfp";
    std::vector<std::string> args = font.options;
    args.insert(args.end(), {bdf, pcl});
    convert_files(args);
    EXPECT_EQ(fails_of(fb::read_file(pcl)), 0) << font.name;
    // PCL to BDF and back makes the same soft font, byte for byte; the BDF
    // made of it makes the same BDF again.
    const std::string back = dir + "/" + font.name + "-back.bdf";
    const std::string again = dir + "/" + font.name + "-again.sfp";
    const std::string back_again = dir + "/" + font.name + "-back-again.bdf";
    convert_files({pcl, back});
    convert_files({back, again});
    convert_files({again, back_again});
    EXPECT_EQ(fb::read_file(again), fb::read_file(pcl)) << font.name;
    EXPECT_EQ(glyph_lines(back_again), glyph_lines(back)) << font.name;
    // The X11 compiler takes every BDF written.
    if (std::filesystem::exists("/usr/bin/bdftopcf")) {
      const auto compiled =
          kestrune::testsupport::run_tool("/usr/bin/bdftopcf", {"-o", dir + "/x.pcf", back}, 60.0);
      EXPECT_EQ(compiled.exit_status, 0) << font.name << compiled.err;
      EXPECT_EQ(compiled.err, "") << font.name;
    }
  }
  if (converted == 0) GTEST_SKIP() << "pcf2bdf, otf2bdf or their fonts are not installed";
}
