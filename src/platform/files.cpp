// What every system's output file does alike; the rest is in files_posix.cpp
// and files_windows.cpp.
#include "platform/files.h"

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <random>
#include <string_view>

namespace kestrune {

namespace {

// The new file's name keeps at most this much of the output's, so that the
// dot and the suffix added to it stay within any file system's limit.
constexpr std::size_t kLongestKeptName = 200;

}  // namespace

bool note_failure(bool ok, OutputFile& output) {
  if (!ok && output.error == 0) output.error = errno;
  return ok;
}

std::string new_file_name(const std::string& name) {
  static std::uint64_t state = [] {
    const auto now = std::chrono::system_clock::now().time_since_epoch().count();
    return (std::uint64_t{std::random_device{}()} << 32) ^ static_cast<std::uint64_t>(now);
  }();
  constexpr std::string_view kCharacters =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  state = state * 6364136223846793005U + 1442695040888963407U;
  std::string suffix;
  for (std::uint64_t bits = state >> 16; suffix.size() < 6; bits /= kCharacters.size()) {
    suffix += kCharacters[bits % kCharacters.size()];
  }
  return "." + name.substr(0, kLongestKeptName) + "." + suffix;
}

bool close_output_file(OutputFile& output, bool completed) {
  const bool direct = output.temporary.empty();
  const bool flushed =
      note_failure(std::fflush(output.stream) == 0, output) && std::ferror(output.stream) == 0;
  const bool synced = direct || (completed && flush_to_disk(output));
  // The file's own close may still fail, on some file systems with the
  // disk full.
  const bool closed = note_failure(std::fclose(output.stream) == 0, output);
  output.stream = nullptr;
  bool ok = completed && flushed && synced && closed;
  if (!direct) ok = settle_new_file(output, ok);
  return ok;
}

}  // namespace kestrune
