#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <filesystem>
#include <limits>
#include <system_error>

#include "platform/files.h"

namespace kestrune {

static_assert(sizeof(off_t) == 8, "positions need 64 bits");

bool file_position(std::FILE* stream, std::uint64_t& position) {
  const off_t at = ftello(stream);
  if (at < 0) return false;
  position = static_cast<std::uint64_t>(at);
  return true;
}

bool seek_file(std::FILE* stream, std::uint64_t position) {
  if (position > static_cast<std::uint64_t>(std::numeric_limits<off_t>::max())) return false;
  return fseeko(stream, static_cast<off_t>(position), SEEK_SET) == 0;
}

bool file_size(std::FILE* stream, std::uint64_t& size) {
  struct stat status {};
  if (fstat(fileno(stream), &status) != 0 || !S_ISREG(status.st_mode)) return false;
  size = static_cast<std::uint64_t>(status.st_size);
  return true;
}

bool is_terminal(std::FILE* stream) { return isatty(fileno(stream)) != 0; }

std::FILE* open_file(const char* name, const char* mode) { return std::fopen(name, mode); }

bool names_same_file(const char* first, const char* second) {
  std::error_code error;
  return std::filesystem::equivalent(first, second, error) && !error;
}

void remove_regular_file(const char* name) {
  std::error_code ignored;
  if (std::filesystem::is_regular_file(name, ignored)) std::remove(name);
}

}  // namespace kestrune
