#include "characters/scanner.h"

#include <vector>

#include "softfont/definitions.h"

namespace kestrune {
namespace {

// Prints what the reader made of one definition, and hands a complete one to
// the transform. A problem with a definition is reported unless the input
// itself failed; that is reported once, when the pass ends.
void handle_definition(const CharacterDefinition& definition, const InputBuffer& in,
                       OutputBuffer& out, CharacterTransform transform, MessageSink& messages) {
  using enum DefinitionStatus;
  const DefinitionStatus status = definition.status;
  if (names_a_character(status)) print_character_progress(messages, definition.code, "found.");
  switch (status) {
    case kNotCharacter:
      break;
    case kCutBeforeCode:
      if (!input_failed(in))
        print_text(messages, "Error: Input ends inside a character definition.\n");
      break;
    case kBadCode:
    case kBadData:
      if (!input_failed(in)) print_text(messages, "Error: Invalid character found!\n");
      break;
    case kCutShort:
      if (!input_failed(in))
        print_text(messages, "Error: Input ends inside character ", definition.code, ".\n");
      break;
    case kTooShort:
      print_text(messages, "Error: Character ", definition.code,
                 " is too short to hold a descriptor; skipped.\n");
      break;
    default:
      transform(definition.code, definition.block.size(), definition.block.data(), out, messages);
  }
}

}  // namespace

bool scan_character_definitions(InputBuffer& in, OutputBuffer& out, CharacterTransform transform,
                                MessageSink& messages) {
  // A data block the input's window holds whole is handed to the transform
  // where it lies; for the others one block buffer serves, growing to the
  // largest, neither cleared nor reallocated between them.
  std::vector<std::uint8_t> block;
  CharacterDefinition definition;
  while (!input_exhausted(in) && read_character_definition(in, block, definition)) {
    handle_definition(definition, in, out, transform, messages);
    if (out.failed) {
      report_write_error(messages, out.error_number);
      return false;
    }
  }
  if (input_failed(in)) {
    report_read_error(messages);
    return false;
  }
  return true;
}

}  // namespace kestrune
