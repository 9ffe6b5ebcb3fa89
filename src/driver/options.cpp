#include "driver/options.h"

#include <cstdint>
#include <cstring>
#include <string_view>

#include "driver/version.h"
#include "pcl/commands.h"

namespace kestrune {
namespace {

// Every character after "-r" is folded in as a digit without being checked,
// taken as a signed byte. The fold wraps modulo 2^32 instead of overflowing;
// only the low 16 bits ever reach the font.
void fold_resolution_digits(const char* digits, RunOptions& options) {
  auto value = static_cast<std::uint32_t>(options.resolution);
  for (const char* c = digits; *c != '\0'; ++c) {
    const int digit = static_cast<signed char>(*c) - 48;
    value = value * 10U + static_cast<std::uint32_t>(digit);
  }
  options.resolution = static_cast<std::int32_t>(value);
}

bool all_digits(const char* text) {
  for (const char* c = text; *c != '\0'; ++c) {
    if (!is_digit(*c)) return false;
  }
  return true;
}

void warn_about_argument(const char* argument, std::string_view problem, MessageSink& messages) {
  print_text(messages, "Warning: '");
  print_text(messages, argument);
  print_text(messages, "' ");
  print_text(messages, problem);
}

}  // namespace

void apply_option(const char* argument, RunOptions& options, MessageSink& messages) {
  if (std::strncmp(argument, "-r", 2) == 0) {
    fold_resolution_digits(argument + 2, options);
    print_text(messages, "Resolution changing to ", options.resolution, ".\n");
    if (!all_digits(argument + 2)) {
      warn_about_argument(argument,
                          "holds characters other than digits; each was still read as a digit.\n",
                          messages);
    }
  } else if (std::strcmp(argument, "-l") == 0) {
    options.landscape = true;
    print_text(messages, "Landscaping...\n");
  } else if (std::strcmp(argument, "-clean") == 0) {
    options.clean = true;
    print_text(messages, "Cleaning...\n");
  } else if (std::strcmp(argument, "-f20") == 0) {
    options.header_format_20 = true;
    print_text(messages, "Header format 20 requested.\n");
  } else {
    warn_about_argument(argument, "is not an option; ignored.\n", messages);
  }
}

RunOptions parse_options(int argc, const char* const* argv, MessageSink& messages) {
  RunOptions options;
  if (argc > 3) {
    for (int i = 3; i < argc; ++i) {
      if (argv[i] != nullptr) apply_option(argv[i], options, messages);
    }
  }
  if (options.header_format_20 && options.resolution == 0) {
    print_text(messages, "Warning: -f20 needs -rNNN; the header format is left as it is.\n");
  }
  return options;
}

void print_usage(MessageSink& messages) {
  print_text(messages, "\n");
  print_text(messages, "\n");
  print_text(messages, "Kestrune by Odran Velisk / Brindlewick\n");
  print_text(messages, "Version: " KESTRUNE_VERSION "\n");
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
