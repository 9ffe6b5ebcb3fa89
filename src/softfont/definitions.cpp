#include "softfont/definitions.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace kestrune {
namespace {

// The block read so far. It lies where take_block left it, in the window or
// in the buffer, until reading on for a continuation needs it in the buffer.
struct Joined {
  std::uint8_t* data;
  std::size_t size;
  bool in_window;
};

void move_into_buffer(Joined& joined, std::vector<std::uint8_t>& buffer) {
  if (!joined.in_window) return;
  if (buffer.size() < joined.size) buffer.resize(joined.size);
  if (joined.size > 0) std::memcpy(buffer.data(), joined.data, joined.size);
  joined.data = buffer.data();
  joined.in_window = false;
}

// Takes a continuation command straight after the block (its ESC the very
// next byte): ESC (s with a well-formed value of at least 2 ending in W,
// whose data begins 04 01, and which adds at most `most` bytes. Sets `more`
// to the bytes it adds beyond those two. When none follows, false, with the
// input where it was: what follows is left to the scan.
bool take_continuation(InputBuffer& in, std::size_t most, std::size_t& more) {
  const std::uint64_t start = in.position();
  if (in.match(kCharacterDataStart) == Match::kMatch) {
    const DecimalField count = in.read_decimal_field();
    const auto prefix = static_cast<int>(kContinuationPrefix.size());
    if (count.terminator == 'W' && !count.overflow && count.value >= prefix &&
        static_cast<std::size_t>(count.value - prefix) <= most &&
        in.match(kContinuationPrefix) == Match::kMatch) {
      more = static_cast<std::size_t>(count.value - prefix);
      return true;
    }
  }
  // The input is seekable (the header phase saw to it); should the seek fail
  // all the same, the bytes read are not silently lost.
  if (!in.seek(start)) in.fail();
  return false;
}

// Appends the data of every continuation that follows. False when the input
// ends inside one.
bool join_continuations(InputBuffer& in, Joined& joined, std::vector<std::uint8_t>& buffer,
                        CharacterDefinition& definition) {
  // Usually the next definition follows at once: no continuation, and no
  // need to look further.
  const std::span<const std::uint8_t> held = in.held();
  if (held.size() >= 2 && (held[0] != ESC || held[1] != '(')) return true;
  // Reading on may move the window's bytes, and the block's with them.
  move_into_buffer(joined, buffer);
  std::size_t more = 0;
  // A character's bytes are counted in an int; a continuation that would
  // pass that is left to the scan, as any other command.
  while (take_continuation(in, std::size_t{INT_MAX} - joined.size, more)) {
    const std::size_t got = in.read_block_at(joined.size, more, buffer);
    definition.continued = true;
    definition.largest_command =
        std::max(definition.largest_command, more + kContinuationPrefix.size());
    joined.data = buffer.data();
    joined.size += got;
    if (got < more) return false;
  }
  return true;
}

// How one command of a definition read: its fixed bytes, then its value
// up to the terminator expected.
enum class CommandRead { kRead, kCutShort, kMismatch, kBadValue };

CommandRead read_command(InputBuffer& in, std::span<const std::uint8_t> start, char terminator,
                         DecimalField& field, CharacterDefinition& definition) {
  // The bytes of a failed match are consumed: an ESC among them starts no
  // new search.
  const Match match = in.match(start);
  if (match == Match::kCutShort) return CommandRead::kCutShort;
  if (match != Match::kMatch) return CommandRead::kMismatch;
  field = in.read_decimal_field();
  // A value the input's end cuts off is malformed, but the input ended
  // inside it all the same.
  definition.input_ended = field.terminator == kEndOfInput;
  if (field.terminator != terminator || field.overflow) return CommandRead::kBadValue;
  return CommandRead::kRead;
}

DefinitionStatus read_after_escape(InputBuffer& in, std::vector<std::uint8_t>& buffer,
                                   CharacterDefinition& definition) {
  using enum DefinitionStatus;
  DecimalField code;
  switch (read_command(in, kCharacterCodeLetters, 'E', code, definition)) {
    case CommandRead::kCutShort:
      return kCutBeforeCode;
    case CommandRead::kMismatch:
      return kNotCharacter;
    case CommandRead::kBadValue:
      // The one other ESC *c command a font's body holds as its own.
      if (code.terminator != kFontControlTerminator || code.overflow ||
          !names_download_control(code.value)) {
        return kBadCode;
      }
      definition.code = code.value;
      return kFontControl;
    default:
      break;
  }
  definition.code = code.value;
  DecimalField count;
  const CommandRead data = read_command(in, kCharacterDataStart, 'W', count, definition);
  if (data == CommandRead::kCutShort) return kCutShort;
  if (data != CommandRead::kRead) return kBadData;

  const auto n = static_cast<std::size_t>(count.value);
  definition.largest_command = n;
  std::uint8_t* const bytes = in.take_block(n, buffer);
  if (bytes == nullptr) return kCutShort;
  Joined joined{bytes, n, bytes != buffer.data()};
  if (!join_continuations(in, joined, buffer, definition)) return kCutShort;
  if (joined.size < CharacterDescriptor::kSize) return kTooShort;
  definition.block = std::span<std::uint8_t>(joined.data, joined.size);
  return kComplete;
}

}  // namespace

