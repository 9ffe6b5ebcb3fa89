// The run driver: one run of the tool from command line to exit status.
#pragma once

#include <cstdio>

#include "softfont/format.h"

namespace kestrune {

// Copies every byte from the input's position to its end. Returns false,
// with one error line printed, when reading or writing fails.
bool copy_remaining_bytes(std::FILE* in, OutputBuffer& out);

// The header phase, then the body pass the options choose, over open
// streams; every byte of the output goes through one OutputBuffer, flushed
// before this returns. Returns false, with one error line printed, on any
// failure.
bool run_font_phases(std::FILE* in, std::FILE* out, RunOptions& options);

// The entry function: returns 1 after a completed run and -1 after the usage
// text or an error.
int run_kestrune(int argc, const char* const* argv);

}  // namespace kestrune
