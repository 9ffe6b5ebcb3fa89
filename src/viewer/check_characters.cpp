#include "viewer/check_characters.h"

#include <cstdlib>

#include "softfont/classifier.h"

namespace kestrune::view {
namespace {

// What printers take of a character's size and offsets, and the most dots
// GhostPCL gives one character: 1 MiB of bitmap.
constexpr int kLargestDimension = 16384;
constexpr std::uint64_t kLargestDots = std::uint64_t{8} * 1024 * 1024;

struct RuleText {
  const char* name;
  Verdict verdict;
  const char* what;  // ends in "in", the characters follow
  const char* printer;
  const char* mend;
};

// One for each CharacterRule, in its order. kRuleOutsideFirstLast's line is
// made by report_first_last_code.
constexpr RuleText kRuleTexts[kCharacterRules] = {
    {"char-format", Verdict::kFail, "descriptor byte 0 (format) is not 4 in",
     "printers discard them", ""},
    {"char-continuation", Verdict::kFail,
     "a block marked as a continuation (descriptor byte 1 not 0) stands as a character of its "
     "own in",
     "printers take no character from it", ""},
    {"char-descriptor-size", Verdict::kFail, "descriptor byte 2 (size) is not 14 in",
     "GhostPCL discards them, and a printer that honours the size reads the bitmap from the "
     "wrong byte",
     "kestrune -fix sets it to 14"},
    {"char-class", Verdict::kFail, "descriptor byte 3 (class) is not 1 or 2 in",
     "printers discard them", ""},
    {"char-orientation", Verdict::kFail,
     "descriptor byte 4 (orientation) differs from the font's in", "printers discard them", ""},
    {"char-size", Verdict::kFail, "width or height is 0 or over 16384 dots in",
     "printers discard them", ""},
    {"char-offset", Verdict::kFail, "left or top offset lies outside -16384..16384 in",
     "printers discard them", ""},
    {"char-too-large", Verdict::kFail, "more than 8,388,608 dots (1 MiB of bitmap) in",
     "GhostPCL discards them", ""},
    {"char-short", Verdict::kWarn, "a block shorter than its bitmap's rows need in",
     "a printer leaves the rest blank; kestrune -l skips them", ""},
    {"char-damaged-compressed", Verdict::kFail,
     "compressed data that cannot be unpacked (a run past the width, or more than 1 MiB "
     "unpacked) in",
     "printers misprint or discard them", ""},
    {"compressed-continued", Verdict::kFail,
     "compressed data continued over several data commands in",
     "GhostPCL prints them only as far as their first data command",
     "kestrune -fix writes them unpacked"},
    {"data-command-size", Verdict::kFail, "a data command of more than 32767 bytes in",
     "printers take at most 32767 bytes in a data command",
     "kestrune -fix writes them in data commands of at most 32767 bytes"},
    {"fill-bits", Verdict::kWarn, "rows with fill bits set in",
     "the bits past a row's width may print as dots", "kestrune -clean zeroes them"},
    {"code-order", Verdict::kWarn, "a code lower than the one before it in",
     "older DeskJets take characters only in ascending code order", ""},
    {"duplicate-code", Verdict::kWarn, "a code defined before in",
     "the later definition replaces the earlier", ""},
    {"unprintable-code", Verdict::kWarn, "a code this font's type never prints in",
     "printers download them but never print them", ""},
    {"first-last-code", Verdict::kFail, "", "", ""},
};

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

bool outside_dimensions(const CharacterDescriptor& d) {
  return d.width == 0 || d.height == 0 || d.width > kLargestDimension ||
         d.height > kLargestDimension;
}

bool outside_offsets(const CharacterDescriptor& d) {
  return std::abs(int{d.left_offset}) > kLargestDimension ||
         std::abs(int{d.top_offset}) > kLargestDimension;
}

// The rules that read the descriptor's fields and dots, which only a
// bitmap or compressed character has.
void check_bitmap_rules(const Character& c, std::vector<CodeTally>& t, int code) {
  const CharacterDescriptor& d = c.descriptor;
  if (outside_dimensions(d)) t[kRuleSize].add(code);
  if (outside_offsets(d)) t[kRuleOffset].add(code);
  if (std::uint64_t{d.width} * d.height > kLargestDots) t[kRuleTooLarge].add(code);
  if (c.has(kShortBitmap)) t[kRuleShort].add(code);
  if (c.has(kDamagedCompressed)) t[kRuleDamagedCompressed].add(code);
  if (c.has(kFillBitsSet)) t[kRuleFillBits].add(code);
}

// The rules about a code among the others.
void check_code_rules(CharacterCheck& check, int code) {
  std::vector<CodeTally>& t = check.tallies;
  if (check.previous_code > code) t[kRuleCodeOrder].add(code);
  check.previous_code = code;
  if (code <= kLargestCharacterCode) {
    if (check.seen.codes[static_cast<std::size_t>(code)]) t[kRuleDuplicateCode].add(code);
    check.seen.add(code);
    check.defined.add(code);
  }
  if (!printable(check.font_type, code)) t[kRuleUnprintableCode].add(code);
  if (check.holds_code_range && (code < check.first_code || code > check.last_code)) {
    t[kRuleOutsideFirstLast].add(code);
  }
}

}  // namespace

CharacterCheck character_check_for(const FontHeader& header) {
  CharacterCheck check;
  const FontDescriptor& d = header.descriptor;
  const auto size = static_cast<std::size_t>(std::max(d.size, 0));
  check.font_orientation = d.bytes[FontDescriptor::kOrientationOffset];
  if (size > FontDescriptor::kFontTypeOffset) {
    check.font_type = d.bytes[FontDescriptor::kFontTypeOffset];
  }
  check.holds_code_range = size >= FontDescriptor::kLastCodeOffset + 2;
  check.first_code = read_u16(d.bytes, FontDescriptor::kFirstCodeOffset);
  check.last_code = read_u16(d.bytes, FontDescriptor::kLastCodeOffset);
  return check;
}

void check_character(const CharacterDefinition& definition, CharacterCheck& check) {
  const Character c = classify_definition(definition, check.font_orientation,
                                          kUnpackRuns | kFindFillBits, check.unpacked);
  std::vector<CodeTally>& t = check.tallies;
  const int code = definition.code;
  ++check.checked;
  if (c.has(kForeignFormat)) t[kRuleFormat].add(code);
  if (c.has(kContinuationMark)) t[kRuleContinuation].add(code);
  if (c.has(kForeignDescriptorSize)) t[kRuleDescriptorSize].add(code);
  if (c.has(kForeignClass)) t[kRuleClass].add(code);
  if (c.has(kForeignOrientation)) t[kRuleOrientation].add(code);
  if (c.kind != CharacterKind::kOther) check_bitmap_rules(c, t, code);
  if (c.has(kCompressedContinued)) t[kRuleCompressedContinued].add(code);
  if (c.has(kOversizedCommand)) t[kRuleDataCommandSize].add(code);
  check_code_rules(check, code);
}

void report_first_last_code(const CharacterCheck& check, CheckReport& report) {
  if (!check.holds_code_range ||
      !first_last_code_broken(check.first_code, check.last_code, check.defined)) {
    return;
  }
  const std::string codes = "First Code " + std::to_string(check.first_code) + " and Last Code " +
                            std::to_string(check.last_code) + " (descriptor bytes 36-39)";
  const std::string what =
      check.first_code > check.last_code
          ? codes + ": First is over Last"
          : codes + " leave out " + tally_text(check.tallies[kRuleOutsideFirstLast]);
  const std::string mend = check.defined.count == 0
                               ? ""
                               : "kestrune -fix sets them to the lowest and highest codes "
                                 "defined, " +
                                     std::to_string(check.defined.lowest) + " and " +
                                     std::to_string(check.defined.highest);
  report_rule(report, Verdict::kFail, "first-last-code", what,
              "DeskJet 600 to 900 printers discard the font", mend);
}

void report_character_rules(const CharacterCheck& check, CheckReport& report) {
  for (std::size_t rule = 0; rule < kRuleOutsideFirstLast; ++rule) {
    const CodeTally& tally = check.tallies[rule];
    if (tally.empty()) continue;
    const RuleText& text = kRuleTexts[rule];
    report_rule(report, text.verdict, text.name, std::string(text.what) + " " + tally_text(tally),
                text.printer, text.mend);
  }
}

}  // namespace kestrune::view
