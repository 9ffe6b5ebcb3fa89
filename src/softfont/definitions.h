// The reader and writer of character definitions: the one place that knows
// how a definition is found in the body of a font, how its value fields are
// read, how a character continued over several data commands is joined, and
// how a character is split into data commands again. The body pass of the
// tool and the viewer both read through it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "bytes/input.h"
#include "bytes/output.h"
#include "pcl/commands.h"

namespace kestrune {

// What the reader made of the bytes after one ESC.
enum class DefinitionStatus {
  kNotCharacter,   // not ESC *c: the bytes compared are dropped
  kCutBeforeCode,  // the input ends inside the ESC *c
  kBadCode,        // ESC *c with a value that is not a character code
  kBadData,        // a code, not followed by a well-formed data command
  kCutShort,       // a code, then the input ends inside its data
  kTooShort,       // a code and a block too short for a descriptor
  kComplete,       // a code and its whole (joined) block
  // ESC *c4F or ESC *c5F, which makes the font temporary or permanent, as a
  // download file ends: no character, and no stray bytes either. `code`
  // holds its value.
  kFontControl,
};

// True when the bytes after the ESC held a character code: the definitions
// the body pass reports as found, whatever was wrong with them after that.
constexpr bool names_a_character(DefinitionStatus status) {
  return status != DefinitionStatus::kNotCharacter && status != DefinitionStatus::kCutBeforeCode &&
         status != DefinitionStatus::kBadCode && status != DefinitionStatus::kFontControl;
}

// The definitions whose bytes belong to the font: its characters, and the
// commands that make it temporary or permanent.
constexpr bool belongs_to_font(DefinitionStatus status) {
  return status == DefinitionStatus::kComplete || status == DefinitionStatus::kFontControl;
}

struct CharacterDefinition {
  DefinitionStatus status = DefinitionStatus::kNotCharacter;
  int code = 0;                   // from kBadData on
  std::span<std::uint8_t> block;  // kComplete: descriptor and data, joined
  std::uint64_t start = 0;        // where its ESC lies in the stream
  std::uint64_t end = 0;          // one past the last byte taken for it
  bool continued = false;         // continuation commands were joined to its first
  // The input ended inside it: the font is cut short there. Besides kCutShort
  // and kCutBeforeCode, a value field the end cuts off, which the body pass
  // reports as malformed.
  bool input_ended = false;
  std::size_t largest_command = 0;  // bytes in its largest data command
};

// A data command carries at most kLargestDataBlock bytes; a printer takes
// no more.
constexpr bool has_oversized_command(const CharacterDefinition& definition) {
  return definition.largest_command > kLargestDataBlock;
}

// Passes over bytes to the next ESC and reads what follows it. False when
// the input ends before an ESC. A complete block lies in the input's window
// or in `buffer`, which serves every definition in turn, and stays valid
// until the next read from `in`.
bool read_character_definition(InputBuffer& in, std::vector<std::uint8_t>& buffer,
                               CharacterDefinition& definition);

// Adds the code of every complete definition from the input's position to
// its end to `codes`, codes past 16 bits left out. False when reading fails.
bool collect_defined_codes(InputBuffer& in, DefinedCodes& codes);

// The bytes of a body that lie outside complete definitions: the other
// commands, stray bytes and malformed definitions, which a pass over the
// definitions drops. Fed every definition in turn, then the body's end.
struct BytesOutsideDefinitions {
  std::uint64_t counted_to = 0;  // every byte before this has been accounted for
  std::uint64_t count = 0;
  std::uint64_t first = 0;

  void outside(std::uint64_t from, std::uint64_t to) {
    if (to <= from) return;
    if (count == 0) first = from;
    count += to - from;
  }
  void account(const CharacterDefinition& definition) {
    outside(counted_to, definition.start);
    if (!belongs_to_font(definition.status)) outside(definition.start, definition.end);
    counted_to = definition.end;
  }
  void end_at(std::uint64_t end) {
    outside(counted_to, end);
    counted_to = end;
  }
};

// The one writer of characters. A character being written: its bytes are
// counted into data commands of at most kLargestDataBlock bytes, a first
// command and then continuation commands, whatever made the bytes.
struct CharacterWriter {
  OutputBuffer& out;
  std::size_t left = 0;  // bytes of the character not yet written
  std::size_t room = 0;  // bytes the current data command still takes
};

// Writes ESC *c code E and the first data command of a character whose
// descriptor and data are `size` bytes in all. False once the output fails.
bool begin_character(int code, std::size_t size, CharacterWriter& character);

// Writes the character's next bytes, opening a continuation command wherever
// a data command is full. False once the output fails.
bool write_character_bytes_in_commands(CharacterWriter& character,
                                       std::span<const std::uint8_t> bytes);
inline bool write_character_bytes(CharacterWriter& character, std::span<const std::uint8_t> bytes) {
  // Usually they all belong in the current data command.
  if (bytes.size() > character.room) return write_character_bytes_in_commands(character, bytes);
  character.room -= bytes.size();
  character.left -= bytes.size();
  return character.out.write(bytes);
}

// Room in the output's buffer for the character's next `count` bytes, when
// they all belong in the current data command: the caller builds them there
// and commits them. Null when they must go through write_character_bytes.
inline std::uint8_t* character_room(CharacterWriter& character, std::size_t count) {
  return count <= character.room ? character.out.room(count) : nullptr;
}
inline void commit_character_bytes(CharacterWriter& character, std::size_t count) {
  character.out.commit(count);
  character.room -= count;
  character.left -= count;
}

// A download file's commands around the font: its ID before the header,
// and a font control (kMakeTemporary, kMakePermanent) after the characters.
bool write_font_id(int id, OutputBuffer& out);
bool write_font_control(int control, OutputBuffer& out);

// A character of `block.size()` bytes written whole under `code`.
bool write_character(int code, std::span<const std::uint8_t> block, OutputBuffer& out);

}  // namespace kestrune
