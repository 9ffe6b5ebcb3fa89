#include "check/character_rules.h"

#include <algorithm>
#include <bit>
#include <cstdlib>

namespace kestrune::check {
namespace {

// What printers take of a character's size and offsets.
constexpr int kLargestDimension = 16384;

// Ranges named on one line before the rest are counted.
constexpr std::size_t kRangesShown = 16;

// The rules the classifier's problem bits stand for, one for one.
struct ProblemRule {
  std::uint32_t problem;
  RuleId rule;
};
constexpr ProblemRule kProblemRules[] = {
    {kForeignFormat, RuleId::kCharFormat},
    {kContinuationMark, RuleId::kCharContinuation},
    {kForeignDescriptorSize, RuleId::kCharDescriptorSize},
    {kForeignClass, RuleId::kCharClass},
    {kForeignOrientation, RuleId::kCharOrientation},
    {kCompressedContinued, RuleId::kCompressedContinued},
    {kOversizedCommand, RuleId::kDataCommandSize},
};

// The rules that read a character's fields and dots, which only a bitmap or
// compressed character has.
constexpr ProblemRule kBitmapProblemRules[] = {
    {kTooLarge, RuleId::kCharTooLarge},
    {kShortBitmap, RuleId::kCharShort},
    {kDamagedCompressed, RuleId::kCharDamagedCompressed},
    {kFillBitsSet, RuleId::kFillBits},
};

bool outside_dimensions(const CharacterDescriptor& d) {
  return d.width == 0 || d.height == 0 || d.width > kLargestDimension ||
         d.height > kLargestDimension;
}

bool outside_offsets(const CharacterDescriptor& d) {
  return std::abs(int{d.left_offset}) > kLargestDimension ||
         std::abs(int{d.top_offset}) > kLargestDimension;
}

// Whether a font of type 0, 1 or 2 prints `code`; any other type has no rule.
bool printable(int font_type, int code) {
  switch (font_type) {
    case 0:
      return code >= 32 && code <= 127;
    case 1:
      return (code >= 32 && code <= 127) || (code >= 160 && code <= 255);
    case 2:
      return code != 0 && code != 27 && !(code >= 7 && code <= 15);
    default:
      return true;
  }
}

void set(RuleSet& rules, RuleId rule) { rules.set(static_cast<std::size_t>(rule)); }

std::string range_text(std::size_t first, std::size_t last) {
  return first == last ? std::to_string(first) : std::to_string(first) + "-" + std::to_string(last);
}

// The rules about a code among the others.
void check_code(int code, CharacterCheck& check) {
  auto tally = [&](RuleId rule) { check.tallies[static_cast<std::size_t>(rule)].add(code); };
  if (check.previous_code > code) tally(RuleId::kCodeOrder);
  check.previous_code = code;
  if (code <= kLargestCharacterCode) {
    if (check.seen.codes[static_cast<std::size_t>(code)]) tally(RuleId::kDuplicateCode);
    check.seen.add(code);
    check.defined.add(code);
  }
  if (!printable(check.font_type, code)) tally(RuleId::kUnprintableCode);
  if (check.holds_code_range && (code < check.first_code || code > check.last_code)) {
    check.outside_first_last.add(code);
  }
}

}  // namespace

RuleSet character_rules(const Character& character) {
  RuleSet rules;
  // Most characters have no problem at all: a font of 40,000 is checked
  // through this.
  if (character.problems != 0) {
    for (const ProblemRule& p : kProblemRules) {
      if (character.has(p.problem)) set(rules, p.rule);
    }
  }
  if (character.kind == CharacterKind::kOther) return rules;
  const CharacterDescriptor& d = character.descriptor;
  if (outside_dimensions(d)) set(rules, RuleId::kCharSize);
  if (outside_offsets(d)) set(rules, RuleId::kCharOffset);
  if (character.problems != 0) {
    for (const ProblemRule& p : kBitmapProblemRules) {
      if (character.has(p.problem)) set(rules, p.rule);
    }
  }
  return rules;
}

void CodeTally::add(int code) {
  ++count;
  if (code >= 0 && code <= kLargestCharacterCode) {
    codes.set(static_cast<std::size_t>(code));
  } else {
    ++beyond;
  }
}

std::string tally_text(const CodeTally& tally) {
  std::string text =
      std::to_string(tally.count) + (tally.count == 1 ? " character: " : " characters: ");
  std::size_t ranges = 0;
  for (std::size_t code = 0; code < tally.codes.size(); ++code) {
    if (!tally.codes[code]) continue;
    std::size_t last = code;
    while (last + 1 < tally.codes.size() && tally.codes[last + 1]) ++last;
    if (ranges < kRangesShown) text += (ranges == 0 ? "" : ", ") + range_text(code, last);
    ++ranges;
    code = last;
  }
  if (ranges > kRangesShown) {
    const std::size_t more = ranges - kRangesShown;
    text += " and " + std::to_string(more) + (more == 1 ? " more range" : " more ranges");
  }
  if (tally.beyond > 0) {
    text += std::string(ranges == 0 ? "" : ", ") + std::to_string(tally.beyond) +
            " with codes past 65535";
  }
  return text;
}

CharacterCheck character_check_for(const FontHeader& header) {
  CharacterCheck check;
  const FontDescriptor& d = header.descriptor;
  const auto size = static_cast<std::size_t>(std::max(d.size, 0));
  if (size > FontDescriptor::kFontTypeOffset) {
    check.font_type = d.bytes[FontDescriptor::kFontTypeOffset];
  }
  check.holds_code_range = size >= FontDescriptor::kLastCodeOffset + 2;
  check.first_code = read_u16(d.bytes, FontDescriptor::kFirstCodeOffset);
  check.last_code = read_u16(d.bytes, FontDescriptor::kLastCodeOffset);
  return check;
}

void check_character(int code, const Character& character, CharacterCheck& check) {
  ++check.checked;
  // The rules broken, lowest first: most characters break none or one.
  for (unsigned long rules = character_rules(character).to_ulong(); rules != 0;
       rules &= rules - 1) {
    check.tallies[static_cast<std::size_t>(std::countr_zero(rules))].add(code);
  }
  check_code(code, check);
}

bool first_last_code_wrong(const CharacterCheck& check) {
  return check.holds_code_range &&
         first_last_code_broken(check.first_code, check.last_code, check.defined);
}

}  // namespace kestrune::check
