// Writes the seed corpus of the fuzz targets from the font and PNG builders:
//   make_fuzz_corpus DIR   (DIR/fuzz_run, DIR/fuzz_primitives, DIR/fuzz_png
//                           and DIR/fuzz_convert must exist)
// Each whole-run seed starts with the byte that picks the options.
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "font_builder.h"
#include "png_builder.h"

namespace {

using kestrune::fontbuilder::append;
using kestrune::fontbuilder::Bytes;
using kestrune::fontbuilder::drawn_glyph;
using kestrune::fontbuilder::FontSpec;
using kestrune::fontbuilder::GlyphSpec;
namespace fb = kestrune::fontbuilder;

std::vector<GlyphSpec> glyphs() {
  GlyphSpec wide = drawn_glyph(66, {"############", "#..........#", "############"});
  wide.bitmap = Bytes{0xFF, 0xFF, 0x80, 0x1F, 0xFF, 0xFF};  // dirty fill bits
  GlyphSpec compressed = drawn_glyph(67, {"#.#.#.#.#"});
  compressed.glyph_class = 2;
  GlyphSpec empty;
  empty.code = 32;
  return {drawn_glyph(65, {"..#..", ".#.#.", "#####", "#...#"}), wide, compressed, empty};
}

// A compressed glyph whose runs are whole.
GlyphSpec compressed_glyph() {
  GlyphSpec runs = drawn_glyph(72, {"#..#", "#..#", "####", "#..#"});
  runs.glyph_class = 2;
  runs.bitmap = Bytes{1, 0, 1, 2, 1, 0, 0, 4, 0, 0, 1, 2, 1};
  return runs;
}

// A font whose first glyph is continued over three data commands.
Bytes continued_font(const FontSpec& font_spec) {
  Bytes continued = fb::font(font_spec, {});
  append(continued, fb::continued_definition(glyphs()[0], 10, 8));
  append(continued, fb::character_definition(compressed_glyph()));
  return continued;
}

struct Seed {
  std::string name;
  Bytes font;
  std::vector<int> modes = {};  // the option sets to write it with; none: the next two in turn
};

std::vector<Seed> fonts() {
  FontSpec plain;
  plain.extra = fb::text("(c) seed");
  FontSpec extended = plain;
  extended.descriptor_size = 68;
  extended.header_format = 20;
  FontSpec landscape = plain;
  landscape.orientation = 1;

  Bytes junk = fb::font(plain, {glyphs()[0]});
  append(junk, fb::command("*c5D"));
  append(junk, fb::command("&l0O"));
  append(junk, fb::text("text\r\n"));
  append(junk, fb::character_definition(glyphs()[1]));

  Bytes short_blocks = fb::font(plain, {});
  GlyphSpec tall = drawn_glyph(70, {"#", "#"});
  tall.height = 40;  // promises more rows than it holds
  append(short_blocks, fb::character_definition(tall));
  append(short_blocks, fb::text("\x1b*c71E\x1b(s4W\x04\x00\x0e\x01"));

  const Bytes whole = fb::font(plain, glyphs());
  std::vector<Seed> seeds = {
      {"plain", whole},
      {"extended", fb::font(extended, glyphs())},
      {"landscape-font", fb::font(landscape, glyphs())},
      {"junk-between", junk},
      {"short-blocks", short_blocks},
      {"header-only", fb::font_header(plain)},
  };
  // A scalable font's header: its characters are copied in every mode.
  FontSpec scalable = plain;
  scalable.header_format = 15;
  seeds.push_back({"scalable", fb::font(scalable, glyphs()), {3, 11}});
  // Cut inside a data command's value: the font is cut short there.
  Bytes cut_value = whole;
  append(cut_value, fb::text("\x1b*c65E\x1b(s18"));
  seeds.push_back({"cut-in-a-value", cut_value, {2, 12}});
  // Cut inside the header, a command, a descriptor and a bitmap.
  for (std::size_t cut : {5UL, 40UL, whole.size() - 30, whole.size() - 3}) {
    seeds.push_back({"cut-" + std::to_string(cut),
                     Bytes(whole.begin(), whole.begin() + static_cast<long>(cut))});
  }
  // Both character passes for the compressed and the continued glyphs.
  seeds.push_back({"compressed", fb::font(plain, {compressed_glyph(), glyphs()[0]}), {2, 3}});
  seeds.push_back({"continued", continued_font(plain), {2, 3}});
  // Everything -fix mends: a PCL prefix, First and Last Code that leave out
  // a character, a descriptor size of 16 and a continued compressed glyph.
  FontSpec narrow = plain;
  narrow.last_code = 66;
  Bytes mendable = fb::text("\x1b%-12345X@PJL ENTER LANGUAGE=PCL\r\n\x1b*c1D");
  append(mendable, fb::font(narrow, {glyphs()[0]}));
  GlyphSpec sixteen = glyphs()[1];
  sixteen.descriptor_size = 16;
  append(mendable, fb::character_definition(sixteen));
  append(mendable, fb::continued_definition(compressed_glyph(), 20, 4));
  append(mendable, fb::command("(1X"));
  seeds.push_back({"mendable", mendable, {11, 12}});
  return seeds;
}

void write(const std::string& path, const Bytes& bytes) {
  fb::write_file(path, bytes);
  std::printf("%s (%zu bytes)\n", path.c_str(), bytes.size());
}

// Small images in each colour type, with a palette and transparency, a
// resolution, interlacing and no ink at all.
std::vector<std::pair<std::string, Bytes>> images() {
  namespace pb = kestrune::pngbuilder;
  pb::PngPicture grey = pb::drawn_png({"......", ".##.#.", ".#..#.", "......"});
  pb::PngPicture one_bit = grey;
  one_bit.bit_depth = 1;
  for (auto& sample : one_bit.samples) sample = sample != 0 ? 1 : 0;
  pb::PngPicture palette = one_bit;
  palette.colour_type = 3;
  palette.palette = {{0, 0, 0}, {255, 255, 255}};
  palette.transparency = Bytes{255, 0};
  palette.interlaced = true;
  pb::PngPicture grey_alpha;
  grey_alpha.width = 5;
  grey_alpha.height = 3;
  grey_alpha.colour_type = 4;
  grey_alpha.bit_depth = 16;
  grey_alpha.pixels_per_metre = 23622;
  for (std::uint16_t i = 0; i < 15; ++i) {
    grey_alpha.samples.push_back(static_cast<std::uint16_t>(i * 4000));
    grey_alpha.samples.push_back(static_cast<std::uint16_t>(65535 - i * 3000));
  }
  pb::PngPicture rgba;
  rgba.width = 3;
  rgba.height = 2;
  rgba.colour_type = 6;
  rgba.samples = {0, 0, 0, 255, 255, 0,   0,   255, 9, 9, 9,   0,
                  0, 0, 0, 128, 200, 200, 200, 255, 0, 0, 255, 255};
  return {{"grey", pb::png_file(grey)},
          {"one-bit", pb::png_file(one_bit)},
          {"palette-interlaced", pb::png_file(palette)},
          {"grey-alpha-600", pb::png_file(grey_alpha)},
          {"rgba", pb::png_file(rgba)},
          {"blank", pb::png_file(pb::drawn_png({"...", "..."}))}};
}

void write_images(const std::string& dir) {
  int mode = 0;
  for (const auto& [name, file] : images()) {
    // fuzz_png: the threshold and code byte, its CRC-mending bit set.
    Bytes seed = {static_cast<std::uint8_t>(0x80 | mode * 11)};
    append(seed, file);
    write(dir + "/fuzz_png/" + name, seed);
    // fuzz_convert: the option set's byte.
    Bytes run = {static_cast<std::uint8_t>(mode % 8)};
    append(run, file);
    write(dir + "/fuzz_convert/png-" + name, run);
    ++mode;
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_fuzz_corpus DIR\n");
    return 2;
  }
  const std::string dir = argv[1];
  // Named after fuzz_run's option sets, in their order.
  const char* modes[] = {
      "copy",          "r300",   "clean",        "landscape",   "landscape-clean",
      "all",           "quirks", "f20",          "refused-dpi", "refused-second",
      "refused-minus", "fix",    "fix-landscape"};
  int mode = 0;
  for (const Seed& seed : fonts()) {
    // Spread the fonts over the option sets, every font with at least two.
    std::vector<int> seed_modes = seed.modes;
    for (; seed_modes.size() < 2; ++mode) seed_modes.push_back(mode % 7);
    for (const int m : seed_modes) {
      Bytes input = {static_cast<std::uint8_t>(m)};
      append(input, seed.font);
      write(dir + "/fuzz_run/" + seed.name + "-" + modes[m], input);
    }
  }
  write(dir + "/fuzz_primitives/fields", fb::text("065E\x1b(s18W0000000000000000012W"));
  Bytes block = fb::character_descriptor(glyphs()[1]);
  append(block, fb::character_bitmap(glyphs()[1]));
  write(dir + "/fuzz_primitives/block", block);
  Bytes runs_block = fb::character_descriptor(compressed_glyph());
  append(runs_block, fb::character_bitmap(compressed_glyph()));
  write(dir + "/fuzz_primitives/compressed-block", runs_block);
  write(dir + "/fuzz_primitives/continued", continued_font({}));
  write_images(dir);
  return 0;
}
