// One run of kestrune-convert: the inputs read and merged into one face,
// the options applied, and the font written whole to its output, or nothing
// written at all.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "bytes/messages.h"
#include "convert/convert_inputs.h"
#include "convert/convert_options.h"

namespace kestrune::convert {

// 0: the font was written; 1: written, but glyphs were refused; 2: nothing
// was written.
inline constexpr int kWrittenStatus = 0;
inline constexpr int kRefusedGlyphsStatus = 1;
inline constexpr int kNothingWrittenStatus = 2;

// The font made from inputs already open, in memory, as BDF when the
// output's name ends in .bdf. The status is the run's; `font` is what is to
// be written, and `written` the line that says so once it is.
struct MadeFont {
  int status = kNothingWrittenStatus;
  std::vector<std::uint8_t> font;
  std::string written;
};
MadeFont make_font(std::span<const NamedInput> inputs, const ConvertOptions& options,
                   MessageSink& messages);

// The run on the files the options name.
int run_convert(const ConvertOptions& options, MessageSink& messages);

// The program's whole run from its command line; prints to `messages`
// (usage errors to standard error) and returns the exit status.
int run_convert_command_line(int argc, const char* const* argv, MessageSink& messages);

}  // namespace kestrune::convert
