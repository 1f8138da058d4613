#include "platform/win32/win_program_starter.h"

#include <windows.h>

#include "platform/win32/ansi.h"

namespace platform::win32 {

void WinProgramStarter::Start(const std::u16string& commandLine, int windowStyle) {
  std::string line = ToAnsi(commandLine);
  if (line.empty()) throw StartFailed("no program to start");
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = static_cast<WORD>(windowStyle);
  PROCESS_INFORMATION process{};
  // The call may write into the command line, so it gets a copy of its own.
  if (!::CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
    const DWORD error = GetLastError();
    throw StartFailed(ToAnsi(commandLine) + ": " + ErrorText(error));
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
}

}  // namespace platform::win32
