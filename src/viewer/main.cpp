// kestrune-view: shows a PCL bitmap soft font in the terminal, and as a PNG
// contact sheet on request. See man/kestrune-view.1.
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

#include "driver/version.h"
#include "viewer/font_view.h"
#include "viewer/proof.h"

namespace {

using kestrune::view::kStatusFailed;

#ifdef KESTRUNE_HAVE_PNG
constexpr bool kHavePng = true;
#else
constexpr bool kHavePng = false;
#endif

constexpr const char* kUsage =
    "Usage: kestrune-view [--chars LIST] [--png FILE] FONT\n"
    "       kestrune-view [--chars LIST] --proof FILE [--font-id N] FONT\n"
    "       kestrune-view --help | --version\n"
    "\n"
    "Shows a PCL bitmap soft font: its header, a table of its characters and\n"
    "each glyph drawn with one character per dot ('#' set, '.' clear).\n"
    "\n"
    "  --chars LIST  show only these character codes: decimal codes and ranges,\n"
    "                comma separated, e.g. 65,66,48-57\n"
    "  --png FILE    also write a contact sheet of the glyphs as a PNG\n"
    "  --proof FILE  also write a PCL print job that prints every glyph under its\n"
    "                code; send it to a PCL printer, e.g. lp -o raw FILE\n"
    "  --font-id N   the font's ID in that job, 0 to 32767 (default 1)\n"
    "  --help        show this text\n"
    "  --version     show the version\n"
    "\n"
    "Exit status: 0 the font was read to its end undamaged; 1 the font is\n"
    "damaged and was shown as far as it is readable; 2 usage error, a file\n"
    "that cannot be opened or read, a PNG or proof that cannot be written, or\n"
    "a proof of a font whose orientation is not 0 to 3.\n";

int usage_error(const std::string& message) {
  std::fprintf(stderr, "kestrune-view: %s\nTry 'kestrune-view --help'.\n", message.c_str());
  return kStatusFailed;
}

bool same_file(const char* a, const char* b) {
  std::error_code error;
  return std::filesystem::equivalent(a, b, error) && !error;
}

bool parse_font_id(std::string_view text, int& id) {
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), id);
  return ec == std::errc() && end == text.data() + text.size() && id >= 0 &&
         id <= kestrune::view::kLargestFontId;
}

// Creates the proof job's file, which must not be the font under another name.
std::FILE* create_proof(const char* font_name, const char* proof_name, std::string& error) {
  if (same_file(font_name, proof_name)) {
    error = std::string("the proof file ") + proof_name + " is the font itself";
    return nullptr;
  }
  std::FILE* proof = std::fopen(proof_name, "wb");
  if (proof == nullptr)
    error = std::string("cannot create ") + proof_name + ": " + std::strerror(errno);
  return proof;
}

}  // namespace

int main(int argc, char** argv) {
  kestrune::view::ViewOptions options;
  const char* font_name = nullptr;
  const char* png_name = nullptr;
  const char* proof_name = nullptr;
  bool options_done = false;
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    // An option's value, given as "--name VALUE" or "--name=VALUE".
    auto value_of = [&](std::string_view name, const char*& value) {
      if (arg == name) {
        if (i + 1 >= argc) return false;
        value = argv[++i];
        return true;
      }
      value = argv[i] + name.size() + 1;
      return true;
    };
    auto is = [&](std::string_view name) {
      return arg == name || (arg.size() > name.size() && arg.substr(0, name.size()) == name &&
                             arg[name.size()] == '=');
    };
    if (!options_done && arg == "--") {
      options_done = true;
    } else if (!options_done && (arg == "--help" || arg == "-h")) {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (!options_done && arg == "--version") {
      std::printf("kestrune-view %s (Kestrune)\n", KESTRUNE_VERSION);
      return 0;
    } else if (!options_done && is("--chars")) {
      const char* list = nullptr;
      if (!value_of("--chars", list)) return usage_error("--chars needs a list of codes");
      std::string error;
      if (!kestrune::view::parse_code_list(list, options.codes, error)) {
        return usage_error("--chars: " + error);
      }
    } else if (!options_done && is("--png")) {
      if (!kHavePng) return usage_error("--png is not available: built without libpng");
      if (!value_of("--png", png_name) || *png_name == '\0') {
        return usage_error("--png needs a file name");
      }
    } else if (!options_done && is("--proof")) {
      if (!value_of("--proof", proof_name) || *proof_name == '\0') {
        return usage_error("--proof needs a file name");
      }
    } else if (!options_done && is("--font-id")) {
      const char* id = nullptr;
      if (!value_of("--font-id", id) || !parse_font_id(id, options.font_id)) {
        return usage_error("--font-id needs a font ID from 0 to 32767");
      }
    } else if (!options_done && arg.size() > 1 && arg[0] == '-') {
      return usage_error("unknown option '" + std::string(arg) + "'");
    } else if (font_name == nullptr) {
      font_name = argv[i];
    } else {
      return usage_error("only one font at a time");
    }
  }
  if (font_name == nullptr) return usage_error("no font given");

  std::FILE* in = std::fopen(font_name, "rb");
  if (in == nullptr) {
    return usage_error(std::string("cannot open ") + font_name + ": " + std::strerror(errno));
  }
  if (std::ftell(in) < 0 || std::fseek(in, 0, SEEK_SET) != 0) {
    std::fclose(in);
    return usage_error(std::string(font_name) +
                       " cannot be read twice (a pipe?); give the font as a file");
  }
  std::FILE* png = nullptr;
  if (png_name != nullptr) {
    // Opening the PNG truncates it, so it must not be the font under another name.
    if (same_file(font_name, png_name)) {
      std::fclose(in);
      return usage_error(std::string("the PNG file ") + png_name + " is the font itself");
    }
    png = std::fopen(png_name, "wb");
    if (png == nullptr) {
      const int error = errno;
      std::fclose(in);
      return usage_error(std::string("cannot create ") + png_name + ": " + std::strerror(error));
    }
  }

  if (proof_name != nullptr) {
    std::string error;
    options.proof = create_proof(font_name, proof_name, error);
    if (options.proof == nullptr) {
      std::fclose(in);
      if (png != nullptr) std::fclose(png);
      return usage_error(error);
    }
  }
  options.png = png;
  options.title = font_name;
  int status = kestrune::view::view_font(in, stdout, options);
  std::fclose(in);
  if (png != nullptr && std::fclose(png) != 0 && status != kStatusFailed) {
    std::printf("Contact sheet: writing the PNG failed.\n");
    status = kStatusFailed;
  }
  if (options.proof != nullptr && std::fclose(options.proof) != 0 && status != kStatusFailed) {
    std::printf("Proof: writing the PCL job failed.\n");
    status = kStatusFailed;
  }
  if (std::fflush(stdout) != 0) status = kStatusFailed;
  // A job that was refused or could not be written is no job to print.
  if (options.proof != nullptr && status == kStatusFailed) std::remove(proof_name);
  return status;
}
