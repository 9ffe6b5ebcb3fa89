#include "check/font_check.h"

#include <algorithm>

namespace kestrune::check {
namespace {

// Adds a finding of `id`, with the book's consequence for the verdict.
Finding& add(FontVerdict& verdict, RuleId id, Verdict v, std::string what,
             std::string_view mend = {}) {
  const Rule& r = rule(id);
  Finding finding;
  finding.rule = id;
  finding.verdict = v;
  finding.what = std::move(what);
  finding.consequence = v == Verdict::kFail ? r.fail_consequence : r.warn_consequence;
  finding.mend = mend;
  verdict.findings.push_back(std::move(finding));
  return verdict.findings.back();
}

void check_prefix(const FontReader& font, FontVerdict& verdict) {
  if (!font.read_past_prefix()) return;
  const bool takes = font.header_problem() == HeaderProblem::kNone &&
                     kestrune_takes_descriptor_size(font.header().descriptor.size);
  add(verdict, RuleId::kPclPrefix, Verdict::kWarn,
      "the font header begins at byte " + std::to_string(font.prefix_end()) +
          ", after PCL commands or PJL lines",
      takes ? rule(RuleId::kPclPrefix).mend_text : "");
}

void check_descriptor_size(const FontHeader& header, FontVerdict& verdict) {
  const int size = header.descriptor.size;
  const FormatKind kind = header_format(header.format_byte()).kind;
  const std::string bytes = std::to_string(size) + " bytes";
  if (size < FontDescriptor::kPlainSize) {
    add(verdict, RuleId::kFontDescriptorSize, Verdict::kFail,
        "a descriptor of " + bytes + ", under 64");
  } else if (kind == FormatKind::kResolutionBitmap && size < FontDescriptor::kResolutionSize) {
    add(verdict, RuleId::kFontDescriptorSize, Verdict::kFail,
        "a format 20 descriptor of " + bytes + ", under 68");
  } else if (kind == FormatKind::kBitmap && size != FontDescriptor::kPlainSize) {
    add(verdict, RuleId::kFontDescriptorSize, Verdict::kWarn,
        "a format 0 descriptor of " + bytes + ", not 64");
  }
}

// The rules of the header alone. False when the characters are not to be
// checked: those of a scalable font are no bitmaps.
bool check_header(const FontReader& font, FontVerdict& verdict) {
  const HeaderFormat format = font.format();
  if (!font.bitmap_font()) {
    add(verdict, RuleId::kHeaderFormat, Verdict::kWarn,
        "header format " + std::to_string(format.value) +
            " is a scalable font's; its characters are not checked");
    return false;
  }
  if (format.kind == FormatKind::kUnknown) {
    add(verdict, RuleId::kHeaderFormat, Verdict::kFail,
        "header format byte " + std::to_string(format.value) +
            ", not 0 (bitmap), 20 (resolution-specified) or 16 (universal)");
  }
  check_descriptor_size(font.header(), verdict);
  const int orientation = font.header().orientation();
  if (orientation > 3) {
    add(verdict, RuleId::kFontOrientation, Verdict::kFail,
        "orientation byte " + std::to_string(orientation) + ", over 3");
  }
  return true;
}

void check_first_last_code(const CharacterCheck& check, FontVerdict& verdict) {
  if (!first_last_code_wrong(check)) return;
  const std::string codes = "First Code " + std::to_string(check.first_code) + " and Last Code " +
                            std::to_string(check.last_code) + " (descriptor bytes 36-39)";
  const std::string what = check.first_code > check.last_code
                               ? codes + ": First is over Last"
                               : codes + " leave out " + tally_text(check.outside_first_last);
  const std::string mend = check.defined.count == 0
                               ? ""
                               : "kestrune -fix sets them to the lowest and highest codes "
                                 "defined, " +
                                     std::to_string(check.defined.lowest) + " and " +
                                     std::to_string(check.defined.highest);
  Finding& finding = add(verdict, RuleId::kFirstLastCode, Verdict::kFail, what, mend);
  if (check.first_code <= check.last_code) {
    finding.characters = std::make_shared<CodeTally>(check.outside_first_last);
  }
}

// The rules that need the header and the characters both.
void check_font_rules(const FontHeader& header, const CharacterCheck& check, FontVerdict& verdict) {
  check_first_last_code(check, verdict);
  if (resolution_ignored(header)) {
    add(verdict, RuleId::kResolutionIgnored, Verdict::kWarn,
        "a descriptor of " + std::to_string(header.descriptor.size) + " bytes with header format 0",
        kestrune_takes_descriptor_size(header.descriptor.size)
            ? rule(RuleId::kResolutionIgnored).mend_text
            : "");
  }
  if (check.checked == 0) {
    add(verdict, RuleId::kNoCharacters, Verdict::kWarn, "the font defines no character");
  }
}

// A line for each character rule broken, in the book's order.
void report_character_rules(const CharacterCheck& check, FontVerdict& verdict) {
  for (const Rule& r : rule_book()) {
    const CodeTally& tally = check.tallies[static_cast<std::size_t>(r.id)];
    if (tally.empty() || r.what.empty()) continue;
    Finding& finding = add(verdict, r.id, r.fails ? Verdict::kFail : Verdict::kWarn,
                           std::string(r.what) + " " + tally_text(tally), r.mend_text);
    finding.characters = std::make_shared<CodeTally>(tally);
  }
}

void check_ending(FontReader& font, FontVerdict& verdict) {
  const BytesOutsideDefinitions stray = font.stray_bytes();
  if (stray.count > 0) {
    add(verdict, RuleId::kStrayBytes, Verdict::kWarn,
        std::to_string(stray.count) + " bytes outside character definitions, the first at byte " +
            std::to_string(stray.first));
  }
  if (font.ending() != FontEnding::kCutShort) return;
  const CharacterDefinition& cut = font.cut_definition();
  const std::string begun = ", begun at byte " + std::to_string(cut.start);
  add(verdict, RuleId::kCutShort, Verdict::kFail,
      names_a_character(cut.status)
          ? "the file ends inside the definition of character " + std::to_string(cut.code) + begun
          : "the file ends inside a character code command" + begun);
}

// Judges every complete definition of the body. False when reading fails.
bool check_body(FontReader& font, CharacterCheck& check) {
  if (!font.start_body()) return false;
  while (font.next_definition()) {
    const CharacterDefinition& definition = font.definition();
    if (definition.status != DefinitionStatus::kComplete) continue;
    check_character(definition.code, font.classify(kCheckRuns | kFindFillBits), check);
  }
  return font.ending() != FontEnding::kReadError;
}

void stop_reading(FontReader& font, FontVerdict& verdict) {
  verdict.ending = font.ending();
  verdict.stopped_at = font.stopped_at();
  verdict.read_error = font.input().error_number();
  if (font.ending() == FontEnding::kCutShort) {
    const CharacterDefinition& cut = font.cut_definition();
    verdict.cut_at = cut.start;
    if (names_a_character(cut.status)) verdict.cut_code = cut.code;
  }
}

}  // namespace

std::string Finding::text() const {
  std::string line = what + "; " + consequence;
  if (!mend.empty()) line += "; " + mend;
  return line;
}

int FontVerdict::fails() const {
  return static_cast<int>(std::count_if(findings.begin(), findings.end(), [](const Finding& f) {
    return f.verdict == Verdict::kFail;
  }));
}

int FontVerdict::warns() const { return static_cast<int>(findings.size()) - fails(); }

FontVerdict check_font(FontReader& font) {
  FontVerdict verdict;
  font.read_header();
  check_prefix(font, verdict);
  if (font.ending() == FontEnding::kNoHeader) {
    add(verdict, RuleId::kFontHeader, Verdict::kFail, font.header_fault());
  }
  if (font.ending() != FontEnding::kReading || !check_header(font, verdict)) {
    stop_reading(font, verdict);
    return verdict;
  }
  CharacterCheck check = character_check_for(font.header());
  if (check_body(font, check)) {
    verdict.checked = check.checked;
    check_font_rules(font.header(), check, verdict);
    report_character_rules(check, verdict);
    check_ending(font, verdict);
  }
  stop_reading(font, verdict);
  return verdict;
}

}  // namespace kestrune::check
