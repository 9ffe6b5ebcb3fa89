// A whole run of the tool on one input font, in memory: the
// option parsing, the header phase and the body pass the options choose. The
// first byte picks the options; the rest is the font.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "driver/options.h"
#include "driver/run.h"

namespace {

// scripts/check_windows.sh runs both builds with each of these sets too, as
// it reads them from this table.
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
    {"-fix"},                   // the mends, before a copy of each character
    {"-fix", "-l"},             // mended, then turned
};
constexpr std::size_t kOptionSetCount = sizeof kOptionSets / sizeof kOptionSets[0];

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) { return 0; }

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  // What the run writes and prints is kept only until the next input.
  static std::vector<std::uint8_t> written;
  static std::vector<std::uint8_t> printed;
  written.clear();
  printed.clear();
  kestrune::MessageSink messages(printed);
  const char* argv[7] = {"kestrune", "in.sfp", "out.sfp"};
  int argc = 3;
  for (const char* option : kOptionSets[data[0] % kOptionSetCount]) {
    if (option != nullptr) argv[argc++] = option;
  }
  const kestrune::RunOptions options = kestrune::parse_options(argc, argv, messages);
  // A refused command line opens nothing.
  if (kestrune::refuse_command_line(argc, argv, messages)) return 0;

  const std::vector<std::uint8_t> font(data + 1, data + size);
  kestrune::InputBuffer in(font);
  kestrune::OutputBuffer out(written);
  kestrune::run_font_phases(in, out, options, messages);
  const std::size_t written_size = written.size();
  // No transform may make much more than it reads: a rotated bitmap is at
  // most eight times its source, and commands only lose leading zeros. A
  // compressed character may unpack to 1 MiB, turned into a little more.
  // A block of format 4 and class 2 is compressed whatever bytes 1 and 2 say.
  std::size_t unpacked_most = 0;
  for (std::size_t at = 0; at + 3 < font.size(); ++at) {
    if (font[at] == 4 && font[at + 3] == 2) unpacked_most += (std::size_t{1} << 20) + 65536 + 1024;
  }
  if (written_size > 9 * size + 1024 + unpacked_most) std::abort();
  return 0;
}