bool read_character_definition(InputBuffer& in, std::vector<std::uint8_t>& buffer,
                               CharacterDefinition& definition) {
  definition = CharacterDefinition{};
  if (!in.skip_to_escape()) return false;
  definition.start = in.position() - 1;
  definition.status = read_after_escape(in, buffer, definition);
  definition.end = in.position();
  if (definition.status == DefinitionStatus::kCutBeforeCode ||
      definition.status == DefinitionStatus::kCutShort) {
    definition.input_ended = true;
  }
  return true;
}

bool collect_defined_codes(InputBuffer& in, DefinedCodes& codes) {
  std::vector<std::uint8_t> buffer;
  CharacterDefinition definition;
  while (!in.exhausted() && read_character_definition(in, buffer, definition)) {
    // A value past 16 bits is no code a descriptor can name.
    if (definition.status == DefinitionStatus::kComplete &&
        definition.code <= kLargestCharacterCode) {
      codes.add(definition.code);
    }
  }
  return !in.failed();
}

bool begin_character(int code, std::size_t size, CharacterWriter& character) {
  character.left = size;
  character.room = std::min(size, kLargestDataBlock);
  return emit_command("*c", code, 'E', character.out) &&
         emit_command("(s", static_cast<int>(character.room), 'W', character.out);
}

bool write_character_bytes_in_commands(CharacterWriter& character,
                                       std::span<const std::uint8_t> bytes) {
  // Never more than the character's own size.
  bytes = bytes.first(std::min(bytes.size(), character.left));
  while (!bytes.empty()) {
    if (character.room == 0) {
      // The continuation's data: its two prefix bytes, then the next bytes.
      character.room = std::min(character.left, kLargestDataBlock - kContinuationPrefix.size());
      const auto count = static_cast<int>(character.room + kContinuationPrefix.size());
      if (!emit_command("(s", count, 'W', character.out) ||
          !character.out.write(kContinuationPrefix)) {
        return false;
      }
    }
    const std::size_t take = std::min(bytes.size(), character.room);
    if (!character.out.write(bytes.first(take))) return false;
    bytes = bytes.subspan(take);
    character.room -= take;
    character.left -= take;
  }
  return !character.out.failed();
}

bool write_font_id(int id, OutputBuffer& out) {
  return emit_command("*c", id, kFontIdTerminator, out);
}

bool write_font_control(int control, OutputBuffer& out) {
  return emit_command("*c", control, kFontControlTerminator, out);
}

bool write_character(int code, std::span<const std::uint8_t> block, OutputBuffer& out) {
  CharacterWriter character{out};
  return begin_character(code, block.size(), character) && write_character_bytes(character, block);
}

}  // namespace kestrune
