#include "characters/scanner.h"

#include <vector>

#include "softfont/definitions.h"

namespace kestrune {
namespace {

// Prints what the reader made of one definition, and hands a complete one to
// the transform. A problem with a definition is reported unless the input
// itself failed; that is reported once, when the pass ends.
void handle_definition(const CharacterDefinition& definition, std::FILE* in, OutputBuffer& out,
                       CharacterTransform transform) {
  const auto input_failed = [in] { return std::ferror(in) != 0; };
  using enum DefinitionStatus;
  const DefinitionStatus status = definition.status;
  if (names_a_character(status)) print_character_progress(definition.code, "found.");
  switch (status) {
    case kNotCharacter:
      break;
    case kCutBeforeCode:
      if (!input_failed()) print_text("Error: Input ends inside a character definition.\n");
      break;
    case kBadCode:
    case kBadData:
      if (!input_failed()) print_text("Error: Invalid character found!\n");
      break;
    case kCutShort:
      if (!input_failed())
        print_text("Error: Input ends inside character ", definition.code, ".\n");
      break;
    case kTooShort:
      print_text("Error: Character ", definition.code,
                 " is too short to hold a descriptor; skipped.\n");
      break;
    default:
      transform(definition.code, definition.block.size(), definition.block.data(), out);
  }
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
  CharacterDefinition definition;
  while (!input_exhausted(in) && read_character_definition(in, block, definition)) {
    handle_definition(definition, in_stream, out, transform);
    if (out.failed) {
      report_write_error(out.error);
      return false;
    }
  }
  return input_ended_cleanly(in);
}

}  // namespace kestrune
