#include "streams.h"

#include <span>

#include "bytes/input.h"
#include "bytes/output.h"
#include "driver/options.h"
#include "driver/run.h"

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

MemoryRun run_in_memory(const fontbuilder::Bytes& font, const std::vector<std::string>& options) {
  std::vector<const char*> argv = {"kestrune", "in.sfp", "out.sfp"};
  for (const std::string& option : options) argv.push_back(option.c_str());
  CapturedMessages messages;
  const RunOptions run_options =
      parse_options(static_cast<int>(argv.size()), argv.data(), messages.sink());
  InputBuffer in{std::span<const std::uint8_t>(font)};
  MemoryRun run;
  OutputBuffer out(run.output);
  run.completed = run_font_phases(in, out, run_options, messages.sink());
  run.messages = messages.text();
  return run;
}

}  // namespace kestrune::testsupport
