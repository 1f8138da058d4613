#pragma once
// Looking files up on FindFirstFileA.
#include <string>

#include "platform/file_lookup.h"

namespace platform::win32 {

// FindFirstFileA with the attribute mask of a directory search: an entry
// marked hidden, system or folder matches only when the mask has that bit
// too; with 0 only normal files match (read-only and archived included). The
// first matching entry's name, or the empty text. Wildcards work as in the
// call itself.
class WinFileLookup : public FileLookup {
 public:
  std::u16string Dir(const std::u16string& path, int attributes) override;
};

// The folder of the running executable (GetModuleFileNameW), without a
// final backslash unless it is a drive's root ("C:\").
std::u16string ProgramFolder();

}  // namespace platform::win32
