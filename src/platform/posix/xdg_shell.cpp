#include "platform/posix/xdg_shell.h"

#include <cerrno>
#include <utility>

#include "platform/posix/posix_file_lookup.h"
#include "platform/posix/posix_program_starter.h"
#include "runtime/text.h"

namespace platform::posix {

namespace {

bool IsOpenVerb(const std::u16string& verb) {
  if (verb.empty()) return true;
  return verb.size() == 4 && runtime::InStr(1, verb, u"open", runtime::Compare::Text) == 1;
}

}  // namespace

XdgShell::XdgShell(std::string program) : program_(std::move(program)) {}

std::intptr_t XdgShell::ShellExecuteA(WindowHandle /*hwnd*/, const std::u16string& operation,
                                      const std::u16string& file, const std::u16string& /*parameters*/,
                                      const std::u16string& /*directory*/, std::int32_t /*showCommand*/) {
  if (!IsOpenVerb(operation)) return kShellNoAssociation;
  std::string target = runtime::ToUtf8(file);
  if (target.empty()) return kShellFileNotFound;
  // The opener would read a leading '-' as an option of its own.
  if (target.front() == '-') target.insert(0, "./");

  const std::string opener = FindOnPath({program_}, CurrentPathVariable());
  if (opener.empty()) return kShellFileNotFound;
  switch (SpawnDetached(opener, {program_, target})) {
    case 0:
      return kShellStarted;
    case ENOENT:
    case ENOTDIR:
      return kShellFileNotFound;
    case EACCES:
    case EPERM:
      return kShellAccessDenied;
    case ENOMEM:
    case EAGAIN:
      return kShellOutOfResources;
    default:
      return kShellNoAssociation;
  }
}

}  // namespace platform::posix
