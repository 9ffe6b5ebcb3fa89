// kestrune-convert's command line: GNU-style options before or after the
// files, "--" ending them, the last file the output.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "convert/pcl_writer.h"

namespace kestrune::convert {

struct ConvertOptions {
  std::vector<std::string> inputs;
  std::string output;
  int scale = 1;        // every dot becomes scale x scale dots
  int dpi = 0;          // the resolution written; 0 keeps the input's
  int symbol_set = -1;  // its value; -1 for the input's own
  std::optional<std::string> name;
  std::optional<int> typeface;
  CharacterClasses classes = CharacterClasses::kKeep;  // --compress, --expand
  int code = 65;                                       // the first image's character code
  int threshold = 50;  // an image's dot is darker than this percent of white
  // A download file: the font's ID (0 to 32767) before it, and with
  // `permanent` ESC *c5F after it. PCL output only.
  std::optional<int> font_id;
  bool permanent = false;
};

// The output is a BDF font: its name ends in .bdf, in any case.
bool names_bdf(const std::string& name);

// What the command line asks for: a conversion, or an exit status when it
// asks for none (--help, --version, a usage error, each printed here).
struct CommandLine {
  std::optional<ConvertOptions> options;
  int status = 0;
};

inline constexpr int kUsageStatus = 2;

CommandLine parse_convert_command_line(int argc, const char* const* argv);

}  // namespace kestrune::convert
