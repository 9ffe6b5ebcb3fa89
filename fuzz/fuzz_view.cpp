// The viewer's own code (view_font, with the PNG contact sheet and the proof
// job, and the code-list parser) over arbitrary bytes. Output goes to
// /dev/null.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

#include "viewer/font_view.h"

namespace {

std::FILE* discard() {
  static std::FILE* sink = std::fopen("/dev/null", "wb");
  return sink;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) { return 0; }

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  namespace view = kestrune::view;

  // The code-list parser sees the same bytes as text.
  view::CodeSet codes;
  std::string error;
  view::parse_code_list(std::string_view(reinterpret_cast<const char*>(data), size), codes, error);

  // fmemopen needs at least one byte in glibc; an empty font is /dev/null.
  std::FILE* in = size > 0 ? fmemopen(const_cast<std::uint8_t*>(data), size, "rb")
                           : std::fopen("/dev/null", "rb");
  std::FILE* out = discard();
  if (in == nullptr || out == nullptr) {
    if (in != nullptr) std::fclose(in);
    return 0;
  }
  view::ViewOptions options;
  options.png = out;    // the contact sheet is encoded and thrown away
  options.proof = out;  // so is the proof job
  options.title = "fuzz";
  view::view_font(in, out, options);

  // Once more with a filter, so the selection paths are taken too.
  if (std::fseek(in, 0, SEEK_SET) == 0) {
    options.png = nullptr;
    options.codes.ranges = {{48, 57}, {65, 65}};
    view::view_font(in, out, options);
  }
  std::fclose(in);
  return 0;
}
