#include "softfont/definitions.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace kestrune {
namespace {

// The block read so far. It lies where take_block left it, in the window or
// in the buffer, until a look ahead that moves the window's bytes, or a
// continuation, needs it in the buffer.
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

bool peek(InputBuffer& in, std::size_t count, Joined& joined, std::vector<std::uint8_t>& buffer) {
  if (count <= held_bytes(in).size()) return true;
  move_into_buffer(joined, buffer);
  return look_ahead(in, count);
}

// A continuation is a data command straight after the block (its ESC the
// very next byte) whose value is well formed, ends in W and is at least 2,
// and whose data begins 04 01. Returns its byte count, with `header` the
// length of its ESC (s...W, or 0 when none follows. Takes nothing.
std::size_t continuation_follows(InputBuffer& in, Joined& joined, std::vector<std::uint8_t>& buffer,
                                 std::size_t& header) {
  const auto at = [&in](std::size_t i) { return held_bytes(in)[i]; };
  if (!peek(in, sizeof kCharacterDataStart, joined, buffer) || at(0) != ESC || at(1) != '(' ||
      at(2) != 's') {
    return 0;
  }
  std::int64_t value = 0;
  std::size_t i = sizeof kCharacterDataStart;
  for (; peek(in, i + 1, joined, buffer) && is_digit(at(i)); ++i) value = fold_digit(value, at(i));
  // The terminator and the two prefix bytes must all be there.
  if (!peek(in, i + 1 + kContinuationPrefix.size(), joined, buffer) || at(i) != 'W' ||
      value > INT_MAX || value < static_cast<std::int64_t>(kContinuationPrefix.size()) ||
      at(i + 1) != kContinuationPrefix[0] || at(i + 2) != kContinuationPrefix[1]) {
    return 0;
  }
  header = i + 1;
  return static_cast<std::size_t>(value);
}

// Appends the data of every continuation that follows. False when the input
// ends inside one.
bool join_continuations(InputBuffer& in, Joined& joined, std::vector<std::uint8_t>& buffer,
                        int& data_commands) {
  // Usually the next definition follows at once: no continuation, and no
  // need to look further.
  const std::span<const std::uint8_t> held = held_bytes(in);
  if (held.size() >= 2 && (held[0] != ESC || held[1] != '(')) return true;
  std::size_t header = 0;
  for (std::size_t count = 0; (count = continuation_follows(in, joined, buffer, header)) != 0;) {
    const std::size_t more = count - kContinuationPrefix.size();
    // A character's bytes are counted in an int; beyond that the command is
    // left to the scan, as any other.
    if (joined.size + more > INT_MAX) return true;
    move_into_buffer(joined, buffer);
    take_held(in, header + kContinuationPrefix.size());
    const std::size_t got = read_block_at(in, joined.size, more, buffer);
    joined.data = buffer.data();
    joined.size += got;
    ++data_commands;
    if (got < more) return false;
  }
  return true;
}

DefinitionStatus read_after_escape(InputBuffer& in, std::vector<std::uint8_t>& buffer,
                                   CharacterDefinition& definition) {
  // The bytes of a failed match are consumed: an ESC among them starts no
  // new search.
  const Match code_match = match_bytes(in, kCharacterCodeLetters);
  if (code_match == Match::kCutShort) return DefinitionStatus::kCutBeforeCode;
  if (code_match != Match::kMatch) return DefinitionStatus::kNotCharacter;
  const DecimalField code = read_decimal_field(in);
  if (code.terminator != 'E' || code.overflow) return DefinitionStatus::kBadCode;
  definition.code = code.value;

  const Match data_match = match_bytes(in, kCharacterDataStart);
  if (data_match == Match::kCutShort) return DefinitionStatus::kCutShort;
  if (data_match != Match::kMatch) return DefinitionStatus::kBadData;
  const DecimalField count = read_decimal_field(in);
  if (count.terminator != 'W' || count.overflow) return DefinitionStatus::kBadData;

  const auto n = static_cast<std::size_t>(count.value);
  std::uint8_t* const bytes = take_block(in, n, buffer);
  if (bytes == nullptr) return DefinitionStatus::kCutShort;
  Joined joined{bytes, n, bytes != buffer.data()};
  definition.data_commands = 1;
  if (!join_continuations(in, joined, buffer, definition.data_commands)) {
    return DefinitionStatus::kCutShort;
  }
  if (joined.size < CharacterDescriptor::kSize) return DefinitionStatus::kTooShort;
  definition.block = std::span<std::uint8_t>(joined.data, joined.size);
  return DefinitionStatus::kComplete;
}

}  // namespace

bool read_character_definition(InputBuffer& in, std::vector<std::uint8_t>& buffer,
                               CharacterDefinition& definition) {
  definition = CharacterDefinition{};
  if (!skip_to_escape(in)) return false;
  definition.start = input_position(in) - 1;
  definition.status = read_after_escape(in, buffer, definition);
  definition.end = input_position(in);
  return true;
}

bool begin_character(int code, std::size_t size, CharacterOutput& character) {
  character.left = size;
  character.room = std::min(size, kLargestDataBlock);
  return emit_command("*c", code, 'E', character.out) &&
         emit_command("(s", static_cast<int>(character.room), 'W', character.out);
}

bool write_character_bytes(CharacterOutput& character, std::span<const std::uint8_t> bytes) {
  // Never more than the character's own size.
  bytes = bytes.first(std::min(bytes.size(), character.left));
  while (!bytes.empty()) {
    if (character.room == 0) {
      // The continuation's data: its two prefix bytes, then the next bytes.
      character.room = std::min(character.left, kLargestDataBlock - kContinuationPrefix.size());
      const auto count = static_cast<int>(character.room + kContinuationPrefix.size());
      if (!emit_command("(s", count, 'W', character.out) ||
          !write_bytes(character.out, kContinuationPrefix)) {
        return false;
      }
    }
    const std::size_t take = std::min(bytes.size(), character.room);
    if (!write_bytes(character.out, bytes.first(take))) return false;
    bytes = bytes.subspan(take);
    character.room -= take;
    character.left -= take;
  }
  return !character.out.failed;
}

bool write_character(int code, std::span<const std::uint8_t> block, OutputBuffer& out) {
  // Most characters fit one data command, and usually the buffer's room too:
  // then both commands are formatted and the block copied straight into it,
  // which spares a room check and a call for each piece.
  constexpr std::size_t kCommands = 2 * kLongestCommand;
  if (block.size() <= kLargestDataBlock && !out.failed &&
      kCommands + block.size() <= out.bytes.size() - out.used) {
    std::uint8_t* const start = out.bytes.data() + out.used;
    std::uint8_t* at = start;
    at += format_command("*c", code, 'E',
                         std::span<std::uint8_t, kLongestCommand>(at, kLongestCommand));
    at += format_command("(s", static_cast<int>(block.size()), 'W',
                         std::span<std::uint8_t, kLongestCommand>(at, kLongestCommand));
    if (!block.empty()) std::memcpy(at, block.data(), block.size());
    out.used += static_cast<std::size_t>(at - start) + block.size();
    return true;
  }
  if (block.size() <= kLargestDataBlock) {
    return emit_command("*c", code, 'E', out) &&
           emit_command("(s", static_cast<int>(block.size()), 'W', out) && write_bytes(out, block);
  }
  CharacterOutput character{out};
  return begin_character(code, block.size(), character) && write_character_bytes(character, block);
}

}  // namespace kestrune
