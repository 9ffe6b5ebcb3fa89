// Windows: file names arrive and are opened in UTF-16, and are held in UTF-8
// between, so that the tools print the same bytes as on other systems.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <filesystem>
#include <string>
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

bool leads_to_device(const char* name) {
  const HANDLE file = open_to_inspect(name);
  if (file == INVALID_HANDLE_VALUE) return false;
  const bool device = GetFileType(file) != FILE_TYPE_DISK;
  CloseHandle(file);
  return device;
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

// ------------------------------------------------------------ output files

// The new file is flushed with FlushFileBuffers and put in the output's
// place with ReplaceFileW, which keeps the old file's attributes and
// security, or MoveFileExW where there was none. A Ctrl-C, Ctrl-Break or a
// closed console removes it.

namespace {

namespace fs = std::filesystem;

constexpr int kNameAttempts = 100;

// The attributes SetFileAttributesW can give a file.
constexpr DWORD kSettableAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                      FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                                      FILE_ATTRIBUTE_NOT_CONTENT_INDEXED | FILE_ATTRIBUTE_OFFLINE;

// The new files the console's handler must remove, one for each open
// output; empty where there is none. The lock keeps the handler and the
// making, moving or removing of a file apart.
SRWLOCK pending_lock = SRWLOCK_INIT;
std::array<std::wstring, kMostOpenOutputs> pending_removals;

BOOL WINAPI remove_pending_files(DWORD) {
  // The lock is never released: the process is ending, and no file must
  // take its output's place in the meantime.
  AcquireSRWLockExclusive(&pending_lock);
  for (const std::wstring& pending : pending_removals) {
    if (!pending.empty()) DeleteFileW(pending.c_str());
  }
  return FALSE;  // the next handler, the system's, ends the process
}

// The errno that says what the system's error says, so that the reason
// prints as it does on other systems.
int errno_of(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
      return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT:
      return EACCES;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return ENOSPC;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return EEXIST;
    case ERROR_FILENAME_EXCED_RANGE:
      return ENAMETOOLONG;
    case ERROR_INVALID_NAME:
      return EINVAL;
    default:
      return EIO;
  }
}

// A Windows call's result as note_failure takes it: errno is set on failure.
bool call_succeeded(BOOL result) {
  if (result == 0) errno = errno_of(GetLastError());
  return result != 0;
}

// What stands at the output's name. `target` becomes the file to replace:
// the name itself, or for an existing file the path its links lead to.
enum class Existing { kNone, kFile, kDirectory, kDevice };

Existing look_at_output(const char* name, fs::path& target, OutputFile& output) {
  target = wide_name(name);
  const HANDLE file = open_to_inspect(name);
  if (file == INVALID_HANDLE_VALUE) return Existing::kNone;
  Existing kind = Existing::kDevice;
  BY_HANDLE_FILE_INFORMATION information{};
  if (GetFileType(file) == FILE_TYPE_DISK && GetFileInformationByHandle(file, &information)) {
    output.attributes = information.dwFileAttributes;
    kind = (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? Existing::kDirectory
                                                                          : Existing::kFile;
    wchar_t final_path[MAX_PATH * 4];
    const DWORD length =
        GetFinalPathNameByHandleW(file, final_path, MAX_PATH * 4, FILE_NAME_NORMALIZED);
    if (length > 0 && length < MAX_PATH * 4) target = final_path;
  }
  CloseHandle(file);
  return kind;
}

// Creates the new file beside `target` under a name no other file has, kept
// in `output.temporary`. Deleting it is shared, so that the console's handler
// can remove it while it is open.
HANDLE create_beside(const fs::path& target, OutputFile& output) {
  const auto pending = std::find(pending_removals.begin(), pending_removals.end(), L"");
  if (pending == pending_removals.end()) {
    output.error = EMFILE;
    return INVALID_HANDLE_VALUE;
  }
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    // A path joined to a narrow string would read it in the ANSI code page.
    const std::string name = new_file_name(utf8_name(target.filename().c_str()));
    const fs::path path = target.parent_path() / wide_name(name.c_str());
    AcquireSRWLockExclusive(&pending_lock);
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_DELETE,
                                    nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    const DWORD error = GetLastError();
    if (file != INVALID_HANDLE_VALUE) {
      output.temporary = utf8_name(path.c_str());
      *pending = path.wstring();
    }
    ReleaseSRWLockExclusive(&pending_lock);
    if (file != INVALID_HANDLE_VALUE) return file;
    if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS) {
      output.error = errno_of(error);
      return INVALID_HANDLE_VALUE;
    }
  }
  output.error = EEXIST;  // every name tried was taken
  return INVALID_HANDLE_VALUE;
}

