// Reading the command line into RunOptions.
#pragma once

#include "softfont/format.h"

namespace kestrune {

// Applies one option argument, printing its message when it is recognised.
// Anything else is ignored with a warning; an -r whose value holds more than
// digits is still folded in, with a warning.
void apply_option(const char* argument, RunOptions& options);

// Walks the arguments after the two file names. Options are only looked at
// when there are more than three arguments, the program's name included.
// A -f20 that no resolution goes with is warned about once the walk is done.
RunOptions parse_options(int argc, const char* const* argv);

void print_usage();

}  // namespace kestrune
