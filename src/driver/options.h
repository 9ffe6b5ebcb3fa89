// Reading the command line into RunOptions.
#pragma once

#include <cstdint>

#include "bytes/messages.h"

namespace kestrune {

// Options taken from the command line.
struct RunOptions {
  std::int32_t resolution = 0;  // 0 leaves the font's resolution alone
  bool landscape = false;
  bool clean = false;
  bool header_format_20 = false;  // -f20: with a resolution, mark the header format 20
  bool fix = false;               // -fix: mend what printers refuse and can be mended
};

// Walks the arguments after the two file names, printing each option's
// message as it is met; anything that is not an option is ignored with a
// warning. Options are only looked at when there are more than three
// arguments, the program's name included. An -r that refuse_command_line
// refuses changes nothing and prints nothing here. A -f20 that no resolution
// goes with is warned about once the walk is done.
RunOptions parse_options(int argc, const char* const* argv, MessageSink& messages);

// Called after parse_options, before either file is opened: a command line
// that would write a file no one asked for is refused with one error line,
// and true is returned. That is a file name that is one of the options (the
// font would be written to a file named "-l"), an -r with anything but
// digits after it, or a second -r with digits. The first such argument is
// named.
bool refuse_command_line(int argc, const char* const* argv, MessageSink& messages);

void print_usage(MessageSink& messages);

}  // namespace kestrune
