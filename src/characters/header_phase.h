// The header phase of a run: the font header read through the one reading
// of the font, changed as the options ask (a new resolution, landscape, the
// mends of -fix) and written to the output.
#pragma once

#include <cstdint>

#include "bytes/messages.h"
#include "bytes/output.h"
#include "softfont/font.h"

namespace kestrune {

// The changes the header phase makes to the font header.
struct HeaderChanges {
  std::int32_t resolution = 0;  // 0 leaves the font's resolution alone
  bool landscape = false;       // mark the font landscape, if it is portrait
  bool mark_format_20 = false;  // with a resolution, set the header format to 20
  bool fix = false;             // -fix: leave out a PCL prefix, mend First and Last Code
  bool clean = false;           // -clean: its characters are to be cleaned
};

// What the header phase did.
struct HeaderOutcome {
  bool written = false;  // the header was read and written; the body pass may start
  bool turned = false;   // the font was marked landscape: its characters are to be turned
  // The font's characters are bitmaps kestrune may change; a scalable
  // font's are copied as they are.
  bool bitmap_font = true;
};

// How a run reads its font: the descriptor sizes kestrune takes, and a
// header after a PCL prefix only with -fix.
FontReadingRules kestrune_reading(bool fix);

// Reads the font header through `font` (made with kestrune_reading), applies
// `changes` and writes the new header to `out`, printing its progress lines.
// A font that is not portrait is not marked landscape, with a warning. On
// success leaves `font` at the start of its body. On failure prints its one
// error line and writes nothing; writing the header may also fail (which,
// the output being buffered, may show itself only later).
HeaderOutcome rewrite_font_header(FontReader& font, OutputBuffer& out, const HeaderChanges& changes,
                                  MessageSink& messages);

}  // namespace kestrune
