#include "characters/scanner.h"

#include <vector>

namespace kestrune {
namespace {

constexpr std::uint8_t kCharacterCode[] = {'*', 'c'};
constexpr std::uint8_t kCharacterData[] = {ESC, '(', 's'};

// A problem with one definition is reported unless the input itself failed;
// that is reported once, when the pass ends.
void report_invalid(const InputBuffer& in) {
  if (std::ferror(in.stream) == 0) print_text("Error: Invalid character found!\n");
}

void report_cut_short(const InputBuffer& in, int code) {
  if (std::ferror(in.stream) != 0) return;
  print_text("Error: Input ends inside character ", code, ".\n");
}

// Everything after an ESC: the rest of one definition, or the bytes of a
// failed match, which are consumed either way.
void handle_definition(InputBuffer& in, OutputBuffer& out, CharacterTransform transform,
                       std::vector<std::uint8_t>& block) {
  const Match code_match = match_bytes(in, kCharacterCode);
  if (code_match == Match::kCutShort && std::ferror(in.stream) == 0) {
    print_text("Error: Input ends inside a character definition.\n");
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
  std::uint8_t* const bytes = take_block(in, n, block);
  if (bytes == nullptr) {
    report_cut_short(in, code.value);
    return;
  }
  if (n < 16) {
    print_text("Error: Character ", code.value, " is too short to hold a descriptor; skipped.\n");
    return;
  }
  transform(code.value, n, bytes, out);
}

}  // namespace

bool scan_character_definitions(std::FILE* in_stream, OutputBuffer& out,
                                CharacterTransform transform) {
  // The pass reads through a buffer of its own. A data block it holds whole
  // is handed to the transform where it lies; for the others one block
  // buffer serves, growing to the largest, neither cleared nor reallocated
  // between them.
  InputBuffer in(in_stream);
  std::vector<std::uint8_t> block;
  while (!input_exhausted(in) && skip_to_escape(in)) {
    handle_definition(in, out, transform, block);
    if (out.failed) {
      report_write_error();
      return false;
    }
  }
  return input_ended_cleanly(in);
}

}  // namespace kestrune
