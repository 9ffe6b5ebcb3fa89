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
    if (!kHavePng) return usage_error("--png is not available: built without stb");
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

// Opens a file the viewer writes (`what`: "PNG" or "proof") as kestrune opens
// its output: an earlier file is replaced only when the run completes.
// Nothing is opened when `name` is null. It must not be the font under
// another name, which the completed run would replace. The viewer's own
// buffer is the only one its bytes go through.
bool create_output(const char* font_name, const char* name, const char* what,
                   kestrune::OutputFile& file, std::string& error) {
  if (name == nullptr) return true;
  if (kestrune::names_same_file(font_name, name)) {
    error = std::string("the ") + what + " file " + name + " is the font itself";
    return false;
  }
  // A device or a pipe is written directly, as open_output writes one, and
  // so is one that a link of the system's own leads to, such as /dev/fd/N of
  // a pipe (--proof >(lp -o raw)), which open_output cannot follow.
  if (kestrune::leads_to_device(name)) {
    file.stream = kestrune::open_file(name, "wb");
    kestrune::note_failure(file.stream != nullptr, file);
  } else {
    kestrune::open_output(name, file);
  }
  if (file.stream == nullptr) {
    error = std::string("cannot create ") + name + ": " + std::strerror(file.error);
    return false;
  }
  std::setvbuf(file.stream, nullptr, _IONBF, 0);
  return true;
}

// Closes a file the viewer writes, if it was opened: after a completed run
// it takes the place of an earlier file, else it is removed. False when a
// completed run's file could not be put in its place.
bool close_output(kestrune::OutputFile& file, bool completed) {
  if (file.stream == nullptr) return true;
  return kestrune::close_output_file(file, completed) || !completed;
}

// Hands what is left in `out` to its file; false when any write failed.
bool finish_output(kestrune::OutputBuffer& out) {
  return out.flush() && std::fflush(out.file()) == 0 && std::ferror(out.file()) == 0;
}

// Hands the messages on to standard output; a run whose messages were lost
// failed.
int flush_run_messages(kestrune::MessageSink& messages, int status) {
  flush_messages(messages);
  return messages.text.failed() || std::ferror(stdout) != 0 ? kStatusFailed : status;
}

// Shows the open font, then finishes the PNG and the proof files (either
// not open when not asked for).
int show(kestrune::InputBuffer& font, kestrune::OutputFile& png, kestrune::OutputFile& proof,
         const CommandLine& line) {
  kestrune::MessageSink messages(stdout);
  std::optional<kestrune::OutputBuffer> png_out;
  std::optional<kestrune::OutputBuffer> proof_out;
  kestrune::view::ViewOptions options = line.options;
  options.title = line.font_names.front();
  if (png.stream != nullptr) options.png = &png_out.emplace(png.stream);
  if (proof.stream != nullptr) options.proof = &proof_out.emplace(proof.stream);
  int status = kestrune::view::view_font(font, messages, options);
  const bool png_written = !png_out || finish_output(*png_out);
  const bool proof_written = !proof_out || finish_output(*proof_out);
  status = flush_run_messages(messages, status);
  // Only a completed run's files take the place of earlier ones: a failed
  // run leaves them as they were, and a job that was refused or could not
  // be written is no job to print. A device, such as a printer's, is written
  // directly. The PNG takes its place first; a proof that fails only then
  // cannot take that back.
  const bool completed = status != kStatusFailed && png_written && proof_written;
  const bool png_ok = close_output(png, completed) && png_written;
  const bool proof_ok = close_output(proof, completed && png_ok) && proof_written;
  if (status != kStatusFailed && !png_ok) {
    print_text(messages, "Contact sheet: writing the PNG failed.\n");
    status = kStatusFailed;
  } else if (status != kStatusFailed && !proof_ok) {
    print_text(messages, "Proof: writing the PCL job failed.\n");
    status = kStatusFailed;
  }
  return flush_run_messages(messages, status);
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
  return flush_run_messages(messages, totals.status());
}

int print_rules() {
  kestrune::MessageSink messages(stdout);
  kestrune::view::print_rule_book(messages);
  return flush_run_messages(messages, 0);
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
  // Neither may move once open: a signal that ends the run removes its new file.
  kestrune::OutputFile png;
  kestrune::OutputFile proof;
  std::string error;
  if (!create_output(font_name, line.png_name, "PNG", png, error) ||
      !create_output(font_name, line.proof_name, "proof", proof, error)) {
    close_output(png, false);
    return usage_error(error);
  }
  return show(in, png, proof, line);
}

}  // namespace

int program_main(int argc, char** argv) { return view_command_line(argc, argv); }
