// Writes the large synthetic fonts the whole-process benchmark runs on:
//
//   glyphs-64m.sfp  600 dpi, 224 large glyphs (about 1200-1800 x 1300-1900
//                   dots each), about 64 MB;
//   glyphs-6m.sfp   the first tenth of the same glyphs, about 6.4 MB;
//   continued-64m.sfp the same glyphs in data commands of at most 32767
//                   bytes, continued as printers take them;
//   compressed.sfp  the same glyphs as class 2 run lengths, continued too;
//   chars-40k.sfp   300 dpi, 40,000 small glyphs (24-56 dots square) under
//                   16-bit codes, about 10 MB;
//   compressed-40k.sfp 600 dpi, 40,000 glyphs of 20-120 dots a side as
//                   class 2 run lengths, under 16-bit codes;
//   landscape-40k.sfp the same glyphs as -l writes them (turned, landscape,
//                   uncompressed), timed under cp only: what -l on
//                   compressed-40k.sfp is held to;
//   header-only.sfp the font header alone, for the cost of a run that has
//                   no characters to handle (starting the process, opening
//                   the files).
//
// The glyphs are drawn (a ring, a bar and some speckle) rather than random,
// and every fourth bitmap row carries set fill bits, so that cleaning has
// something to clear. The 40,000 compressed glyphs are drawn with a few
// strokes of a pen instead, without speckle, so that their rows repeat down
// a stem or across a bar and their runs are as few as a text face's. The
// fonts are the same on every run.
//
// Usage: make_bench_fonts DIRECTORY
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "font_builder.h"

