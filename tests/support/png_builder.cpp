#include "png_builder.h"

#include <algorithm>

namespace kestrune::pngbuilder {
namespace {

void put_be32(Bytes& to, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8)
    to.push_back(static_cast<std::uint8_t>(value >> shift));
}

// Appends `count` x `count_high` pixels from (x0, y0) every dx and dy.
void pack_pass(const PngPicture& picture, std::uint32_t x0, std::uint32_t y0, std::uint32_t dx,
               std::uint32_t dy, Bytes& out) {
  const auto channels = static_cast<std::uint32_t>(channels_of(picture.colour_type));
  for (std::uint32_t y = y0; y < picture.height; y += dy) {
    if (x0 >= picture.width) return;
    out.push_back(0);  // no filter
    unsigned bits = 0;
    unsigned filled = 0;
    for (std::uint32_t x = x0; x < picture.width; x += dx) {
      for (std::uint32_t c = 0; c < channels; ++c) {
        const std::uint16_t sample = picture.samples.at((y * picture.width + x) * channels + c);
        if (picture.bit_depth == 16) {
          out.push_back(static_cast<std::uint8_t>(sample >> 8));
          out.push_back(static_cast<std::uint8_t>(sample));
          continue;
        }
        bits = bits << picture.bit_depth | sample;
        filled += static_cast<unsigned>(picture.bit_depth);
        if (filled == 8) {
          out.push_back(static_cast<std::uint8_t>(bits));
          bits = filled = 0;
        }
      }
    }
    if (filled > 0) out.push_back(static_cast<std::uint8_t>(bits << (8 - filled)));
  }
}

}  // namespace

int channels_of(int colour_type) {
  switch (colour_type) {
    case 2:
      return 3;
    case 4:
      return 2;
    case 6:
      return 4;
    default:
      return 1;
  }
}

Bytes packed_rows(const PngPicture& picture) {
  Bytes out;
  if (!picture.interlaced) {
    pack_pass(picture, 0, 0, 1, 1, out);
    return out;
  }
  constexpr std::uint32_t kAdam7[7][4] = {{0, 0, 8, 8}, {4, 0, 8, 8}, {0, 4, 4, 8}, {2, 0, 4, 4},
                                          {0, 2, 2, 4}, {1, 0, 2, 2}, {0, 1, 1, 2}};
  for (const auto& pass : kAdam7) pack_pass(picture, pass[0], pass[1], pass[2], pass[3], out);
  return out;
}

Bytes zlib_stored(const Bytes& data) {
  Bytes out = {0x78, 0x01};
  std::size_t at = 0;
  do {
    const std::size_t length = std::min<std::size_t>(data.size() - at, 65535);
    const bool last = at + length == data.size();
    out.push_back(last ? 1 : 0);
    out.push_back(static_cast<std::uint8_t>(length));
    out.push_back(static_cast<std::uint8_t>(length >> 8));
    out.push_back(static_cast<std::uint8_t>(~length));
    out.push_back(static_cast<std::uint8_t>(~length >> 8));
    out.insert(out.end(), data.begin() + static_cast<long>(at),
               data.begin() + static_cast<long>(at + length));
    at += length;
  } while (at < data.size());
  std::uint32_t a = 1;
  std::uint32_t b = 0;
  for (const std::uint8_t byte : data) {
    a = (a + byte) % 65521;
    b = (b + a) % 65521;
  }
  put_be32(out, b << 16 | a);
  return out;
}

std::uint32_t crc32(const Bytes& bytes) {
  std::uint32_t crc = 0xFFFFFFFF;
  for (const std::uint8_t byte : bytes) {
    crc ^= byte;
    for (int k = 0; k < 8; ++k) crc = (crc & 1) != 0 ? 0xEDB88320 ^ (crc >> 1) : crc >> 1;
  }
  return ~crc;
}

Bytes chunk(std::string_view type, const Bytes& body) {
  Bytes out;
  put_be32(out, static_cast<std::uint32_t>(body.size()));
  Bytes typed(type.begin(), type.end());
  typed.insert(typed.end(), body.begin(), body.end());
  out.insert(out.end(), typed.begin(), typed.end());
  put_be32(out, crc32(typed));
  return out;
}

Bytes ihdr_body(const PngPicture& picture) {
  Bytes body;
  put_be32(body, picture.width);
  put_be32(body, picture.height);
  body.push_back(static_cast<std::uint8_t>(picture.bit_depth));
  body.push_back(static_cast<std::uint8_t>(picture.colour_type));
  body.push_back(0);
  body.push_back(0);
  body.push_back(picture.interlaced ? 1 : 0);
  return body;
}

Bytes png_file(const PngPicture& picture) {
  Bytes out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  const auto add = [&](std::string_view type, const Bytes& body) {
    const Bytes made = chunk(type, body);
    out.insert(out.end(), made.begin(), made.end());
  };
  add("IHDR", ihdr_body(picture));
  if (picture.pixels_per_metre) {
    Bytes phys;
    put_be32(phys, *picture.pixels_per_metre);
    put_be32(phys, *picture.pixels_per_metre);
    phys.push_back(1);
    add("pHYs", phys);
  }
  if (!picture.palette.empty()) {
    Bytes plte;
    for (const auto& entry : picture.palette) plte.insert(plte.end(), entry.begin(), entry.end());
    add("PLTE", plte);
  }
  if (picture.transparency) add("tRNS", *picture.transparency);
  add("IDAT", zlib_stored(packed_rows(picture)));
  add("IEND", {});
  return out;
}

PngPicture drawn_png(const std::vector<std::string>& rows) {
  PngPicture picture;
  picture.height = static_cast<std::uint32_t>(rows.size());
  for (const std::string& row : rows)
    picture.width = std::max(picture.width, static_cast<std::uint32_t>(row.size()));
  for (const std::string& row : rows) {
    for (std::uint32_t x = 0; x < picture.width; ++x)
      picture.samples.push_back(x < row.size() && row[x] == '#' ? 0 : 255);
  }
  return picture;
}

}  // namespace kestrune::pngbuilder
