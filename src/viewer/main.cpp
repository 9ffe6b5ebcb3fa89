// kestrune-view: shows a PCL bitmap soft font in the terminal, and as a PNG
// contact sheet on request. See man/kestrune-view.1.
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "bytes/input.h"
#include "bytes/messages.h"
#include "bytes/output.h"
#include "platform/files.h"
#include "viewer/check_json.h"
#include "viewer/font_check.h"
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
    "       kestrune-view [--chars LIST] --table [--png FILE] FONT\n"
    "       kestrune-view [--chars LIST] --proof FILE [--font-id N] FONT\n"
    "       kestrune-view --check [--json] FONT...\n"
    "       kestrune-view --rules\n"
    "       kestrune-view --help | --version\n"
    "\n"
    "Shows a PCL bitmap soft font: its header, a table of its characters and\n"
    "each glyph drawn with one character per dot ('#' set, '.' clear).\n"
    "\n"
    "  --chars LIST  show only these character codes: decimal codes and ranges,\n"
    "                comma separated, e.g. 65,66,48-57\n"
    "  --table       show the header and the character table, without drawing\n"
    "                the glyphs\n"
    "  --png FILE    also write a contact sheet of the glyphs as a PNG; glyphs\n"
    "                larger than 128 x 128 dots are scaled down to fit\n"
    "  --proof FILE  also write a PCL print job that prints every glyph under its\n"
    "                code; send it to a PCL printer, e.g. lp -o raw FILE\n"
    "  --font-id N   the font's ID in that job, 0 to 32767 (default 1)\n"
    "  --check       say, rule by rule, what a printer will reject in each font\n"
    "                named and how to mend it; nothing else is shown\n"
    "  --json        with --check: one JSON document instead of the lines\n"
    "  --rules       list the rules --check judges by: name, verdict, the\n"
    "                printers that hold it, and its mend\n"
    "  --help        show this text\n"
    "  --version     show the version\n"
    "\n"
    "Exit status: 0 the font was read to its end (with --check: no rule\n"
    "failed); 1 the font is cut short or has no font header, and was shown as\n"
    "far as it is readable (with --check: a rule failed); 2 usage error, a file\n"
    "that cannot be opened or read, a PNG or proof that cannot be written, or a\n"
    "proof of a font whose orientation is not 0 to 3.\n";

int usage_error(const std::string& message) {
  std::fprintf(stderr, "kestrune-view: %s\nTry 'kestrune-view --help'.\n", message.c_str());
  return kStatusFailed;
}

struct CloseFile {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, CloseFile>;

struct CommandLine {
  kestrune::view::ViewOptions options;
  std::vector<const char*> font_names;
  const char* png_name = nullptr;
  const char* proof_name = nullptr;
  bool check = false;
  bool json = false;
  bool rules = false;
  bool view_options = false;  // any option --check does not go with
};

bool parse_font_id(std::string_view text, int& id) {
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), id);
  return ec == std::errc() && end == text.data() + text.size() && id >= 0 &&
         id <= kestrune::view::kLargestFontId;
}

// The arguments one at a time. An option's value is given as "--name VALUE"
// or "--name=VALUE".
class Arguments {
 public:
  Arguments(int argc, char** argv) : argc_(argc), argv_(argv) {}
  bool next() { return ++at_ < argc_; }
  std::string_view current() const { return argv_[at_]; }

  bool is(std::string_view name) const {
    const std::string_view arg = current();
    return arg == name ||
           (arg.size() > name.size() && arg.starts_with(name) && arg[name.size()] == '=');
  }
  // The value of the option is() matched; false when it has none.
  bool value_of(std::string_view name, const char*& value) {
    if (current() != name) {
      value = argv_[at_] + name.size() + 1;
      return true;
    }
    if (at_ + 1 >= argc_) return false;
    value = argv_[++at_];
    return true;
  }

 private:
  int argc_;
  char** argv_;
  int at_ = 0;
};

