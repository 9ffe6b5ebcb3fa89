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

}  // namespace kestrune::testsupport
