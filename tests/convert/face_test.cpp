// A face's limits, its scaling dot for dot, and the header fields worked
// out from its glyphs.
#include "convert/face.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "pcl/compressed.h"

namespace kestrune::convert {
namespace {

using Rows = std::vector<std::uint8_t>;

Glyph glyph_of(int width, int height, int left = 0, int top = 0) {
  Glyph glyph;
  glyph.width = width;
  glyph.height = height;
  glyph.left = left;
  glyph.top = top;
  return glyph;
}

struct LimitRow {
  int width, height, left, top;
  const char* reason;
};

const LimitRow kLimitRows[] = {
    {1, 1, 0, 0, ""},
    {16384, 1, 0, 0, ""},
    {16385, 1, 0, 0, "16385 dots wide"},
    {20000, 1, 0, 0, "20000 dots wide"},
    {0, 1, 0, 0, "0 dots wide"},
    {-3, 1, 0, 0, "-3 dots wide"},
    {1, 16384, 0, 0, ""},
    {1, 16385, 0, 0, "16385 dots high"},
    {1, 0, 0, 0, "0 dots high"},
    {1, 1, -16384, 16384, ""},
    {1, 1, 16384, -16384, ""},
    {1, 1, -16385, 0, "its left offset -16385 is beyond -16384"},
    {1, 1, 16385, 0, "its left offset 16385 is beyond 16384"},
    {1, 1, -20000, 0, "its left offset -20000 is beyond -16384"},
    {1, 1, 0, 16385, "its top offset 16385 is beyond 16384"},
    {1, 1, 0, -16385, "its top offset -16385 is beyond -16384"},
    {16384, 512, 0, 0, ""},  // exactly 1 MiB
    {16384, 513, 0, 0, "its bitmap is over 1 MiB"},
    {8192, 1024, 0, 0, ""},
    {8193, 1024, 0, 0, "its bitmap is over 1 MiB"},
    {16383, 512, 0, 0, ""},  // counted in whole bytes of width x height / 8
};

TEST(Face, PrinterLimits) {
  for (const LimitRow& row : kLimitRows) {
    SCOPED_TRACE(std::to_string(row.width) + "x" + std::to_string(row.height) + " at " +
                 std::to_string(row.left) + "," + std::to_string(row.top));
    EXPECT_EQ(beyond_printer_limits(glyph_of(row.width, row.height, row.left, row.top)),
              row.reason);
  }
}

// 3 x 2 dots: X.X over .XX; the second source has its bits past the width
// set, which scaling must not carry over.
struct ScaleRow {
  int factor;
  Rows source;
  int width, height;
  Rows rows;
};

const Rows kDoubled = {0xCC, 0xCC, 0x3C, 0x3C};
const Rows kTripled = {0xE3, 0x80, 0xE3, 0x80, 0xE3, 0x80, 0x1F, 0x80, 0x1F, 0x80, 0x1F, 0x80};

const ScaleRow kScaleRows[] = {
    {2, {0xA0, 0x60}, 6, 4, kDoubled},     {2, {0xBF, 0x7F}, 6, 4, kDoubled},
    {3, {0xA0, 0x60}, 9, 6, kTripled},     {3, {0xBF, 0x7F}, 9, 6, kTripled},
    {1, {0xA0, 0x60}, 3, 2, {0xA0, 0x60}}, {0, {0xA0, 0x60}, 3, 2, {0xA0, 0x60}},
};

TEST(Face, ScaleDotForDot) {
  for (const ScaleRow& row : kScaleRows) {
    SCOPED_TRACE("factor " + std::to_string(row.factor));
    Face face;
    Glyph glyph = glyph_of(3, 2, -1, 2);
    glyph.code = 65;
    glyph.advance = 12;
    glyph.rows = row.source;
    face.glyphs.add(glyph);
    glyph.code = 66;
    face.glyphs.add(glyph);
    // One that holds its runs, as a compressed character read from a soft
    // font does, is unpacked first.
    glyph.code = 67;
    ASSERT_TRUE(pack_compressed_bitmap(row.source, 3, 2, glyph.runs));
    glyph.rows.clear();
    face.glyphs.add(glyph);
    scale_face(face, row.factor, false);
    const int kept = row.factor < 2 ? 1 : row.factor;
    for (const int code : {65, 66, 67}) {
      const Glyph& scaled = *face.glyphs.find(code);
      EXPECT_EQ(scaled.width, row.width);
      EXPECT_EQ(scaled.height, row.height);
      EXPECT_EQ(scaled.left, -kept);
      EXPECT_EQ(scaled.top, 2 * kept);
      EXPECT_EQ(scaled.advance, 12 * kept);
      // Held runs are unpacked when the glyph is scaled, and only then.
      EXPECT_EQ(scaled.runs.empty(), code != 67 || row.factor >= 2);
      if (scaled.runs.empty()) {
        EXPECT_EQ(scaled.rows, row.rows);
      }
      Rows scratch;
      const std::span<const std::uint8_t> rows = glyph_rows(scaled, scratch);
      EXPECT_EQ(Rows(rows.begin(), rows.end()), row.rows);
    }
  }
}

// A glyph's rows, whether it holds them or runs: runs that would not unpack,
// which reading never keeps, give clear rows of the glyph's size rather
// than whatever the room held.
TEST(Face, GlyphRowsFromRowsOrRuns) {
  struct Row {
    const char* name;
    Rows rows, runs;
    Rows expected;
  };
  const Row rows[] = {
      {"rows", {0xA0, 0x60}, {}, {0xA0, 0x60}},
      {"runs", {}, {0, 0, 1, 1, 1, 0, 1, 2}, {0xA0, 0x60}},
      {"runs of a repeated row", {}, {1, 1, 2}, {0x60, 0x60}},
      {"a run past the width", {}, {0, 0, 4}, {0, 0}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    Glyph glyph = glyph_of(3, 2);
    glyph.rows = row.rows;
    glyph.runs = row.runs;
    Rows scratch(5, 0xA5);  // left over from an earlier glyph
    const std::span<const std::uint8_t> got = glyph_rows(glyph, scratch);
    EXPECT_EQ(Rows(got.begin(), got.end()), row.expected);
    unpack_runs(glyph);
    EXPECT_TRUE(glyph.runs.empty());
    EXPECT_EQ(glyph.rows, row.expected);
  }
}

// Scaled beyond what printers take: no rows, and the sizes for the check of
// limits to name.
struct OversizeRow {
  int width, height, factor;
  const char* reason;
};

const OversizeRow kOversizeRows[] = {
    {2048, 2048, 2, "its bitmap is over 1 MiB"},
    {3, 2, 1000000, "3000000 dots wide"},
    {16384, 1, INT_MAX, "2147483647 dots wide"},
    {1, 9000, 2, "18000 dots high"},
};

TEST(Face, ScaleBeyondLimitsBuildsNoRows) {
  for (const OversizeRow& row : kOversizeRows) {
    SCOPED_TRACE(row.reason);
    Face face;
    Glyph glyph = glyph_of(row.width, row.height);
    glyph.rows.assign(glyph_stride(row.width) * static_cast<std::size_t>(row.height), 0xFF);
    face.glyphs.add(std::move(glyph));
    scale_face(face, row.factor, false);
    const Glyph& scaled = face.glyphs.all().front();
    EXPECT_TRUE(scaled.rows.empty());
    EXPECT_EQ(beyond_printer_limits(scaled), row.reason);
  }
}

// A glyph's numbers past what an int holds stop at its ends.
struct GlyphNumberRow {
  int Glyph::*number;
  int before, factor, after;
};

const GlyphNumberRow kGlyphNumberRows[] = {
    {&Glyph::left, INT_MIN / 2, 3, INT_MIN},
    {&Glyph::left, INT_MAX / 2 + 1, 2, INT_MAX},
    {&Glyph::top, -16384, 2, -32768},
    {&Glyph::top, INT_MAX / 2 + 1, 2, INT_MAX},
    {&Glyph::advance, -7, 3, -21},
    {&Glyph::advance, INT_MIN / 2, 2, INT_MIN},
    {&Glyph::width, 0, 3, 0},
    {&Glyph::width, 16384, INT_MAX, INT_MAX},
    {&Glyph::height, 16384, INT_MAX, INT_MAX},
};

TEST(Face, ScaleGlyphNumbersWithinInt) {
  for (const GlyphNumberRow& row : kGlyphNumberRows) {
    SCOPED_TRACE(std::to_string(row.before) + " x " + std::to_string(row.factor));
    Face face;
    Glyph glyph = glyph_of(1, 1);
    glyph.*row.number = row.before;
    face.glyphs.add(std::move(glyph));
    scale_face(face, row.factor, false);
    EXPECT_EQ(face.glyphs.all().front().*row.number, row.after);
  }
}

struct FieldRow {
  int FontFields::*field;
  int before;
  int factor;
  bool resolution;
  int after;
};

const FieldRow kFieldRows[] = {
    {&FontFields::baseline, 40, 3, false, 120},
    {&FontFields::baseline, 30000, 3, false, 65535},
    {&FontFields::cell_width, 7, 2, false, 14},
    {&FontFields::cell_height, 7, 2, false, 14},
    {&FontFields::pitch, 7, 2, false, 14},
    {&FontFields::height, 7, 2, false, 14},
    {&FontFields::x_height, 7, 2, false, 14},
    {&FontFields::cap_height, 7, 2, false, 14},
    {&FontFields::text_height, 7, 2, false, 14},
    {&FontFields::text_width, 40000, 2, false, 65535},
    {&FontFields::underline_position, -5, 2, false, -10},
    {&FontFields::underline_position, -100, 2, false, -128},
    {&FontFields::underline_position, 100, 2, false, 127},
    {&FontFields::underline_thickness, 7, 2, false, 14},
    {&FontFields::underline_thickness, 200, 2, false, 255},
    {&FontFields::x_resolution, 300, 2, true, 600},
    {&FontFields::y_resolution, 300, 4, true, 1200},
    {&FontFields::x_resolution, 300, 2, false, 300},
    {&FontFields::y_resolution, 300, 2, false, 300},
    {&FontFields::x_resolution, 40000, 2, true, 65535},
    {&FontFields::symbol_set, 277, 2, true, 277},
    {&FontFields::first_code, 32, 2, true, 32},
    {&FontFields::typeface, 7, 2, true, 7},
    {&FontFields::baseline, 40, 1, true, 40},
};

TEST(Face, ScaleFields) {
  for (const FieldRow& row : kFieldRows) {
    SCOPED_TRACE(std::to_string(row.before) + " x " + std::to_string(row.factor));
    Face face;
    face.fields.*row.field = row.before;
    scale_face(face, row.factor, row.resolution);
    EXPECT_EQ(face.fields.*row.field, row.after);
  }
}

struct FinishRow {
  const char* name;
  std::vector<std::pair<int, int>> glyphs;  // code and advance
  GivenFields given;
  int first, last, font_type, spacing, pitch;
};

// Fields a row expects kept start at 9.
const FinishRow kFinishRows[] = {
    {"no glyphs", {}, {}, 0, 0, 0, 0, 9},
    {"one glyph", {{65, 40}}, {}, 65, 65, 0, 0, 40},
    {"all 32-127", {{127, 40}, {32, 40}}, {}, 32, 127, 0, 0, 40},
    {"160-255 too", {{32, 40}, {160, 40}, {255, 40}}, {}, 32, 255, 1, 0, 40},
    {"below 32", {{31, 40}, {65, 40}}, {}, 31, 65, 2, 0, 40},
    {"128", {{128, 40}}, {}, 128, 128, 2, 0, 40},
    {"159", {{159, 40}, {160, 40}}, {}, 159, 160, 2, 0, 40},
    {"beyond 255", {{65, 40}, {256, 40}}, {}, 65, 256, 2, 0, 40},
    {"code 0 and 65535", {{65535, 40}, {0, 40}}, {}, 0, 65535, 2, 0, 40},
    {"space sets pitch", {{65, 40}, {66, 48}, {67, 48}, {32, 20}}, {}, 32, 67, 0, 1, 20},
    {"commonest", {{65, 40}, {66, 48}, {67, 48}}, {}, 65, 67, 0, 1, 48},
    {"tie: smaller", {{65, 48}, {66, 40}}, {}, 65, 66, 0, 1, 40},
    {"tie of two", {{65, 60}, {66, 60}, {67, 44}, {68, 44}, {69, 12}}, {}, 65, 69, 0, 1, 44},
    {"pitch held to a word", {{65, 70000}}, {}, 65, 65, 0, 0, 65535},
    {"no negative pitch", {{65, -8}, {66, -8}, {67, 4}}, {}, 65, 67, 0, 1, 0},
    {"given type", {{300, 40}}, {true, false, false}, 300, 300, 9, 0, 40},
    {"given spacing", {{65, 40}, {66, 48}}, {false, true, false}, 65, 66, 0, 9, 9},
    {"codes anew", {{70, 40}}, {true, true, true}, 70, 70, 9, 9, 9},
};

TEST(Face, FinishFields) {
  for (const FinishRow& row : kFinishRows) {
    SCOPED_TRACE(row.name);
    Face face;
    face.given = row.given;
    face.fields.font_type = face.fields.spacing = face.fields.pitch = 9;
    face.fields.first_code = face.fields.last_code = 9;
    for (const auto& [code, advance] : row.glyphs) {
      Glyph glyph = glyph_of(1, 1);
      glyph.code = code;
      glyph.advance = advance;
      face.glyphs.add(std::move(glyph));
    }
    finish_fields(face);
    EXPECT_EQ(face.fields.first_code, row.first);
    EXPECT_EQ(face.fields.last_code, row.last);
    EXPECT_EQ(face.fields.font_type, row.font_type);
    EXPECT_EQ(face.fields.spacing, row.spacing);
    EXPECT_EQ(face.fields.pitch, row.pitch);
  }
}

struct FormRow {
  int x_resolution, y_resolution, before_size, before_format;
  int descriptor_size, header_format;
};

const FormRow kFormRows[] = {
    {300, 300, 64, 0, 64, 0},  {300, 300, 68, 20, 64, 0}, {600, 600, 64, 0, 68, 20},
    {300, 600, 64, 0, 68, 20}, {600, 300, 64, 0, 68, 20}, {150, 150, 68, 20, 68, 20},
};

TEST(Face, DescriptorForm) {
  for (const FormRow& row : kFormRows) {
    SCOPED_TRACE(std::to_string(row.x_resolution) + "x" + std::to_string(row.y_resolution));
    Face face;
    face.fields.x_resolution = row.x_resolution;
    face.fields.y_resolution = row.y_resolution;
    face.fields.descriptor_size = row.before_size;
    face.fields.header_format = row.before_format;
    finish_fields(face);
    EXPECT_EQ(face.fields.descriptor_size, row.descriptor_size);
    EXPECT_EQ(face.fields.header_format, row.header_format);
  }
}

}  // namespace
}  // namespace kestrune::convert
