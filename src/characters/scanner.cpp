#include "characters/scanner.h"

#include <vector>

#include "softfont/format.h"

namespace kestrune {
namespace {

constexpr std::uint8_t kCharacterCode[] = {'*', 'c'};
constexpr std::uint8_t kCharacterData[] = {ESC, '(', 's'};

// A problem with one definition is reported unless the input itself failed;
// that is reported once, when the pass ends.
void report_invalid(std::FILE* in) {
  if (std::ferror(in) == 0) std::printf("Error: Invalid character found!\n");
}

void report_cut_short(std::FILE* in, int code) {
  if (std::ferror(in) != 0) return;
  std::printf("Error: Input ends inside character %d.\n", code);
}

// Everything after an ESC: the rest of one definition, or the bytes of a
// failed match, which are consumed either way.
void handle_definition(std::FILE* in, std::FILE* out, CharacterTransform transform,
                       std::vector<std::uint8_t>& block) {
  const Match code_match = match_bytes(in, kCharacterCode);
  if (code_match == Match::kCutShort && std::ferror(in) == 0) {
    std::printf("Error: Input ends inside a character definition.\n");
  }
  if (code_match != Match::kMatch) return;

  const DecimalField code = read_decimal_field(in);
  if (code.terminator != 'E' || code.overflow) {
    report_invalid(in);
    return;
  }
  print_character_progress(code.value, "found.");

  const Match data_match = match_bytes(in, kCharacterData);
  if (data_match == Match::kCutShort) {
    report_cut_short(in, code.value);
    return;
  }
  const DecimalField count = data_match == Match::kMatch ? read_decimal_field(in) : DecimalField{};
  if (data_match != Match::kMatch || count.terminator != 'W' || count.overflow) {
    report_invalid(in);
    return;
  }

  const auto n = static_cast<std::size_t>(count.value);
  if (read_block_reusing(in, n, block) != n) {
    report_cut_short(in, code.value);
    return;
  }
  if (n < 16) {
    std::printf("Error: Character %d is too short to hold a descriptor; skipped.\n", code.value);
    return;
  }
  transform(code.value, n, block.data(), out);
}

}  // namespace

bool scan_character_definitions(std::FILE* in, std::FILE* out, CharacterTransform transform) {
  // One block buffer serves every definition; it grows to the largest and is
  // neither cleared nor reallocated between them.
  std::vector<std::uint8_t> block;
  while (!input_exhausted(in)) {
    // One thread reads the input, so its lock need not be taken per byte.
    int byte = getc_unlocked(in);
    while (byte != EOF && byte != ESC) byte = getc_unlocked(in);
    if (byte == EOF) break;
    handle_definition(in, out, transform, block);
    if (std::ferror(out) != 0) {
      report_write_error();
      return false;
    }
  }
  return input_ended_cleanly(in);
}

}  // namespace kestrune
