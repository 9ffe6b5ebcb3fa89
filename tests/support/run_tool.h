// Runs the built tool as a child process, the way a shell would but without
// one, and captures what it prints.
#pragma once

#include <string>
#include <vector>

namespace kestrune::testsupport {

struct ToolResult {
  int exit_status = -1;    // 0-255 as the shell sees it; -1 if killed or timed out
  bool timed_out = false;  // the child was killed for running past the timeout
  std::string out;         // everything written to standard output
  std::string err;         // everything written to standard error
};

// Runs `executable` with `args` (argv[0] is the executable path itself and is
// not part of `args`), standard input read from `stdin_path`. A child still
// running after `timeout_seconds` is killed. Throws std::runtime_error when
// the child cannot be started at all; an executable that cannot be run shows
// up as exit status 127 with the reason on `err`.
ToolResult run_tool(const std::string& executable, const std::vector<std::string>& args,
                    double timeout_seconds = 10.0, const std::string& stdin_path = "/dev/null");

// Creates a fresh, empty directory under the system temporary directory and
// returns its path. Throws std::runtime_error on failure.
std::string temp_dir();

}  // namespace kestrune::testsupport
