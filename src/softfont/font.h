// The one reading of a whole font: where its font header begins and what
// stands before it, the header and what its format means, where the body
// starts, the character definitions one at a time with their
// classification, the bytes outside them, and how reading ended. kestrune's
// header phase and body pass, every mode of the viewer and the check read a
// font through it, so that they never disagree about one. It holds one
// definition at a time: memory stays flat in the size of the font.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "bytes/input.h"
#include "softfont/classifier.h"
#include "softfont/definitions.h"
#include "softfont/header.h"

namespace kestrune {

// Which font headers a reading takes.
struct FontReadingRules {
  // kestrune works on the 64 and 68-byte descriptors; the viewer and the
  // check read any.
  DescriptorSizes sizes = DescriptorSizes::kAny;
  // A font header after PCL commands or PJL lines is read from there (with
  // kestrune, only with -fix).
  bool past_prefix = true;
};

// How reading a font ended.
enum class FontEnding {
  kReading,    // not yet: there may be more definitions
  kNoHeader,   // no font header printers take: header_fault() says why
  kEnd,        // the input ended where a font may end
  kCutShort,   // the input ended inside a definition: cut_definition()
  kReadError,  // reading the input failed
};

class FontReader {
 public:
  explicit FontReader(InputBuffer& in, FontReadingRules rules = {});
  FontReader(const FontReader&) = delete;
  FontReader& operator=(const FontReader&) = delete;

  // Reads the font header from the input's start, or after a prefix as the
  // rules allow. Returns its problem as read_font_header gives it.
  HeaderProblem read_header();

  // Where a font header begins after PCL commands or PJL lines in the
  // file's first 4 KiB, or -1 when the file does not begin so. Known once
  // read_header() has found no header at the start.
  std::int64_t prefix_end() const { return prefix_end_; }
  // The header was read from after such a prefix: not a font ID alone.
  bool read_past_prefix() const { return read_past_prefix_; }
  // The ID of a download file, whose ID command (ESC *c#D) stands straight
  // before its font header, which is read from there whatever the rules
  // say of prefixes; -1 for any other file.
  int font_id() const { return font_id_; }
  // Where the font header was read from: 0, or after a prefix or an ID.
  std::uint64_t header_start() const { return header_start_; }
  const FontHeader& header() const { return header_; }
  FontHeader& header() { return header_; }
  HeaderProblem header_problem() const { return header_problem_; }
  HeaderFormat format() const { return header_format(header_.format_byte()); }
  // Where the body starts: the end of the header's block as read, whatever
  // a pass changes in the header after.
  std::uint64_t body_start() const { return body_start_; }
  // Why printers take no font from this file, or empty when they take the
  // header: none read, or its block shorter than its descriptor.
  std::string header_fault() const;
  // The font's characters are bitmaps: its header format is no scalable
  // font's (a universal one's may hold bitmaps).
  bool bitmap_font() const { return format().bitmap_characters; }

  // Moves to the body's start for a walk over its definitions, which may be
  // made more than once. False, with the ending set, when there is no body to
  // walk: no font header printers take, or the input cannot seek there.
  bool start_body();
  // Reads the next definition; false when the body has no more, the ending
  // then saying why.
  bool next_definition();
  const CharacterDefinition& definition() const { return definition_; }
  // The same, for a pass that changes its block in place.
  CharacterDefinition& definition() { return definition_; }
  // The current (complete) definition classified, in a font of this
  // header's orientation. Unpacked dots stay valid until the next call.
  Character classify(unsigned look);

  FontEnding ending() const { return ending_; }
  // Where reading stopped: where the input ran out or failed, or, for a file
  // with no font header at its start nor after a prefix, its start.
  std::uint64_t stopped_at() const;
  // The definition the input ends inside, when the ending is kCutShort.
  const CharacterDefinition& cut_definition() const { return definition_; }
  // The bytes of the body walked so far that lie outside complete
  // definitions, a definition the input cuts short included, as a pass over
  // the definitions drops them.
  const BytesOutsideDefinitions& dropped() const { return dropped_; }
  // The same without a definition the input cuts short: bytes that stand
  // in the font as commands of their own.
  BytesOutsideDefinitions stray_bytes() const;

  InputBuffer& input() { return in_; }

 private:
  InputBuffer& in_;
  FontReadingRules rules_;
  std::int64_t prefix_end_ = -1;
  bool read_past_prefix_ = false;
  int font_id_ = -1;
  std::uint64_t header_start_ = 0;
  FontHeader header_;
  std::uint64_t body_start_ = 0;
  HeaderProblem header_problem_ = HeaderProblem::kNone;
  std::vector<std::uint8_t> buffer_;
  std::vector<std::uint8_t> unpacked_;
  CharacterDefinition definition_;
  BytesOutsideDefinitions dropped_;
  FontEnding ending_ = FontEnding::kReading;
};

// The codes of every complete definition of the body, codes past 16 bits
// left out. False when reading fails.
bool collect_defined_codes(FontReader& font, DefinedCodes& codes);

}  // namespace kestrune
