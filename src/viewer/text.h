// The viewer's lines of text are laid out as printf lays them out, then
// handed to the byte layer whole: a message sink for what the user reads, an
// output buffer for a print job.
#pragma once

#include <cstdarg>
#include <string>
#include <string_view>

#include "bytes/messages.h"
#include "bytes/output.h"

namespace kestrune::view {

// The text `format` makes of the arguments, as std::printf would print it.
[[gnu::format(printf, 1, 2)]] std::string formatted(const char* format, ...);
std::string formatted_list(const char* format, std::va_list arguments);

// Prints the text `format` makes of the arguments.
[[gnu::format(printf, 2, 3)]] void say(MessageSink& out, const char* format, ...);

// Writes the characters of `text` as they are; false once the output has failed.
bool write_text(OutputBuffer& out, std::string_view text);

}  // namespace kestrune::view
