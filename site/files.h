// Writing a file so that readers see the old content or the new, never part.
#pragma once

#include <ctime>
#include <string>

namespace site {

// Writes content to a temporary file beside path, flushes it to disk and
// renames it over path; mode 0644 so a web server can read it. Throws
// Unusable; then path is as it was and no temporary file is left.
void ReplaceFile(const std::string& path, const std::string& content);

struct KeptFile {
  std::string content;
  std::time_t modified = 0;
};
// A regular file of at most maxBytes, read with that cap: a directory, a
// FIFO, a device or a larger file is refused with its reason (Unusable)
// before anything is read from it.
KeptFile ReadRegularFile(const std::string& path, std::size_t maxBytes);

// A regular file of at most maxBytes, or false when it cannot be read so:
// for the site's own files, whose absence is no error.
bool ReadWholeFile(const std::string& path, std::size_t maxBytes, std::string& content);

}  // namespace site
