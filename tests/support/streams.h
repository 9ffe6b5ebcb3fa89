// In-process streams for driving the tool's phases without the executable.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include "characters/scanner.h"
#include "font_builder.h"

namespace kestrune::testsupport {

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// A temporary file holding `bytes`, positioned at its start.
File input_file(const fontbuilder::Bytes& bytes);
// An empty temporary file to write to.
File output_file();
// Everything written to `f` so far; leaves its position at the end.
fontbuilder::Bytes contents(std::FILE* f);

// Collects what the code under test prints to standard output, from its
// construction until finish() (or its destruction, which drops the text).
class StdoutCapture {
 public:
  StdoutCapture();
  ~StdoutCapture();
  StdoutCapture(const StdoutCapture&) = delete;
  StdoutCapture& operator=(const StdoutCapture&) = delete;

  // Restores standard output and returns the text printed meanwhile.
  std::string finish();

 private:
  File sink_;
  int saved_ = -1;
};

// What a per-character transform wrote and printed for one block.
struct TransformRun {
  fontbuilder::Bytes output;
  std::string messages;
};
TransformRun run_transform(CharacterTransform transform, int code, fontbuilder::Bytes block);

}  // namespace kestrune::testsupport
