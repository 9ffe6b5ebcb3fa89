// What a character is: the one place that decides it from a character's
// complete block, for kestrune's transforms, the viewer and the font check
// alike, so that they can never disagree about a glyph.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "pcl/compressed.h"
#include "pcl/records.h"
#include "softfont/definitions.h"

namespace kestrune {

// Decided by the format byte and the class byte alone: whatever else the
// descriptor says, a format 4, class 2 block holds run lengths from byte 16.
enum class CharacterKind {
  kBitmap,      // format 4, class 1: rows of dots from byte 16
  kCompressed,  // format 4, class 2: run lengths from byte 16
  kOther,       // any other format or class: not a bitmap character
};

// The kind of a complete block (at least 16 bytes), from its format byte
// (0) and its class byte (3).
constexpr CharacterKind character_kind(std::span<const std::uint8_t> block) {
  if (block[0] != kCharacterFormat) return CharacterKind::kOther;
  if (block[3] == kBitmapClass) return CharacterKind::kBitmap;
  if (block[3] == kCompressedClass) return CharacterKind::kCompressed;
  return CharacterKind::kOther;
}

// What is wrong or unusual in a character, one bit each.
enum CharacterProblem : std::uint32_t {
  kForeignFormat = 1U << 0,          // byte 0 is not 4
  kContinuationMark = 1U << 1,       // byte 1 is not 0: a continuation block on its own
  kForeignDescriptorSize = 1U << 2,  // byte 2 is not 14
  kForeignClass = 1U << 3,           // byte 3 is not 1 or 2
  kForeignOrientation = 1U << 4,     // byte 4 is not the font's orientation
  kShortBitmap = 1U << 5,            // not compressed, and fewer bytes than its rows need
  kRunPastWidth = 1U << 6,           // compressed data with a run past the width
  kUnpackedTooLarge = 1U << 7,       // compressed data that would unpack past 1 MiB
  kFillBitsSet = 1U << 8,            // not compressed, and some row's fill bits are set
  // Problems of the definition's data commands rather than of its block.
  kCompressedContinued = 1U << 9,  // compressed, and continued over several data commands
  kOversizedCommand = 1U << 10,    // a data command of more than 32767 bytes
  // A bitmap or compressed character whose bitmap is over the most printers
  // take: bitmap_too_large().
  kTooLarge = 1U << 11,
};

// The descriptor does not begin as a plain bitmap's or a compressed one's:
// 04 00 0E 01 or 04 00 0E 02.
inline constexpr std::uint32_t kForeignDescriptor =
    kForeignFormat | kContinuationMark | kForeignDescriptorSize | kForeignClass;
inline constexpr std::uint32_t kDamagedCompressed = kRunPastWidth | kUnpackedTooLarge;

// What classify_character works out beyond the kind, the fields and the
// descriptor's problems. Unpacking costs a pass over the runs and finding
// fill bits one over the rows: a transform that needs neither is spared them.
enum CharacterLook : unsigned {
  kUnpackRuns = 1U << 0,  // a compressed character's dots, unpacked
  kTurnRuns = 1U << 1,    // a compressed character's dots, unpacked and turned as -l turns
  kFindFillBits = 1U << 2,
  // A compressed character's runs read for damage only, its dots not
  // built: what a judge of the font needs, at a fraction of the cost.
  kCheckRuns = 1U << 3,
};

struct Character {
  CharacterKind kind = CharacterKind::kOther;
  CharacterDescriptor descriptor;
  // The dots, rows of row_stride(width) bytes: for a compressed character
  // unpacked (when asked for and not damaged) or with kTurnRuns already
  // turned (width rows of row_stride(height) bytes), and none with
  // kCheckRuns alone; else the block's bytes from 16 on, as far as they
  // reach, at most `dots_needed`.
  std::span<const std::uint8_t> dots;
  std::size_t dots_needed = 0;  // height x row stride
  std::uint32_t problems = 0;

  bool has(std::uint32_t problem) const { return (problems & problem) != 0; }
};

// Classifies a complete block (at least 16 bytes) of a font whose
// orientation byte is `font_orientation`. Unpacked dots are kept in
// `unpacked`, which may serve one character after another.
Character classify_character(std::span<const std::uint8_t> block, std::uint8_t font_orientation,
                             unsigned look, std::vector<std::uint8_t>& unpacked);

// The same for a complete definition, with the problems of its data
// commands added.
Character classify_definition(const CharacterDefinition& definition, std::uint8_t font_orientation,
                              unsigned look, std::vector<std::uint8_t>& unpacked);

}  // namespace kestrune
