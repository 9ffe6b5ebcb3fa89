// A whole run of the tool on one input font, over in-memory streams: the
// option parsing, the header phase and the body pass the options choose. The
// first byte picks the options; the rest is the font.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "driver/options.h"
#include "driver/run.h"

namespace {

constexpr const char* kOptionSets[][4] = {
    {nullptr},                  // verbatim copy
    {"-r300"},                  // extension to 68 bytes
    {"-clean"},                 //
    {"-l"},                     // rotation, or the warning and a copy
    {"-l", "-clean"},           // rotation, or the warning and a cleaning
    {"-r600", "-l", "-clean"},  //
    {"-r", "-x", "-r70000"},    // quirks: empty and repeated -r
    {"-f20", "-r300"},          // the header marked format 20
};
constexpr std::size_t kOptionSetCount = sizeof kOptionSets / sizeof kOptionSets[0];

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // The tool reports every step on standard output; the fuzzer needs none of it.
  if (std::freopen("/dev/null", "w", stdout) == nullptr) std::abort();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;  // fmemopen refuses an empty buffer
  const char* argv[7] = {"kestrune", "in.sfp", "out.sfp"};
  int argc = 3;
  for (const char* option : kOptionSets[data[0] % kOptionSetCount]) {
    if (option != nullptr) argv[argc++] = option;
  }
  kestrune::RunOptions options = kestrune::parse_options(argc, argv);

  std::vector<std::uint8_t> font(data + 1, data + size);
  std::FILE* in = fmemopen(font.data(), font.size(), "rb");
  char* written = nullptr;
  std::size_t written_size = 0;
  std::FILE* out = open_memstream(&written, &written_size);
  if (in == nullptr || out == nullptr) std::abort();
  kestrune::run_font_phases(in, out, options);
  std::fclose(in);
  std::fclose(out);
  // No transform may make much more than it reads: a rotated bitmap is at
  // most eight times its source, and commands only lose leading zeros.
  if (written_size > 9 * size + 1024) std::abort();
  std::free(written);
  return 0;
}
