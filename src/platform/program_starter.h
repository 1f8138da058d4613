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

}  // namespace platform
