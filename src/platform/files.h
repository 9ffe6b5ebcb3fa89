// What the tools need of the host's files beyond the standard library:
// 64-bit positions, whether a stream is a terminal, file names, which the
// tools hold in UTF-8 on every system, and outputs that take an earlier
// file's place only once they are written whole. One file per host system
// implements these; files.cpp holds what is the same on every system.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace kestrune {

// The stream's position; false when it has none (a pipe cannot seek).
bool file_position(std::FILE* stream, std::uint64_t& position);

// Moves the stream to `position` from its start; false when it cannot.
bool seek_file(std::FILE* stream, std::uint64_t position);

// The stream's size: the position of its end, which it is moved to and back
// from. False when it has none, or cannot be moved back.
bool file_size(std::FILE* stream, std::uint64_t& size);

// Whether the stream is a terminal, which gets each line as it is printed.
bool is_terminal(std::FILE* stream);

// fopen() for a name in UTF-8; null, with errno set, when it fails.
std::FILE* open_file(const char* name, const char* mode);

// Whether the two names lead to one file: the same path, a hard link, a
// symbolic link, or on Windows the same name in another case. False when
// either does not exist.
bool names_same_file(const char* first, const char* second);

// Whether `name`, its links followed as the system follows them, leads to
// something that is neither a regular file nor a directory: a device, a
// pipe, a console.
bool leads_to_device(const char* name);

// A file a program writes. A regular file, or a name where there is no file
// yet, is written as a new file beside it, which takes its place only when
// the run completes, so that a failed run leaves the file as it was.
// Anything else (a device, a FIFO, NUL) is written directly.
struct OutputFile {
  std::FILE* stream = nullptr;
  std::string target;            // the file replaced: the output, its symbolic links followed
  std::string temporary;         // the new file beside it; empty when written directly
  bool replaces = false;         // whether a file stood at `target` when the output was opened
  std::uint32_t attributes = 0;  // on Windows, that file's attributes, which the new one takes
  int error = 0;                 // errno of the first call that failed; 0 while none has
};

// The most outputs open at once; open_output refuses another (EMFILE).
inline constexpr int kMostOpenOutputs = 4;

// Opens the output for writing; false, with the reason in `output.error`,
// when it cannot be opened or the new file cannot be created beside it.
// Until the output is closed, a signal or a Ctrl-C that ends the process
// removes the new file first, which is why `output` must stay where it is
// until then.
bool open_output(const char* output_name, OutputFile& output);

// Closes the output. After a completed run the new file is flushed to disk
// and takes the output's place; otherwise it is removed. Returns false,
// with the reason in `output.error`, when any of it fails.
bool close_output_file(OutputFile& output, bool completed);

// What is the same on every system, for each system's output file.

// Keeps errno as the output's reason when `ok` is false and no earlier call
// has failed (what runs after a failure may change errno); returns `ok`.
bool note_failure(bool ok, OutputFile& output);

// The new file's name for a target named `name`: a dot, the name, a dot and
// six letters and digits, different at every call.
std::string new_file_name(const std::string& name);

// What each system's output file provides to close_output_file.

// Hands the written bytes to the disk itself.
bool flush_to_disk(OutputFile& output);

// After a completed run the new file takes the target's place; otherwise,
// or when that fails, it is removed.
bool settle_new_file(OutputFile& output, bool completed);

// Windows only: runs `entry` on the command line a wmain() was given, turned
// into UTF-8, with the console set to show UTF-8, so that every name the
// tools print is the same bytes as on other systems. Returns what it returns.
int run_with_utf8_arguments(int argc, wchar_t** argv, int (*entry)(int argc, char** argv));

// Windows only: a UTF-8 name as the wide calls take it, and back.
std::wstring wide_name(const char* utf8);
std::string utf8_name(const wchar_t* wide);

}  // namespace kestrune

// Each program's own entry: the system's entry point (entry_posix.cpp,
// entry_windows.cpp) calls it with the command line in UTF-8.
int program_main(int argc, char** argv);
