#include "convert/png_chunks.h"

#include <algorithm>
#include <array>
#include <utility>

namespace kestrune::convert {
namespace {

constexpr std::size_t kChunkFrame = 12;  // length, type and CRC
constexpr std::uint32_t kLongestChunk = 0x7FFFFFFF;
constexpr std::uint32_t kIhdrSize = 13;
constexpr std::uint32_t kPhysSize = 9;

std::uint32_t be32(std::span<const std::uint8_t> bytes, std::size_t at) {
  return std::uint32_t{bytes[at]} << 24 | std::uint32_t{bytes[at + 1]} << 16 |
         std::uint32_t{bytes[at + 2]} << 8 | bytes[at + 3];
}

constexpr std::array<std::uint32_t, 256> crc_table() {
  std::array<std::uint32_t, 256> table{};
  for (std::uint32_t n = 0; n < 256; ++n) {
    std::uint32_t c = n;
    for (int k = 0; k < 8; ++k) c = (c & 1) != 0 ? 0xEDB88320U ^ (c >> 1) : c >> 1;
    table[n] = c;
  }
  return table;
}

// Channels of each colour type (0 grey, 2 RGB, 3 palette, 4 grey and
// alpha, 6 RGBA), and the depths each may have; 0 for a type there is not.
int channels_of(int colour_type) {
  switch (colour_type) {
    case 0:
      return 1;
    case 2:
      return 3;
    case 3:
      return 1;
    case 4:
      return 2;
    case 6:
      return 4;
    default:
      return 0;
  }
}

bool depth_allowed(int colour_type, int depth) {
  switch (colour_type) {
    case 0:
      return depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16;
    case 3:
      return depth == 1 || depth == 2 || depth == 4 || depth == 8;
    case 2:
    case 4:
    case 6:
      return depth == 8 || depth == 16;
    default:
      return false;
  }
}

std::string read_ihdr(std::span<const std::uint8_t> body, PngChunks& chunks) {
  if (body.size() != kIhdrSize) return "its IHDR chunk is not 13 bytes";
  chunks.width = be32(body, 0);
  chunks.height = be32(body, 4);
  chunks.bit_depth = body[8];
  chunks.colour_type = body[9];
  chunks.interlaced = body[12] == 1;
  if (chunks.width == 0 || chunks.height == 0 || chunks.width > kLongestChunk ||
      chunks.height > kLongestChunk) {
    return "its IHDR gives a width or height of 0 or over 2^31 - 1";
  }
  if (!depth_allowed(chunks.colour_type, chunks.bit_depth)) {
    return "its IHDR gives colour type " + std::to_string(chunks.colour_type) + " at " +
           std::to_string(chunks.bit_depth) + " bits, which PNG has not";
  }
  if (body[10] != 0 || body[11] != 0 || body[12] > 1) {
    return "its IHDR names a compression, filter or interlace method PNG has not";
  }
  return "";
}

// Dots per inch from a pHYs given in dots per metre; 0 when it is in no unit
// or rounds to no resolution a font can carry.
int read_phys(std::span<const std::uint8_t> body) {
  if (body.size() != kPhysSize || body[8] != 1) return 0;
  const std::uint64_t per_metre = be32(body, 0);
  const std::uint64_t dpi = (per_metre * 254 + 5000) / 10000;
  return dpi >= 1 && dpi <= 0xFFFF ? static_cast<int>(dpi) : 0;
}

PngChunks refused(std::string why) {
  PngChunks chunks;
  chunks.fault = std::move(why);
  return chunks;
}

bool is_type(std::span<const std::uint8_t> type, const char* name) {
  return std::equal(type.begin(), type.end(), name);
}

}  // namespace

bool starts_as_png(std::span<const std::uint8_t> bytes) {
  return bytes.size() >= std::size(kPngSignature) &&
         std::equal(std::begin(kPngSignature), std::end(kPngSignature), bytes.begin());
}

std::uint32_t png_crc(std::span<const std::uint8_t> bytes, std::uint32_t crc) {
  static constexpr std::array<std::uint32_t, 256> kTable = crc_table();
  crc = ~crc;
  for (const std::uint8_t byte : bytes) crc = kTable[(crc ^ byte) & 0xFF] ^ (crc >> 8);
  return ~crc;
}

PngChunks walk_png_chunks(std::span<const std::uint8_t> file, bool join_data) {
  PngChunks chunks;
  if (!starts_as_png(file)) return refused("it does not begin with the PNG signature");
  std::size_t at = std::size(kPngSignature);
  bool header = false;
  bool data = false;
  for (;;) {
    const std::size_t left = file.size() - at;
    if (left < kChunkFrame) return refused("it ends before its IEND chunk");
    const std::uint32_t length = be32(file, at);
    const auto type = file.subspan(at + 4, 4);
    std::string name(type.begin(), type.end());
    for (char& c : name) c = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ? c : '?';
    if (length > kLongestChunk || length > left - kChunkFrame) {
      return refused("its chunk at byte " + std::to_string(at) + " claims " +
                     std::to_string(length) + " bytes, but " + std::to_string(left - kChunkFrame) +
                     " remain");
    }
    const auto body = file.subspan(at + 8, length);
    if (png_crc(body, png_crc(type)) != be32(file, at + 8 + length)) {
      return refused("the CRC of its " + name + " chunk at byte " + std::to_string(at) +
                     " is wrong: the file is damaged");
    }
    at += kChunkFrame + length;
    if (!header) {
      if (!is_type(type, "IHDR")) return refused("its first chunk is not IHDR");
      if (std::string why = read_ihdr(body, chunks); !why.empty()) return refused(why);
      header = true;
    } else if (is_type(type, "IDAT")) {
      data = true;
      if (join_data) chunks.data.insert(chunks.data.end(), body.begin(), body.end());
    } else if (is_type(type, "pHYs")) {
      chunks.dpi = read_phys(body);
    } else if (is_type(type, "IEND")) {
      if (!data) return refused("it has no IDAT chunk: no image");
      return chunks;
    }
  }
}

std::uint64_t png_unpacked_size(const PngChunks& chunks) {
  struct Pass {
    std::uint64_t x, y, dx, dy;
  };
  static constexpr Pass kWhole[] = {{0, 0, 1, 1}};
  static constexpr Pass kAdam7[] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                                    {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
  const auto bits = static_cast<std::uint64_t>(channels_of(chunks.colour_type) * chunks.bit_depth);
  std::uint64_t size = 0;
  for (const Pass& pass :
       chunks.interlaced ? std::span<const Pass>(kAdam7) : std::span<const Pass>(kWhole)) {
    const std::uint64_t wide = (chunks.width + pass.dx - 1 - pass.x) / pass.dx;
    const std::uint64_t high = (chunks.height + pass.dy - 1 - pass.y) / pass.dy;
    if (wide == 0 || high == 0) continue;
    size += high * (1 + (wide * bits + 7) / 8);
  }
  return size;
}

}  // namespace kestrune::convert
