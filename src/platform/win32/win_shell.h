#pragma once
// The shell's "open" on ShellExecuteA.
#include "platform/shell.h"

namespace platform::win32 {

class WinShell : public Shell {
 public:
  // Passed on as given, with two exceptions: empty texts go over as none, and
  // a directory that names no existing folder goes over as none too. Callers
  // pass the text "0" there; as a working directory it would keep the
  // browser from starting at all.
  std::intptr_t ShellExecuteA(WindowHandle hwnd, const std::u16string& operation,
                              const std::u16string& file, const std::u16string& parameters,
                              const std::u16string& directory, std::int32_t showCommand) override;
};

}  // namespace platform::win32
