#include "convert/convert_options.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>

#include "pcl/commands.h"
#include "pcl/font_fields.h"
#include "pcl/symbol_sets.h"

namespace kestrune::convert {
namespace {

constexpr const char* kUsage =
    "Usage: kestrune-convert [OPTIONS] INPUT... OUTPUT\n"
    "\n"
    "Makes a PCL bitmap soft font from BDF fonts, PCL soft fonts and PNG\n"
    "images (each image one character, such as a signature or a logo), or a\n"
    "BDF font from them when OUTPUT ends in .bdf. Several inputs are merged:\n"
    "the first gives the header, and a later glyph replaces an earlier one of\n"
    "the same code.\n"
    "\n"
    "  --scale N        every dot becomes N x N dots, 1 to 16; the resolution\n"
    "                   is scaled with it unless --dpi is given\n"
    "  --dpi N          the resolution written into the font (default: the\n"
    "                   first input's; an image's pHYs, else 300); printers\n"
    "                   take 300 and 600\n"
    "  --symbol-set ID  the PCL symbol set the font is made in: 0U (ASCII),\n"
    "                   0N (ISO 8859-1), 2N (ISO 8859-2), 8U (Roman-8),\n"
    "                   10U (PC-8) or 19U (Windows Latin 1)\n"
    "  --name TEXT      the font name in the header: at most 16 ASCII characters\n"
    "  --typeface N     the typeface number printers select it by, 0 to 65535\n"
    "  --compress       write a character compressed where that is smaller\n"
    "  --expand         write every character uncompressed (default: a soft\n"
    "                   font's compressed characters stay compressed, and\n"
    "                   BDF glyphs go out uncompressed)\n"
    "  --code N         the first image's character code, 0 to 65535 (default\n"
    "                   65); each later image takes the next\n"
    "  --threshold P    an image's pixel is a dot when, laid over white, it is\n"
    "                   darker than P percent of white, 1 to 100 (default 50)\n"
    "  --font-id N      a download file: ESC *c<N>D before the font, N from 0\n"
    "                   to 32767 (PCL output only)\n"
    "  --permanent      with --font-id: ESC *c5F after the font, which keeps it\n"
    "                   through a printer reset until the printer is switched off\n"
    "  --help           show this text\n"
    "  --version        show the version\n"
    "  --               ends the options: what follows is files\n"
    "\n"
    "Exit status: 0 the font was written; 1 it was written, but glyphs were\n"
    "refused, each named; 2 usage error, an input that cannot be read or is no\n"
    "font, or an output that cannot be written: nothing is written.\n";

int usage_error(const std::string& message) {
  std::fprintf(stderr, "kestrune-convert: %s\nTry 'kestrune-convert --help'.\n", message.c_str());
  return kUsageStatus;
}

// The symbol set asked for, by its PCL name; -1 when it is none of ours.
int symbol_set_asked(const std::string& id) {
  const int value = symbol_set_value(id);
  return value >= 0 && find_symbol_set(value) != nullptr ? value : -1;
}

// --font-id and --permanent make a PCL download file. Empty when they
// stand as they may.
std::string download_options_error(const ConvertOptions& options) {
  if (options.permanent && !options.font_id) return "--permanent needs --font-id";
  if ((options.font_id || options.permanent) && names_bdf(options.output)) {
    return std::string(options.permanent ? "--permanent" : "--font-id") +
           ": a BDF output (.bdf) is no download file";
  }
  return "";
}

}  // namespace

bool names_bdf(const std::string& name) {
  if (name.size() < 4) return false;
  std::string end = name.substr(name.size() - 4);
  for (char& c : end) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c);
  return end == ".bdf";
}

CommandLine parse_convert_command_line(int argc, const char* const* argv) {
  ConvertOptions options;
  std::vector<std::string> files;
  std::string symbol_set;
  std::string name;
  int typeface = 0;
  bool help = false;
  bool version = false;
  bool compress = false;
  bool expand = false;

  CLI::App app;
  app.set_help_flag();  // the usage text above is ours
  app.add_flag("--help", help);
  app.add_flag("--version", version);
  app.add_option("--scale", options.scale)->check(CLI::Range(1, 16));
  app.add_option("--dpi", options.dpi)->check(CLI::Range(1, 65535));
  app.add_option("--symbol-set", symbol_set);
  auto* name_option = app.add_option("--name", name);
  auto* typeface_option = app.add_option("--typeface", typeface)->check(CLI::Range(0, 65535));
  auto* compress_option = app.add_flag("--compress", compress);
  app.add_flag("--expand", expand)->excludes(compress_option);
  app.add_option("--code", options.code)->check(CLI::Range(0, 65535));
  app.add_option("--threshold", options.threshold)->check(CLI::Range(1, 100));
  int font_id = 0;
  auto* font_id_option = app.add_option("--font-id", font_id)->check(CLI::Range(0, kLargestFontId));
  app.add_flag("--permanent", options.permanent);
  app.add_option("files", files);
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    return {std::nullopt, usage_error(error.what())};
  }
  if (help) {
    std::fputs(kUsage, stdout);
    return {std::nullopt, 0};
  }
  if (version) {
    std::printf("kestrune-convert %s (Kestrune)\n", KESTRUNE_PACKAGE_VERSION);
    return {std::nullopt, 0};
  }
  if (files.size() < 2) return {std::nullopt, usage_error("an input and an output are needed")};
  if (!symbol_set.empty()) {
    options.symbol_set = symbol_set_asked(symbol_set);
    if (options.symbol_set < 0) {
      return {std::nullopt, usage_error("--symbol-set: " + symbol_set +
                                        " is not one of 0U, 0N, 2N, 8U, 10U, 19U")};
    }
  }
  if (name_option->count() > 0) {
    if (name.size() > 16) return {std::nullopt, usage_error("--name: more than 16 characters")};
    // Printers show the name as it stands in the header: in ASCII.
    if (std::any_of(name.begin(), name.end(), [](char c) { return c < ' ' || c > '~'; })) {
      return {std::nullopt, usage_error("--name: only printable ASCII characters")};
    }
    options.name = name;
  }
  if (typeface_option->count() > 0) options.typeface = typeface;
  if (compress) options.classes = CharacterClasses::kCompress;
  if (expand) options.classes = CharacterClasses::kExpand;
  if (font_id_option->count() > 0) options.font_id = font_id;
  options.output = files.back();
  const std::string download_error = download_options_error(options);
  if (!download_error.empty()) return {std::nullopt, usage_error(download_error)};
  files.pop_back();
  options.inputs = std::move(files);
  return {std::move(options), 0};
}

}  // namespace kestrune::convert
