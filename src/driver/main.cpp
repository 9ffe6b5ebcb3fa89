#include <cstdio>

#include "driver/run.h"

int main(int argc, char** argv) {
  kestrune::MessageSink messages(stdout);
  return kestrune::run_kestrune(argc, argv, messages);
}
