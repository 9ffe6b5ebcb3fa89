#include "convert/png_face.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

#include "pcl/records.h"

#ifdef KESTRUNE_HAVE_PNG
#include <stb/stb_image.h>
#endif

namespace kestrune::convert {
namespace {

constexpr int kLargestSide = 16384;  // dots, wide or high
constexpr int kLargestCode = 65535;
constexpr int kLargestAdvance = 32767;  // quarter dots: PCL's delta X is a signed word
constexpr int kLargestWord = 0xFFFF;
constexpr int kRoman8 = 8 * 32 + 'U' - 64;
constexpr std::uint64_t kFullWhite = 0xFFFF;

// Two decimals at most, none when whole: "2", "0.67".
std::string decimal(double value) {
  char text[48];
  std::snprintf(text, sizeof text, "%.2f", value);
  std::string shown = text;
  while (shown.back() == '0') shown.pop_back();
  if (shown.back() == '.') shown.pop_back();
  return shown;
}

std::string inches(std::uint64_t width, std::uint64_t height, double dots_per_inch) {
  return decimal(static_cast<double>(width) / dots_per_inch) + " x " +
         decimal(static_cast<double>(height) / dots_per_inch) + " inches";
}

// A pixel laid over white is darker than `threshold` percent of white: the
// sum is the composite times full white, so the comparison is exact.
bool is_dot(std::uint64_t grey, std::uint64_t alpha, std::uint64_t threshold) {
  const std::uint64_t over = grey * alpha + kFullWhite * (kFullWhite - alpha);
  return over * 100 < threshold * kFullWhite * kFullWhite;
}

// The font's name from its first file's: no folder, no extension, and
// printable ASCII of at most 16 characters.
std::string name_from_file(std::string_view path) {
  const std::size_t slash = path.find_last_of("/\\");
  if (slash != std::string_view::npos) path.remove_prefix(slash + 1);
  const std::size_t dot = path.rfind('.');
  if (dot != std::string_view::npos && dot > 0) path = path.substr(0, dot);
  std::string name;
  for (const char c : path.substr(0, 16)) name += c >= ' ' && c <= '~' ? c : '_';
  return name.empty() ? "PNG image" : name;
}

// The header of a font made from images: one cell as large as the first
// image, standing on the baseline at its foot, proportionally spaced.
void image_fields(Face& face, const std::string& input_name, const PngChunks& image, int dpi,
                  int symbol_set) {
  FontFields& f = face.fields;
  const int wide = static_cast<int>(std::min<std::uint32_t>(image.width, kLargestWord));
  const int high = static_cast<int>(std::min<std::uint32_t>(image.height, kLargestWord));
  f.height = std::min(4 * high, kLargestWord);
  f.baseline = high;
  f.cell_width = wide;
  f.cell_height = high;
  f.quality = 2;
  f.underline_position = -1;
  f.underline_thickness = std::clamp((high + 8) / 16, 1, 255);
  f.text_height = f.height;
  f.text_width = f.pitch = std::min(4 * wide, kLargestAdvance);
  f.spacing = 1;
  face.given.spacing = true;
  f.symbol_set = symbol_set >= 0 ? symbol_set : kRoman8;
  f.name = name_from_file(input_name);
  f.x_resolution = f.y_resolution = dpi;
}

void print_error(MessageSink& messages, const std::string& input_name, const std::string& why) {
  print_text(messages, "Error: " + input_name + ": " + why + ".\n");
}

#ifdef KESTRUNE_HAVE_PNG
constexpr bool kCanDecode = true;

struct FreeImage {
  void operator()(std::uint16_t* pixels) const { stbi_image_free(pixels); }
};

// Why stb's decoder failed. Its inflater returns -1 on damaged data
// without a reason, and a reason left by an earlier image would mislead:
// it is asked only of the decoder, which always sets one.
std::string stb_reason() {
  const char* reason = stbi_failure_reason();
  return reason != nullptr ? reason : "damaged data";
}

// The image's pixels, grey then alpha at 16 bits, whatever its colour type
// and depth; empty with `why` set when they cannot be had. The image data
// is first unpacked into exactly the bytes its rows take, so that data
// which would unpack to more is refused before the decoder grows a buffer
// for it.
std::vector<std::uint16_t> decode(std::span<const std::uint8_t> file, const PngChunks& chunks,
                                  std::string& why) {
  const std::uint64_t unpacked = png_unpacked_size(chunks);
  std::vector<char> rows(static_cast<std::size_t>(unpacked));
  const int got = stbi_zlib_decode_buffer(rows.data(), static_cast<int>(rows.size()),
                                          reinterpret_cast<const char*>(chunks.data.data()),
                                          static_cast<int>(chunks.data.size()));
  if (got < 0 || static_cast<std::uint64_t>(got) != unpacked) {
    why = "its image data does not unpack to the " + std::to_string(unpacked) +
          " bytes its rows take (" + (got < 0 ? "damaged or too much" : "too few") + ")";
    return {};
  }
  int width = 0;
  int height = 0;
  int channels = 0;
  const std::unique_ptr<std::uint16_t, FreeImage> pixels(stbi_load_16_from_memory(
      file.data(), static_cast<int>(file.size()), &width, &height, &channels, 2));
  if (!pixels || std::cmp_not_equal(width, chunks.width) ||
      std::cmp_not_equal(height, chunks.height)) {
    why = std::string("the decoder cannot read it: ") +
          (pixels ? std::string("its size differs") : stb_reason());
    return {};
  }
  const std::size_t count = std::size_t{chunks.width} * chunks.height * 2;
  return std::vector<std::uint16_t>(pixels.get(), pixels.get() + count);
}
#else
constexpr bool kCanDecode = false;

std::vector<std::uint16_t> decode(std::span<const std::uint8_t>, const PngChunks&, std::string&) {
  return {};
}
#endif

// The whole file, at most kLargestPngFile bytes; false, with an error
// printed, when it cannot be read or is larger.
bool read_whole(InputBuffer& in, const std::string& input_name, MessageSink& messages,
                std::vector<std::uint8_t>& file) {
  constexpr auto kMost = static_cast<std::size_t>(kLargestPngFile);
  file.resize(in.read_block_at(0, kMost + 1, file));
  if (in.failed()) {
    report_read_error(messages);
    return false;
  }
  if (file.size() > kMost) {
    print_error(messages, input_name, "the file is over 64 MiB, more than an image it reads");
    return false;
  }
  return true;
}

}  // namespace

bool png_too_large(std::uint64_t width, std::uint64_t height) {
  return width > kLargestSide || height > kLargestSide ||
         bitmap_too_large(static_cast<std::uint16_t>(width), static_cast<std::uint16_t>(height));
}

Glyph png_glyph(std::span<const std::uint16_t> grey_alpha, int width, int height, int threshold) {
  const auto wide = static_cast<std::size_t>(std::max(width, 0));
  const auto high = static_cast<std::size_t>(std::max(height, 0));
  const auto level = static_cast<std::uint64_t>(std::clamp(threshold, 0, 100));
  const auto dot = [&](std::size_t x, std::size_t y) {
    const std::size_t at = (y * wide + x) * 2;
    return at + 1 < grey_alpha.size() && is_dot(grey_alpha[at], grey_alpha[at + 1], level);
  };
  std::size_t left = wide, right = 0, top = high, bottom = 0;
  for (std::size_t y = 0; y < high; ++y) {
    for (std::size_t x = 0; x < wide; ++x) {
      if (!dot(x, y)) continue;
      left = std::min(left, x);
      right = std::max(right, x);
      top = std::min(top, y);
      bottom = std::max(bottom, y);
    }
  }
  Glyph glyph;
  glyph.advance = static_cast<int>(std::min<std::size_t>(wide, kLargestWord + 1) * 4);
  if (top == high) {
    make_blank_dot(glyph);
    return glyph;
  }
  glyph.width = static_cast<int>(right - left + 1);
  glyph.height = static_cast<int>(bottom - top + 1);
  glyph.left = static_cast<int>(left);
  glyph.top = static_cast<int>(high - top);
  const std::size_t stride = glyph_stride(glyph.width);
  glyph.rows.assign(stride * static_cast<std::size_t>(glyph.height), 0);
  for (std::size_t y = top; y <= bottom; ++y) {
    for (std::size_t x = left; x <= right; ++x) {
      if (!dot(x, y)) continue;
      const std::size_t column = x - left;
      std::uint8_t& byte = glyph.rows[(y - top) * stride + column / 8];
      byte = static_cast<std::uint8_t>(byte | 0x80 >> (column % 8));
    }
  }
  return glyph;
}

namespace {

// What a header-checked image is, for the lines that tell of it.
struct ImageFacts {
  const std::string& input_name;
  const PngChunks& chunks;
  const PngReading& reading;
  int font_dpi;  // the resolution of the font it is written in, scaled
};

// Its pixels, resolution and size, its ink and its code; and a warning
// when it keeps its dots in a font of another resolution than its own.
void tell_of_image(const ImageFacts& image, const Glyph& glyph, MessageSink& messages) {
  const PngChunks& c = image.chunks;
  const double per_pixel = static_cast<double>(image.font_dpi) / image.reading.scale;
  const int shown_dpi = c.dpi > 0 ? c.dpi : static_cast<int>(per_pixel + 0.5);
  std::string line = "Read " + image.input_name + ": PNG, " + std::to_string(c.width) + " x " +
                     std::to_string(c.height) + " pixels at " + std::to_string(shown_dpi) +
                     (c.dpi > 0 ? " dpi, " : " dpi (none given), ") +
                     inches(c.width, c.height, c.dpi > 0 ? c.dpi : per_pixel) + "; ";
  const bool blank = glyph.rows.size() == 1 && glyph.rows[0] == 0 && glyph.width == 1;
  line +=
      blank ? std::string("no ink: a blank character of one dot")
            : "ink " + std::to_string(glyph.width) + " x " + std::to_string(glyph.height) + " dots";
  print_text(messages, line + ", character code ", image.reading.code, ".\n");
  if (c.dpi > 0 && std::int64_t{c.dpi} * image.reading.scale != image.font_dpi) {
    print_text(messages, "Warning: " + image.input_name + ": a ", c.dpi,
               " dpi image in a " + std::to_string(image.font_dpi) +
                   " dpi font keeps its dots: it will print at " +
                   inches(c.width, c.height, per_pixel) + ".\n");
  }
  if (std::uint64_t{c.width} * 4 * static_cast<std::uint64_t>(image.reading.scale) >
      kLargestAdvance) {
    print_text(messages, "Warning: " + image.input_name + ": its advance of ",
               std::int64_t{c.width} * image.reading.scale,
               " dots is more than a soft font's character carries; there the cursor moves "
               "8191.75 dots.\n");
  }
}

// Why the image gives no character, or empty when it gives one.
std::string refusal(const PngChunks& chunks, int code) {
  if (code > kLargestCode) {
    return "its code would be " + std::to_string(code) + ", past 65535; it is left out";
  }
  if (png_too_large(chunks.width, chunks.height)) {
    return "its image is " + std::to_string(chunks.width) + " x " + std::to_string(chunks.height) +
           " pixels, more than a character may be (16384 x 16384 dots, a bitmap of 1 MiB); it is "
           "left out before it is unpacked";
  }
  return "";
}

}  // namespace

PngOutcome read_png_face(InputBuffer& in, const std::string& input_name, const PngReading& reading,
                         MessageSink& messages, Face& face) {
  if (!kCanDecode) {
    print_text(messages, "Error: " + input_name +
                             " is a PNG image: this kestrune-convert was built without PNG "
                             "support (stb).\n");
    return {};
  }
  std::vector<std::uint8_t> file;
  if (!read_whole(in, input_name, messages, file)) return {};
  const PngChunks chunks = walk_png_chunks(file, true);
  if (!chunks.fault.empty()) {
    print_error(messages, input_name, "cannot read it as a PNG image: " + chunks.fault);
    return {};
  }
  const int own_dpi = chunks.dpi > 0 ? chunks.dpi : 300;
  const int font_dpi = reading.font_dpi > 0 ? reading.font_dpi : own_dpi * reading.scale;
  PngOutcome outcome;
  outcome.read = true;
  if (reading.first) {
    image_fields(face, input_name, chunks, own_dpi, reading.symbol_set);
    outcome.resolution = own_dpi;
  }
  if (const std::string why = refusal(chunks, reading.code); !why.empty()) {
    print_error(messages, input_name, why);
    outcome.refused = 1;
    return outcome;
  }
  std::string why;
  const std::vector<std::uint16_t> pixels = decode(file, chunks, why);
  if (pixels.empty()) {
    print_error(messages, input_name, "cannot read it as a PNG image: " + why);
    return {};
  }
  Glyph glyph = png_glyph(pixels, static_cast<int>(chunks.width), static_cast<int>(chunks.height),
                          reading.threshold);
  glyph.code = reading.code;
  tell_of_image({input_name, chunks, reading, font_dpi}, glyph, messages);
  if (const std::string beyond = beyond_printer_limits(glyph); !beyond.empty()) {
    print_error(messages, input_name,
                "its ink is beyond printers' limits: " + beyond + "; it is left out");
    outcome.refused = 1;
    return outcome;
  }
  face.glyphs.add(std::move(glyph));
  return outcome;
}

}  // namespace kestrune::convert
