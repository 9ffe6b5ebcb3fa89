#include "streams.h"

namespace kestrune::testsupport {

std::string CapturedMessages::text() {
  flush_messages(sink_);
  return std::string(bytes_.begin(), bytes_.end());
}

TransformRun run_transform(CharacterTransform transform, int code, fontbuilder::Bytes block,
                           std::size_t capacity) {
  TransformRun run;
  CapturedMessages messages;
  OutputBuffer out(run.output, capacity);
  TransformContext context{out, messages.sink(), {}, {}};
  transform(code, block, context);
  out.flush();
  run.messages = messages.text();
  return run;
}

}  // namespace kestrune::testsupport
