#pragma once
// A throw-away folder for tests that need real files.
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace support {

namespace fs = std::filesystem;

class TempTree {
 public:
  TempTree() {
    std::string pattern = (fs::temp_directory_path() / "quillon-test-XXXXXX").string();
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

  // What the top folder holds, sorted.
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(root_)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

 private:
  fs::path root_;
};

inline std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace support
