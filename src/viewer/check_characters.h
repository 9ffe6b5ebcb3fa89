// kestrune-view --check's rules for characters: every complete definition
// judged through the classifier, as kestrune's transforms see it, and one
// line for each rule that any of them breaks.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "softfont/definitions.h"
#include "softfont/header.h"
#include "viewer/check_report.h"

namespace kestrune::view {

enum CharacterRule : std::size_t {
  kRuleFormat,
  kRuleContinuation,
  kRuleDescriptorSize,
  kRuleClass,
  kRuleOrientation,
  kRuleSize,
  kRuleOffset,
  kRuleTooLarge,
  kRuleShort,
  kRuleDamagedCompressed,
  kRuleCompressedContinued,
  kRuleDataCommandSize,
  kRuleFillBits,
  kRuleCodeOrder,
  kRuleDuplicateCode,
  kRuleUnprintableCode,
  kRuleOutsideFirstLast,
  kCharacterRules
};

struct CharacterCheck {
  // What the font header says.
  std::uint8_t font_orientation = 0;
  int font_type = -1;  // byte 3 of the descriptor, -1 when it has none
  bool holds_code_range = false;
  int first_code = 0;
  int last_code = 0;

  std::vector<CodeTally> tallies = std::vector<CodeTally>(kCharacterRules);
  DefinedCodes defined;
  CodeTally seen;  // every code defined, for duplicates
  std::size_t checked = 0;
  int previous_code = -1;
  std::vector<std::uint8_t> unpacked;
};

// What judging characters needs from the font header.
CharacterCheck character_check_for(const FontHeader& header);

// Judges one complete definition.
void check_character(const CharacterDefinition& definition, CharacterCheck& check);

// The first-last-code line, when the font's First Code and Last Code are wrong.
void report_first_last_code(const CharacterCheck& check, CheckReport& report);

// A line for each character rule broken, in the order of the rules.
void report_character_rules(const CharacterCheck& check, CheckReport& report);

}  // namespace kestrune::view
