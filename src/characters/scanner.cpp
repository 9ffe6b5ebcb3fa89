#include "characters/scanner.h"

#include <vector>

namespace kestrune {
namespace {

// Prints what the reader made of one definition, and hands a complete one to
// the transform. A problem with a definition is reported unless the input
// itself failed; that is reported once, when the pass ends.
void handle_definition(CharacterDefinition& definition, const InputBuffer& in,
                       CharacterTransform transform, CharacterMend mend,
                       TransformContext& context) {
  MessageSink& messages = context.messages;
  using enum DefinitionStatus;
  const DefinitionStatus status = definition.status;
  if (names_a_character(status)) print_character_progress(messages, definition.code, "found.");
  switch (status) {
    case kNotCharacter:
      break;
    case kCutBeforeCode:
      if (!in.failed()) print_text(messages, "Error: Input ends inside a character definition.\n");
      break;
    case kBadCode:
    case kBadData:
      if (!in.failed()) print_text(messages, "Error: Invalid character found!\n");
      break;
    case kCutShort:
      if (!in.failed())
        print_text(messages, "Error: Input ends inside character ", definition.code, ".\n");
      break;
    case kFontControl:
      // A download file's font control is kept where it stood, as a copy
      // keeps it.
      write_font_control(definition.code, context.out);
      break;
    case kTooShort:
      print_text(messages, "Error: Character ", definition.code,
                 " is too short to hold a descriptor; skipped.\n");
      break;
    default:
      transform(definition.code, mend != nullptr ? mend(definition, context) : definition.block,
                context);
  }
}

void report_dropped_bytes(const BytesOutsideDefinitions& dropped, MessageSink& messages) {
  if (dropped.count == 0) return;
  print_text(messages, "Warning: ", static_cast<std::int64_t>(dropped.count),
             " bytes outside character definitions were dropped, the first at byte ");
  print_text(messages, "", static_cast<std::int64_t>(dropped.first),
             "; a run without -l, -clean or -fix keeps them.\n");
}

}  // namespace

bool scan_character_definitions(FontReader& font, OutputBuffer& out, CharacterTransform transform,
                                MessageSink& messages, CharacterMend mend) {
  TransformContext context{out, messages, {}, {}};
  while (font.next_definition()) {
    handle_definition(font.definition(), font.input(), transform, mend, context);
    if (out.failed()) {
      report_write_error(messages, out.error_number());
      return false;
    }
  }
  if (font.ending() == FontEnding::kReadError) {
    report_read_error(messages);
    return false;
  }
  report_dropped_bytes(font.dropped(), messages);
  return true;
}

}  // namespace kestrune
