#pragma once
// The shell's "open" on a freedesktop desktop: hands the target to xdg-open.
#include <string>

#include "platform/shell.h"

namespace platform::posix {

// The result when the opener was started: any value ShellStarted accepts.
constexpr std::intptr_t kShellStarted = 42;
static_assert(ShellStarted(kShellStarted));

class XdgShell : public Shell {
 public:
  // `program` is looked up on PATH at each call unless it holds a '/'.
  explicit XdgShell(std::string program = "xdg-open");

  // Only the verb "open" (or none, the default verb) is carried out; any other
  // verb has no handler here. The parameters and the directory are not used:
  // the opener takes one target, and the directory text callers pass ("0")
  // names nothing on this platform. The window handle and show command have no
  // counterpart either. The opener is detached and never waited for, so the
  // result only says whether it could be started, not whether the target opened.
  std::intptr_t ShellExecuteA(WindowHandle hwnd, const std::u16string& operation,
                              const std::u16string& file, const std::u16string& parameters,
                              const std::u16string& directory, std::int32_t showCommand) override;

 private:
  std::string program_;
};

}  // namespace platform::posix