namespace {

using kestrune::fontbuilder::Bytes;
using kestrune::fontbuilder::FontSpec;
using kestrune::fontbuilder::GlyphSpec;

// A small fixed generator, so the fonts do not depend on the library's
// distributions.
struct Random {
  std::uint64_t state = 0x9E3779B97F4A7C15ULL;
};

std::uint32_t next(Random& random) {
  random.state = random.state * 6364136223846793005ULL + 1442695040888963407ULL;
  return static_cast<std::uint32_t>(random.state >> 33);
}

int between(Random& random, int low, int high) {
  return low + static_cast<int>(next(random) % static_cast<std::uint32_t>(high - low + 1));
}

void set_dot(Bytes& bitmap, std::size_t stride, int x, int y) {
  const std::size_t at = static_cast<std::size_t>(y) * stride + static_cast<std::size_t>(x) / 8;
  bitmap[at] = static_cast<std::uint8_t>(bitmap[at] | (0x80U >> (x % 8)));
}

// A ring filling most of the cell, a vertical bar through it, speckle, and
// dirty fill bits on every fourth row.
Bytes draw_glyph(Random& random, int width, int height) {
  const std::size_t stride = (static_cast<std::size_t>(width) + 7) / 8;
  Bytes bitmap(stride * static_cast<std::size_t>(height), 0);
  const double cx = width / 2.0;
  const double cy = height / 2.0;
  const double outer = 1.0;
  const double inner = 0.55;
  const int bar_left = width / 2 - width / 16;
  const int bar_right = width / 2 + width / 16;
  for (int y = 0; y < height; ++y) {
    const double dy = (y + 0.5 - cy) / cy;
    for (int x = 0; x < width; ++x) {
      const double dx = (x + 0.5 - cx) / cx;
      const double r = dx * dx + dy * dy;
      const bool ring = r <= outer && r >= inner * inner;
      const bool bar = x >= bar_left && x <= bar_right;
      const bool speckle = next(random) % 61 == 0;
      if (ring || bar || speckle) set_dot(bitmap, stride, x, y);
    }
    if (y % 4 == 0 && width % 8 != 0) {
      bitmap[static_cast<std::size_t>(y) * stride + stride - 1] |=
          static_cast<std::uint8_t>(0xFFU >> (width % 8));
    }
  }
  return bitmap;
}

void fill_rect(Bytes& bitmap, std::size_t stride, int left, int right, int top, int bottom) {
  for (int y = top; y <= bottom; ++y) {
    for (int x = left; x <= right; ++x) set_dot(bitmap, stride, x, y);
  }
}

// Two to five strokes of one pen: a stem, a bar, a diagonal or a bowl each.
// Stems and bars are what make rows repeat; diagonals and bowls change every
// row, as the curves of a real face do.
Bytes draw_strokes(Random& random, int width, int height) {
  const std::size_t stride = (static_cast<std::size_t>(width) + 7) / 8;
  Bytes bitmap(stride * static_cast<std::size_t>(height), 0);
  const int pen = std::max(2, std::min(width, height) / between(random, 6, 10));
  const int strokes = between(random, 2, 5);
  for (int stroke = 0; stroke < strokes; ++stroke) {
    switch (next(random) % 4) {
      case 0: {
        // Each draw in a statement of its own: the order in which a call's
        // arguments are evaluated is the compiler's choice.
        const int x = between(random, 0, width - pen);
        const int top = between(random, 0, height / 3);
        const int bottom = between(random, 2 * height / 3, height - 1);
        fill_rect(bitmap, stride, x, x + pen - 1, top, bottom);
        break;
      }
      case 1: {
        const int y = between(random, 0, height - pen);
        const int left = between(random, 0, width / 3);
        const int right = between(random, 2 * width / 3, width - 1);
        fill_rect(bitmap, stride, left, right, y, y + pen - 1);
        break;
      }
      case 2: {
        // The dots within half a pen of a segment from the top to the bottom.
        const double x0 = between(random, 0, width - 1);
        const double x1 = between(random, 0, width - 1);
        const double y0 = between(random, 0, height / 4);
        const double y1 = between(random, 3 * height / 4, height - 1);
        const double length2 = (x1 - x0) * (x1 - x0) + (y1 - y0) * (y1 - y0);
        const double reach2 = pen * pen / 4.0;
        for (int y = 0; y < height; ++y) {
          for (int x = 0; x < width; ++x) {
            const double t =
                std::clamp(((x - x0) * (x1 - x0) + (y - y0) * (y1 - y0)) / length2, 0.0, 1.0);
            const double dx = x - (x0 + t * (x1 - x0));
            const double dy = y - (y0 + t * (y1 - y0));
            if (dx * dx + dy * dy <= reach2) set_dot(bitmap, stride, x, y);
          }
        }
        break;
      }
      default: {
        // An elliptical ring a pen thick, in the middle of the cell.
        const double cx = between(random, width / 3, 2 * width / 3) + 0.5;
        const double cy = between(random, height / 3, 2 * height / 3) + 0.5;
        const double rx = between(random, width / 5, width / 3);
        const double ry = between(random, height / 5, height / 3);
        for (int y = 0; y < height; ++y) {
          for (int x = 0; x < width; ++x) {
            const double ox = (x + 0.5 - cx) / rx;
            const double oy = (y + 0.5 - cy) / ry;
            const double ix = (x + 0.5 - cx) / std::max(1.0, rx - pen);
            const double iy = (y + 0.5 - cy) / std::max(1.0, ry - pen);
            if (ox * ox + oy * oy <= 1.0 && ix * ix + iy * iy >= 1.0) {
              set_dot(bitmap, stride, x, y);
            }
          }
        }
        break;
      }
    }
  }
  return bitmap;
}

using Draw = Bytes (*)(Random&, int, int);

GlyphSpec make_glyph(Random& random, int code, int width, int height, Draw draw) {
  GlyphSpec glyph;
  glyph.code = code;
  glyph.width = static_cast<std::uint16_t>(width);
  glyph.height = static_cast<std::uint16_t>(height);
  glyph.left_offset = static_cast<std::int16_t>(between(random, -width / 10, width / 10));
  glyph.top_offset = static_cast<std::int16_t>(height - between(random, 0, height / 5));
  glyph.delta_x = static_cast<std::int16_t>(width + width / 8);
  glyph.bitmap = draw(random, width, height);
  return glyph;
}

bool write_all(std::FILE* out, const Bytes& bytes) {
  return std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
}

// How the glyphs' definitions are written.
enum class Form {
  kWhole,       // one data command each, however long
  kContinued,   // data commands of at most 32767 bytes, as printers take them
  kCompressed,  // class 2 run lengths, in data commands of at most 32767 bytes
  kTurned,      // as -l writes them: turned, landscape, uncompressed
};

kestrune::fontbuilder::Bytes definition(GlyphSpec glyph, Form form) {
  namespace fb = kestrune::fontbuilder;
  if (form == Form::kWhole) return fb::character_definition(glyph);
  if (form == Form::kCompressed) {
    glyph.glyph_class = 2;
    glyph.bitmap = fb::compress_bitmap(*glyph.bitmap, glyph.width, glyph.height);
  }
  if (form == Form::kTurned) {
    // The descriptor -l writes for a quarter turn counter-clockwise; the
    // sizes are what the benchmark needs, but with them the font is the
    // very one -l writes, which `cmp` can confirm.
    const GlyphSpec portrait = glyph;
    glyph.orientation = 1;
    glyph.left_offset = static_cast<std::int16_t>(-portrait.top_offset);
    glyph.top_offset = static_cast<std::int16_t>(portrait.left_offset + portrait.width);
    glyph.width = portrait.height;
    glyph.height = portrait.width;
    glyph.bitmap = fb::turned_dot_by_dot(*portrait.bitmap, portrait.width, portrait.height);
  }
  return fb::continued_definition(glyph, 32767, 32765);
}

// Writes the font header, then `count` glyphs under codes from
// `font_spec.first_code`, each of the size `size_of(random, i)` gives.
template <typename SizeOf>
bool write_font(const std::string& path, FontSpec font_spec, int count, SizeOf size_of,
                Form form = Form::kWhole, Draw draw = draw_glyph) {
  std::FILE* out = std::fopen(path.c_str(), "wb");
  if (out == nullptr) return false;
  font_spec.last_code = static_cast<std::uint16_t>(font_spec.first_code + count - 1);
  bool ok = write_all(out, kestrune::fontbuilder::font_header(font_spec));
  Random random;
  for (int i = 0; i < count && ok; ++i) {
    const auto [width, height] = size_of(random, i);
    ok = write_all(
        out, definition(make_glyph(random, font_spec.first_code + i, width, height, draw), form));
  }
  return std::fclose(out) == 0 && ok;
}

struct Size {
  int width;
  int height;
};

// A proportional font with a resolution-specified header at 600 dpi.
FontSpec proportional_at_600_dpi(const char* name, std::uint16_t baseline, std::uint16_t cell_width,
                                 std::uint16_t cell_height, std::uint16_t first_code) {
  FontSpec font_spec;
  font_spec.descriptor_size = 68;
  font_spec.header_format = 20;
  font_spec.x_resolution = 600;
  font_spec.y_resolution = 600;
  font_spec.name = name;
  font_spec.baseline = baseline;
  font_spec.cell_width = cell_width;
  font_spec.cell_height = cell_height;
  font_spec.spacing = 1;
  font_spec.first_code = first_code;
  return font_spec;
}

// The large-glyph font: codes 32 up, `count` glyphs. The first glyph is the
// largest, so that every prefix of the sequence needs the same block buffer.
bool write_large_glyph_font(const std::string& path, int count, Form form = Form::kWhole) {
  const FontSpec font_spec = proportional_at_600_dpi("Bench Display", 1700, 1800, 1900, 32);
  return write_font(
      path, font_spec, count,
      [](Random& random, int i) {
        return i == 0 ? Size{1800, 1900}
                      : Size{between(random, 1200, 1800), between(random, 1300, 1900)};
      },
      form);
}

// The many-character font: 16-bit codes from 0x4E00, small glyphs.
bool write_many_character_font(const std::string& path, int count) {
  FontSpec font_spec;
  font_spec.name = "Bench Text";
  font_spec.baseline = 48;
  font_spec.cell_width = 56;
  font_spec.cell_height = 56;
  font_spec.first_code = 0x4E00;
  return write_font(path, font_spec, count, [](Random& random, int) {
    return Size{between(random, 24, 56), between(random, 24, 56)};
  });
}

// The many-compressed-character font: 16-bit codes from 0x4E00, stroked
// glyphs of 20-120 dots a side, as class 2 run lengths (or, kTurned, as -l
// writes them).
bool write_compressed_character_font(const std::string& path, int count, Form form) {
  FontSpec font_spec = proportional_at_600_dpi("Bench Brush", 100, 120, 120, 0x4E00);
  font_spec.orientation = form == Form::kTurned ? 1 : 0;
  return write_font(
      path, font_spec, count,
      [](Random& random, int) {
        return Size{between(random, 20, 120), between(random, 20, 120)};
      },
      form, draw_strokes);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_bench_fonts DIRECTORY\n");
    return 2;
  }
  const std::string dir = argv[1];
  constexpr int kLargeGlyphs = 224;
  const bool ok =
      write_large_glyph_font(dir + "/glyphs-64m.sfp", kLargeGlyphs) &&
      write_large_glyph_font(dir + "/glyphs-6m.sfp", kLargeGlyphs / 10) &&
      write_large_glyph_font(dir + "/continued-64m.sfp", kLargeGlyphs, Form::kContinued) &&
      write_large_glyph_font(dir + "/compressed.sfp", kLargeGlyphs, Form::kCompressed) &&
      write_many_character_font(dir + "/chars-40k.sfp", 40000) &&
      write_compressed_character_font(dir + "/compressed-40k.sfp", 40000, Form::kCompressed) &&
      write_compressed_character_font(dir + "/landscape-40k.sfp", 40000, Form::kTurned) &&
      write_many_character_font(dir + "/header-only.sfp", 0);
  if (!ok) {
    std::fprintf(stderr, "make_bench_fonts: cannot write the fonts in %s\n", dir.c_str());
    return 1;
  }
  return 0;
}
