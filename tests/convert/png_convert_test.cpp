// Whole conversions of PNG images, alone and merged with fonts, read back
// through the one reading of a soft font: codes, resolutions, the header
// and the lines printed, and a scanned signature at its own size and place.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "bytes/input.h"
#include "convert/convert_run.h"
#include "font_builder.h"
#include "pcl/font_fields.h"
#include "png_builder.h"
#include "softfont/font.h"
#include "softfont/header.h"
#include "streams.h"

namespace kestrune::convert {
namespace {

namespace pb = kestrune::pngbuilder;
using Bytes = std::vector<std::uint8_t>;

// A 300 dpi BDF of one glyph, A, two dots wide.
const std::string kBdf300 =
    "STARTFONT 2.1\nFONT -Misc-Tiny-Medium-R-Normal--4-40-300-300-C-30-ISO10646-1\n"
    "SIZE 4 300 300\nFONTBOUNDINGBOX 2 2 0 0\nSTARTPROPERTIES 2\nFONT_ASCENT 2\n"
    "FONT_DESCENT 0\nENDPROPERTIES\nCHARS 2\nSTARTCHAR A\nENCODING 65\nDWIDTH 3 0\n"
    "BBX 2 2 0 0\nBITMAP\nC0\nC0\nENDCHAR\nSTARTCHAR B\nENCODING 66\nDWIDTH 3 0\n"
    "BBX 2 2 0 0\nBITMAP\n80\n40\nENDCHAR\nENDFONT\n";

struct Input {
  std::string name;
  Bytes bytes;
};

struct Made {
  MadeFont made;
  std::string printed;
};

Made convert(const std::vector<Input>& files, ConvertOptions options) {
  std::vector<InputBuffer> buffers;
  buffers.reserve(files.size());
  std::vector<NamedInput> inputs;
  for (const Input& file : files) {
    buffers.emplace_back(std::span<const std::uint8_t>(file.bytes));
    inputs.push_back({file.name, &buffers.back()});
  }
  if (options.output.empty()) options.output = "out.sfp";
  testsupport::CapturedMessages messages;
  Made result{make_font(inputs, options, messages.sink()), ""};
  result.printed = messages.text();
  return result;
}

// A character of a soft font as the one reading of a font gives it.
struct ReadCharacter {
  int code = 0;
  CharacterDescriptor descriptor;
  Bytes dots;
};

struct ReadFont {
  FontFields fields;
  int resolution = 0;
  std::vector<ReadCharacter> characters;
};

ReadFont read_back(const Bytes& font) {
  ReadFont read;
  InputBuffer in{std::span<const std::uint8_t>(font)};
  FontReader reader(in);
  reader.read_header();
  read.fields = decode_font_fields(reader.header().descriptor.bytes);
  read.resolution = printer_resolution(reader.header());
  if (!reader.start_body()) return read;
  while (reader.next_definition()) {
    const Character character = reader.classify(kUnpackRuns);
    read.characters.push_back({reader.definition().code, character.descriptor,
                               Bytes(character.dots.begin(), character.dots.end())});
  }
  return read;
}

const Bytes kTwoDots = pb::png_file(pb::drawn_png({"...", "#.#"}));

Bytes at_dpi(pb::PngPicture picture, std::uint32_t per_metre) {
  picture.pixels_per_metre = per_metre;
  return pb::png_file(picture);
}

TEST(PngConvert, CodesResolutionsAndWhatItSays) {
  struct Row {
    const char* what;
    std::vector<Input> inputs;
    ConvertOptions options;
    int status;
    std::vector<int> codes;
    int resolution;
    std::vector<std::string> lines;  // each printed, in this order
  };
  const Bytes at600 = at_dpi(pb::drawn_png({"#.", ".#"}), 23622);  // 600 dpi
  ConvertOptions code70;
  code70.code = 70;
  ConvertOptions last_code;
  last_code.code = 65535;
  ConvertOptions dpi300;
  dpi300.dpi = 300;
  ConvertOptions scaled;
  scaled.scale = 2;
  const Row rows[] = {
      {"alone",
       {{"dir/Logo.png", kTwoDots}},
       {},
       0,
       {65},
       300,
       {"Read dir/Logo.png: PNG, 3 x 2 pixels at 300 dpi (none given), 0.01 x 0.01 inches; ink "
        "3 x 1 dots, character code 65.\n"}},
      {"its own resolution",
       {{"a.png", at600}},
       {},
       0,
       {65},
       600,
       {"Read a.png: PNG, 2 x 2 pixels at 600 dpi, 0 x 0 inches; ink 2 x 2 dots, character "
        "code 65.\n"}},
      {"scaled", {{"a.png", at600}}, scaled, 0, {65}, 1200, {"Read a.png"}},
      {"--code and the next",
       {{"a.png", kTwoDots}, {"b.png", at600}},
       code70,
       0,
       {70, 71},
       300,
       {"character code 70.\n", "character code 71.\n",
        "Warning: b.png: a 600 dpi image in a 300 dpi font keeps its dots: it will print at 0.01 "
        "x 0.01 inches.\n"}},
      {"past 65535",
       {{"a.png", kTwoDots}, {"b.png", kTwoDots}},
       last_code,
       1,
       {65535},
       300,
       {"Error: b.png: its code would be 65536, past 65535; it is left out.\n"}},
      {"--dpi",
       {{"a.png", at600}},
       dpi300,
       0,
       {65},
       300,
       {"Warning: a.png: a 600 dpi image in a 300 dpi font keeps its dots"}},
      {"after a 300 dpi BDF",
       {{"f.bdf", Bytes(kBdf300.begin(), kBdf300.end())}, {"a.png", at600}},
       {},
       0,
       {65, 66},
       300,
       {"Read f.bdf: BDF", "Warning: a.png: a 600 dpi image in a 300 dpi font",
        "Warning: a.png: character code 65 replaces the one read before.\n"}},
      {"before a BDF",
       {{"a.png", at600}, {"f.bdf", Bytes(kBdf300.begin(), kBdf300.end())}},
       {},
       0,
       {65, 66},
       600,
       {"Read a.png", "Warning: f.bdf: character code 65 replaces the one read before.\n"}},
  };
  for (const Row& row : rows) {
    const Made made = convert(row.inputs, row.options);
    EXPECT_EQ(made.made.status, row.status) << row.what << made.printed;
    const ReadFont font = read_back(made.made.font);
    std::vector<int> codes;
    for (const ReadCharacter& character : font.characters) codes.push_back(character.code);
    EXPECT_EQ(codes, row.codes) << row.what;
    EXPECT_EQ(font.resolution, row.resolution) << row.what;
    std::size_t at = 0;
    for (const std::string& line : row.lines) {
      const std::size_t found = made.printed.find(line, at);
      EXPECT_NE(found, std::string::npos) << row.what << ": " << line << "\n" << made.printed;
      if (found != std::string::npos) at = found + line.size();
    }
  }
}

TEST(PngConvert, AFontOfImagesAloneHasAHeaderOfItsOwn) {
  ConvertOptions named;
  named.name = "Signature";
  const std::string long_name = "C:\\scans\\Unterschrift-M\xC3\xBCller.2026.png";
  struct Row {
    std::string file;
    ConvertOptions options;
    const char* name;
  };
  const Row rows[] = {{"/home/a/logo.png", {}, "logo"},
                      {long_name, {}, "Unterschrift-M__"},
                      {".png", {}, ".png"},
                      {"a.png", named, "Signature"}};
  for (const Row& row : rows) {
    const Made made = convert({{row.file, kTwoDots}}, row.options);
    const ReadFont font = read_back(made.made.font);
    EXPECT_EQ(font.fields.name.substr(0, font.fields.name.find_last_not_of(' ') + 1), row.name);
    EXPECT_EQ(font.fields.spacing, 1) << row.file;
    EXPECT_EQ(font.fields.first_code, 65) << row.file;
    EXPECT_EQ(font.fields.last_code, 65) << row.file;
    EXPECT_EQ(font.fields.font_type, 0) << row.file;
  }
}

// A scanned signature: a stroke in shades of grey with soft, partly
// transparent edges, 16 bits a sample, at 600 dpi.
pb::PngPicture scanned_signature() {
  pb::PngPicture picture;
  picture.width = 157;
  picture.height = 61;
  picture.colour_type = 4;
  picture.bit_depth = 16;
  picture.interlaced = true;
  picture.pixels_per_metre = 23622;
  for (std::uint32_t y = 0; y < picture.height; ++y) {
    for (std::uint32_t x = 0; x < picture.width; ++x) {
      const double stroke = 30 + 18 * std::sin(x / 9.0) + 6 * std::cos(x / 3.7);
      const double off = std::abs(static_cast<double>(y) - stroke);
      const bool inside = x >= 11 && x <= 140;
      const double ink = inside ? std::max(0.0, 1.0 - off / 5.0) : 0.0;
      picture.samples.push_back(static_cast<std::uint16_t>(65535 * (1.0 - ink * 0.9)));
      picture.samples.push_back(static_cast<std::uint16_t>(65535 * std::min(1.0, 0.3 + ink)));
    }
  }
  return picture;
}

TEST(PngConvert, AScannedSignatureBecomesTheCharacterItShows) {
  const pb::PngPicture picture = scanned_signature();
  ConvertOptions options;
  options.code = 83;
  const Made made = convert({{"signature.png", pb::png_file(picture)}}, options);
  ASSERT_EQ(made.made.status, 0) << made.printed;
  const ReadFont font = read_back(made.made.font);
  EXPECT_EQ(font.resolution, 600);
  ASSERT_EQ(font.characters.size(), 1U);
  const ReadCharacter& character = font.characters[0];
  EXPECT_EQ(character.code, 83);
  // The ink worked out here in floating point, laid over white.
  std::vector<std::string> ink(picture.height, std::string(picture.width, '.'));
  std::uint32_t left = picture.width, top = picture.height, right = 0, bottom = 0;
  for (std::uint32_t y = 0; y < picture.height; ++y) {
    for (std::uint32_t x = 0; x < picture.width; ++x) {
      const double grey = picture.samples[(y * picture.width + x) * 2] / 65535.0;
      const double alpha = picture.samples[(y * picture.width + x) * 2 + 1] / 65535.0;
      if (grey * alpha + (1 - alpha) >= 0.5) continue;
      ink[y][x] = '#';
      left = std::min(left, x), right = std::max(right, x);
      top = std::min(top, y), bottom = std::max(bottom, y);
    }
  }
  ASSERT_LT(left, right);
  std::vector<std::string> expected;
  for (std::uint32_t y = top; y <= bottom; ++y)
    expected.push_back(ink[y].substr(left, right - left + 1));
  const CharacterDescriptor& d = character.descriptor;
  EXPECT_EQ(d.left_offset, static_cast<int>(left));
  EXPECT_EQ(d.top_offset, static_cast<int>(picture.height - top));
  EXPECT_EQ(d.delta_x, static_cast<int>(picture.width * 4));
  EXPECT_EQ(fontbuilder::rows_from_bitmap(character.dots, d.width, d.height), expected);
}

}  // namespace
}  // namespace kestrune::convert
