#include "viewer/character_table.h"

#include <algorithm>
#include <cstdlib>

#include "viewer/header_report.h"
#include "viewer/text.h"

namespace kestrune::view {
namespace {

std::string character_name(int code) {
  if (code > 32 && code < 127) return std::string("'") + static_cast<char>(code) + "'";
  return "";
}

void add_note(GlyphInfo& info, const std::string& note) {
  info.note += (info.note.empty() ? "" : "; ") + note;
}

// The table's notes on a complete character, in the classifier's words.
void note_problems(const Character& character, GlyphInfo& info) {
  const CharacterDescriptor& d = character.descriptor;
  if (character.has(kForeignFormat)) {
    add_note(info, "format " + std::to_string(d.format) + ", not a bitmap character");
  } else {
    if (character.has(kContinuationMark)) add_note(info, "a continuation block");
    if (character.has(kTooLarge)) {
      add_note(info, "a bitmap larger than printers take (1 MiB)");
    } else if (character.has(kRunPastWidth)) {
      add_note(info, "damaged compressed data: a run passes the character's width");
    }
    if (character.has(kForeignClass)) {
      add_note(info, "class " + std::to_string(d.glyph_class) + ", not a bitmap");
    }
  }
  if (character.has(kForeignDescriptorSize)) {
    add_note(info, "descriptor size byte " + std::to_string(d.descriptor_size) + ", not 14");
  }
  if (info.drawable && character.has(kShortBitmap)) {
    add_note(info, "the block holds " + std::to_string(info.bitmap.size()) + " of the " +
                       std::to_string(info.bitmap_needed) + " bitmap bytes its size needs");
  }
  // The bits past the width that `kestrune -clean` clears.
  if (character.has(kFillBitsSet)) add_note(info, "fill bits set");
}

}  // namespace

GlyphInfo inspect(FontReader& font) {
  using enum DefinitionStatus;
  const CharacterDefinition& definition = font.definition();
  GlyphInfo info;
  info.damaged = definition.status != kComplete;
  switch (definition.status) {
    case kBadData:
      info.note = definition.input_ended ? "cut short: the input ends inside its data command"
                                         : "not followed by a character data command (ESC (s...W)";
      return info;
    case kCutShort:
      info.note = "cut short: the input ends before its data is complete";
      return info;
    case kTooShort:
      info.note = "block too short to hold a character descriptor";
      return info;
    default:
      break;
  }
  const Character character = font.classify(kUnpackRuns | kFindFillBits);
  info.has_descriptor = true;
  info.descriptor = character.descriptor;
  info.bitmap = character.dots;
  info.bitmap_needed = character.dots_needed;
  info.drawable =
      character.kind == CharacterKind::kBitmap ||
      (character.kind == CharacterKind::kCompressed && !character.has(kDamagedCompressed));
  info.damaged =
      character.has(kDamagedCompressed) || (info.drawable && character.has(kShortBitmap));
  note_problems(character, info);
  return info;
}

void print_table_row(const CharacterDefinition& definition, const GlyphInfo& info,
                     MessageSink& out) {
  const CharacterDescriptor& d = info.descriptor;
  auto number = [&](std::int64_t value) {
    return info.has_descriptor ? std::to_string(value) : "-";
  };
  say(out, "%6d %-4s %8llu %5s %6s %6s %6s %6s %6s %6s %7s%s%s\n", definition.code,
      character_name(definition.code).c_str(), static_cast<unsigned long long>(definition.start),
      number(d.glyph_class).c_str(), number(d.orientation).c_str(), number(d.left_offset).c_str(),
      number(d.top_offset).c_str(), number(d.width).c_str(), number(d.height).c_str(),
      number(d.delta_x).c_str(), number(static_cast<std::int64_t>(definition.block.size())).c_str(),
      info.note.empty() ? "" : "  ", info.note.c_str());
}

void print_glyph(const CharacterDefinition& definition, const GlyphInfo& info, MessageSink& out) {
  const std::string name = character_name(definition.code);
  say(out, "Character %d%s%s at byte %llu", definition.code, name.empty() ? "" : " ", name.c_str(),
      static_cast<unsigned long long>(definition.start));
  if (!info.has_descriptor) {
    say(out, ": no complete descriptor (%s); nothing to draw\n\n", info.note.c_str());
    return;
  }
  const CharacterDescriptor& d = info.descriptor;
  say(out, ": %u x %u dots, orientation %s", unsigned{d.width}, unsigned{d.height},
      orientation_name(d.orientation).c_str());
  if (!info.drawable) {
    say(out, "; %s: not drawn\n\n", info.note.c_str());
    return;
  }
  say(out, "\n");
  const std::vector<std::string> rows = draw_rows(info.bitmap, d.width, d.height);
  for (const std::string& row : rows) say(out, "%s\n", row.c_str());
  if (d.width == 0 || d.height == 0) {
    say(out, "(no dots)\n");
  } else if (rows.size() < d.height || info.bitmap.size() < info.bitmap_needed) {
    say(out, "(the block ends here: %zu of %u rows present)\n",
        info.bitmap.size() / row_stride(d.width), unsigned{d.height});
  }
  say(out, "\n");
}

// How far a glyph's dots may lie from its reference point, in dots, in any
// direction, whichever way the printer turns it.
int reach_of(const CharacterDescriptor& d) {
  const int left = d.left_offset;
  const int top = d.top_offset;
  return std::max(
      {std::abs(left), std::abs(left + d.width), std::abs(top), std::abs(top - d.height)});
}

std::vector<std::string> draw_rows(std::span<const std::uint8_t> bitmap, std::uint16_t width,
                                   std::uint16_t height) {
  const std::size_t stride = row_stride(width);
  std::vector<std::string> rows(rows_reached(bitmap.size(), width, height),
                                std::string(width, '?'));
  for (std::size_t r = 0; r < rows.size(); ++r) {
    for (std::size_t c = 0; c < width && r * stride + c / 8 < bitmap.size(); ++c) {
      rows[r][c] = (bitmap[r * stride + c / 8] & (0x80U >> (c % 8))) != 0 ? '#' : '.';
    }
  }
  return rows;
}

}  // namespace kestrune::view
