// The compressed-bitmap coder that --compress writes with: whatever it
// packs, the unpacker every reader of a font uses gives back dot for dot,
// in the bytes the font builder's plain coder writes.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "font_builder.h"
#include "pcl/compressed.h"
#include "pcl/records.h"

namespace kestrune {
namespace {

namespace fb = fontbuilder;
using Bytes = std::vector<std::uint8_t>;
using Dot = std::function<bool(std::size_t x, std::size_t y)>;

Bytes drawn(std::uint16_t width, std::uint16_t height, const Dot& dot) {
  const std::size_t stride = row_stride(width);
  Bytes bitmap(stride * height, 0);
  for (std::size_t y = 0; y < height; ++y) {
    for (std::size_t x = 0; x < width; ++x) {
      if (dot(x, y)) bitmap[y * stride + x / 8] |= static_cast<std::uint8_t>(0x80U >> (x % 8));
    }
  }
  return bitmap;
}

// Packs, then unpacks: the same dots, and the builder's bytes.
void expect_round_trip(const Bytes& bitmap, std::uint16_t width, std::uint16_t height) {
  Bytes packed;
  ASSERT_TRUE(pack_compressed_bitmap(bitmap, width, height, packed));
  EXPECT_EQ(packed, fb::compress_bitmap(bitmap, width, height));
  Bytes unpacked;
  ASSERT_EQ(unpack_compressed_bitmap(packed, width, height, unpacked), Unpacked::kDone);
  EXPECT_EQ(unpacked, bitmap);
}

TEST(PackCompressedBitmap, UnpacksToTheBitmapItPacked) {
  struct Shape {
    const char* name;
    Dot dot;
    std::uint16_t height;
  };
  const Shape shapes[] = {
      {"all clear", [](std::size_t, std::size_t) { return false; }, 3},
      {"all set", [](std::size_t, std::size_t) { return true; }, 3},
      {"alternating dots", [](std::size_t x, std::size_t y) { return (x + y) % 2 == 0; }, 4},
      {"300 identical rows", [](std::size_t x, std::size_t) { return x % 5 == 1; }, 300},
      {"rows ending set", [](std::size_t x, std::size_t y) { return x >= y; }, 5},
      {"rows ending clear", [](std::size_t x, std::size_t y) { return x <= y; }, 5},
      {"a stem repeated, then a bar", [](std::size_t x, std::size_t y) { return y > 6 || x == 3; },
       9},
  };
  for (const int wide : {1, 7, 8, 255, 256, 510, 511, 16384}) {
    const auto width = static_cast<std::uint16_t>(wide);
    for (const Shape& shape : shapes) {
      SCOPED_TRACE(std::string(shape.name) + ", " + std::to_string(width) + " wide");
      expect_round_trip(drawn(width, shape.height, shape.dot), width, shape.height);
    }
  }
}

TEST(PackCompressedBitmap, WritesTheBytesOfTheFormat) {
  struct Row {
    const char* name;
    std::uint16_t width;
    std::uint16_t height;
    Dot dot;
    Bytes packed;
  };
  const Row rows[] = {
      {"a run over 255 split twice",
       600,
       1,
       [](std::size_t, std::size_t) { return false; },
       {0, 255, 0, 255, 0, 90}},
      {"a set run of 255 exactly",
       255,
       1,
       [](std::size_t, std::size_t) { return true; },
       {0, 0, 255}},
      {"a set run of 256",
       256,
       1,
       [](std::size_t, std::size_t) { return true; },
       {0, 0, 255, 0, 1}},
      {"300 rows: 255 repeats, then 43",
       3,
       300,
       [](std::size_t x, std::size_t) { return x == 1; },
       {255, 1, 1, 1, 43, 1, 1, 1}},
      {"the trailing clear run written",
       8,
       1,
       [](std::size_t x, std::size_t) { return x == 0; },
       {0, 0, 1, 7}},
      {"no dots wide: the repeat counts alone",
       0,
       300,
       [](std::size_t, std::size_t) { return false; },
       {255, 43}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Bytes packed;
    ASSERT_TRUE(pack_compressed_bitmap(drawn(row.width, row.height, row.dot), row.width, row.height,
                                       packed));
    EXPECT_EQ(packed, row.packed);
  }
}

TEST(PackCompressedBitmap, StopsAtTheMostAskedForAndIgnoresFillBits) {
  const Bytes bitmap = drawn(13, 4, [](std::size_t x, std::size_t y) { return x % 3 == y % 3; });
  Bytes whole;
  ASSERT_TRUE(pack_compressed_bitmap(bitmap, 13, 4, whole));
  Bytes packed;
  EXPECT_TRUE(pack_compressed_bitmap(bitmap, 13, 4, packed, whole.size()));
  EXPECT_EQ(packed, whole);
  EXPECT_FALSE(pack_compressed_bitmap(bitmap, 13, 4, packed, whole.size() - 1));
  EXPECT_TRUE(packed.empty());
  // A bitmap short of its rows is not packed.
  EXPECT_FALSE(pack_compressed_bitmap(std::span(bitmap).first(bitmap.size() - 1), 13, 4, packed));
  // Fill bits are no dots: set on some rows, they neither add runs nor stop
  // rows being repeats.
  Bytes dirty = drawn(13, 4, [](std::size_t x, std::size_t) { return x == 2; });
  const Bytes clean = dirty;
  dirty[1] |= 0x07;
  dirty[5] |= 0x01;
  ASSERT_TRUE(pack_compressed_bitmap(dirty, 13, 4, packed));
  EXPECT_EQ(packed, fb::compress_bitmap(clean, 13, 4));
}

TEST(PackCompressedBitmap, RandomBitmapsComeBackDotForDot) {
  std::mt19937 random(20260517);
  for (int round = 0; round < 1000; ++round) {
    const auto width = static_cast<std::uint16_t>(1 + random() % 700);
    const auto height = static_cast<std::uint16_t>(1 + random() % 40);
    // Sparse to dense, and rows copied from the one above to make repeats.
    const unsigned density = random() % 8;
    const unsigned copies = random() % 4;
    const std::size_t stride = row_stride(width);
    Bytes bitmap =
        drawn(width, height, [&](std::size_t, std::size_t) { return random() % 8 < density; });
    for (std::size_t y = 1; y < height; ++y) {
      if (random() % 4 < copies) {
        std::copy_n(bitmap.begin() + static_cast<long>((y - 1) * stride), stride,
                    bitmap.begin() + static_cast<long>(y * stride));
      }
    }
    SCOPED_TRACE("round " + std::to_string(round));
    expect_round_trip(bitmap, width, height);
    if (HasFatalFailure()) return;
  }
}

}  // namespace
}  // namespace kestrune
