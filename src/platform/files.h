// What the tools need of the host's files beyond the standard library:
// 64-bit positions, whether a stream is a terminal, and file names, which
// the tools hold in UTF-8 on every system. One file per host system
// implements these.
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

// Removes `name` when it is a regular file; a device or a directory stays.
void remove_regular_file(const char* name);

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
