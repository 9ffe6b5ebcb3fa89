// A whole run of the tool on one input font, over in-memory streams: the
// option parsing, the header phase and the body pass the options choose. The
// first byte picks the options; the rest is the font.
#include <algorithm>
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
    {"-r600dpi", "-l"},         // refused: more than digits after -r
    {"-r300", "-r600"},         // refused: a second resolution
    {"-r-5", "-f20"},           // refused, and -f20 left without its warning
};
constexpr std::size_t kOptionSetCount = sizeof kOptionSets / sizeof kOptionSets[0];

ssize_t count_written(void* cookie, const char*, std::size_t size) {
  *static_cast<std::size_t*>(cookie) += size;
  return static_cast<ssize_t>(size);
}
const cookie_io_functions_t kCountingSink = {nullptr, count_written, nullptr, nullptr};

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
  // Only the output's size is looked at: it is counted, not kept.
  std::size_t written_size = 0;
  std::FILE* out = fopencookie(&written_size, "wb", kCountingSink);
  if (in == nullptr || out == nullptr) std::abort();
  kestrune::run_font_phases(in, out, options);
  std::fclose(in);
  std::fclose(out);
  // No transform may make much more than it reads: a rotated bitmap is at
  // most eight times its source, and commands only lose leading zeros. A
  // compressed character may unpack to 1 MiB, turned into a little more.
  const std::uint8_t compressed[] = {4, 0, 14, 2};
  std::size_t unpacked_most = 0;
  for (auto at = font.begin();
       (at = std::search(at, font.end(), compressed, compressed + 4)) != font.end(); ++at) {
    unpacked_most += (std::size_t{1} << 20) + 65536 + 1024;
  }
  if (written_size > 9 * size + 1024 + unpacked_most) std::abort();
  return 0;
}
