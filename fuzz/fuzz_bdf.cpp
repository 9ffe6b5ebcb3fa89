// A BDF font read into a face, in memory: the line reader, the header and
// properties, every glyph and its placement in a symbol set. The first byte
// picks the symbol set asked for; the rest is the font.
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "convert/bdf_face.h"

namespace {

// The font's own default, and sets read through Unicode.
constexpr int kSymbolSets[] = {-1, 277, 629, 14, 78, 341, 1};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) { return 0; }

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  static std::vector<std::uint8_t> printed;
  printed.clear();
  kestrune::MessageSink messages(printed);
  const std::span<const std::uint8_t> font(data + 1, size - 1);
  kestrune::InputBuffer in(font, 64);
  kestrune::convert::BdfReading reading;
  reading.symbol_set = kSymbolSets[data[0] % std::size(kSymbolSets)];
  kestrune::convert::Face face;
  const kestrune::convert::BdfOutcome outcome =
      kestrune::convert::read_bdf_face(in, "fuzz.bdf", reading, messages, face);
  // Every glyph kept has the rows its size says.
  for (const kestrune::convert::Glyph& glyph : face.glyphs.all()) {
    if (glyph.rows.size() !=
        kestrune::convert::glyph_stride(glyph.width) * static_cast<std::size_t>(glyph.height)) {
      std::abort();
    }
  }
  if (face.glyphs.size() > outcome.glyphs) std::abort();
  kestrune::flush_messages(messages);
  return 0;
}
