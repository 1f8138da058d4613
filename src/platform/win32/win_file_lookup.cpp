#include "platform/win32/win_file_lookup.h"

#include <windows.h>

#include <vector>

#include "platform/win32/ansi.h"

namespace platform::win32 {

std::u16string WinFileLookup::Dir(const std::u16string& path, int attributes) {
  const std::string pattern = ToAnsi(path);
  if (pattern.empty()) return {};
  constexpr DWORD kWidening = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY;
  const DWORD allowed = static_cast<DWORD>(attributes) & kWidening;
  WIN32_FIND_DATAA found{};
  HANDLE search = ::FindFirstFileA(pattern.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return {};
  std::u16string name;
  do {
    const std::string entry = found.cFileName;
    if (entry == "." || entry == "..") continue;
    if ((found.dwFileAttributes & kWidening & ~allowed) == 0) {
      name = FromAnsi(entry);
      break;
    }
  } while (::FindNextFileA(search, &found));
  ::FindClose(search);
  return name;
}

std::u16string ProgramFolder() {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
    if (length == 0) return {};
    if (length < buffer.size()) {
      std::u16string path(reinterpret_cast<const char16_t*>(buffer.data()), length);
      const auto slash = path.find_last_of(u"\\/");
      if (slash == std::u16string::npos) return {};
      // "C:\quillon.exe" lies in "C:\", which keeps its backslash.
      path.resize(slash > 0 && path[slash - 1] == u':' ? slash + 1 : slash);
      return path;
    }
    buffer.resize(buffer.size() * 2);
  }
}

}  // namespace platform::win32
