#include "platform/win32/win_registry.h"

#include <windows.h>

#include <string>
#include <vector>

#include "platform/win32/ansi.h"
#include "runtime/text.h"

namespace platform::win32 {

namespace {

constexpr HKey kFirstPredefinedKey = 0x80000000u;  // HKEY_CLASSES_ROOT
constexpr HKey kLastPredefinedKey = 0x80000006u;   // HKEY_DYN_DATA

// Predefined keys are 32-bit numbers that the headers sign-extend on 64-bit.
HKEY Native(HKey key) {
  if (key >= kFirstPredefinedKey && key <= kLastPredefinedKey) {
    return reinterpret_cast<HKEY>(static_cast<std::intptr_t>(static_cast<std::int32_t>(key)));
  }
  return reinterpret_cast<HKEY>(key);
}

bool IsText(DWORD type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

}  // namespace

std::int32_t WinRegistry::RegOpenKeyExA(HKey root, const std::u16string& subKey, std::uint32_t options,
                                        std::uint32_t samDesired, HKey& result) {
  HKEY opened = nullptr;
  const std::string path = ToAnsi(subKey);
  const LONG status = ::RegOpenKeyExA(Native(root), path.c_str(), options, samDesired, &opened);
  if (status == ERROR_SUCCESS) result = reinterpret_cast<HKey>(opened);
  return status;
}

std::int32_t WinRegistry::RegQueryValueExA(HKey key, const std::u16string& valueName, std::uint32_t /*reserved*/,
                                           std::uint32_t& type, std::uint8_t* data, std::uint32_t& dataSize) {
  const std::string name = ToAnsi(valueName);
  std::vector<std::uint8_t> stored;
  DWORD storedType = 0;
  for (;;) {
    DWORD size = static_cast<DWORD>(stored.size());
    const LONG status = ::RegQueryValueExA(Native(key), name.c_str(), nullptr, &storedType,
                                           stored.empty() ? nullptr : stored.data(), &size);
    // The value may grow between the two calls; ask again with the new size.
    if (status == ERROR_MORE_DATA || (status == ERROR_SUCCESS && stored.empty() && size > 0)) {
      stored.resize(size);
      continue;
    }
    if (status != ERROR_SUCCESS) return status;
    stored.resize(size);
    break;
  }
  if (IsText(storedType)) {
    const std::string utf8 =
        rt::ToUtf8(FromAnsi(std::string_view(reinterpret_cast<const char*>(stored.data()), stored.size())));
    stored.assign(utf8.begin(), utf8.end());
  }

  type = storedType;
  return CopyValueOut(stored.data(), static_cast<std::uint32_t>(stored.size()), data, dataSize);
}

std::int32_t WinRegistry::RegCloseKey(HKey key) { return ::RegCloseKey(Native(key)); }

}  // namespace platform::win32
