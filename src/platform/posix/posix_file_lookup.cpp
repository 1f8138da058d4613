#include "platform/posix/posix_file_lookup.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "runtime/text.h"

namespace platform::posix {

namespace {

bool IsExecutableFile(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

}  // namespace

std::u16string PosixFileLookup::Dir(const std::u16string& path, int attributes) {
  const std::string utf8 = runtime::ToUtf8(path);
  if (utf8.empty()) return {};
  // A trailing slash names a folder's contents, never a file.
  if (utf8.back() == '/') return {};
  const auto slash = utf8.rfind('/');
  const std::string name = slash == std::string::npos ? utf8 : utf8.substr(slash + 1);
  if (name == "." || name == "..") return {};

  struct stat st {};
  // stat, not lstat: a link stands for what it points to, as a shortcut-free
  // search would see the target itself.
  if (::stat(utf8.c_str(), &st) != 0) return {};
  const bool wantsFolders = (attributes & kAttrDirectory) != 0;
  if (!(S_ISREG(st.st_mode) || (wantsFolders && S_ISDIR(st.st_mode)))) return {};
  if (name.front() == '.' && (attributes & kAttrHidden) == 0) return {};
  return runtime::FromUtf8(name);
}

std::string FindOnPath(const std::vector<std::string>& names, std::string_view pathVariable) {
  for (const auto& name : names) {
    if (name.empty()) continue;
    if (name.find('/') != std::string::npos) {
      if (IsExecutableFile(name)) return name;
      continue;
    }
    std::string_view rest = pathVariable;
    while (true) {
      const auto colon = rest.find(':');
      const std::string_view dir = rest.substr(0, colon);
      // An empty or relative entry would pick programs from wherever the user
      // happens to stand; only absolute folders are searched.
      if (!dir.empty() && dir.front() == '/') {
        std::string candidate(dir);
        if (candidate.back() != '/') candidate += '/';
        candidate += name;
        if (IsExecutableFile(candidate)) return candidate;
      }
      if (colon == std::string_view::npos) break;
      rest.remove_prefix(colon + 1);
    }
  }
  return {};
}

std::string CurrentPathVariable() {
  const char* path = std::getenv("PATH");
  return path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin";
}

}  // namespace platform::posix