// One option. Returns the exit status when the run ends here, else nothing.
std::optional<int> parse_option(Arguments& args, CommandLine& line) {
  const std::string_view arg = args.current();
  if (arg == "--help" || arg == "-h") {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (arg == "--version") {
    std::printf("kestrune-view %s (Kestrune)\n", KESTRUNE_PACKAGE_VERSION);
    return 0;
  }
  const char* value = nullptr;
  if (arg == "--check") {
    line.check = true;
    return std::nullopt;
  }
  if (arg == "--json") {
    if (!kestrune::view::json_available()) {
      return usage_error("--json is not available: built without nlohmann-json");
    }
    line.json = true;
    return std::nullopt;
  }
  if (arg == "--rules") {
    line.rules = true;
    return std::nullopt;
  }
  line.view_options = true;
  if (arg == "--table") {
    line.options.draw = false;
  } else if (args.is("--chars")) {
    if (!args.value_of("--chars", value)) return usage_error("--chars needs a list of codes");
    std::string error;
    if (!kestrune::view::parse_code_list(value, line.options.codes, error)) {
      return usage_error("--chars: " + error);
    }
  } else if (args.is("--png")) {
    if (!kHavePng) return usage_error("--png is not available: built without libpng");
    if (!args.value_of("--png", line.png_name) || *line.png_name == '\0') {
      return usage_error("--png needs a file name");
    }
  } else if (args.is("--proof")) {
    if (!args.value_of("--proof", line.proof_name) || *line.proof_name == '\0') {
      return usage_error("--proof needs a file name");
    }
  } else if (args.is("--font-id")) {
    if (!args.value_of("--font-id", value) || !parse_font_id(value, line.options.font_id)) {
      return usage_error("--font-id needs a font ID from 0 to 32767");
    }
  } else {
    return usage_error("unknown option '" + std::string(arg) + "'");
  }
  return std::nullopt;
}

// The options and fonts named, held to each other.
std::optional<int> check_command_line(const CommandLine& line) {
  if (line.rules) {
    if (line.check || line.json || line.view_options || !line.font_names.empty()) {
      return usage_error("--rules goes with no other option or font");
    }
    return std::nullopt;
  }
  if (line.font_names.empty()) return usage_error("no font given");
  if (line.json && !line.check) return usage_error("--json goes with --check");
  if (line.check && line.view_options) {
    return usage_error("--check goes with no other option but --json");
  }
  if (!line.check && line.font_names.size() > 1) {
    return usage_error("only one font at a time (--check takes many)");
  }
  return std::nullopt;
}

// Reads the command line into `line`. Returns the exit status when the run
// ends here (help, version, a usage error), else nothing.
std::optional<int> parse_arguments(int argc, char** argv, CommandLine& line) {
  bool options_done = false;
  for (Arguments args(argc, argv); args.next();) {
    const std::string_view arg = args.current();
    if (!options_done && arg == "--") {
      options_done = true;
    } else if (!options_done && arg.size() > 1 && arg[0] == '-') {
      if (const std::optional<int> status = parse_option(args, line)) return status;
    } else {
      line.font_names.push_back(arg.data());
    }
  }
  return check_command_line(line);
}

// Creates a file the viewer writes (`what`: "PNG" or "proof"), none when
// `name` is null. It must not be the font under another name: creating it
// would empty the font. The viewer's own buffer is the only one its bytes go
// through.
File create_output(const char* font_name, const char* name, const char* what, std::string& error) {
  if (name == nullptr) return nullptr;
  if (kestrune::names_same_file(font_name, name)) {
    error = std::string("the ") + what + " file " + name + " is the font itself";
    return nullptr;
  }
  File file(kestrune::open_file(name, "wb"));
  if (file == nullptr) {
    error = std::string("cannot create ") + name + ": " + std::strerror(errno);
  } else {
    std::setvbuf(file.get(), nullptr, _IONBF, 0);
  }
  return file;
}

// Hands what is left in `out` to its file; false when any write failed.
bool finish_output(kestrune::OutputBuffer& out) {
  return out.flush() && std::fflush(out.file()) == 0 && std::ferror(out.file()) == 0;
}

// Shows the open font, then finishes the PNG and the proof files, which are
// to be named `png` and `proof` (null when not asked for).
int show(kestrune::InputBuffer& font, File png, File proof, const CommandLine& line) {
  kestrune::MessageSink messages(stdout);
  std::optional<kestrune::OutputBuffer> png_out;
  std::optional<kestrune::OutputBuffer> proof_out;
  kestrune::view::ViewOptions options = line.options;
  options.title = line.font_names.front();
  if (png != nullptr) options.png = &png_out.emplace(png.get());
  if (proof != nullptr) options.proof = &proof_out.emplace(proof.get());
  int status = kestrune::view::view_font(font, messages, options);
  if (png_out && !finish_output(*png_out) && status != kStatusFailed) {
    print_text(messages, "Contact sheet: writing the PNG failed.\n");
    status = kStatusFailed;
  }
  if (proof_out && !finish_output(*proof_out) && status != kStatusFailed) {
    print_text(messages, "Proof: writing the PCL job failed.\n");
    status = kStatusFailed;
  }
  flush_messages(messages);
  if (messages.text.failed() || std::ferror(stdout) != 0) status = kStatusFailed;
  // A job that was refused or could not be written is no job to print. Only
  // a file is removed: a device such as a printer's is not the viewer's.
  if (proof != nullptr && status == kStatusFailed) {
    proof.reset();
    kestrune::remove_regular_file(line.proof_name);
  }
  return status;
}

// Ends a run that printed to `messages`: its status, or 2 when printing failed.
int finish_printing(kestrune::MessageSink& messages, int status) {
  flush_messages(messages);
  return messages.text.failed() || std::ferror(stdout) != 0 ? kStatusFailed : status;
}

// Checks one font file, named as given.
kestrune::view::CheckedFile check_named_file(const char* name) {
  const File font(kestrune::open_file(name, "rb"));
  if (font == nullptr) {
    const int error = errno;
    std::fprintf(stderr, "kestrune-view: cannot open %s: %s\n", name, std::strerror(error));
    return kestrune::view::unopened_file(name, error);
  }
  kestrune::InputBuffer in(font.get());
  return kestrune::view::check_file(in, name);
}

// --check: each font's lines, or one JSON document for them all; the totals
// when there is more than one.
int check_fonts(const CommandLine& line) {
  kestrune::MessageSink messages(stdout);
  kestrune::view::CheckTotals totals;
  kestrune::view::CheckJson json;
  for (const char* name : line.font_names) {
    const kestrune::view::CheckedFile file = check_named_file(name);
    totals.add(file);
    if (line.json) {
      json.add(file);
    } else {
      kestrune::view::print_check(file, messages);
      flush_messages(messages);
    }
  }
  if (line.json) {
    print_text(messages, json.text(totals));
  } else if (totals.files > 1) {
    kestrune::view::print_totals(totals, messages);
  }
  return finish_printing(messages, totals.status());
}

int print_rules() {
  kestrune::MessageSink messages(stdout);
  kestrune::view::print_rule_book(messages);
  return finish_printing(messages, 0);
}

// The whole run, from the command line to the exit status.
int view_command_line(int argc, char** argv) {
  CommandLine line;
  if (const std::optional<int> status = parse_arguments(argc, argv, line)) return *status;
  if (line.rules) return print_rules();
  if (line.check) return check_fonts(line);
  const char* font_name = line.font_names.front();
  const File font(kestrune::open_file(font_name, "rb"));
  if (font == nullptr) {
    return usage_error(std::string("cannot open ") + font_name + ": " + std::strerror(errno));
  }
  kestrune::InputBuffer in(font.get());
  if (!in.seekable() || !in.seek(0)) {
    return usage_error(std::string(font_name) +
                       " cannot be read twice (a pipe?); give the font as a file");
  }
  std::string error;
  File png = create_output(font_name, line.png_name, "PNG", error);
  if (!error.empty()) return usage_error(error);
  File proof = create_output(font_name, line.proof_name, "proof", error);
  if (!error.empty()) return usage_error(error);
  return show(in, std::move(png), std::move(proof), line);
}

}  // namespace

int program_main(int argc, char** argv) { return view_command_line(argc, argv); }
