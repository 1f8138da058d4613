#include "platform/win32/win_shell.h"

#include <windows.h>
#include <shellapi.h>

#include "platform/win32/ansi.h"

namespace platform::win32 {

std::intptr_t WinShell::ShellExecuteA(WindowHandle hwnd, const std::u16string& operation,
                                      const std::u16string& file, const std::u16string& parameters,
                                      const std::u16string& directory, std::int32_t showCommand) {
  const std::string verb = ToAnsi(operation);
  const std::string target = ToAnsi(file);
  const std::string arguments = ToAnsi(parameters);
  std::string folder = ToAnsi(directory);
  if (!folder.empty()) {
    const DWORD attributes = GetFileAttributesA(folder.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) folder.clear();
  }
  const HINSTANCE result = ::ShellExecuteA(reinterpret_cast<HWND>(hwnd), OrNull(verb), target.c_str(),
                                           OrNull(arguments), OrNull(folder), showCommand);
  return reinterpret_cast<std::intptr_t>(result);
}

}  // namespace platform::win32
