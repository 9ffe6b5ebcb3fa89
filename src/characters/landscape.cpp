#include "characters/landscape.h"

#include <array>
#include <optional>

#include "characters/rotation.h"
#include "softfont/classifier.h"

namespace kestrune {
namespace {

// The dots of a character, with its messages printed: a compressed one's
// already turned, every other kind's as the portrait bitmap its bytes would
// be. None when the character cannot be turned.
std::optional<std::span<const std::uint8_t>> dots_to_turn(int code, const Character& character,
                                                          MessageSink& messages) {
  if (character.has(kDamagedCompressed)) {
    print_text(messages, "Error: Character ", code, " holds damaged compressed data; skipped.\n");
    return std::nullopt;
  }
  // Reports only: a character that draws one of these is still turned.
  if (character.has(kForeignDescriptor)) {
    print_text(messages, "Error: Invalid data in character ", code, ".\n");
  }
  if (character.has(kForeignOrientation)) {
    print_text(messages, "Error: Character should be portrait.\n");
  }
  if (character.has(kShortBitmap)) {
    print_text(messages, "Error: Character ", code,
               " holds fewer bitmap bytes than its size needs; skipped.\n");
    return std::nullopt;
  }
  return character.dots;
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

void rotate_character_to_landscape(int code, std::span<std::uint8_t> block,
                                   TransformContext& context) {
  // Only a portrait font is turned: its characters are to be portrait too.
  // A compressed character is turned straight from its runs.
  const Character character = classify_character(block, 0, kTurnRuns, context.unpacked);
  const auto dots = dots_to_turn(code, character, context.messages);
  if (!dots) return;
  const CharacterDescriptor& portrait = character.descriptor;
  CharacterDescriptor landscape = landscape_descriptor(portrait);
  const bool turned = character.kind == CharacterKind::kCompressed;
  // An unpacked character goes out uncompressed.
  if (turned) landscape.glyph_class = kBitmapClass;
  std::array<std::uint8_t, CharacterDescriptor::kSize> descriptor{};
  encode_character_descriptor(landscape, descriptor);
  // At most 65535 rows of 8192 bytes plus the descriptor: well within int.
  const std::size_t size =
      std::size_t{portrait.width} * row_stride(portrait.height) + CharacterDescriptor::kSize;
  CharacterWriter writer{context.out};
  if (begin_character(code, size, writer) && write_character_bytes(writer, descriptor) &&
      (turned ? write_character_bytes(writer, *dots)
              : write_rotated_bitmap(*dots, portrait.width, portrait.height, writer))) {
    print_character_progress(context.messages, code, "landscaped.");
  }
}

}  // namespace kestrune
