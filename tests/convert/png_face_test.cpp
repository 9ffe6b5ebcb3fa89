// PNG images read as characters: every colour type, depth and interlacing
// read alike, the threshold, the placement, the limits and damaged files;
// then whole conversions of images, alone and merged with fonts, read back
// through the one reading of a soft font.
#include "convert/png_face.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "bytes/input.h"
#include "bytes/messages.h"
#include "convert/convert_run.h"
#include "png_builder.h"
#include "softfont/font.h"
#include "softfont/header.h"
#include "streams.h"

namespace kestrune::convert {
namespace {

namespace pb = kestrune::pngbuilder;
using Bytes = std::vector<std::uint8_t>;

struct ReadImage {
  PngOutcome outcome;
  Face face;
  std::string printed;
};

ReadImage read_image(const Bytes& file, PngReading reading = {}) {
  ReadImage result;
  InputBuffer in{std::span<const std::uint8_t>(file), 64};
  testsupport::CapturedMessages messages;
  result.outcome = read_png_face(in, "in.png", reading, messages.sink(), result.face);
  result.printed = messages.text();
  return result;
}

// The glyph's dots drawn with '#' and '.', top row first.
std::vector<std::string> drawing(const Glyph& glyph) {
  std::vector<std::string> rows;
  const std::size_t stride = glyph_stride(glyph.width);
  for (int y = 0; y < glyph.height; ++y) {
    std::string row;
    for (int x = 0; x < glyph.width; ++x) {
      const std::size_t at = static_cast<std::size_t>(y) * stride + static_cast<std::size_t>(x) / 8;
      row += at < glyph.rows.size() && (glyph.rows[at] >> (7 - x % 8) & 1) != 0 ? '#' : '.';
    }
    rows.push_back(row);
  }
  return rows;
}

// An 11 x 7 pattern, odd in both ways so that Adam7's passes and packed
// low depths end inside a byte; its ink is the 9 x 5 within a margin.
bool pattern_dot(std::uint32_t x, std::uint32_t y) {
  return x >= 1 && x <= 9 && y >= 1 && y <= 5 && ((x * 3 + y * 5) % 4 == 0 || x == 9 || y == 5);
}

const std::vector<std::string> kPatternInk = [] {
  std::vector<std::string> rows;
  for (std::uint32_t y = 1; y <= 5; ++y) {
    std::string row;
    for (std::uint32_t x = 1; x <= 9; ++x) row += pattern_dot(x, y) ? '#' : '.';
    rows.push_back(row);
  }
  return rows;
}();

// The pattern in a colour type and depth: `dark` and `light` are each
// pixel's samples for a dot and for paper.
pb::PngSpec pattern_png(int type, int depth, bool interlaced, std::vector<std::uint16_t> dark,
                        std::vector<std::uint16_t> light) {
  pb::PngSpec spec;
  spec.width = 11;
  spec.height = 7;
  spec.colour_type = type;
  spec.bit_depth = depth;
  spec.interlaced = interlaced;
  for (std::uint32_t y = 0; y < spec.height; ++y) {
    for (std::uint32_t x = 0; x < spec.width; ++x) {
      const auto& samples = pattern_dot(x, y) ? dark : light;
      spec.samples.insert(spec.samples.end(), samples.begin(), samples.end());
    }
  }
  return spec;
}

TEST(PngFace, EveryColourTypeDepthAndInterlacingGivesTheSameDots) {
  struct Row {
    int type;
    int depth;
    std::vector<std::uint16_t> dark, light;
    bool palette = false;
    std::optional<Bytes> transparency = std::nullopt;
  };
  const Row rows[] = {
      {0, 1, {0}, {1}},
      {0, 2, {0}, {3}},
      {0, 4, {1}, {15}},
      {0, 8, {0}, {255}},
      {0, 16, {1000}, {65535}},
      // Grey 0 made transparent by tRNS is paper; grey 1 a dot.
      {0, 8, {1}, {0}, false, Bytes{0, 0}},
      {0, 16, {0}, {200}, false, Bytes{0, 200}},
      {2, 8, {0, 0, 0}, {255, 255, 255}},
      {2, 16, {0, 20000, 0}, {65535, 65535, 65535}},
      {2, 8, {10, 10, 10}, {0, 0, 0}, false, Bytes{0, 0, 0, 0, 0, 0}},
      {3, 1, {1}, {0}, true},
      {3, 2, {3}, {2}, true},
      {3, 4, {1}, {0}, true},
      {3, 8, {1}, {2}, true},
      // Palette entry 3, black, made transparent: paper.
      {3, 8, {1}, {3}, true, Bytes{255, 255, 255, 0}},
      {4, 8, {0, 255}, {0, 0}},
      {4, 16, {0, 65535}, {65535, 65535}},
      {6, 8, {0, 0, 0, 255}, {0, 0, 0, 0}},
      {6, 16, {0, 0, 0, 65535}, {65535, 65535, 65535, 65535}},
  };
  for (const Row& row : rows) {
    for (const bool interlaced : {false, true}) {
      pb::PngSpec spec = pattern_png(row.type, row.depth, interlaced, row.dark, row.light);
      if (row.palette) spec.palette = {{255, 255, 255}, {0, 0, 0}, {250, 250, 250}, {0, 0, 0}};
      spec.transparency = row.transparency;
      const ReadImage image = read_image(pb::png_file(spec));
      const std::string what = "type " + std::to_string(row.type) + " at " +
                               std::to_string(row.depth) + (interlaced ? " interlaced" : "");
      ASSERT_TRUE(image.outcome.read) << what << image.printed;
      const Glyph* glyph = image.face.glyphs.find(65);
      ASSERT_NE(glyph, nullptr) << what << image.printed;
      EXPECT_EQ(drawing(*glyph), kPatternInk) << what;
      EXPECT_EQ(glyph->left, 1) << what;
      EXPECT_EQ(glyph->top, 6) << what;
      EXPECT_EQ(glyph->advance, 44) << what;
    }
  }
}

// One grey and alpha pixel at 8 bits, which the decoder widens to 16 by
// 257; a dot when it is darker than the threshold once laid over white.
TEST(PngFace, APixelIsADotWhenLaidOverWhiteItIsDarkerThanTheThreshold) {
  struct Row {
    std::uint16_t grey, alpha;
    int threshold;
    bool dot;
  };
  const Row rows[] = {
      {127, 255, 50, true},   {128, 255, 50, false}, {0, 128, 50, true},   {0, 127, 50, false},
      {255, 255, 100, false}, {254, 255, 100, true}, {2, 255, 1, true},    {3, 255, 1, false},
      {0, 0, 100, false},     {0, 255, 1, true},     {191, 255, 75, true}, {192, 255, 75, false},
      {100, 200, 60, true},   {100, 100, 60, false},
  };
  for (const Row& row : rows) {
    pb::PngSpec spec;
    spec.width = spec.height = 1;
    spec.colour_type = 4;
    spec.samples = {row.grey, row.alpha};
    PngReading reading;
    reading.threshold = row.threshold;
    const ReadImage image = read_image(pb::png_file(spec), reading);
    ASSERT_NE(image.face.glyphs.find(65), nullptr) << image.printed;
    const Glyph& glyph = *image.face.glyphs.find(65);
    EXPECT_EQ(glyph.rows, Bytes{static_cast<std::uint8_t>(row.dot ? 0x80 : 0)})
        << row.grey << " " << row.alpha << " at " << row.threshold;
  }
}

TEST(PngFace, TheInkStandsWhereItStoodInTheImage) {
  struct Row {
    std::vector<std::string> image;
    int left, top, width, height, advance;
    std::vector<std::string> ink;
  };
  const Row rows[] = {
      {{"#"}, 0, 1, 1, 1, 4, {"#"}},
      {{"....", ".##.", "....", "...."}, 1, 3, 2, 1, 16, {"##"}},
      {{"........#", ".........", "#........"},
       0,
       3,
       9,
       3,
       36,
       {"........#", ".........", "#........"}},
      {{"..........", "..#.......", "...#......"}, 2, 2, 2, 2, 40, {"#.", ".#"}},
      // No ink: one blank dot, and the image's advance kept.
      {{".....", "....."}, 0, 1, 1, 1, 20, {"."}},
  };
  for (const Row& row : rows) {
    const ReadImage image = read_image(pb::png_file(pb::drawn_png(row.image)));
    ASSERT_NE(image.face.glyphs.find(65), nullptr) << image.printed;
    const Glyph& glyph = *image.face.glyphs.find(65);
    EXPECT_EQ(glyph.left, row.left) << row.image[0];
    EXPECT_EQ(glyph.top, row.top) << row.image[0];
    EXPECT_EQ(glyph.width, row.width) << row.image[0];
    EXPECT_EQ(glyph.height, row.height) << row.image[0];
    EXPECT_EQ(glyph.advance, row.advance) << row.image[0];
    EXPECT_EQ(drawing(glyph), row.ink) << row.image[0];
  }
  EXPECT_NE(read_image(pb::png_file(pb::drawn_png({"..", ".."})))
                .printed.find("no ink: a blank character of one dot, character code 65.\n"),
            std::string::npos);
}

// A file of the signature and these chunks.
Bytes chunks_file(const std::vector<Bytes>& chunks) {
  Bytes file = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  for (const Bytes& chunk : chunks) file.insert(file.end(), chunk.begin(), chunk.end());
  return file;
}

pb::PngSpec sized(std::uint32_t width, std::uint32_t height) {
  pb::PngSpec spec;
  spec.width = width;
  spec.height = height;
  return spec;
}

TEST(PngFace, ImagesLargerThanACharacterAreRefusedBeforeTheyAreUnpacked) {
  // Image data no decoder could unpack: only a refusal before unpacking
  // gives the refused character rather than an unread input.
  const Bytes garbage = pb::chunk("IDAT", Bytes(20, 0xEE));
  struct Row {
    std::uint32_t width, height;
    bool refused;
  };
  const Row rows[] = {{16385, 1, true},   {1, 16385, true},
                      {4096, 4096, true}, {0x7FFFFFFF, 0x7FFFFFFF, true},
                      {16384, 8, false},  {8192, 1024, false}};
  for (const Row& row : rows) {
    const ReadImage image =
        read_image(chunks_file({pb::chunk("IHDR", pb::ihdr_body(sized(row.width, row.height))),
                                garbage, pb::chunk("IEND", {})}));
    const std::string size = std::to_string(row.width) + " x " + std::to_string(row.height);
    EXPECT_EQ(image.outcome.read, row.refused) << size << image.printed;
    EXPECT_EQ(image.outcome.refused, row.refused ? 1U : 0U) << size;
    const std::string says = row.refused ? "Error: in.png: its image is " + size +
                                               " pixels, more than a character may be (16384 x "
                                               "16384 dots, a bitmap of 1 MiB)"
                                         : "Error: in.png: cannot read it as a PNG image: its "
                                           "image data does not unpack";
    EXPECT_NE(image.printed.find(says), std::string::npos) << image.printed;
  }
}

TEST(PngFace, DamagedFilesAreInputsThatCannotBeRead) {
  const pb::PngSpec good_spec = pb::drawn_png({"#.", ".#"});
  const Bytes good = pb::png_file(good_spec);
  const Bytes ihdr = pb::chunk("IHDR", pb::ihdr_body(good_spec));
  const Bytes rows = pb::packed_rows(good_spec);
  const Bytes iend = pb::chunk("IEND", {});
  Bytes bad_crc = good;
  bad_crc[30] ^= 1;  // inside IHDR's CRC
  Bytes huge_length = chunks_file({ihdr});
  huge_length.insert(huge_length.end(), {0xFF, 0xFF, 0xFF, 0xF0, 'I', 'D', 'A', 'T', 0, 0, 0, 0});
  Bytes long_chunk = chunks_file({ihdr, pb::chunk("IDAT", pb::zlib_stored(rows))});
  long_chunk[33] = 0x7F;  // IDAT's length, high byte
  pb::PngSpec bad_depth = good_spec;
  bad_depth.bit_depth = 3;
  Bytes extra_rows = rows;
  extra_rows.insert(extra_rows.end(), 4096, 0);
  struct Row {
    const char* what;
    Bytes file;
    const char* says;
  };
  const Row table[] = {
      {"cut in a chunk", Bytes(good.begin(), good.end() - 20), "claims"},
      {"cut before IEND", Bytes(good.begin(), good.end() - 12), "ends before its IEND chunk"},
      {"signature only", Bytes(good.begin(), good.begin() + 8), "ends before its IEND"},
      {"a wrong CRC", bad_crc, "the CRC of its IHDR chunk at byte 8 is wrong"},
      {"a huge chunk length", huge_length, "claims 4294967280 bytes"},
      {"a length past the end", long_chunk, "claims 2130706449 bytes"},
      {"no IHDR first", chunks_file({pb::chunk("IDAT", {}), ihdr, iend}),
       "its first chunk is not IHDR"},
      {"a short IHDR", chunks_file({pb::chunk("IHDR", Bytes(12, 1)), iend}), "not 13 bytes"},
      {"a depth PNG has not", chunks_file({pb::chunk("IHDR", pb::ihdr_body(bad_depth)), iend}),
       "colour type 0 at 3 bits"},
      {"no width", chunks_file({pb::chunk("IHDR", pb::ihdr_body(sized(0, 2))), iend}),
       "a width or height of 0"},
      {"no image", chunks_file({ihdr, iend}), "no IDAT chunk"},
      {"too few rows",
       chunks_file(
           {ihdr, pb::chunk("IDAT", pb::zlib_stored(Bytes(rows.begin(), rows.end() - 1))), iend}),
       "does not unpack to the 6 bytes its rows take (too few)"},
      {"more than its rows",
       chunks_file({ihdr, pb::chunk("IDAT", pb::zlib_stored(extra_rows)), iend}),
       "does not unpack to the 6 bytes its rows take"},
      {"no zlib stream", chunks_file({ihdr, pb::chunk("IDAT", Bytes(9, 0x55)), iend}),
       "does not unpack"},
      {"a bad filter",
       chunks_file({ihdr, pb::chunk("IDAT", pb::zlib_stored({9, 0, 0, 9, 0, 0})), iend}),
       "the decoder cannot read it"},
  };
  for (const Row& row : table) {
    const ReadImage image = read_image(row.file);
    EXPECT_FALSE(image.outcome.read) << row.what;
    EXPECT_TRUE(image.printed.starts_with("Error: in.png: cannot read it as a PNG image: "))
        << row.what << ": " << image.printed;
    EXPECT_NE(image.printed.find(row.says), std::string::npos) << row.what << ": " << image.printed;
    EXPECT_EQ(image.face.glyphs.size(), 0U) << row.what;
  }
  EXPECT_TRUE(read_image(good).outcome.read);
}

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

Bytes at_dpi(pb::PngSpec spec, std::uint32_t per_metre) {
  spec.pixels_per_metre = per_metre;
  return pb::png_file(spec);
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
pb::PngSpec scanned_signature() {
  pb::PngSpec spec;
  spec.width = 157;
  spec.height = 61;
  spec.colour_type = 4;
  spec.bit_depth = 16;
  spec.interlaced = true;
  spec.pixels_per_metre = 23622;
  for (std::uint32_t y = 0; y < spec.height; ++y) {
    for (std::uint32_t x = 0; x < spec.width; ++x) {
      const double stroke = 30 + 18 * std::sin(x / 9.0) + 6 * std::cos(x / 3.7);
      const double off = std::abs(static_cast<double>(y) - stroke);
      const bool inside = x >= 11 && x <= 140;
      const double ink = inside ? std::max(0.0, 1.0 - off / 5.0) : 0.0;
      spec.samples.push_back(static_cast<std::uint16_t>(65535 * (1.0 - ink * 0.9)));
      spec.samples.push_back(static_cast<std::uint16_t>(65535 * std::min(1.0, 0.3 + ink)));
    }
  }
  return spec;
}

TEST(PngConvert, AScannedSignatureBecomesTheCharacterItShows) {
  const pb::PngSpec spec = scanned_signature();
  ConvertOptions options;
  options.code = 83;
  const Made made = convert({{"signature.png", pb::png_file(spec)}}, options);
  ASSERT_EQ(made.made.status, 0) << made.printed;
  const ReadFont font = read_back(made.made.font);
  EXPECT_EQ(font.resolution, 600);
  ASSERT_EQ(font.characters.size(), 1U);
  const ReadCharacter& character = font.characters[0];
  EXPECT_EQ(character.code, 83);
  // The ink worked out here in floating point, laid over white.
  std::vector<std::string> ink(spec.height, std::string(spec.width, '.'));
  std::uint32_t left = spec.width, top = spec.height, right = 0, bottom = 0;
  for (std::uint32_t y = 0; y < spec.height; ++y) {
    for (std::uint32_t x = 0; x < spec.width; ++x) {
      const double grey = spec.samples[(y * spec.width + x) * 2] / 65535.0;
      const double alpha = spec.samples[(y * spec.width + x) * 2 + 1] / 65535.0;
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
  EXPECT_EQ(d.top_offset, static_cast<int>(spec.height - top));
  EXPECT_EQ(d.delta_x, static_cast<int>(spec.width * 4));
  EXPECT_EQ(fontbuilder::rows_from_bitmap(character.dots, d.width, d.height), expected);
}

}  // namespace
}  // namespace kestrune::convert
