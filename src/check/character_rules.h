// The rules characters break: each complete definition judged through the
// classifier, as kestrune's transforms see it. The check tallies them; -fix
// mends a character by the rules it breaks.
#pragma once

#include <bitset>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "check/rules.h"
#include "softfont/classifier.h"
#include "softfont/header.h"

namespace kestrune::check {

using RuleSet = std::bitset<kRuleCount>;

// The rules a character breaks by itself: its descriptor, its dots and its
// data commands. Classified with kFindFillBits and one of kCheckRuns and
// kUnpackRuns, every rule that reads them is judged; without, those rules
// are left out.
RuleSet character_rules(const Character& character);

// The characters that break one rule: their codes, and how many there are.
// The 16-bit codes of a tally, one bit each. Most rules no character of a
// font breaks: the bits take room only once a code is added.
class CodeSet {
 public:
  static constexpr std::size_t kSize = std::size_t{kLargestCharacterCode} + 1;
  constexpr std::size_t size() const { return kSize; }
  bool operator[](std::size_t code) const {
    return !words_.empty() && ((words_[code / 64] >> (code % 64)) & 1U) != 0;
  }
  void set(std::size_t code) {
    if (words_.empty()) words_.assign(kSize / 64, 0);
    words_[code / 64] |= std::uint64_t{1} << (code % 64);
  }

 private:
  std::vector<std::uint64_t> words_;
};

struct CodeTally {
  CodeSet codes;
  std::size_t count = 0;   // characters, a code defined twice counted twice
  std::size_t beyond = 0;  // of them, codes past 16 bits

  void add(int code);
  bool empty() const { return count == 0; }
};

// "3 characters: 33-34, 160", the codes as ranges, as many as a line holds.
std::string tally_text(const CodeTally& tally);

// The judging of a font's characters one after another.
struct CharacterCheck {
  // What the font header says.
  int font_type = -1;  // byte 3 of the descriptor, -1 when it has none
  bool holds_code_range = false;
  int first_code = 0;
  int last_code = 0;

  std::vector<CodeTally> tallies = std::vector<CodeTally>(kRuleCount);
  DefinedCodes defined;
  CodeTally seen;  // every code defined, for duplicates
  CodeTally outside_first_last;
  std::size_t checked = 0;
  int previous_code = -1;
};

// What judging characters needs from the font header.
CharacterCheck character_check_for(const FontHeader& header);

// Judges one complete definition of code `code`, classified with
// kCheckRuns (or kUnpackRuns) and kFindFillBits.
void check_character(int code, const Character& character, CharacterCheck& check);

// First Code and Last Code are wrong for the characters checked.
bool first_last_code_wrong(const CharacterCheck& check);

}  // namespace kestrune::check
