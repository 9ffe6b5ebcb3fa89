// Where the tool's messages go: one line per step or problem, gathered in a
// buffer and handed on a piece at a time, so that a line per character costs
// no library call. The sink is made by the entry function (over standard
// output) or by a test (over memory) and passed to everything that prints.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string_view>
#include <vector>

#include "bytes/output.h"

namespace kestrune {

struct MessageSink {
  // To a stream; a terminal gets every piece of text as soon as it is printed.
  explicit MessageSink(std::FILE* stream);
  // Appended to `memory`, which must outlive the sink.
  explicit MessageSink(std::vector<std::uint8_t>& memory);

  OutputBuffer text;
  bool at_once = false;
};

// Once printing has failed (a closed or full standard output), nothing more
// is printed: a later line must not stand where an earlier one was lost.
void print_text(MessageSink& sink, std::string_view text);
// `before`, then `number` as "%d" writes it, then `after`.
void print_text(MessageSink& sink, std::string_view before, std::int64_t number,
                std::string_view after);

// Prints "Character code %d <what>\n", the progress line of every character
// ("found.", "cleaned.", "landscaped.").
void print_character_progress(MessageSink& sink, int code, std::string_view what);

// Hands every line printed so far on to the stream or memory.
void flush_messages(MessageSink& sink);

// Standard messages for I/O failures, shared by every phase.
void report_read_error(MessageSink& sink);
// A "Warning: " line with the system's reason for `error`, an errno value;
// nothing for 0, when there is none to give.
void report_system_reason(MessageSink& sink, int error);
// The reason for `error`, then the write error line.
void report_write_error(MessageSink& sink, int error);

}  // namespace kestrune
