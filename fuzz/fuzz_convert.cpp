// A whole run of kestrune-convert in memory, on a BDF font or a PCL soft
// font (told apart by their content, as the program tells them): reading,
// merging, the options, and writing a soft font or a BDF, its characters
// compressed, expanded or of the class they came in. The first byte
// picks the options; the rest is the input, read twice over when the
// options merge two inputs.
#include <array>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "bytes/input.h"
#include "bytes/messages.h"
#include "check/font_check.h"
#include "convert/convert_run.h"
#include "softfont/font.h"

namespace {

using kestrune::convert::CharacterClasses;

struct OptionSet {
  const char* output;
  int scale;
  int symbol_set;  // -1: the input's
  int dpi;
  bool twice;
  CharacterClasses classes = CharacterClasses::kKeep;
  int font_id = -1;  // -1: no download file
  bool permanent = false;
};

// New sets go at the end: a seed's first byte keeps the set it was made for.
constexpr std::array<OptionSet, 12> kOptionSets = {{
    {"out.sfp", 1, -1, 0, false},
    {"out.bdf", 1, -1, 0, false},
    {"out.sfp", 4, -1, 0, false},
    {"out.sfp", 1, 277, 0, false},  // 8U
    {"out.sfp", 1, 629, 0, true},   // 19U, and the input merged with itself
    {"out.BDF", 2, -1, 600, false},
    {"out.sfp", 16, 14, 0, false},  // 0N
    {"out.bdf", 3, 341, 0, true},   // 10U
    {"out.sfp", 2, -1, 0, false, CharacterClasses::kCompress},
    {"out.sfp", 1, -1, 0, true, CharacterClasses::kExpand},
    {"out.sfp", 1, -1, 0, false, CharacterClasses::kKeep, 12, true},
    {"out.sfp", 4, 277, 0, true, CharacterClasses::kKeep, 32767, false},
}};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) { return 0; }

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  static std::vector<std::uint8_t> printed;
  printed.clear();
  kestrune::MessageSink messages(printed);
  const OptionSet& set = kOptionSets[data[0] % kOptionSets.size()];
  kestrune::convert::ConvertOptions options;
  options.output = set.output;
  options.scale = set.scale;
  options.symbol_set = set.symbol_set;
  options.dpi = set.dpi;
  options.classes = set.classes;
  if (set.font_id >= 0) options.font_id = set.font_id;
  options.permanent = set.permanent;

  const std::span<const std::uint8_t> font(data + 1, size - 1);
  kestrune::InputBuffer first(font);
  kestrune::InputBuffer second(font);
  std::vector<kestrune::convert::NamedInput> inputs = {{"in.font", &first}};
  if (set.twice) inputs.push_back({"again.font", &second});
  const kestrune::convert::MadeFont made = kestrune::convert::make_font(inputs, options, messages);
  kestrune::flush_messages(messages);
  if (made.status < 0 || made.status > 2) std::abort();
  // Whatever the input, a soft font it writes passes the check: glyphs that
  // would break it are left out, each named. (The font itself is judged:
  // the lines printed may quote any text of the input.)
  const std::string_view output(set.output);
  if (made.status != 2 && !output.ends_with(".bdf") && !output.ends_with(".BDF")) {
    kestrune::InputBuffer written(made.font);
    kestrune::FontReader reader(written);
    // A download file reads as the font it holds, under its ID: its
    // commands are no prefix and no stray bytes.
    const kestrune::check::FontVerdict verdict = kestrune::check::check_font(reader);
    if (verdict.fails() > 0 || reader.font_id() != set.font_id) std::abort();
    constexpr std::string_view kPermanent = "\x1b*c5F";
    const std::string_view end(reinterpret_cast<const char*>(made.font.data()), made.font.size());
    if (set.permanent && !end.ends_with(kPermanent)) std::abort();
  }
  return 0;
}
