#pragma once
// File lookups on a POSIX file system.
#include <string>
#include <string_view>
#include <vector>

#include "platform/file_lookup.h"

namespace platform::posix {

// Dir for one exact path (no wildcards). A normal file, or a link to one,
// yields its last path component; folders, hidden names (a leading "."),
// sockets, fifos, devices and missing paths yield the empty text unless the
// attributes ask for hidden names or folders as well.
class PosixFileLookup : public FileLookup {
 public:
  std::u16string Dir(const std::u16string& path, int attributes) override;
};

// The full path of the first of `names` that is an executable regular file in
// one of the folders of `pathVariable` (a PATH value, ':'-separated); names
// come first, so an earlier name anywhere beats a later one. A name holding a
// '/' is taken as a path of its own. Empty text when none is found.
std::string FindOnPath(const std::vector<std::string>& names, std::string_view pathVariable);

// The process's PATH, or the usual system folders when it is unset.
std::string CurrentPathVariable();

}  // namespace platform::posix
