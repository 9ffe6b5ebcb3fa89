// The executable as a user runs it: arguments, everything it prints, its exit
// status and the bytes of the font it writes.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <iterator>
#include <optional>
#include <string>

#include "font_builder.h"
#include "run_tool.h"

namespace kestrune {
namespace {

using fontbuilder::append;
using fontbuilder::Bytes;
using fontbuilder::drawn_glyph;
using fontbuilder::FontSpec;
using fontbuilder::GlyphSpec;
using testsupport::run_tool;
using testsupport::ToolResult;

const std::string kUsage =
    "\n\nKestrune by Odran Velisk / Brindlewick\nVersion: 0.91beta\n\nSYNTAX\n"
    "  Kestrune input.sfp output.sfp [-rNNN] [-l] [-clean]\n\n\n"
    "    -rNNN specifies a new resolution NNN for the SFP font\n"
    "    -l specifies a rotation to landscape mode\n"
    "    -clean ensures the unused bitmap image is zeroed\n\n";

std::string replace_all(std::string s, const std::string& from, const std::string& to) {
  for (std::size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size())) {
    s.replace(at, from.size(), to);
  }
  return s;
}

// A fresh directory for one run; "{in}", "{out}" and "{dir}" in the
// arguments and in the expected text stand for the two font paths and it.
struct Workspace {
  std::string dir = testsupport::temp_dir();
  std::string in = dir + "/in.sfp";
  std::string out = dir + "/out.sfp";

