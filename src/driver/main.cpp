#include <cstdio>

#include "driver/run.h"
#include "platform/files.h"

namespace {

int run_on_stdout(int argc, char** argv) {
  kestrune::MessageSink messages(stdout);
  return kestrune::run_kestrune(argc, argv, messages);
}

}  // namespace

#ifdef _WIN32
// Windows gives the command line in UTF-16; the tool holds names in UTF-8.
int wmain(int argc, wchar_t** argv) {
  return kestrune::run_with_utf8_arguments(argc, argv, run_on_stdout);
}
#else
int main(int argc, char** argv) { return run_on_stdout(argc, argv); }
#endif
