#include "run_tool.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <thread>

namespace kestrune::testsupport {
namespace {

using Clock = std::chrono::steady_clock;

[[noreturn]] void fail(const std::string& what) {
  throw std::runtime_error(what + ": " + std::strerror(errno));
}

// Owns one file descriptor and closes it when done.
class Fd {
 public:
  Fd() = default;
  explicit Fd(int fd) : fd_(fd) {}
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  ~Fd() { reset(); }

  int get() const { return fd_; }
  bool open() const { return fd_ >= 0; }
  void reset(int fd = -1) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
  }

 private:
  int fd_ = -1;
};

void make_pipe(Fd& read_end, Fd& write_end) {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) fail("pipe2");
  read_end.reset(fds[0]);
  write_end.reset(fds[1]);
}

// The child side of the fork, so only async-signal-safe calls. If execv
// fails, its errno goes to the parent through `exec_error`, which execv
// closes on success.
[[noreturn]] void exec_child(int in, int out, int err, int exec_error, const char* path,
                             char* const argv[]) {
  if (::dup2(in, STDIN_FILENO) >= 0 && ::dup2(out, STDOUT_FILENO) >= 0 &&
      ::dup2(err, STDERR_FILENO) >= 0) {
    ::execv(path, argv);
  }
  const int reason = errno;
  (void)!::write(exec_error, &reason, sizeof reason);
  ::_exit(127);
}

// The errno of a failed execv in the child, or 0 once the exec has happened.
int exec_failure(Fd& exec_error) {
  int reason = 0;
  ssize_t got = 0;
  do {
    got = ::read(exec_error.get(), &reason, sizeof reason);
  } while (got < 0 && errno == EINTR);
  exec_error.reset();
  return got == static_cast<ssize_t>(sizeof reason) ? reason : 0;
}

// Appends what is waiting on `fd` to `sink`; closes `fd` at end of file.
void drain(Fd& fd, std::string& sink) {
  char buffer[65536];
  const ssize_t got = ::read(fd.get(), buffer, sizeof buffer);
  if (got > 0) {
    sink.append(buffer, static_cast<std::size_t>(got));
  } else if (got == 0 || (errno != EINTR && errno != EAGAIN)) {
    fd.reset();
  }
}

int milliseconds_until(Clock::time_point deadline) {
  const auto left =
      std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  if (left <= 0) return 0;
  return left > 1000 ? 1000 : static_cast<int>(left) + 1;
}

// Waits for the child; returns false if the deadline passes first.
bool wait_for_exit(pid_t pid, Clock::time_point deadline, int& status) {
  for (;;) {
    const pid_t done = ::waitpid(pid, &status, WNOHANG);
    if (done == pid) return true;
    if (done < 0 && errno != EINTR) fail("waitpid");
    if (Clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}

void kill_and_reap(pid_t pid) {
  ::kill(pid, SIGKILL);
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
}

}  // namespace

ToolResult run_tool(const std::string& executable, const std::vector<std::string>& args,
                    double timeout_seconds, const std::string& stdin_path) {
  // Everything the child needs is prepared before the fork.
  std::vector<std::string> argv_storage;
  argv_storage.reserve(args.size() + 1);
  argv_storage.push_back(executable);
  argv_storage.insert(argv_storage.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& arg : argv_storage) argv.push_back(arg.data());
  argv.push_back(nullptr);

  Fd input(::open(stdin_path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!input.open()) fail("cannot open " + stdin_path);
  Fd out_read, out_write, err_read, err_write, exec_read, exec_write;
  make_pipe(out_read, out_write);
  make_pipe(err_read, err_write);
  make_pipe(exec_read, exec_write);

  const auto deadline =
      Clock::now() + std::chrono::duration_cast<Clock::duration>(
                         std::chrono::duration<double>(timeout_seconds > 0 ? timeout_seconds : 0));

  const pid_t pid = ::fork();
  if (pid < 0) fail("fork");
  if (pid == 0) {
    exec_child(input.get(), out_write.get(), err_write.get(), exec_write.get(), executable.c_str(),
               argv.data());
  }
  input.reset();
  out_write.reset();
  err_write.reset();
  exec_write.reset();

  ToolResult result;
  if (const int reason = exec_failure(exec_read); reason != 0) {
    result.err = "run_tool: cannot execute " + executable + ": " + std::strerror(reason) + "\n";
  }
  while (out_read.open() || err_read.open()) {
    pollfd fds[2];
    nfds_t count = 0;
    if (out_read.open()) fds[count++] = {out_read.get(), POLLIN, 0};
    if (err_read.open()) fds[count++] = {err_read.get(), POLLIN, 0};

    const int timeout_ms = milliseconds_until(deadline);
    if (timeout_ms == 0) break;
    const int ready = ::poll(fds, count, timeout_ms);
    if (ready < 0) {
      if (errno == EINTR) continue;
      const int saved = errno;
      kill_and_reap(pid);
      errno = saved;
      fail("poll");
    }
    for (nfds_t i = 0; i < count; ++i) {
      if (fds[i].revents == 0) continue;
      if (fds[i].fd == out_read.get()) {
        drain(out_read, result.out);
      } else {
        drain(err_read, result.err);
      }
    }
  }

  int status = 0;
  if (!wait_for_exit(pid, deadline, status)) {
    kill_and_reap(pid);
    result.timed_out = true;
    result.exit_status = -1;
    return result;
  }
  result.exit_status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

namespace {

// Directories made by temp_dir, removed with everything in them when the
// test program ends.
struct TempDirs {
  std::vector<std::string> paths;
  ~TempDirs() {
    std::error_code ignored;
    for (const std::string& p : paths) std::filesystem::remove_all(p, ignored);
  }
};

}  // namespace

std::string temp_dir() {
  static TempDirs made;
  std::string pattern = (std::filesystem::temp_directory_path() / "kestrune-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) fail("mkdtemp " + pattern);
  made.paths.push_back(pattern);
  return pattern;
}

}  // namespace kestrune::testsupport
