// Damaged fonts and failing outputs in every mode: the run always ends, on
// time, with a status that tells the truth.
#include <gtest/gtest.h>

#include <chrono>

#include "driver/run.h"
#include "font_builder.h"
#include "run_tool.h"
#include "streams.h"

namespace kestrune {
namespace {

using fontbuilder::Bytes;

const std::vector<std::vector<std::string>> kOptionSets = {
    {}, {"-r300"}, {"-clean"}, {"-l"}, {"-l", "-clean"}, {"-r600", "-l", "-clean"}};

std::string joined(const std::vector<std::string>& options) {
  std::string s;
  for (const std::string& o : options) s += " " + o;
  return s;
}

std::string last_line(std::string text) {
  if (text.ends_with('\n')) text.pop_back();
  return text.substr(text.rfind('\n') + 1);  // all of it when there is no other line
}

// One run in this process, on temporary files.
int run_in_process(const std::string& dir, const Bytes& font,
                   const std::vector<std::string>& options) {
  const std::string in = dir + "/in.sfp";
  const std::string out = dir + "/out.sfp";
  fontbuilder::write_file(in, font);
  std::vector<const char*> argv = {"kestrune", in.c_str(), out.c_str()};
  for (const std::string& o : options) argv.push_back(o.c_str());
  testsupport::CapturedMessages quiet;
  return run_kestrune(static_cast<int>(argv.size()), argv.data(), quiet.sink());
}

Bytes converted(const Bytes& font, const std::vector<std::string>& options) {
  const std::string dir = testsupport::temp_dir();
  EXPECT_EQ(run_in_process(dir, font, options), 1);
  return fontbuilder::read_file(dir + "/out.sfp");
}

// Each cut runs in memory, in this process: through files, with a process
// or the output flushed to disk for each, the thousands of runs take
// minutes under the sanitizers.
TEST(HostileInput, EveryPrefixOfEveryFontEndsPromptly) {
  const Bytes sample = fontbuilder::read_file(SAMPLE_FONT);
  const std::pair<const char*, Bytes> fonts[] = {{"sample", sample},
                                                 {"landscape", converted(sample, {"-l"})},
                                                 {"cleaned", converted(sample, {"-clean"})}};
  const std::string dir = testsupport::temp_dir();
  for (const auto& [name, font] : fonts) {
    for (const auto& options : kOptionSets) {
      for (std::size_t length = 0; length <= font.size(); ++length) {
        const auto start = std::chrono::steady_clock::now();
        const testsupport::MemoryRun run = testsupport::run_in_memory(
            Bytes(font.begin(), font.begin() + static_cast<long>(length)), options);
        const auto took = std::chrono::steady_clock::now() - start;
        // A run that fails (run_kestrune then returns -1, the process exits
        // 255) says why in its last line.
        ASSERT_TRUE(run.completed || last_line(run.messages).starts_with("Error: "))
            << name << joined(options) << " cut at " << length << ":\n"
            << run.messages;
        ASSERT_LT(took, std::chrono::seconds(1)) << name << joined(options) << " cut at " << length;
      }
      // Through files, cut in the middle, run_kestrune returns as the run ended.
      const Bytes half(font.begin(), font.begin() + static_cast<long>(font.size() / 2));
      EXPECT_EQ(run_in_process(dir, half, options),
                testsupport::run_in_memory(half, options).completed ? 1 : -1)
          << name << joined(options);
    }
  }
}

// A full disk is one error, last, and ends the run with 255, whether it
// shows itself at the final close (a small font) or while characters are
// still coming (a large one, whose pass then ends there).
TEST(HostileInput, FullDiskIsOneErrorInEveryMode) {
  std::vector<fontbuilder::GlyphSpec> glyphs(200);
  for (std::size_t i = 0; i < glyphs.size(); ++i) {
    glyphs[i].code = static_cast<int>(i);
    glyphs[i].width = 64;
    glyphs[i].height = 64;
    glyphs[i].bitmap = Bytes(512, 0x5A);
  }
  const std::pair<const char*, Bytes> fonts[] = {{"sample", fontbuilder::read_file(SAMPLE_FONT)},
                                                 {"large", fontbuilder::font({}, glyphs)}};
  const std::string dir = testsupport::temp_dir();
  for (const auto& [name, font] : fonts) {
    fontbuilder::write_file(dir + "/in.sfp", font);
    for (const auto& options : kOptionSets) {
      SCOPED_TRACE(name + joined(options));
      std::vector<std::string> args = {dir + "/in.sfp", "/dev/full"};
      args.insert(args.end(), options.begin(), options.end());
      const auto result = testsupport::run_tool(KESTRUNE_EXE, args);
      EXPECT_EQ(result.exit_status, 255);
      const std::size_t first_error = result.out.find("Error: ");
      EXPECT_EQ(result.out.substr(first_error), "Error: Could not write output file.\n");
      EXPECT_EQ(result.out.find("Character code 199"), std::string::npos);
    }
  }
}

}  // namespace
}  // namespace kestrune
