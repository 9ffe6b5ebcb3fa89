#include "check/rules.h"

namespace kestrune::check {
namespace {

constexpr std::string_view kWholeFontDiscarded = "printers discard the whole font";
constexpr std::string_view kDiscarded = "printers discard them";

// One entry a rule, in the order of RuleId.
constexpr Rule kBook[] = {
    {RuleId::kPclPrefix, "pcl-prefix", false, true,
     "the font header follows PCL commands or PJL lines within the file's first 4 KiB, other "
     "than a download file's font ID command alone",
     "kestrune (printers take it)", Mend::kFix, "", "printers take it, kestrune refuses it", "",
     "kestrune -fix writes the font without them"},
    {RuleId::kFontHeader, "font-header", true, false,
     "no font header at the start of the file or after such a prefix, the file ends inside it, "
     "its size is out of range, or its block is shorter than its descriptor",
     "all printers", Mend::kNone, "printers take no font from it", "", "", ""},
    {RuleId::kHeaderFormat, "header-format", true, true,
     "a header format other than 0 (bitmap), 20 (resolution-specified) and 16 (universal); a "
     "scalable font's (10, 11, 15) only warns, and its characters are not checked",
     "all printers, GhostPCL", Mend::kNone, kWholeFontDiscarded,
     "a printer that takes scalable fonts reads it as one; kestrune works on bitmap fonts only", "",
     ""},
    {RuleId::kFontDescriptorSize, "font-descriptor-size", true, true,
     "a font descriptor under 64 bytes, or a format 20 one under 68 (FAIL); a format 0 one of "
     "any size but 64 (WARN)",
     "all printers; DeskJet 600 to 900", Mend::kNone, kWholeFontDiscarded,
     "DeskJet 600 to 900 printers discard the font", "", ""},
    {RuleId::kFontOrientation, "font-orientation", true, false,
     "the font's orientation (descriptor byte 12) is over 3", "all printers", Mend::kNone,
     kWholeFontDiscarded, "", "", ""},
    {RuleId::kFirstLastCode, "first-last-code", true, false,
     "First Code is over Last Code (descriptor bytes 36-39), or characters are defined outside "
     "them",
     "DeskJet 600 to 900", Mend::kFix, "DeskJet 600 to 900 printers discard the font", "", "", ""},
    {RuleId::kResolutionIgnored, "resolution-ignored", false, true,
     "a descriptor of 68 bytes or more with header format 0, whose resolution is not read",
     "all printers", Mend::kResolution, "",
     "printers read no resolution from it and print it at 300 dpi", "",
     "kestrune -rNNN -f20 marks it format 20"},
    {RuleId::kNoCharacters, "no-characters", false, true, "the font defines no character",
     "all printers", Mend::kNone, "", "a printer downloads a font that prints nothing", "", ""},
    {RuleId::kCharFormat, "char-format", true, false, "descriptor byte 0 (format) is not 4",
     "all printers", Mend::kNone, kDiscarded, "", "descriptor byte 0 (format) is not 4 in", ""},
    {RuleId::kCharContinuation, "char-continuation", true, false,
     "a block marked as a continuation (descriptor byte 1 not 0) stands as a character of its "
     "own",
     "all printers", Mend::kNone, "printers take no character from it", "",
     "a block marked as a continuation (descriptor byte 1 not 0) stands as a character of its "
     "own in",
     ""},
    {RuleId::kCharDescriptorSize, "char-descriptor-size", true, false,
     "descriptor byte 2 (size) is not 14", "GhostPCL; printers that honour the size", Mend::kFix,
     "GhostPCL discards them, and a printer that honours the size reads the bitmap from the "
     "wrong byte",
     "", "descriptor byte 2 (size) is not 14 in", "kestrune -fix sets it to 14"},
    {RuleId::kCharClass, "char-class", true, false,
     "descriptor byte 3 (class) is not 1 (bitmap) or 2 (compressed)", "all printers", Mend::kNone,
     kDiscarded, "", "descriptor byte 3 (class) is not 1 or 2 in", ""},
    {RuleId::kCharOrientation, "char-orientation", true, false,
     "descriptor byte 4 (orientation) differs from the font's", "all printers", Mend::kNone,
     kDiscarded, "", "descriptor byte 4 (orientation) differs from the font's in", ""},
    {RuleId::kCharSize, "char-size", true, false, "the width or height is 0 or over 16384 dots",
     "all printers", Mend::kNone, kDiscarded, "", "width or height is 0 or over 16384 dots in", ""},
    {RuleId::kCharOffset, "char-offset", true, false,
     "the left or top offset lies outside -16384..16384", "all printers", Mend::kNone, kDiscarded,
     "", "left or top offset lies outside -16384..16384 in", ""},
    {RuleId::kCharTooLarge, "char-too-large", true, false,
     "a bitmap of more than 1 MiB: width x height / 8 over 1,048,576 in whole bytes", "GhostPCL",
     Mend::kNone, "GhostPCL discards them", "", "a bitmap of more than 1 MiB in", ""},
    {RuleId::kCharShort, "char-short", false, true,
     "an uncompressed block shorter than its bitmap's rows need", "all printers; kestrune -l",
     Mend::kNone, "", "a printer leaves the rest blank; kestrune -l skips them",
     "a block shorter than its bitmap's rows need in", ""},
    {RuleId::kCharDamagedCompressed, "char-damaged-compressed", true, false,
     "compressed data that cannot be unpacked: a run past the width, or more than 1 MiB unpacked",
     "all printers", Mend::kNone, "printers misprint or discard them", "",
     "compressed data that cannot be unpacked (a run past the width, or more than 1 MiB "
     "unpacked) in",
     ""},
    {RuleId::kCompressedContinued, "compressed-continued", true, false,
     "compressed data continued over several data commands", "GhostPCL", Mend::kFix,
     "GhostPCL prints them only as far as their first data command", "",
     "compressed data continued over several data commands in",
     "kestrune -fix writes them unpacked"},
    {RuleId::kDataCommandSize, "data-command-size", true, false,
     "a data command of more than 32767 bytes", "all printers", Mend::kFix,
     "printers take at most 32767 bytes in a data command", "",
     "a data command of more than 32767 bytes in",
     "kestrune -fix writes them in data commands of at most 32767 bytes"},
    {RuleId::kFillBits, "fill-bits", false, true,
     "rows with fill bits set, the bits past the width in a row's last byte", "all printers",
     Mend::kClean, "", "the bits past a row's width may print as dots",
     "rows with fill bits set in", "kestrune -clean zeroes them"},
    {RuleId::kCodeOrder, "code-order", false, true, "a code lower than the one before it",
     "older DeskJets", Mend::kNone, "",
     "older DeskJets take characters only in ascending code order",
     "a code lower than the one before it in", ""},
    {RuleId::kDuplicateCode, "duplicate-code", false, true, "a code defined before", "all printers",
     Mend::kNone, "", "the later definition replaces the earlier", "a code defined before in", ""},
    {RuleId::kUnprintableCode, "unprintable-code", false, true,
     "a code the font's type (descriptor byte 3) never prints", "all printers", Mend::kNone, "",
     "printers download them but never print them", "a code this font's type never prints in", ""},
    {RuleId::kStrayBytes, "stray-bytes", false, true,
     "bytes outside character definitions: other commands, stray bytes, malformed definitions",
     "all printers", Mend::kNone, "",
     "a printer reads them as commands of their own; kestrune -l, -clean and -fix drop them, a "
     "copy keeps them",
     "", ""},
    {RuleId::kCutShort, "cut-short", true, false,
     "the file ends inside a character definition, or inside a character code command",
     "all printers", Mend::kNone, "printers lose that character", "", "", ""},
};
static_assert(std::size(kBook) == kRuleCount);

constexpr bool in_order() {
  for (std::size_t i = 0; i < kRuleCount; ++i) {
    if (static_cast<std::size_t>(kBook[i].id) != i || (!kBook[i].fails && !kBook[i].warns)) {
      return false;
    }
  }
  return true;
}
static_assert(in_order(), "each rule stands at its own id and gives a verdict");

}  // namespace

std::span<const Rule> rule_book() { return kBook; }

const Rule& rule(RuleId id) { return kBook[static_cast<std::size_t>(id)]; }

std::string_view verdict_name(Verdict verdict) {
  return verdict == Verdict::kFail ? "FAIL" : "WARN";
}

std::string_view verdicts_name(const Rule& rule) {
  if (rule.fails && rule.warns) return "FAIL/WARN";
  return rule.fails ? "FAIL" : "WARN";
}

std::string_view mend_option(Mend mend) {
  // In the order of Mend.
  constexpr std::string_view kOptions[] = {"", "kestrune -fix", "kestrune -clean",
                                           "kestrune -rNNN -f20"};
  return kOptions[static_cast<std::size_t>(mend)];
}

}  // namespace kestrune::check
