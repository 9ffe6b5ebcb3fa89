// A PNG file's chunks walked with every length checked against the bytes
// that remain, before any of its image is unpacked: what its header (IHDR)
// promises, its resolution (pHYs), and the image data (IDAT) joined. Pure:
// no I/O and no decoder.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace kestrune::convert {

// The eight bytes every PNG file begins with.
inline constexpr std::uint8_t kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

bool starts_as_png(std::span<const std::uint8_t> bytes);

struct PngChunks {
  std::string fault;  // why the file is no PNG that can be read; empty when it is one
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  int bit_depth = 0;
  int colour_type = 0;
  bool interlaced = false;  // Adam7
  int dpi = 0;              // from pHYs in dots per metre; 0 when it gives none
  // The image data of every IDAT chunk, in order: a zlib stream.
  std::vector<std::uint8_t> data;
};

// Walks the chunks of a whole PNG file: the signature, IHDR first, then up to
// IEND, each chunk's CRC checked. The IDAT bytes are copied only when
// `join_data` is set.
PngChunks walk_png_chunks(std::span<const std::uint8_t> file, bool join_data);

// The bytes the image data unpacks to: each row of each pass (seven for an
// interlaced image) a filter byte then its pixels packed.
std::uint64_t png_unpacked_size(const PngChunks& chunks);

// The CRC-32 PNG and zlib's gzip share, over `bytes`, continuing `crc`.
std::uint32_t png_crc(std::span<const std::uint8_t> bytes, std::uint32_t crc = 0);

}  // namespace kestrune::convert
