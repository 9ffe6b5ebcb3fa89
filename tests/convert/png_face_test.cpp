// PNG images read as characters: every colour type, depth and interlacing
// read alike, the threshold, the placement, the limits and damaged files.
#include "convert/png_face.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "bytes/input.h"
#include "bytes/messages.h"
#include "png_builder.h"
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
pb::PngPicture pattern_png(int type, int depth, bool interlaced, std::vector<std::uint16_t> dark,
                           std::vector<std::uint16_t> light) {
  pb::PngPicture picture;
  picture.width = 11;
  picture.height = 7;
  picture.colour_type = type;
  picture.bit_depth = depth;
  picture.interlaced = interlaced;
  for (std::uint32_t y = 0; y < picture.height; ++y) {
    for (std::uint32_t x = 0; x < picture.width; ++x) {
      const auto& samples = pattern_dot(x, y) ? dark : light;
      picture.samples.insert(picture.samples.end(), samples.begin(), samples.end());
    }
  }
  return picture;
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
      pb::PngPicture picture = pattern_png(row.type, row.depth, interlaced, row.dark, row.light);
      if (row.palette) picture.palette = {{255, 255, 255}, {0, 0, 0}, {250, 250, 250}, {0, 0, 0}};
      picture.transparency = row.transparency;
      const ReadImage image = read_image(pb::png_file(picture));
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
    pb::PngPicture picture;
    picture.width = picture.height = 1;
    picture.colour_type = 4;
    picture.samples = {row.grey, row.alpha};
    PngReading reading;
    reading.threshold = row.threshold;
    const ReadImage image = read_image(pb::png_file(picture), reading);
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

pb::PngPicture sized(std::uint32_t width, std::uint32_t height) {
  pb::PngPicture picture;
  picture.width = width;
  picture.height = height;
  return picture;
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
  const pb::PngPicture good_picture = pb::drawn_png({"#.", ".#"});
  const Bytes good = pb::png_file(good_picture);
  const Bytes ihdr = pb::chunk("IHDR", pb::ihdr_body(good_picture));
  const Bytes rows = pb::packed_rows(good_picture);
  const Bytes iend = pb::chunk("IEND", {});
  Bytes bad_crc = good;
  bad_crc[30] ^= 1;  // inside IHDR's CRC
  Bytes huge_length = chunks_file({ihdr});
  huge_length.insert(huge_length.end(), {0xFF, 0xFF, 0xFF, 0xF0, 'I', 'D', 'A', 'T', 0, 0, 0, 0});
  Bytes long_chunk = chunks_file({ihdr, pb::chunk("IDAT", pb::zlib_stored(rows))});
  long_chunk[33] = 0x7F;  // IDAT's length, high byte
  pb::PngPicture bad_depth = good_picture;
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

}  // namespace
}  // namespace kestrune::convert
