#include "characters/fix.h"

#include <cstring>

#include "softfont/classifier.h"

namespace kestrune {
namespace {

// A compressed character continued over data commands, or too large for one,
// goes out as the plain bitmap its runs unpack to, which may be continued.
bool needs_unpacking(const Character& character) {
  return character.kind == CharacterKind::kCompressed &&
         character.has(kCompressedContinued | kOversizedCommand);
}

// The unpacked character, descriptor first, in `context.mended`. False, with
// an error line, when its runs cannot be unpacked.
bool unpack_into_mended(const CharacterDefinition& definition, std::span<std::uint8_t> block,
                        TransformContext& context) {
  const Character character = classify_character(block, 0, kUnpackRuns, context.unpacked);
  if (character.has(kDamagedCompressed)) {
    print_text(context.messages, "Error: Character ", definition.code,
               " holds damaged compressed data; left compressed.\n");
    return false;
  }
  CharacterDescriptor descriptor = character.descriptor;
  descriptor.glyph_class = kBitmapClass;
  // At most 1 MiB of dots, which the unpacking has seen to.
  context.mended.resize(CharacterDescriptor::kSize + character.dots.size());
  encode_character_descriptor(descriptor,
                              std::span(context.mended).first<CharacterDescriptor::kSize>());
  if (!character.dots.empty()) {
    std::memcpy(context.mended.data() + CharacterDescriptor::kSize, character.dots.data(),
                character.dots.size());
  }
  return true;
}

}  // namespace

std::span<std::uint8_t> mend_character(const CharacterDefinition& definition,
                                       TransformContext& context) {
  std::span<std::uint8_t> block = definition.block;
  const Character character = classify_definition(definition, 0, 0, context.unpacked);
  if (!character.has(kMendable)) return block;
  bool mended = character.has(kOversizedCommand);
  if (character.has(kForeignDescriptorSize)) {
    // The data stays where it is, from byte 16.
    block[2] = kCharacterDescriptorSize;
    mended = true;
  }
  if (needs_unpacking(character)) {
    if (unpack_into_mended(definition, block, context)) {
      block = context.mended;
      mended = true;
    } else {
      mended = character.has(kForeignDescriptorSize);
    }
  }
  if (mended) print_character_progress(context.messages, definition.code, "fixed.");
  return block;
}

void keep_character(int code, std::span<std::uint8_t> block, TransformContext& context) {
  write_character(code, block, context.out);
}

}  // namespace kestrune