// Puts the new file in the target's place, the old file's attributes with
// it. A read-only file is replaced as on other systems, and stays read-only:
// the attribute, which would refuse the move, is lifted for it.
bool replace_target(const std::wstring& temporary, const std::wstring& target,
                    const OutputFile& output) {
  const DWORD kept = output.attributes & kSettableAttributes;
  const DWORD attributes = kept != 0 ? kept : FILE_ATTRIBUTE_NORMAL;  // NORMAL goes alone
  const bool read_only = output.replaces && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
  if (read_only) SetFileAttributesW(target.c_str(), attributes & ~DWORD{FILE_ATTRIBUTE_READONLY});
  // ReplaceFileW fails where the old file has gone meanwhile; the move then
  // puts the new one in its place all the same.
  const bool placed =
      (output.replaces && ReplaceFileW(target.c_str(), temporary.c_str(), nullptr,
                                       REPLACEFILE_IGNORE_MERGE_ERRORS, nullptr, nullptr)) ||
      MoveFileExW(temporary.c_str(), target.c_str(),
                  MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
  const DWORD error = GetLastError();
  if (placed && output.replaces) SetFileAttributesW(target.c_str(), attributes);
  if (!placed && read_only) SetFileAttributesW(target.c_str(), attributes);
  SetLastError(error);
  return placed;
}

}  // namespace

bool flush_to_disk(OutputFile& output) {
  return note_failure(call_succeeded(FlushFileBuffers(handle_of(output.stream))), output);
}

bool settle_new_file(OutputFile& output, bool completed) {
  const std::wstring temporary = wide_name(output.temporary.c_str());
  const std::wstring target = wide_name(output.target.c_str());
  AcquireSRWLockExclusive(&pending_lock);
  const bool placed =
      completed && note_failure(call_succeeded(replace_target(temporary, target, output)), output);
  if (!placed) DeleteFileW(temporary.c_str());
  std::replace(pending_removals.begin(), pending_removals.end(), temporary, std::wstring());
  ReleaseSRWLockExclusive(&pending_lock);
  return placed;
}

bool open_output(const char* output_name, OutputFile& output) {
  fs::path target;
  const Existing existing = look_at_output(output_name, target, output);
  if (existing == Existing::kDevice) {
    output.stream = open_file(output_name, "w+b");
    return note_failure(output.stream != nullptr, output);
  }
  if (existing == Existing::kDirectory || target.filename().empty()) {
    output.error = EISDIR;
    return false;
  }
  SetConsoleCtrlHandler(remove_pending_files, TRUE);
  const HANDLE file = create_beside(target, output);
  if (file == INVALID_HANDLE_VALUE) return false;
  output.target = utf8_name(target.c_str());
  output.replaces = existing == Existing::kFile;
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(file), _O_RDWR | _O_BINARY);
  output.stream = fd < 0 ? nullptr : _fdopen(fd, "w+b");
  if (note_failure(output.stream != nullptr, output)) return true;
  if (fd >= 0) {
    _close(fd);  // the handle with it
  } else {
    CloseHandle(file);
  }
  settle_new_file(output, false);
  return false;
}

}  // namespace kestrune
