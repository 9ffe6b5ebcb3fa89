// kestrune-convert: makes a PCL bitmap soft font from BDF fonts and PCL soft
// fonts, or a BDF font from them. See man/kestrune-convert.1.
#include <cstdio>

#include "bytes/messages.h"
#include "convert/convert_run.h"
#include "platform/files.h"

int program_main(int argc, char** argv) {
  kestrune::MessageSink messages(stdout);
  return kestrune::convert::run_convert_command_line(argc, argv, messages);
}
