#pragma once
// The checks on child processes that the program starters must leave clean,
// and the throw-away folder their tests share with the others.
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <thread>

#include "support/temp_tree.h"

namespace posix_test {

namespace fs = std::filesystem;

using support::ReadAll;
using support::TempTree;

// Polls with a bound, so a program that never ran fails the test instead of
// hanging it.
inline bool WaitForFile(const fs::path& path) {
  for (int i = 0; i < 250; ++i) {
    if (fs::exists(path)) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

// True when this process has no child at all, exited or running; checked
// without reaping, so a zombie left behind is seen.
inline bool NoChildLeft() {
  siginfo_t info{};
  return ::waitid(P_ALL, 0, &info, WEXITED | WNOHANG | WNOWAIT) == -1 && errno == ECHILD;
}

}  // namespace posix_test
