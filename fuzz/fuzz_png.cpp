// A PNG image read as a character, in memory: the chunk walk, the unpacking
// and decoding, the threshold and the crop. The first byte picks the
// threshold and code; the rest is the file, whose chunks' CRCs are set
// right before it is read, so that the fuzzer's changes reach past the
// check of them.
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "convert/png_chunks.h"
#include "convert/png_face.h"

namespace {

// Each chunk's CRC made right, as far as the lengths lead.
void mend_crcs(std::vector<std::uint8_t>& file) {
  std::size_t at = 8;
  while (at <= file.size() && file.size() - at >= 12) {
    const std::uint32_t length = std::uint32_t{file[at]} << 24 | std::uint32_t{file[at + 1]} << 16 |
                                 std::uint32_t{file[at + 2]} << 8 | file[at + 3];
    if (length > file.size() - at - 12) return;
    const std::uint32_t crc = kestrune::convert::png_crc(
        std::span<const std::uint8_t>(file).subspan(at + 4, std::size_t{length} + 4));
    at += 8 + length;
    for (int shift = 24; shift >= 0; shift -= 8)
      file[at++] = static_cast<std::uint8_t>(crc >> shift);
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) { return 0; }

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  static std::vector<std::uint8_t> printed;
  printed.clear();
  kestrune::MessageSink messages(printed);
  std::vector<std::uint8_t> file(data + 1, data + size);
  if (data[0] & 0x80) mend_crcs(file);
  kestrune::InputBuffer in(std::span<const std::uint8_t>(file), 64);
  kestrune::convert::PngReading reading;
  reading.threshold = 1 + (data[0] & 0x3F) * 99 / 63;
  reading.code = (data[0] & 0x40) != 0 ? 65535 : 65;
  kestrune::convert::Face face;
  const kestrune::convert::PngOutcome outcome =
      kestrune::convert::read_png_face(in, "fuzz.png", reading, messages, face);
  // One character at most, with the rows its size says, within printers'
  // limits.
  if (face.glyphs.size() > 1 || (!outcome.read && face.glyphs.size() != 0)) std::abort();
  for (const kestrune::convert::Glyph& glyph : face.glyphs.all()) {
    if (glyph.rows.size() !=
            kestrune::convert::glyph_stride(glyph.width) * static_cast<std::size_t>(glyph.height) ||
        !kestrune::convert::beyond_printer_limits(glyph).empty()) {
      std::abort();
    }
  }
  kestrune::flush_messages(messages);
  return 0;
}
