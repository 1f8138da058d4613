#pragma once
#include <cstdint>
#include <string>

namespace platform {

using WindowHandle = std::uintptr_t;

constexpr std::int32_t kSwShowNormal = 1;

// ShellExecuteA's result: above 32 means the program for the target was
// started; 32 and below is the reason it was not, one of these among others.
constexpr bool ShellStarted(std::intptr_t result) { return result > 32; }
constexpr std::intptr_t kShellFileNotFound = 2;
constexpr std::intptr_t kShellAccessDenied = 5;
constexpr std::intptr_t kShellOutOfResources = 8;
constexpr std::intptr_t kShellNoAssociation = 31;

// Opens a document or address in the program registered for it.
class Shell {
 public:
  virtual ~Shell() = default;
  virtual std::intptr_t ShellExecuteA(WindowHandle hwnd, const std::u16string& operation,
                                      const std::u16string& file, const std::u16string& parameters,
                                      const std::u16string& directory, std::int32_t showCommand) = 0;
};

}  // namespace platform
