// Windows: file names arrive and are opened in UTF-16, and are held in UTF-8
// between, so that the tools print the same bytes as on other systems.
#include <io.h>
#include <windows.h>

#include <vector>

#include "platform/files.h"

namespace kestrune {

std::wstring wide_name(const char* utf8) {
  const int length = MultiByteToWideChar(CP_UTF8, 0, utf8, -1, nullptr, 0);
  if (length <= 0) return {};
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8, -1, wide.data(), length);
  wide.pop_back();  // the terminating zero, which wstring keeps itself
  return wide;
}

std::string utf8_name(const wchar_t* wide) {
  const int length = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
  if (length <= 0) return {};
  std::string utf8(static_cast<std::size_t>(length), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide, -1, utf8.data(), length, nullptr, nullptr);
  utf8.pop_back();
  return utf8;
}

namespace {

HANDLE handle_of(std::FILE* stream) {
  return reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
}

// The file `name` leads to, opened only to be looked at: no access asked
// for and every kind of sharing allowed, so that no other program's open
// file gets in the way. Directories open too.
HANDLE open_to_inspect(const char* name) {
  return CreateFileW(wide_name(name).c_str(), 0,
                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                     FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

bool identify(const char* name, BY_HANDLE_FILE_INFORMATION& information) {
  const HANDLE file = open_to_inspect(name);
  if (file == INVALID_HANDLE_VALUE) return false;
  const bool known = GetFileInformationByHandle(file, &information) != 0;
  CloseHandle(file);
  return known;
}

}  // namespace

bool file_position(std::FILE* stream, std::uint64_t& position) {
  // The C library gives a pipe a position of its own count of bytes.
  if (GetFileType(handle_of(stream)) == FILE_TYPE_PIPE) return false;
  const __int64 at = _ftelli64(stream);
  if (at < 0) return false;
  position = static_cast<std::uint64_t>(at);
  return true;
}

bool seek_file(std::FILE* stream, std::uint64_t position) {
  if (position > static_cast<std::uint64_t>(INT64_MAX)) return false;
  return _fseeki64(stream, static_cast<__int64>(position), SEEK_SET) == 0;
}

bool file_size(std::FILE* stream, std::uint64_t& size) {
  const __int64 start = _ftelli64(stream);
  if (start < 0 || _fseeki64(stream, 0, SEEK_END) != 0) return false;
  const __int64 end = _ftelli64(stream);
  if (_fseeki64(stream, start, SEEK_SET) != 0 || end < 0) return false;
  size = static_cast<std::uint64_t>(end);
  return true;
}

bool is_terminal(std::FILE* stream) {
  // _isatty() is true of any character device, NUL among them; only a
  // console has a console mode.
  DWORD mode = 0;
  return GetConsoleMode(handle_of(stream), &mode) != 0;
}

std::FILE* open_file(const char* name, const char* mode) {
  return _wfopen(wide_name(name).c_str(), wide_name(mode).c_str());
}

bool names_same_file(const char* first, const char* second) {
  BY_HANDLE_FILE_INFORMATION a{};
  BY_HANDLE_FILE_INFORMATION b{};
  return identify(first, a) && identify(second, b) &&
         a.dwVolumeSerialNumber == b.dwVolumeSerialNumber && a.nFileIndexHigh == b.nFileIndexHigh &&
         a.nFileIndexLow == b.nFileIndexLow;
}

void remove_regular_file(const char* name) {
  const HANDLE file = open_to_inspect(name);
  if (file == INVALID_HANDLE_VALUE) return;
  BY_HANDLE_FILE_INFORMATION information{};
  const bool regular = GetFileType(file) == FILE_TYPE_DISK &&
                       GetFileInformationByHandle(file, &information) != 0 &&
                       (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
  CloseHandle(file);
  if (regular) DeleteFileW(wide_name(name).c_str());
}

int run_with_utf8_arguments(int argc, wchar_t** argv, int (*entry)(int argc, char** argv)) {
  SetConsoleOutputCP(CP_UTF8);
  std::vector<std::string> arguments;
  std::vector<char*> pointers;
  for (int i = 0; i < argc; ++i) arguments.push_back(utf8_name(argv[i]));
  for (std::string& argument : arguments) pointers.push_back(argument.data());
  pointers.push_back(nullptr);
  return entry(argc, pointers.data());
}

}  // namespace kestrune
