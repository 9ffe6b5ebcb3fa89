// The output font of a run. A regular file, or a name where there is no file
// yet, is written as a new file beside it, which takes its place only when
// the run completes, so that a failed run leaves the output as it was.
// Anything else (a device, a FIFO, NUL) is written directly.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "bytes/messages.h"

namespace kestrune {

struct OutputFile {
  std::FILE* stream = nullptr;
  std::string target;            // the file replaced: the output, its symbolic links followed
  std::string temporary;         // the new file beside it; empty when written directly
  bool replaces = false;         // whether a file stood at `target` when the output was opened
  std::uint32_t attributes = 0;  // on Windows, that file's attributes, which the new one takes
  int error = 0;                 // errno of the first call that failed; 0 while none has
};

// Opens the output for writing; false, with the reason in `output.error`,
// when it cannot be opened or the new file cannot be created beside it.
// Until the output is closed, a signal or a Ctrl-C that ends the process
// removes the new file first.
bool open_output(const char* output_name, OutputFile& output);

// Closes the output. After a completed run (`run_ok`) the new file is flushed
// to disk and takes the output's place; otherwise it is removed. Returns
// false, with the system's reason and one error line printed when `run_ok`,
// when any of it fails.
bool close_output(OutputFile& output, bool run_ok, MessageSink& messages);

// What each system's output file provides to close_output, beside
// open_output.

// Keeps errno as the output's reason when `ok` is false and no earlier call
// has failed (what runs after a failure may change errno); returns `ok`.
bool note_failure(bool ok, OutputFile& output);

// The new file's name for a target named `name`: a dot, the name, a dot and
// six letters and digits, different at every call.
std::string new_file_name(const std::string& name);

// Hands the written bytes to the disk itself.
bool flush_to_disk(OutputFile& output);

// After a completed run the new file takes the target's place; otherwise,
// or when that fails, it is removed.
bool settle_new_file(OutputFile& output, bool completed);

}  // namespace kestrune
