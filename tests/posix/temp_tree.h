#pragma once
// A throw-away folder for tests that need real files, and the checks on child
// processes that the program starters must leave clean.
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

namespace posix_test {

namespace fs = std::filesystem;

class TempTree {
 public:
  TempTree() {
    std::string pattern = (fs::temp_directory_path() / "quillon-posix-XXXXXX").string();
    root_ = ::mkdtemp(pattern.data()) != nullptr ? fs::path(pattern) : fs::path();
  }
  ~TempTree() {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }
  TempTree(const TempTree&) = delete;
  TempTree& operator=(const TempTree&) = delete;

  const fs::path& root() const { return root_; }

  fs::path Write(const fs::path& relative, const std::string& content, bool executable = false) const {
    const fs::path path = root_ / relative;
    fs::create_directories(path.parent_path());
    std::ofstream(path) << content;
    fs::permissions(path, executable ? fs::perms(0755) : fs::perms(0644));
    return path;
  }

  fs::path Script(const fs::path& relative, const std::string& body) const {
    return Write(relative, "#!/bin/sh\n" + body + "\n", true);
  }

 private:
  fs::path root_;
};

// Polls with a bound, so a program that never ran fails the test instead of
// hanging it.
inline bool WaitForFile(const fs::path& path) {
  for (int i = 0; i < 250; ++i) {
    if (fs::exists(path)) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return false;
}

inline std::string ReadAll(const fs::path& path) {
  std::ostringstream out;
  out << std::ifstream(path).rdbuf();
  return out.str();
}

// True when this process has no child at all, exited or running; checked
// without reaping, so a zombie left behind is seen.
inline bool NoChildLeft() {
  siginfo_t info{};
  return ::waitid(P_ALL, 0, &info, WEXITED | WNOHANG | WNOWAIT) == -1 && errno == ECHILD;
}

}  // namespace posix_test
