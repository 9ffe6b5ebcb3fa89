// Writes the seed corpus of the fuzz targets from the font builder:
//   make_fuzz_corpus DIR   (DIR/fuzz_run and DIR/fuzz_primitives must exist)
// Each whole-run seed starts with the byte that picks the options.
#include <cstdio>
#include <string>
#include <vector>

#include "font_builder.h"

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

struct Seed {
  std::string name;
  Bytes font;
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
  // Cut inside the header, a command, a descriptor and a bitmap.
  for (std::size_t cut : {5UL, 40UL, whole.size() - 30, whole.size() - 3}) {
    seeds.push_back({"cut-" + std::to_string(cut),
                     Bytes(whole.begin(), whole.begin() + static_cast<long>(cut))});
  }
  return seeds;
}

void write(const std::string& path, const Bytes& bytes) {
  fb::write_file(path, bytes);
  std::printf("%s (%zu bytes)\n", path.c_str(), bytes.size());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_fuzz_corpus DIR\n");
    return 2;
  }
  const std::string dir = argv[1];
  const char* modes[] = {"copy", "r300", "clean", "landscape", "landscape-clean", "all", "quirks"};
  int mode = 0;
  for (const Seed& seed : fonts()) {
    // Spread the fonts over the option sets, every font with at least two.
    for (int k = 0; k < 2; ++k, ++mode) {
      Bytes input = {static_cast<std::uint8_t>(mode % 7)};
      append(input, seed.font);
      write(dir + "/fuzz_run/" + seed.name + "-" + modes[mode % 7], input);
    }
  }
  write(dir + "/fuzz_primitives/fields", fb::text("065E\x1b(s18W0000000000000000012W"));
  Bytes block = fb::character_descriptor(glyphs()[1]);
  append(block, fb::character_bitmap(glyphs()[1]));
  write(dir + "/fuzz_primitives/block", block);
  return 0;
}
