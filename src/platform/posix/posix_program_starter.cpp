#include "platform/posix/posix_program_starter.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "runtime/text.h"

extern char** environ;

namespace platform::posix {

namespace {

// Keeps a descriptor out of 0..2, which the child overwrites with /dev/null.
int AboveStdio(int fd) {
  if (fd < 0 || fd > 2) return fd;
  const int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, 3);
  ::close(fd);
  return moved;
}

[[noreturn]] void ReportAndExit(int errorPipe, int error) {
  // A pipe write of one int is atomic; if the parent is gone nobody asks.
  [[maybe_unused]] const auto written = ::write(errorPipe, &error, sizeof error);
  ::_exit(127);
}

// Only async-signal-safe calls from here on: the parent may have threads.
[[noreturn]] void RunGrandchild(const char* path, char* const* argv, int devNull, int errorPipe) {
  sigset_t none;
  ::sigemptyset(&none);
  ::sigprocmask(SIG_SETMASK, &none, nullptr);
  // Ignored signals survive exec; the program must not inherit our SIGPIPE choice.
  struct sigaction dfl {};
  dfl.sa_handler = SIG_DFL;
  ::sigaction(SIGPIPE, &dfl, nullptr);

  for (int fd = 0; fd <= 2; ++fd) {
    if (::dup2(devNull, fd) < 0) ReportAndExit(errorPipe, errno);
  }
  // Descriptors we opened without CLOEXEC must not leak into the program; the
  // call may be unknown to an old kernel, which is no reason not to start.
  ::close_range(3, ~0U, CLOSE_RANGE_CLOEXEC);
  ::execve(path, argv, environ);
  ReportAndExit(errorPipe, errno);
}

}  // namespace

int SpawnDetached(const std::string& path, const std::vector<std::string>& args) {
  if (path.empty()) return ENOENT;
  // Everything the children need is built before fork: they must not allocate.
  std::vector<char*> argv;
  argv.reserve(args.size() + 1);
  for (const auto& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);

  const int devNull = AboveStdio(::open("/dev/null", O_RDWR | O_CLOEXEC));
  if (devNull < 0) return errno;
  int pipeFds[2];
  if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
    const int error = errno;
    ::close(devNull);
    return error;
  }
  const int readEnd = AboveStdio(pipeFds[0]);
  const int writeEnd = AboveStdio(pipeFds[1]);
  if (readEnd < 0 || writeEnd < 0) {
    const int error = errno;
    if (readEnd >= 0) ::close(readEnd);
    if (writeEnd >= 0) ::close(writeEnd);
    ::close(devNull);
    return error;
  }

  const pid_t child = ::fork();
  if (child == 0) {
    ::close(readEnd);
    // A session of its own: the program survives our terminal and our exit.
    ::setsid();
    const pid_t grandchild = ::fork();
    if (grandchild == 0) RunGrandchild(path.c_str(), argv.data(), devNull, writeEnd);
    if (grandchild < 0) ReportAndExit(writeEnd, errno);
    ::_exit(0);
  }
  const int forkError = child < 0 ? errno : 0;
  ::close(writeEnd);
  ::close(devNull);
  if (child < 0) {
    ::close(readEnd);
    return forkError;
  }

  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  // End-of-file without a word means exec closed the pipe: the program runs.
  int error = 0;
  std::size_t got = 0;
  auto* bytes = reinterpret_cast<char*>(&error);
  while (got < sizeof error) {
    const auto n = ::read(readEnd, bytes + got, sizeof error - got);
    if (n > 0) {
      got += static_cast<std::size_t>(n);
    } else if (n == 0 || errno != EINTR) {
      break;
    }
  }
  ::close(readEnd);
  if (got == sizeof error) return error != 0 ? error : EIO;
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return ECHILD;
  return 0;
}

void PosixProgramStarter::Start(const std::u16string& commandLine, int /*windowStyle*/) {
  const std::string path = runtime::ToUtf8(commandLine);
  if (path.empty()) throw StartFailed("no program to start");
  const int error = SpawnDetached(path, {path});
  if (error != 0) throw StartFailed(path + ": " + std::strerror(error));
}

}  // namespace platform::posix
