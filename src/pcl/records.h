// The records of a PCL bitmap soft font that Kestrune reads and changes: the
// font descriptor at the start of the font header's block and the character
// descriptor at the start of every character's block. Pure: no I/O.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace kestrune {

inline constexpr int ESC = 27;

// Every number inside a data block is big-endian.
constexpr std::uint16_t read_u16(std::span<const std::uint8_t> bytes, std::size_t at) {
  return static_cast<std::uint16_t>((bytes[at] << 8) | bytes[at + 1]);
}

constexpr void write_u16(std::span<std::uint8_t> bytes, std::size_t at, std::uint16_t value) {
  bytes[at] = static_cast<std::uint8_t>(value >> 8);
  bytes[at + 1] = static_cast<std::uint8_t>(value & 0xFF);
}

// The font descriptor at the start of the font header's data block. The tool
// accepts the 64-byte plain form and the 68-byte resolution-specified form and
// keeps either in one 68-byte buffer; `size` bytes of it are in use.
struct FontDescriptor {
  static constexpr int kPlainSize = 64;
  static constexpr int kResolutionSize = 68;
  static constexpr std::size_t kHeaderFormatOffset = 2;
  static constexpr std::size_t kFontTypeOffset = 3;
  static constexpr std::size_t kOrientationOffset = 12;
  // First Code and Last Code, u16 each: the codes the font's characters lie
  // between, which DeskJets check.
  static constexpr std::size_t kFirstCodeOffset = 36;
  static constexpr std::size_t kLastCodeOffset = 38;
  static constexpr std::size_t kXResolutionOffset = 64;
  static constexpr std::size_t kYResolutionOffset = 66;
  // A printer takes the resolution from the descriptor only when its header
  // format byte says resolution-specified.
  static constexpr std::uint8_t kResolutionSpecified = 20;

  std::array<std::uint8_t, kResolutionSize> bytes{};
  int size = 0;
};

// The 16-byte descriptor at the start of every character's data block, with
// its fields decoded.
struct CharacterDescriptor {
  static constexpr std::size_t kSize = 16;

  std::uint8_t format = 0;
  std::uint8_t continuation = 0;
  std::uint8_t descriptor_size = 0;
  std::uint8_t glyph_class = 0;
  std::uint8_t orientation = 0;
  std::uint8_t reserved = 0;
  std::int16_t left_offset = 0;
  std::int16_t top_offset = 0;
  std::uint16_t width = 0;
  std::uint16_t height = 0;
  std::int16_t delta_x = 0;
};

// The values a plain bitmap character's descriptor holds in its first bytes.
inline constexpr std::uint8_t kCharacterFormat = 4;
inline constexpr std::uint8_t kCharacterDescriptorSize = 14;
inline constexpr std::uint8_t kBitmapClass = 1;
inline constexpr std::uint8_t kCompressedClass = 2;

// Character codes are 16-bit.
inline constexpr int kLargestCharacterCode = 65535;

// The lowest and highest of the codes a font defines.
struct DefinedCodes {
  int lowest = 0;
  int highest = 0;
  std::size_t count = 0;

  constexpr void add(int code) {
    lowest = count == 0 ? code : std::min(lowest, code);
    highest = count == 0 ? code : std::max(highest, code);
    ++count;
  }
};

// First Code and Last Code are wrong: First is over Last, or the font
// defines a character outside them.
constexpr bool first_last_code_broken(int first, int last, const DefinedCodes& codes) {
  return first > last || (codes.count > 0 && (codes.lowest < first || codes.highest > last));
}

CharacterDescriptor decode_character_descriptor(std::span<const std::uint8_t, 16> bytes);

// An orientation as the font header and the viewer name it: "1 (landscape)",
// "7 (unknown)".
std::string orientation_name(int orientation);
void encode_character_descriptor(const CharacterDescriptor& descriptor,
                                 std::span<std::uint8_t, 16> bytes);

// The largest bitmap a character may have: width x height / 8, counted in
// whole bytes as GhostPCL counts it, at most 1 MiB. A larger character is
// refused by printers, and a compressed one is not unpacked.
inline constexpr std::uint64_t kLargestBitmapBytes = std::uint64_t{1} << 20;
constexpr bool bitmap_too_large(std::uint16_t width, std::uint16_t height) {
  return std::uint64_t{width} * height / 8 > kLargestBitmapBytes;
}

// Bytes in one bitmap row of a character `width` dots wide.
constexpr std::size_t row_stride(std::uint16_t width) { return (std::size_t{width} + 7) / 8; }

// Rows of such a bitmap that `present` bytes reach, at most `height`.
constexpr std::size_t rows_reached(std::size_t present, std::uint16_t width, std::uint16_t height) {
  const std::size_t stride = row_stride(width);
  return stride == 0 ? 0 : std::min<std::size_t>(height, (present + stride - 1) / stride);
}

// The fill bits of a bitmap's rows: the bits of each row's last byte that lie
// past the width. `mask` keeps a last byte's dots (all 8 when there are no
// fill bits); `rows` counts the rows whose last byte `present` bytes hold.
struct RowFill {
  std::size_t stride = 0;
  std::uint8_t mask = 0xFF;
  std::size_t rows = 0;
};

constexpr RowFill row_fill(std::uint16_t width, std::uint16_t height, std::size_t present) {
  RowFill fill;
  fill.stride = row_stride(width);
  if (fill.stride == 0) return fill;  // no row has a byte
  fill.mask = static_cast<std::uint8_t>((0xFFU << (8 * fill.stride - width)) & 0xFFU);
  fill.rows = std::min<std::size_t>(height, present / fill.stride);
  return fill;
}

}  // namespace kestrune
