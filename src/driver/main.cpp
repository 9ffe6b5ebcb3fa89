#include <cstdio>

#include "driver/run.h"
#include "platform/files.h"

int program_main(int argc, char** argv) {
  kestrune::MessageSink messages(stdout);
  return kestrune::run_kestrune(argc, argv, messages);
}
