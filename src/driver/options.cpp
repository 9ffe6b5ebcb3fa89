#include "driver/options.h"

#include <charconv>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <system_error>

#include "driver/version.h"

namespace kestrune {
namespace {

// The most a resolution field of the font descriptor holds.
constexpr std::uint64_t kLargestResolution = 65535;

// What the text after "-r" holds.
enum class ResolutionText { kNothing, kValue, kNotDigits, kTooLarge };

// Reads the text after "-r" into `value`. from_chars takes only digits, so
// one that stops short of the end met something else; past 64 bits it
// reads no value at all.
ResolutionText read_resolution(std::string_view text, std::uint64_t& value) {
  if (text.empty()) return ResolutionText::kNothing;
  const char* const end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, value);
  if (stop != end) return ResolutionText::kNotDigits;
  return error == std::errc{} ? ResolutionText::kValue : ResolutionText::kTooLarge;
}

bool is_resolution_option(const char* argument) { return std::strncmp(argument, "-r", 2) == 0; }

// The options that switch a mode on, each with the line it prints when met.
struct FlagOption {
  const char* name;
  bool RunOptions::*flag;
  const char* message;
};
constexpr FlagOption kFlagOptions[] = {
    {"-l", &RunOptions::landscape, "Landscaping...\n"},
    {"-clean", &RunOptions::clean, "Cleaning...\n"},
    {"-fix", &RunOptions::fix, "Fixing...\n"},
    {"-f20", &RunOptions::header_format_20, "Header format 20 requested.\n"},
};

const FlagOption* flag_option(const char* argument) {
  for (const FlagOption& option : kFlagOptions) {
    if (std::strcmp(argument, option.name) == 0) return &option;
  }
  return nullptr;
}

bool is_option(const char* argument) {
  return is_resolution_option(argument) || flag_option(argument) != nullptr;
}

// Why an argument after the two file names refuses the run, or empty when it
// does not: an -r must hold digits only, of a value 64 bits can hold, and
// only one may hold any, since each slip would write a resolution no one
// asked for. `resolution_set` says whether an earlier -r held digits, and
// is kept up to date.
std::string_view resolution_fault(const char* argument, bool& resolution_set) {
  if (!is_resolution_option(argument)) return {};
  std::uint64_t value = 0;
  switch (read_resolution(argument + 2, value)) {
    case ResolutionText::kNothing:
      return {};
    case ResolutionText::kNotDigits:
      return "is not a resolution: only digits may follow -r.\n";
    case ResolutionText::kTooLarge:
      return "is too large to be a resolution; the font holds at most 65535 dpi.\n";
    case ResolutionText::kValue:
      break;
  }
  if (resolution_set) return "is a second resolution; give -r only once.\n";
  resolution_set = true;
  return {};
}

// `lead` ends in the quote that opens the argument's name.
void print_argument_line(std::string_view lead, const char* argument, std::string_view rest,
                         MessageSink& messages) {
  print_text(messages, lead);
  print_text(messages, argument);
  print_text(messages, "' ");
  print_text(messages, rest);
}

// Only the low 16 bits reach the font, so a larger value is written as
// another resolution altogether; the user is told which. A value that folds
// to 0 asks for no change, as its "Resolution changing to 0." has said.
void warn_about_large_resolution(const char* argument, std::uint64_t value,
                                 const RunOptions& options, MessageSink& messages) {
  if (value <= kLargestResolution || options.resolution == 0) return;
  const auto held = static_cast<int>(static_cast<std::uint32_t>(options.resolution) & 0xFFFFU);
  print_argument_line("Warning: '", argument, "", messages);
  print_text(messages, "is more than 65535 dpi; the font will hold its low 16 bits, ", held,
             " dpi.\n");
}

// An -r that resolution_fault refuses never gets here.
void apply_option(const char* argument, RunOptions& options, MessageSink& messages) {
  if (is_resolution_option(argument)) {
    // A bare -r keeps the value so far. The value wraps modulo 2^32; only
    // its low 16 bits ever reach the font.
    std::uint64_t value = 0;
    if (read_resolution(argument + 2, value) == ResolutionText::kValue) {
      options.resolution = static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
    }
    print_text(messages, "Resolution changing to ", options.resolution, ".\n");
    warn_about_large_resolution(argument, value, options, messages);
  } else if (const FlagOption* flag = flag_option(argument)) {
    options.*(flag->flag) = true;
    print_text(messages, flag->message);
  } else {
    print_argument_line("Warning: '", argument, "is not an option; ignored.\n", messages);
  }
}

}  // namespace

RunOptions parse_options(int argc, const char* const* argv, MessageSink& messages) {
  RunOptions options;
  bool resolution_set = false;
  bool resolution_refused = false;
  for (int i = 3; i < argc; ++i) {
    if (argv[i] == nullptr) continue;
    if (resolution_fault(argv[i], resolution_set).empty()) {
      apply_option(argv[i], options, messages);
    } else {
      resolution_refused = true;
    }
  }
  // A refused -r gets its own error line, which this warning would only muddle.
  if (options.header_format_20 && options.resolution == 0 && !resolution_refused) {
    print_text(messages, "Warning: -f20 needs -rNNN; the header format is left as it is.\n");
  }
  return options;
}

bool refuse_command_line(int argc, const char* const* argv, MessageSink& messages) {
  for (int i = 1; i < 3 && i < argc; ++i) {
    if (argv[i] != nullptr && is_option(argv[i])) {
      print_argument_line("Error: '", argv[i],
                          "is an option, not a file name; options come after the two file "
                          "names.\n",
                          messages);
      return true;
    }
  }
  bool resolution_set = false;
  for (int i = 3; i < argc; ++i) {
    if (argv[i] == nullptr) continue;
    const std::string_view fault = resolution_fault(argv[i], resolution_set);
    if (!fault.empty()) {
      print_argument_line("Error: '", argv[i], fault, messages);
      return true;
    }
  }
  return false;
}

void print_usage(MessageSink& messages) {
  print_text(messages, "\n");
  print_text(messages, "\n");
  print_text(messages, "Kestrune by Odran Velisk / Brindlewick\n");
  print_text(messages, "Version: " KESTRUNE_USAGE_VERSION "\n");
  print_text(messages, "\n");
  print_text(messages, "SYNTAX\n");
  print_text(messages, "  Kestrune input.sfp output.sfp [-rNNN] [-l] [-clean]\n");
  print_text(messages, "\n");
  print_text(messages, "\n");
  print_text(messages, "    -rNNN specifies a new resolution NNN for the SFP font\n");
  print_text(messages, "    -l specifies a rotation to landscape mode\n");
  print_text(messages, "    -clean ensures the unused bitmap image is zeroed\n");
  print_text(messages, "\n");
}

}  // namespace kestrune
