// A whole font judged by the book of rules: one finding for each rule it
// breaks, in the book's order, read through the one reading of the font.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "check/character_rules.h"
#include "check/rules.h"
#include "softfont/font.h"

namespace kestrune::check {

struct Finding {
  RuleId rule = RuleId::kFontHeader;
  Verdict verdict = Verdict::kFail;
  std::string what;         // what breaks it, and where
  std::string consequence;  // what a printer does with it
  std::string mend;         // how to mend it; empty when there is no mend
  // The characters that break it; null for a rule about the font.
  std::shared_ptr<const CodeTally> characters;

  // The line's text after the rule's name: "what; consequence[; mend]".
  std::string text() const;
};

struct FontVerdict {
  std::vector<Finding> findings;
  std::size_t checked = 0;  // complete character definitions judged
  FontEnding ending = FontEnding::kReading;
  std::uint64_t stopped_at = 0;  // where reading stopped, as FontReader says
  // The definition the file ends inside, for kCutShort: where it begins,
  // and its code when it names one (else -1).
  std::uint64_t cut_at = 0;
  int cut_code = -1;
  int read_error = 0;  // the system's reason for a read error, when it gave one

  int fails() const;
  int warns() const;
};

// Judges the font `font` reads (made over an input at its start, with the
// default rules: any descriptor size, and after a PCL prefix).
FontVerdict check_font(FontReader& font);

}  // namespace kestrune::check
