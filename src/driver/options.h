// Reading the command line into RunOptions.
#pragma once

#include <cstdint>

#include "bytes/messages.h"

namespace kestrune {

// Options taken from the command line.
struct RunOptions {
  std::int32_t resolution = 0;  // 0 leaves the font's resolution alone
  bool landscape = false;
  bool clean = false;
  bool header_format_20 = false;  // -f20: with a resolution, mark the header format 20
};

// Applies one option argument, printing its message when it is recognised.
// Anything else is ignored with a warning; an -r whose value holds more than
// digits is still folded in, with a warning.
void apply_option(const char* argument, RunOptions& options, MessageSink& messages);

// Walks the arguments after the two file names. Options are only looked at
// when there are more than three arguments, the program's name included.
// A -f20 that no resolution goes with is warned about once the walk is done.
RunOptions parse_options(int argc, const char* const* argv, MessageSink& messages);

void print_usage(MessageSink& messages);

}  // namespace kestrune
