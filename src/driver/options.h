// Reading the command line into RunOptions.
#pragma once

#include "softfont/format.h"

namespace kestrune {

// Applies one option argument, printing its message when it is recognised.
// Anything that is not an option is ignored without a message.
void apply_option(const char* argument, RunOptions& options);

// Walks the arguments after the two file names. Options are only looked at
// when there are more than three arguments, the program's name included.
RunOptions parse_options(int argc, const char* const* argv);

void print_usage();

}  // namespace kestrune
