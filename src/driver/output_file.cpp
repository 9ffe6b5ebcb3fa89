#include "driver/output_file.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <string_view>
#include <system_error>

#include "bytes/messages.h"

namespace kestrune {
namespace {

namespace fs = std::filesystem;

// Symbolic links followed before a chain is taken for a loop, as the system does.
constexpr int kMostLinks = 40;
// The new file's name keeps at most this much of the output's, so that the
// dot and the suffix added to it stay within any file system's limit.
constexpr std::size_t kLongestKeptName = 200;
constexpr int kNameAttempts = 100;

// The signals that end the process unless it catches them.
constexpr int kEndingSignals[] = {SIGHUP, SIGINT, SIGQUIT, SIGPIPE, SIGTERM, SIGXFSZ};

// The new file a signal must remove before the process ends; null while
// there is none.
std::atomic<const char*> pending_removal = nullptr;

void remove_pending_file(int signal_number) {
  const char* path = pending_removal.load();
  if (path != nullptr) unlink(path);
  // The default action was restored on entry: once this returns, the signal
  // ends the process as it would have.
  raise(signal_number);
}

void catch_ending_signals() {
  struct sigaction action {};
  action.sa_handler = remove_pending_file;
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

// Six letters and digits for a new file's name, different at every call.
std::string name_suffix() {
  static std::uint64_t state = [] {
    std::timespec now{};
    std::timespec_get(&now, TIME_UTC);
    return (static_cast<std::uint64_t>(getpid()) << 32) ^
           (static_cast<std::uint64_t>(now.tv_sec) << 16) ^ static_cast<std::uint64_t>(now.tv_nsec);
  }();
  constexpr std::string_view kCharacters =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  state = state * 6364136223846793005U + 1442695040888963407U;
  std::string suffix;
  for (std::uint64_t bits = state >> 16; suffix.size() < 6; bits /= kCharacters.size()) {
    suffix += kCharacters[bits % kCharacters.size()];
  }
  return suffix;
}

// Keeps errno as the output's reason when `ok` is false and no earlier call
// has failed: what runs after a failure may change errno.
bool note_failure(bool ok, OutputFile& output) {
  if (!ok && output.error == 0) output.error = errno;
  return ok;
}

// Creates the new file beside `target` under a name no other file has: a
// dot, the target's name, a dot and six characters, kept in
// `output.temporary`. `mode` is as open() takes it, so 0666 gives the
// permissions every new file gets.
int create_beside(const fs::path& target, mode_t mode, OutputFile& output) {
  const std::string name = target.filename().string().substr(0, kLongestKeptName);
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    const std::string path = (target.parent_path() / ("." + name + "." + name_suffix())).string();
    const sigset_t before = hold_ending_signals();
    const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    const int error = errno;
    if (fd >= 0) {
      output.temporary = path;
      pending_removal = output.temporary.c_str();
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

// After a completed run the new file takes the target's place; otherwise,
// or when that fails, it is removed.
bool settle_new_file(OutputFile& output, bool completed) {
  const sigset_t before = hold_ending_signals();
  const bool renamed =
      completed &&
      note_failure(std::rename(output.temporary.c_str(), output.target.c_str()) == 0, output);
  if (!renamed) unlink(output.temporary.c_str());
  pending_removal = nullptr;
  release_signals(before);
  return renamed;
}

// Makes the rename last through a crash: the directory holding it is
// flushed too. The font's bytes are on disk already, so this is only tried.
void sync_directory_of(const std::string& target) {
  const std::string directory = fs::path(target).parent_path().string();
  const int fd =
      open(directory.empty() ? "." : directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}

}  // namespace

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
  // take them; the font is written all the same.
  if (exists) fchmod(fd, existing.st_mode & 0777);
  output.target = target.string();
  output.stream = fdopen(fd, "w+b");
  if (note_failure(output.stream != nullptr, output)) return true;
  close(fd);
  settle_new_file(output, false);
  return false;
}

bool close_output(OutputFile& output, bool run_ok, MessageSink& messages) {
  const bool direct = output.temporary.empty();
  const bool flushed =
      note_failure(std::fflush(output.stream) == 0, output) && std::ferror(output.stream) == 0;
  const bool synced = direct || (run_ok && note_failure(fsync(fileno(output.stream)) == 0, output));
  // The file's own close may still fail, on some file systems with the
  // disk full.
  const bool closed = note_failure(std::fclose(output.stream) == 0, output);
  output.stream = nullptr;
  bool ok = run_ok && flushed && synced && closed;
  if (!direct) ok = settle_new_file(output, ok);
  if (ok && !direct) sync_directory_of(output.target);
  if (run_ok && !ok) report_write_error(messages, output.error);
  return ok;
}

}  // namespace kestrune
