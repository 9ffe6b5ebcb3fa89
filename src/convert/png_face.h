// A PNG image read as one character, for a signature or a logo printed by
// selecting a font and printing one code: its dots are the pixels darker
// than a threshold once laid over white, cropped to its ink, and placed so
// that the character prints where and as large as the image stands.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "bytes/input.h"
#include "bytes/messages.h"
#include "convert/face.h"
#include "convert/png_chunks.h"

namespace kestrune::convert {

// A file read whole into memory is at most this large: an image within the
// sizes below is far smaller, however it is stored.
inline constexpr std::uint64_t kLargestPngFile = std::uint64_t{64} << 20;

// The threshold is a whole percentage of full white: 1 makes only black a
// dot, 100 every pixel not white.
inline constexpr int kLowestThreshold = 1;
inline constexpr int kHighestThreshold = 100;

struct PngReading {
  int code = 65;        // the character's code; refused past 65535
  int threshold = 50;   // percent of full white a dot is darker than
  int font_dpi = 0;     // the resolution of the font it goes into; 0: its own, else 300
  int scale = 1;        // --scale, which the font's resolution follows
  bool first = true;    // it gives the font's header
  int symbol_set = -1;  // the set asked for, or -1: the header's is then 8U
};

struct PngOutcome {
  bool read = false;        // false: no image it could read, an "Error: " line printed
  std::size_t refused = 0;  // 1 when its character is refused, named
  int resolution = 0;       // the face's, when it gives the header
};

// True when the image is wider or higher than a character may be, or its
// dots would fill more than a character's bitmap may hold.
bool png_too_large(std::uint64_t width, std::uint64_t height);

// The character of a decoded image of width x height pixels, grey then alpha
// at 16 bits each: its ink cropped, or one blank dot for an image with none;
// the advance is the image's width.
Glyph png_glyph(std::span<const std::uint16_t> grey_alpha, int width, int height, int threshold);

// Reads a whole PNG file from `in` into `face` as one character (and, when
// it is the first input, the header), printing what it made of it.
PngOutcome read_png_face(InputBuffer& in, const std::string& input_name, const PngReading& reading,
                         MessageSink& messages, Face& face);

}  // namespace kestrune::convert
