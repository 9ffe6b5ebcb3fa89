#include "characters/fix.h"

#include <cstring>

#include "check/character_rules.h"
#include "softfont/classifier.h"

namespace kestrune {
namespace {

using check::RuleId;

struct MendWork {
  CharacterDefinition& definition;
  const Character& character;
  TransformContext& context;
  std::span<std::uint8_t> block;  // the block to write
  bool unpacked = false;          // unpacking was tried, for one rule or another
};

// The data stays where it is, from byte 16.
bool set_descriptor_size(MendWork& work) {
  work.block[2] = kCharacterDescriptorSize;
  return true;
}

// The unpacked character, descriptor first, in `context.mended`: a plain
// bitmap, which the writer splits into as many data commands as it needs.
// False, with an error line, when its runs cannot be unpacked.
bool unpack(MendWork& work) {
  if (work.character.kind != CharacterKind::kCompressed) return false;
  // Tried once, for whichever rule came first.
  if (work.unpacked) return work.block.data() == work.context.mended.data();
  work.unpacked = true;
  TransformContext& context = work.context;
  const Character character = classify_character(work.block, 0, kUnpackRuns, context.unpacked);
  if (character.has(kDamagedCompressed)) {
    print_text(context.messages, "Error: Character ", work.definition.code,
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
  work.block = context.mended;
  return true;
}

// Every character goes out in data commands of at most 32767 bytes; a
// compressed one, which printers do not join, is unpacked first.
bool split_commands(MendWork& work) {
  if (work.character.kind == CharacterKind::kCompressed) return unpack(work);
  return true;
}

struct CharacterMendOf {
  RuleId rule;
  bool (*apply)(MendWork& work);  // true when the character was mended
};

// In the order they are made: the descriptor first, so that an unpacked
// character takes the mended size byte with it.
constexpr CharacterMendOf kCharacterMends[] = {
    {RuleId::kCharDescriptorSize, set_descriptor_size},
    {RuleId::kCompressedContinued, unpack},
    {RuleId::kDataCommandSize, split_commands},
};

constexpr RuleId kFixMends[] = {RuleId::kPclPrefix, RuleId::kFirstLastCode,
                                RuleId::kCharDescriptorSize, RuleId::kCompressedContinued,
                                RuleId::kDataCommandSize};

}  // namespace

std::span<const RuleId> rules_fix_mends() { return kFixMends; }

std::span<std::uint8_t> mend_character(CharacterDefinition& definition, TransformContext& context) {
  const Character character = classify_definition(definition, 0, 0, context.unpacked);
  // Every rule -fix mends in a character stands for a problem the classifier
  // finds: a character without one, as most are, needs nothing.
  if (character.problems == 0) return definition.block;
  const check::RuleSet broken = check::character_rules(character);
  MendWork work{definition, character, context, definition.block};
  bool mended = false;
  for (const CharacterMendOf& mend : kCharacterMends) {
    if (broken[static_cast<std::size_t>(mend.rule)] && mend.apply(work)) mended = true;
  }
  if (mended) print_character_progress(context.messages, definition.code, "fixed.");
  return work.block;
}

void keep_character(int code, std::span<std::uint8_t> block, TransformContext& context) {
  write_character(code, block, context.out);
}

}  // namespace kestrune
