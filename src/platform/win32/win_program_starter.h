#pragma once
// Starting programs on CreateProcessA.
#include <string>

#include "platform/program_starter.h"

namespace platform::win32 {

// The whole command line goes to CreateProcessA as it is: no quotes added,
// no program name apart, so the system splits it as it splits any command
// line. The window style becomes the new program's show state. The program
// is not waited for; a failure to start throws StartFailed with the system's
// reason.
class WinProgramStarter : public ProgramStarter {
 public:
  void Start(const std::u16string& commandLine, int windowStyle) override;
};

}  // namespace platform::win32