  // On a full disk, every write fails.
  ToolResult operator()(const std::vector<std::string>& args, bool full_disk = false) const {
    std::vector<std::string> expanded;
    if (full_disk) expanded = {"-c", "trap '' XFSZ; ulimit -f 0; exec \"$0\" \"$@\"", KESTRUNE_EXE};
    for (const std::string& a : args) expanded.push_back(expand(a));
    return run_tool(full_disk ? "/bin/sh" : KESTRUNE_EXE, expanded);
  }
  std::string expand(const std::string& s) const {
    return replace_all(replace_all(replace_all(s, "{in}", in), "{out}", out), "{dir}", dir);
  }
  std::optional<Bytes> output() const {
    if (!std::filesystem::exists(out)) return std::nullopt;
    return fontbuilder::read_file(out);
  }
};

std::string names(const std::string& out = "{out}", const std::string& in = "{in}") {
  return "Input font: " + in + "\nOutput font: " + out + "\n";
}
std::string copied(const std::string& out = "{out}") { return names(out) + "header size = 72\n"; }
std::string ignored(const std::string& argument) {
  return "Warning: '" + argument + "' is not an option; ignored.\n";
}
std::string reason(const std::string& what) {
  return "Warning: The system's reason: " + what + ".\n";
}
std::string refused(const std::string& argument, const std::string& why) {
  return "Error: '" + argument + "' " + why + "\n";
}
const std::string kNotAName =
    "is an option, not a file name; options come after the two file names.";
const std::string kNotDigits = "is not a resolution: only digits may follow -r.";
const std::string kNoOutput = "Error: Could not open output file.\n";
const std::string kNoDir = reason("No such file or directory") + kNoOutput;
const std::string kIsDir = reason("Is a directory") + kNoOutput;
const std::string kBadStart = "Error: First 3 bytes of input file are bad... nothing output.\n";
const std::string kUnread = "Error: Could not read input file.\n";
const std::string kUnwritten = "Error: Could not write output file.\n";
const std::string kTooLarge = reason("File too large") + kUnwritten;  // ulimit -f
const std::string kFormatWarning =
    "Warning: Printers read the resolution only from a format 20 (resolution-specified) header; "
    "add -f20 to mark this font so.\n";

// What a run with -f20 and `argument`, an -r over 65535, prints: the value
// as its 32-bit fold gives it (`folded`), and the low 16 bits the font holds.
std::string over_65535(const std::string& argument, const std::string& folded, int held) {
  return names() + "Resolution changing to " + folded + ".\nWarning: '" + argument +
         "' is more than 65535 dpi; the font will hold its low 16 bits, " + std::to_string(held) +
         " dpi.\nHeader format 20 requested.\nheader size = 72\nResolution set to " + folded + "\n";
}

FontSpec notice_font() {
  FontSpec font_spec;
  font_spec.extra = fontbuilder::text("(c) test");
  return font_spec;
}

// A portrait font whose body also holds bytes that are not definitions.
Bytes portrait_font() {
  Bytes font = fontbuilder::font(notice_font(), {drawn_glyph(65, {"#.#", ".##"})});
  append(font, fontbuilder::command("&l0O"));
  append(font, fontbuilder::character_definition(drawn_glyph(66, {"##########", "#........#"})));
  return font;
}

struct CliCase {
  const char* name;
  Bytes input;
  std::vector<std::string> args;
  int status;
  std::string messages;
  std::optional<Bytes> output;                                  // nullopt: {out} is left as it was
  std::vector<std::pair<const char*, const char*>> links = {};  // made first: name, target
  bool full_disk = false;
};

std::vector<CliCase> driver_cases() {
  const Bytes font = portrait_font();
  const std::size_t header_size = fontbuilder::font_header(notice_font()).size();
  Bytes padded_size = fontbuilder::text("\x1b)s072W");
  padded_size.insert(padded_size.end(), font.begin() + 6, font.end());
  auto extended = [&](std::uint16_t dpi, std::uint8_t format) {
    FontSpec font_spec = notice_font();
    font_spec.descriptor_size = 68;
    font_spec.x_resolution = font_spec.y_resolution = dpi;
    font_spec.header_format = format;
    Bytes bytes = fontbuilder::font_header(font_spec);
    bytes.insert(bytes.end(), font.begin() + static_cast<long>(header_size), font.end());
    return bytes;
  };

  return {
      {"no arguments", font, {}, 255, kUsage, std::nullopt},
      {"only an input", font, {"{in}"}, 255, kUsage, std::nullopt},
      {"plain copy", font, {"{in}", "{out}"}, 1, names() + "header size = 72\n", font},
      {"size written without leading zeros",
       padded_size,
       {"{in}", "{out}"},
       1,
       names() + "header size = 72\n",
       font},
      {"unknown option ignored",
       font,
       {"{in}", "{out}", "-x", "--help", "-L", "o.sfp"},
       1,
       names() + ignored("-x") + ignored("--help") + ignored("-L") + ignored("o.sfp") +
           "header size = 72\n",
       font},
      {"-r alone changes nothing, nor -f20 without a resolution",
       font,
       {"{in}", "{out}", "-r", "-f20"},
       1,
       names() + "Resolution changing to 0.\nHeader format 20 requested.\nWarning: -f20 needs "
                 "-rNNN; the header format is left as it is.\nheader size = 72\n",
       font},
      {"a second -r with digits is refused, a bare one is not",
       font,
       {"{in}", "{out}", "-r3", "-r", "-r6"},
       255,
       names() + "Resolution changing to 3.\nResolution changing to 3.\n" +
           refused("-r6", "is a second resolution; give -r only once."),
       std::nullopt},
      {"-f20 with an -r that holds more than digits",
       font,
       {"{in}", "{out}", "-f20", "-r600dpi", "-r=6"},
       255,
       names() + "Header format 20 requested.\n" + refused("-r600dpi", kNotDigits),
       std::nullopt},
      {"-r70000 keeps its low 16 bits",
       font,
       {"{in}", "{out}", "-r70000", "-f20"},
       1,
       over_65535("-r70000", "70000", 4464),
       extended(4464, 20)},
      // The value wraps modulo 2^32 up to the most 64 bits hold; past that,
      // leading zeros aside, no value is read and the run is refused.
      {"-r at the most 64 bits hold, its leading zeros aside",
       font,
       {"{in}", "{out}", "-r000000000000000000000018446744073709551615", "-f20"},
       1,
       over_65535("-r000000000000000000000018446744073709551615", "-1", 65535),
       extended(65535, 20)},
      {"-r past the most 64 bits hold",
       font,
       {"{in}", "{out}", "-l", "-r18446744073709551616"},
       255,
       names() + "Landscaping...\n" +
           refused("-r18446744073709551616",
                   "is too large to be a resolution; the font holds at most 65535 dpi."),
       std::nullopt},
      {"-r65535 is the most the font holds, and draws no warning",
       font,
       {"{in}", "{out}", "-r65535", "-f20"},
       1,
       names() + "Resolution changing to 65535.\nHeader format 20 requested.\nheader size = "
                 "72\nResolution set to 65535\n",
       extended(65535, 20)},
      {"option as output",
       font,
       {"{in}", "-l", "o"},
       255,
       names("-l") + ignored("o") + refused("-l", kNotAName),
       {}},
      {"option as input",
       font,
       {"-r300", "{out}", "-clean"},
       255,
       names("{out}", "-r300") + "Cleaning...\n" + refused("-r300", kNotAName),
       {}},
      {"-fix as output",
       font,
       {"{in}", "-fix", "-l"},
       255,
       names("-fix") + "Landscaping...\n" + refused("-fix", kNotAName),
       {}},
      {"-l is an option only in full",
       font,
       {"{in}", "{out}", "-landscape", "-cleanly"},
       1,
       names() + ignored("-landscape") + ignored("-cleanly") + "header size = 72\n",
       font},
      {"link", font, {"{in}", "{dir}/l"}, 1, copied("{dir}/l"), font, {{"l", "m"}, {"m", "{out}"}}},
      {"rel", font, {"{in}", "{dir}/a"}, 1, copied("{dir}/a"), font, {{"a", "out.sfp"}}},
      // Taken from the link's directory, not from the one the tool runs in.
      {"rel below", font, {"{in}", "sub/a"}, 1, copied("sub/a"), font, {{"sub/a", "../out.sfp"}}},
      {"nowhere", font, {"{in}", "{dir}/l"}, 255, names("{dir}/l") + kNoDir, {}, {{"l", "n/o"}}},
      {"device", font, {"{in}", "/dev/null"}, 1, copied("/dev/null"), std::nullopt},
      {"dir as output", font, {"{in}", "{dir}"}, 255, names("{dir}") + kIsDir, std::nullopt},
      // The new file's name is cut to fit; only the rename meets the limit.
      {"name too long",
       font,
       {"{in}", "{dir}/" + std::string(256, 'n')},
       255,
       copied("{dir}/" + std::string(256, 'n')) + reason("File name too long") + kUnwritten,
       std::nullopt},
      {"missing input",
       {},
       {"{in}.missing", "{out}"},
       255,
       "Input font: {in}.missing\nOutput font: {out}\nError: Could not open input file.\n",
       std::nullopt},
      {"unwritable output",
       font,
       {"{in}", "{in}/out.sfp"},
       255,
       "Input font: {in}\nOutput font: {in}/out.sfp\n" + reason("Not a directory") + kNoOutput,
       std::nullopt},
      {"output full",
       font,
       {"{in}", "/dev/full"},
       255,
       "Input font: {in}\nOutput font: /dev/full\nheader size = 72\n" +
           reason("No space left on device") + kUnwritten,
       std::nullopt},
      {"bad start",
       fontbuilder::text("\x1b"
                         "E hello"),
       {"{in}", "{out}", "-r300"},
       255,
       names() + "Resolution changing to 300.\n"
                 "Error: First 3 bytes of input file are bad... nothing output.\n",
       std::nullopt},
      {"truncated header",
       Bytes(font.begin(), font.begin() + 50),
       {"{in}", "{out}"},
       255,
       names() + "header size = 72\nError: Input ends inside the font header.\n",
       std::nullopt},
      {"empty input", {}, {"{in}", "{out}"}, 255, names() + kBadStart, std::nullopt},
      {"dir as input", {}, {"{dir}", "{out}"}, 255, names("{out}", "{dir}") + kUnread, {}},
      {"disk full", font, {"{in}", "{out}"}, 255, copied() + kTooLarge, {}, {}, true},
  };
}

// Each case runs twice: with no file at {out}, which a completed run creates
// as any new file, and over an earlier font, which it replaces keeping its
// permissions. A failed run leaves either as it was, and no run leaves a
// file of its own behind.
TEST(Cli, DriverCases) {
  const Bytes earlier_font = fontbuilder::text("an earlier font");
  umask(022);  // so that a new output gets 0644, 0666 less the umask
  const auto start_dir = std::filesystem::current_path();
  for (const CliCase& c : driver_cases()) {
    for (const bool earlier : {false, true}) {
      SCOPED_TRACE(std::string(c.name) + (earlier ? ", over an earlier font" : ""));
      Workspace run;
      fontbuilder::write_file(run.in, c.input);
      if (earlier) {
        fontbuilder::write_file(run.out, earlier_font);
        ASSERT_EQ(chmod(run.out.c_str(), 0604), 0);
      }
      for (const auto& [name, to] : c.links) {
        // A link in a directory of its own: that directory is counted for it.
        std::filesystem::create_directories(
            std::filesystem::path(run.dir + "/" + name).parent_path());
        ASSERT_EQ(symlink(run.expand(to).c_str(), (run.dir + "/" + name).c_str()), 0);
      }
      // A relative name then lands in the directory, where it is counted.
      std::filesystem::current_path(run.dir);
      const ToolResult result = run(c.args, c.full_disk);
      EXPECT_EQ(result.exit_status, c.status);
      EXPECT_EQ(result.out, run.expand(c.messages));
      EXPECT_EQ(result.err, "");
      EXPECT_EQ(run.output(), c.output || !earlier ? c.output : earlier_font);
      const auto mode = std::filesystem::status(run.out).permissions();  // 0xFFFF: none there
      EXPECT_EQ(static_cast<int>(mode), !run.output() ? 0xFFFF : earlier ? 0604 : 0644);
      for (const auto& [name, to] : c.links) {
        EXPECT_EQ(std::filesystem::read_symlink(run.dir + "/" + name), run.expand(to));
      }
      // Nothing but the input, the output and the links is left.
      const auto files = std::distance(std::filesystem::directory_iterator(run.dir), {});
      EXPECT_EQ(files, 1 + (run.output() ? 1 : 0) + std::ssize(c.links));
    }
  }
  std::filesystem::current_path(start_dir);
}

TEST(Cli, DirectoryAsInputIsAReadError) {
  Workspace run;
  const ToolResult result = run({run.dir, "{out}"});
  EXPECT_EQ(result.exit_status, 255);
  EXPECT_EQ(result.out, run.expand("Input font: " + run.dir +
                                   "\nOutput font: {out}\nError: Could not read input file.\n"));
}

TEST(Cli, PipeAsInputIsRefused) {
  Workspace run;
  fontbuilder::write_file(run.in, portrait_font());
  const std::string script =
      "cat '" + run.in + "' | '" KESTRUNE_EXE "' /dev/stdin '" + run.out + "'";
  const ToolResult result = run_tool("/bin/sh", {"-c", script});
  EXPECT_EQ(result.exit_status, 255);
  EXPECT_NE(result.out.find("Error: Input file is not seekable"), std::string::npos) << result.out;
  EXPECT_EQ(run.output(), std::nullopt);
}

// Opening the output truncates it: an output that names the input in any way
// must be refused before that, leaving the input as it was.
TEST(Cli, OutputNamingTheInputIsRefused) {
  const Bytes font = portrait_font();
  struct Alias {
    const char* name;
    void (*make)(const std::string& target, const std::string& alias);
  };
  const Alias aliases[] = {
      {"same path", [](const std::string&, const std::string&) {}},
      {"hard link", [](const std::string& t,
                       const std::string& a) { ASSERT_EQ(link(t.c_str(), a.c_str()), 0); }},
      {"symbolic link", [](const std::string& t,
                           const std::string& a) { ASSERT_EQ(symlink(t.c_str(), a.c_str()), 0); }},
  };
  for (const Alias& alias : aliases) {
    SCOPED_TRACE(alias.name);
    Workspace run;
    fontbuilder::write_file(run.in, font);
    const std::string target =
        std::string(alias.name) == "same path" ? run.in : run.dir + "/alias.sfp";
    alias.make(run.in, target);
    const ToolResult result = run({"{in}", target, "-l"});
    EXPECT_EQ(result.exit_status, 255);
    EXPECT_EQ(result.out,
              run.expand("Input font: {in}\nOutput font: " + target +
                         "\nLandscaping...\nError: Input and output are the same file.\n"));
    EXPECT_EQ(fontbuilder::read_file(run.in), font);
  }
}

}  // namespace
}  // namespace kestrune
