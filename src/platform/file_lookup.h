#pragma once
#include <string>

namespace platform {

// Attribute bits of a directory search that widen what matches; 0 means
// normal files only (read-only and archived ones included).
constexpr int kAttrHidden = 2;
constexpr int kAttrSystem = 4;
constexpr int kAttrDirectory = 16;

// A directory search for one exact path: the file name when a file matching
// the attributes is there, the empty text otherwise.
class FileLookup {
 public:
  virtual ~FileLookup() = default;
  virtual std::u16string Dir(const std::u16string& path, int attributes) = 0;
};

}  // namespace platform
