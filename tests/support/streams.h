// Driving the tool's phases in memory, without the executable.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "bytes/messages.h"
#include "characters/scanner.h"
#include "font_builder.h"

namespace kestrune::testsupport {

// Messages printed into memory.
class CapturedMessages {
 public:
  CapturedMessages() = default;
  CapturedMessages(const CapturedMessages&) = delete;
  CapturedMessages& operator=(const CapturedMessages&) = delete;

  MessageSink& sink() { return sink_; }
  // Everything printed so far.
  std::string text();

 private:
  std::vector<std::uint8_t> bytes_;
  MessageSink sink_{bytes_};
};

// What a per-character transform wrote and printed for one block.
struct TransformRun {
  fontbuilder::Bytes output;
  std::string messages;
};
// Through an output buffer of `capacity` bytes.
TransformRun run_transform(CharacterTransform transform, int code, fontbuilder::Bytes block,
                           std::size_t capacity = OutputBuffer::kDefaultCapacity);

// kestrune's run between opening its files and closing them, in memory: the
// options as a command line gives them after the two file names, then the
// font phases over `font`.
struct MemoryRun {
  bool completed = false;     // as run_font_phases returns: the process exits 1, else 255
  fontbuilder::Bytes output;  // everything written, a failed run's too
  std::string messages;
};
MemoryRun run_in_memory(const fontbuilder::Bytes& font, const std::vector<std::string>& options);

}  // namespace kestrune::testsupport
