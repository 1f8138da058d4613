// The About window's launcher of the system-information tool: the registry
// read and the program started, every failure said in one message.
#include <algorithm>
#include <array>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

#include "about/frm_about.h"
#include "about/sys_info.h"
#include "platform/path.h"
#include "runtime/text.h"

namespace about {

namespace {

const std::u16string kToolInFolder = platform::kPathSeparator + std::u16string(u"MSINFO32.EXE");

// Normal files only: a folder of that name is no program.
constexpr int kNormalFiles = 0;

}  // namespace

void FrmAbout::StartSysInfo() {
  bool started = false;
  try {
    std::u16string sysInfoPath;
    if (GetKeyValue(platform::kHKeyLocalMachine, kToolKey, kToolValue, sysInfoPath)) {
      // The recorded path is trusted as it is: a bad one fails at the start.
      services_.programs->Start(sysInfoPath, platform::kSwShowNormal);
      started = true;
    } else if (GetKeyValue(platform::kHKeyLocalMachine, kFolderKey, kFolderValue, sysInfoPath)) {
      // The folder text is taken unchanged, a separator at its end included.
      if (!services_.files->Dir(sysInfoPath + kToolInFolder, kNormalFiles).empty()) {
        sysInfoPath += kToolInFolder;
        services_.programs->Start(sysInfoPath, platform::kSwShowNormal);
        started = true;
      }
    }
  } catch (...) {
    // Whatever went wrong, the user hears only that the tool is unavailable.
    started = false;
  }
  if (!started) App().MsgBox(kUnavailable, toolkit::msgbox::kOkOnly);
}

bool FrmAbout::GetKeyValue(platform::HKey keyRoot, const std::u16string& keyName, const std::u16string& subKeyRef,
                           std::u16string& keyVal) {
  platform::Registry& registry = *services_.registry;
  // Closes the key on every way out, the failure raised for an empty value too.
  struct OpenedKey {
    platform::Registry& registry;
    platform::HKey handle = 0;
    bool open = false;
    ~OpenedKey() {
      if (open) registry.RegCloseKey(handle);
    }
  } key{registry};

  // Reading is all this does. Asking for write rights as well is refused to
  // every user without administrator rights, who would then never get the tool.
  if (registry.RegOpenKeyExA(keyRoot, keyName, 0, platform::kKeyRead, key.handle) != platform::kErrorSuccess) {
    keyVal.clear();
    return false;
  }
  key.open = true;

  std::array<std::uint8_t, 1024> buffer{};
  auto size = static_cast<std::uint32_t>(buffer.size());
  std::uint32_t type = 0;
  // A value longer than the buffer fails here, and counts as missing.
  if (registry.RegQueryValueExA(key.handle, subKeyRef, 0, type, buffer.data(), size) != platform::kErrorSuccess) {
    keyVal.clear();
    return false;
  }
  // An empty value has no text to give: the caller sees a failure, not a result.
  if (size == 0) throw std::runtime_error("Invalid procedure call or argument: the registry value is empty");

  std::size_t count = std::min<std::size_t>(size, buffer.size());
  // Text is stored with its final zero as a rule, but not always; drop one.
  if (buffer[count - 1] == 0) --count;

  switch (type) {
    case platform::kRegSz:
      // The registry hands text over as UTF-8 on every platform.
      keyVal = runtime::FromUtf8(std::string_view(reinterpret_cast<const char*>(buffer.data()), count));
      break;
    case platform::kRegDword: {
      static constexpr char16_t kHex[] = u"0123456789ABCDEF";
      std::u16string digits;
      // Stored least significant byte first; written most significant first.
      for (std::size_t i = count; i-- > 0;) {
        digits += kHex[buffer[i] >> 4];
        digits += kHex[buffer[i] & 0x0F];
      }
      // Formatting "&h..." with no pattern keeps the text as it is; nothing
      // reads the number, so the hexadecimal text is the value.
      keyVal = u"&h" + digits;
      break;
    }
    default:
      // Expandable text, binary and the rest give no text.
      break;
  }
  return true;
}

}  // namespace about
