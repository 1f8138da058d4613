#pragma once
// Starting programs on CreateProcessA and looking files up on FindFirstFileA.
#include <string>

#include "platform/program.h"

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

// FindFirstFileA with the attribute mask of a directory search: an entry
// marked hidden, system or folder matches only when the mask has that bit
// too; with 0 only normal files match (read-only and archived included). The
// first matching entry's name, or the empty text. Wildcards work as in the
// call itself.
class WinFiles : public FileLookup {
 public:
  std::u16string Dir(const std::u16string& path, int attributes) override;
};

// The folder of the running executable (GetModuleFileNameW), without a
// final backslash unless it is a drive's root ("C:\").
std::u16string ProgramFolder();

}  // namespace platform::win32
