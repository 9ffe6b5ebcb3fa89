// The run driver: one run of the tool from command line to exit status.
#pragma once

#include "bytes/input.h"
#include "bytes/messages.h"
#include "bytes/output.h"
#include "driver/options.h"

namespace kestrune {

// Copies every byte from the input's position to its end. Returns false,
// with one error line printed, when reading or writing fails.
bool copy_remaining_bytes(InputBuffer& in, OutputBuffer& out, MessageSink& messages);

// The header phase, then the body pass the options and the header choose;
// every byte of the output is flushed before this returns. Returns false,
// with one error line printed, on any failure.
bool run_font_phases(InputBuffer& in, OutputBuffer& out, const RunOptions& options,
                     MessageSink& messages);

// The entry function: returns 1 after a completed run and -1 after the usage
// text or an error. Every message goes to `messages`, flushed before it returns.
int run_kestrune(int argc, const char* const* argv, MessageSink& messages);

}  // namespace kestrune
