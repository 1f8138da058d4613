#pragma once
#include <stdexcept>
#include <string>

namespace platform {

struct StartFailed : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Starts a program from a command line, not waiting for it.
class ProgramStarter {
 public:
  virtual ~ProgramStarter() = default;
  // Throws StartFailed when the program cannot be started.
  virtual void Start(const std::u16string& commandLine, int windowStyle) = 0;
};

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
