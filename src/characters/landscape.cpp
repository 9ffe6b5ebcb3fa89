#include "characters/landscape.h"

#include <algorithm>
#include <array>
#include <vector>

namespace kestrune {
namespace {

// Rows of the rotated bitmap built and written at a time.
constexpr std::size_t kRowsPerPiece = 8;

// Reports only: a character that draws a message is still rotated.
void report_descriptor_problems(int code, std::span<const std::uint8_t> block) {
  const auto prefix = block.first<4>();
  if (!std::equal(prefix.begin(), prefix.end(), kUncompressedBitmapPrefix.begin())) {
    if (std::equal(prefix.begin(), prefix.end(), kCompressedBitmapPrefix.begin())) {
      std::printf(
          "Error: Character number %d is compressed. Only works on uncompressed characters.\n",
          code);
    } else {
      std::printf("Error: Invalid data in character %d.\n", code);
    }
  }
  if (block[4] != 0) std::printf("Error: Character should be portrait.\n");
}

// Destination row `row` is source column w - 1 - row read from top to bottom.
void rotate_row(std::span<const std::uint8_t> bitmap, std::size_t source_stride,
                std::size_t source_column, std::uint16_t height, std::span<std::uint8_t> row) {
  const std::size_t byte_column = source_column / 8;
  const auto bit = static_cast<std::uint8_t>(0x80U >> (source_column % 8));
  for (std::size_t y = 0; y < height; ++y) {
    if ((bitmap[y * source_stride + byte_column] & bit) != 0) {
      row[y / 8] = static_cast<std::uint8_t>(row[y / 8] | (0x80U >> (y % 8)));
    }
  }
}

}  // namespace

CharacterDescriptor landscape_descriptor(const CharacterDescriptor& portrait) {
  CharacterDescriptor landscape = portrait;
  landscape.orientation = 1;
  landscape.reserved = 0;
  // Both sums are computed in int, where they cannot overflow, then kept to
  // their low 16 bits (two's complement conversion is defined since C++20).
  landscape.left_offset = static_cast<std::int16_t>(-int{portrait.top_offset});
  landscape.top_offset = static_cast<std::int16_t>(int{portrait.left_offset} + portrait.width);
  landscape.width = portrait.height;
  landscape.height = portrait.width;
  return landscape;
}

bool write_rotated_bitmap(std::span<const std::uint8_t> bitmap, std::uint16_t width,
                          std::uint16_t height, std::FILE* out) {
  const std::size_t source_stride = row_stride(width);
  const std::size_t stride = row_stride(height);
  std::vector<std::uint8_t> piece;
  for (std::size_t first = 0; first < width; first += kRowsPerPiece) {
    const std::size_t rows = std::min<std::size_t>(kRowsPerPiece, width - first);
    piece.assign(rows * stride, 0);
    for (std::size_t i = 0; i < rows; ++i) {
      const std::size_t source_column = width - 1 - (first + i);
      rotate_row(bitmap, source_stride, source_column, height,
                 std::span<std::uint8_t>(piece).subspan(i * stride, stride));
    }
    if (!write_bytes(out, piece)) return false;
  }
  return true;
}

void rotate_character_to_landscape(int code, std::size_t n, std::uint8_t* block, std::FILE* out) {
  const std::span<std::uint8_t> bytes(block, n);
  report_descriptor_problems(code, bytes);
  const auto descriptor_bytes = bytes.first<CharacterDescriptor::kSize>();
  const CharacterDescriptor portrait = decode_character_descriptor(descriptor_bytes);
  const std::size_t bitmap_size = std::size_t{portrait.height} * row_stride(portrait.width);
  const auto bitmap = bytes.subspan(CharacterDescriptor::kSize);
  if (bitmap.size() < bitmap_size) {
    std::printf("Error: Character %d holds fewer bitmap bytes than its size needs; skipped.\n",
                code);
    return;
  }
  const CharacterDescriptor landscape = landscape_descriptor(portrait);
  std::array<std::uint8_t, CharacterDescriptor::kSize> rewritten{};
  encode_character_descriptor(landscape, rewritten);
  // At most 65535 rows of 8192 bytes plus the descriptor: well within int.
  const std::size_t rotated_size = std::size_t{portrait.width} * row_stride(portrait.height);
  const bool written =
      emit_command("*c", code, 'E', out) &&
      emit_command("(s", static_cast<int>(rotated_size + CharacterDescriptor::kSize), 'W', out) &&
      write_bytes(out, rewritten) &&
      write_rotated_bitmap(bitmap.first(bitmap_size), portrait.width, portrait.height, out);
  if (written) std::printf("Character code %d landscaped.\n", code);
}

}  // namespace kestrune
