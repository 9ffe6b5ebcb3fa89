// What the byte layer needs of the host's files beyond the standard library:
// 64-bit positions and whether a stream is a terminal. One file per host
// system implements these.
#pragma once

#include <cstdint>
#include <cstdio>

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

}  // namespace kestrune
