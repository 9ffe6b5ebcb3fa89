// Writes PNG files from a short description, with no zlib: the image data
// is held in stored (uncompressed) deflate blocks, and the CRCs and the
// Adler-32 are worked out here. Any colour type, bit depth, palette,
// transparency, resolution and Adam7 interlacing can be written, and the
// chunks can be put together by hand for damaged files.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kestrune::pngbuilder {

using Bytes = std::vector<std::uint8_t>;

struct PngPicture {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  int colour_type = 0;  // 0 grey, 2 RGB, 3 palette, 4 grey and alpha, 6 RGBA
  int bit_depth = 8;
  bool interlaced = false;
  // Each pixel's samples in channel order, row by row, at the bit depth (a
  // palette index for colour type 3).
  std::vector<std::uint16_t> samples;
  std::vector<std::array<std::uint8_t, 3>> palette;  // PLTE, when not empty
  std::optional<Bytes> transparency;                 // the tRNS chunk's body
  std::optional<std::uint32_t> pixels_per_metre;     // pHYs, in metres
};

int channels_of(int colour_type);

// The image's rows as PNG packs them (filter byte 0 before each row, each
// pass of seven for an interlaced image), before they are deflated.
Bytes packed_rows(const PngPicture& picture);
// A zlib stream of stored blocks holding `data`.
Bytes zlib_stored(const Bytes& data);
std::uint32_t crc32(const Bytes& bytes);
// One chunk: its length, type, body and CRC.
Bytes chunk(std::string_view type, const Bytes& body);
Bytes ihdr_body(const PngPicture& picture);
// The whole file.
Bytes png_file(const PngPicture& picture);

// An 8-bit grey image drawn with '#' (black) and any other character
// (white), top row first.
PngPicture drawn_png(const std::vector<std::string>& rows);

}  // namespace kestrune::pngbuilder
