#include "platform/files.h"

// Windows gives the command line in UTF-16; the tools hold names in UTF-8.
int wmain(int argc, wchar_t** argv) {
  return kestrune::run_with_utf8_arguments(argc, argv, program_main);
}
