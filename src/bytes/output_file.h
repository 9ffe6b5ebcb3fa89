// Closing an output file (platform/files.h) with the line a run prints when
// its output cannot be written.
#pragma once

#include "bytes/messages.h"
#include "platform/files.h"

namespace kestrune {

// Closes the output as close_output_file does. When a completed run's
// output cannot be written, the system's reason and one error line are
// printed.
inline bool close_output(OutputFile& output, bool run_ok, MessageSink& messages) {
  const bool ok = close_output_file(output, run_ok);
  if (run_ok && !ok) report_write_error(messages, output.error);
  return ok;
}

}  // namespace kestrune
