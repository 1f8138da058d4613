#pragma once
#include <cstdint>
#include <string>

namespace platform {

using WindowHandle = std::uintptr_t;

constexpr std::int32_t kSwShowNormal = 1;

// Opens a document or address in the program registered for it.
class Shell {
 public:
  virtual ~Shell() = default;
  virtual std::intptr_t ShellExecuteA(WindowHandle hwnd, const std::u16string& operation,
                                      const std::u16string& file, const std::u16string& parameters,
                                      const std::u16string& directory, std::int32_t showCommand) = 0;
};

}  // namespace platform
