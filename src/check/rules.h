// The book of rules: what printers and interpreters refuse or misprint in a
// soft font, one entry a rule. kestrune-view --check judges a font by it,
// --rules prints it, and kestrune -fix mends exactly the rules it marks as
// -fix's.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace kestrune::check {

// In the order a font's lines are printed.
enum class RuleId : std::uint8_t {
  kPclPrefix,
  kFontHeader,
  kHeaderFormat,
  kFontDescriptorSize,
  kFontOrientation,
  kFirstLastCode,
  kResolutionIgnored,
  kNoCharacters,
  kCharFormat,
  kCharContinuation,
  kCharDescriptorSize,
  kCharClass,
  kCharOrientation,
  kCharSize,
  kCharOffset,
  kCharTooLarge,
  kCharShort,
  kCharDamagedCompressed,
  kCompressedContinued,
  kDataCommandSize,
  kFillBits,
  kCodeOrder,
  kDuplicateCode,
  kUnprintableCode,
  kStrayBytes,
  kCutShort,
};
inline constexpr std::size_t kRuleCount = static_cast<std::size_t>(RuleId::kCutShort) + 1;

// FAIL: some printer or interpreter rejects or misprints the font or those
// characters. WARN: it prints, but probably not as meant.
enum class Verdict : std::uint8_t { kFail, kWarn };

// The kestrune options that mend a rule, where one does.
enum class Mend : std::uint8_t { kNone, kFix, kClean, kResolution };

struct Rule {
  RuleId id;
  std::string_view name;
  // The verdicts the rule gives: most give one; a few FAIL some fonts and
  // WARN others.
  bool fails;
  bool warns;
  std::string_view meaning;  // what breaks it
  std::string_view held_by;  // which printers or interpreters hold it
  Mend mend;
  // What a printer does with what breaks it, as its line says, for each
  // verdict it gives.
  std::string_view fail_consequence;
  std::string_view warn_consequence;
  // A character rule's line: what breaks it, followed by the characters.
  std::string_view what;
  // The mend as the line offers it; a rule whose mend depends on the font
  // makes its own.
  std::string_view mend_text;
};

std::span<const Rule> rule_book();
const Rule& rule(RuleId id);

std::string_view verdict_name(Verdict verdict);  // "FAIL", "WARN"
// "FAIL", "WARN" or "FAIL/WARN": the verdicts a rule gives.
std::string_view verdicts_name(const Rule& rule);
// "kestrune -fix", or empty for none.
std::string_view mend_option(Mend mend);

}  // namespace kestrune::check
