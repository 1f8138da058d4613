#include "files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "feed.h"

namespace site {

void ReplaceFile(const std::string& path, const std::string& content) {
  const auto slash = path.rfind('/');
  const std::string dir = slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
  const std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
  // In the target's own folder, so the rename never crosses file systems.
  std::string temporary = dir + "/." + base + ".XXXXXX";
  std::vector<char> name(temporary.begin(), temporary.end());
  name.push_back('\0');
  const int fd = mkstemp(name.data());
  if (fd < 0) throw Unusable("cannot write in " + dir + ": " + std::strerror(errno));
  temporary = name.data();
  auto fail = [&](const char* what) {
    const std::string why = std::strerror(errno);
    close(fd);
    unlink(temporary.c_str());
    throw Unusable(std::string("cannot ") + what + " " + path + ": " + why);
  };
  std::size_t done = 0;
  while (done < content.size()) {
    const ssize_t n = write(fd, content.data() + done, content.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) fail("write");
    done += static_cast<std::size_t>(n);
  }
  if (fchmod(fd, 0644) != 0) fail("set the mode of");
  if (fsync(fd) != 0) fail("flush");
  if (close(fd) != 0) {
    const std::string why = std::strerror(errno);
    unlink(temporary.c_str());
    throw Unusable("cannot write " + path + ": " + why);
  }
  if (rename(temporary.c_str(), path.c_str()) != 0) {
    const std::string why = std::strerror(errno);
    unlink(temporary.c_str());
    throw Unusable("cannot replace " + path + ": " + why);
  }
}

KeptFile ReadRegularFile(const std::string& path, std::size_t maxBytes) {
  // Non-blocking, so that a FIFO without a writer cannot hold the caller.
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) throw Unusable("cannot read " + path + ": " + std::strerror(errno));
  struct Closer {
    int fd;
    ~Closer() { close(fd); }
  } closer{fd};
  struct stat info {};
  if (fstat(fd, &info) != 0) throw Unusable("cannot read " + path + ": " + std::strerror(errno));
  if (!S_ISREG(info.st_mode)) throw Unusable(path + " is not a regular file");
  const std::string tooLarge = path + " is larger than " + std::to_string(maxBytes >> 20) + " MiB";
  if (static_cast<std::uintmax_t>(info.st_size) > maxBytes) throw Unusable(tooLarge);
  KeptFile kept;
  kept.modified = info.st_mtim.tv_sec;
  kept.content.reserve(static_cast<std::size_t>(info.st_size));
  char buffer[1 << 16];
  for (;;) {
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) throw Unusable("cannot read " + path + ": " + std::strerror(errno));
    if (n == 0) break;
    // The file may grow while it is read.
    if (kept.content.size() + static_cast<std::size_t>(n) > maxBytes) throw Unusable(tooLarge);
    kept.content.append(buffer, static_cast<std::size_t>(n));
  }
  return kept;
}

bool ReadWholeFile(const std::string& path, std::size_t maxBytes, std::string& content) {
  try {
    content = ReadRegularFile(path, maxBytes).content;
    return true;
  } catch (const Unusable&) {
    return false;
  }
}

}  // namespace site
