#pragma once
// The registry on RegOpenKeyExA / RegQueryValueExA / RegCloseKey.
#include "platform/registry.h"

namespace platform::win32 {

// The machine's own registry. The access asked for goes to the call as it
// is, so the machine decides what a user may open. Text values (REG_SZ,
// REG_EXPAND_SZ, REG_MULTI_SZ) come back as UTF-8, as on every platform:
// their ANSI bytes are converted at this edge, and sizes are those of the
// UTF-8 form. Other types come back as stored.
class WinRegistry : public Registry {
 public:
  std::int32_t RegOpenKeyExA(HKey root, const std::u16string& subKey, std::uint32_t options,
                             std::uint32_t samDesired, HKey& result) override;
  // With no buffer, only the size is reported.
  std::int32_t RegQueryValueExA(HKey key, const std::u16string& valueName, std::uint32_t reserved,
                                std::uint32_t& type, std::uint8_t* data, std::uint32_t& dataSize) override;
  std::int32_t RegCloseKey(HKey key) override;
};

}  // namespace platform::win32
