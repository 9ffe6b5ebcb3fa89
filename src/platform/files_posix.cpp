#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
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

bool leads_to_device(const char* name) {
  struct stat status {};
  return stat(name, &status) == 0 && !S_ISREG(status.st_mode) && !S_ISDIR(status.st_mode);
}

// ------------------------------------------------------------ output files

namespace {

namespace fs = std::filesystem;

// Symbolic links followed before a chain is taken for a loop, as the system does.
constexpr int kMostLinks = 40;
constexpr int kNameAttempts = 100;

// The signals that end the process unless it catches them.
constexpr int kEndingSignals[] = {SIGHUP, SIGINT, SIGQUIT, SIGPIPE, SIGTERM, SIGXFSZ};

// The new files a signal must remove before the process ends, one for each
// open output; null where there is none.
std::atomic<const char*> pending_removals[kMostOpenOutputs];

void remove_pending_files(int signal_number) {
  for (const std::atomic<const char*>& pending : pending_removals) {
    const char* path = pending.load();
    if (path != nullptr) unlink(path);
  }
  // The default action was restored on entry: once this returns, the signal
  // ends the process as it would have.
  raise(signal_number);
}

void catch_ending_signals() {
  struct sigaction action {};
  action.sa_handler = remove_pending_files;
  action.sa_flags = static_cast<int>(SA_RESETHAND);
  sigemptyset(&action.sa_mask);
  for (const int signal_number : kEndingSignals) {
    struct sigaction previous {};
    // A signal the caller has set to be ignored stays ignored.
    if (sigaction(signal_number, nullptr, &previous) == 0 && previous.sa_handler != SIG_IGN) {
      sigaction(signal_number, &action, nullptr);
    }
  }
}

// The signals are held off while the new file is made, renamed or removed,
// so that none finds the file and its pending name apart.
sigset_t hold_ending_signals() {
  sigset_t held;
  sigset_t before;
  sigemptyset(&held);
  for (const int signal_number : kEndingSignals) sigaddset(&held, signal_number);
  sigprocmask(SIG_BLOCK, &held, &before);
  return before;
}

void release_signals(const sigset_t& before) { sigprocmask(SIG_SETMASK, &before, nullptr); }

// Where `name` leads: the name itself, or the end of its chain of symbolic
// links, which need not exist yet. Empty for a chain that does not end.
fs::path follow_links(const char* name) {
  fs::path path = name;
  for (int links = 0; links <= kMostLinks; ++links) {
    std::error_code error;
    if (!fs::is_symlink(fs::symlink_status(path, error))) return path;
    const fs::path target = fs::read_symlink(path, error);
    if (error) return {};
    // A relative target is taken from the link's directory.
    path = path.parent_path() / target;
  }
  return {};
}

// Where a new file's name is kept for the signals; null when every place
// is taken.
std::atomic<const char*>* free_pending_place() {
  for (std::atomic<const char*>& pending : pending_removals) {
    if (pending.load() == nullptr) return &pending;
  }
  return nullptr;
}

// Creates the new file beside `target` under a name no other file has: a
// dot, the target's name, a dot and six characters, kept in
// `output.temporary`. `mode` is as open() takes it, so 0666 gives the
// permissions every new file gets.
int create_beside(const fs::path& target, mode_t mode, OutputFile& output) {
  std::atomic<const char*>* const pending = free_pending_place();
  if (pending == nullptr) {
    output.error = EMFILE;
    return -1;
  }
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    const std::string path =
        (target.parent_path() / new_file_name(target.filename().string())).string();
    const sigset_t before = hold_ending_signals();
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    const int error = errno;
    if (fd >= 0) {
      output.temporary = path;
      *pending = output.temporary.c_str();
    }
    release_signals(before);
    if (fd >= 0 || error != EEXIST) {
      if (fd < 0) output.error = error;
      return fd;
    }
  }
  output.error = EEXIST;  // every name tried was taken
  return -1;
}

// Makes the rename last through a crash: the directory holding it is
// flushed too. The file's bytes are on disk already, so this is only tried.
void sync_directory_of(const std::string& target) {
  const std::string directory = fs::path(target).parent_path().string();
  const int fd =
      open(directory.empty() ? "." : directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}

}  // namespace

bool flush_to_disk(OutputFile& output) {
  return note_failure(fsync(fileno(output.stream)) == 0, output);
}

// The rename is made to last through a crash as well.
bool settle_new_file(OutputFile& output, bool completed) {
  const sigset_t before = hold_ending_signals();
  const bool renamed =
      completed &&
      note_failure(std::rename(output.temporary.c_str(), output.target.c_str()) == 0, output);
  if (!renamed) unlink(output.temporary.c_str());
  for (std::atomic<const char*>& pending : pending_removals) {
    if (pending.load() == output.temporary.c_str()) pending = nullptr;
  }
  release_signals(before);
  if (renamed) sync_directory_of(output.target);
  return renamed;
}

bool open_output(const char* output_name, OutputFile& output) {
  const fs::path target = follow_links(output_name);
  struct stat existing {};
  const bool exists = stat(target.c_str(), &existing) == 0;
  if (exists && !S_ISREG(existing.st_mode)) {
    output.stream = std::fopen(output_name, "w+b");
    return note_failure(output.stream != nullptr, output);
  }
  if (target.filename().empty()) {
    // What open() says of a chain of links that does not end, and of a name
    // that ends in a slash.
    output.error = target.empty() ? ELOOP : EISDIR;
    return false;
  }
  catch_ending_signals();
  const int fd = create_beside(target, exists ? S_IRUSR | S_IWUSR : 0666, output);
  if (fd < 0) return false;
  // A replaced file's permission bits carry over. Some file systems cannot
  // take them; the file is written all the same.
  if (exists) fchmod(fd, existing.st_mode & 0777);
  output.target = target.string();
  output.replaces = exists;
  output.stream = fdopen(fd, "w+b");
  if (note_failure(output.stream != nullptr, output)) return true;
  close(fd);
  settle_new_file(output, false);
  return false;
}

}  // namespace kestrune
