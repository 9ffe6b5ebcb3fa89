// The viewer's own code (view_font, with the PNG contact sheet and the proof
// job, the font check and the code-list parser) over arbitrary bytes, all in
// memory; the viewer, the check and kestrune must read the bytes alike.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "agreement.h"
#include "bytes/input.h"
#include "bytes/messages.h"
#include "bytes/output.h"
#include "viewer/font_view.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) { return 0; }

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  namespace view = kestrune::view;

  // The code-list parser sees the same bytes as text.
  view::CodeSet codes;
  std::string error;
  view::parse_code_list(std::string_view(reinterpret_cast<const char*>(data), size), codes, error);

  // Everything written is kept in memory and thrown away.
  std::vector<std::uint8_t> written;
  kestrune::MessageSink text(written);
  kestrune::OutputBuffer png(written);
  kestrune::OutputBuffer proof(written);
  kestrune::InputBuffer in(std::span(data, size));
  view::ViewOptions options;
  options.png = &png;
  options.proof = &proof;
  options.title = "fuzz";
  view::view_font(in, text, options);

  // Once more with a filter, so the selection paths are taken too.
  kestrune::InputBuffer again(std::span(data, size));
  options.png = nullptr;
  options.codes.ranges = {{48, 57}, {65, 65}};
  view::view_font(again, text, options);

  // And the check, which judges every character besides, and must read the
  // font as the viewer and kestrune do.
  if (!kestrune::testsupport::disagreement(std::span(data, size)).empty()) std::abort();
  return 0;
}
