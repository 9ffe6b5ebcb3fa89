#include "streams.h"

#include <fcntl.h>
#include <unistd.h>

#include <stdexcept>

namespace kestrune::testsupport {

File input_file(const fontbuilder::Bytes& bytes) {
  File f(std::tmpfile());
  if (!f) throw std::runtime_error("tmpfile failed");
  if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), f.get()) != bytes.size()) {
    throw std::runtime_error("writing a temporary file failed");
  }
  std::rewind(f.get());
  return f;
}

File output_file() { return input_file({}); }

fontbuilder::Bytes contents(std::FILE* f) {
  std::fflush(f);
  std::rewind(f);
  fontbuilder::Bytes bytes;
  for (int c = std::getc(f); c != EOF; c = std::getc(f))
    bytes.push_back(static_cast<std::uint8_t>(c));
  return bytes;
}

StdoutCapture::StdoutCapture() : sink_(output_file()) {
  flush_printed_text();
  saved_ = dup(STDOUT_FILENO);
  dup2(fileno(sink_.get()), STDOUT_FILENO);
}

StdoutCapture::~StdoutCapture() { finish(); }

std::string StdoutCapture::finish() {
  if (saved_ < 0) return {};
  flush_printed_text();
  dup2(saved_, STDOUT_FILENO);
  close(saved_);
  saved_ = -1;
  const fontbuilder::Bytes bytes = contents(sink_.get());
  return std::string(bytes.begin(), bytes.end());
}

TransformRun run_transform(CharacterTransform transform, int code, fontbuilder::Bytes block) {
  File out = output_file();
  StdoutCapture capture;
  OutputBuffer buffered(out.get());
  transform(code, block.size(), block.data(), buffered);
  flush_output(buffered);
  TransformRun run;
  run.messages = capture.finish();
  run.output = contents(out.get());
  return run;
}

}  // namespace kestrune::testsupport
