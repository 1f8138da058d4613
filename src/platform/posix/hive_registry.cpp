#include "platform/posix/hive_registry.h"

#include <algorithm>
#include <utility>

#include "runtime/text.h"

namespace platform::posix {

namespace {

constexpr HKey kFirstPredefinedKey = 0x80000000u;  // HKEY_CLASSES_ROOT
constexpr HKey kLastPredefinedKey = 0x80000006u;   // HKEY_DYN_DATA

// View flags choose a 32- or 64-bit view; they grant nothing.
constexpr std::uint32_t kWow64Flags = 0x0100 | 0x0200;

bool IsPredefined(HKey key) { return key >= kFirstPredefinedKey && key <= kLastPredefinedKey; }

bool SameName(std::u16string_view a, std::u16string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char16_t x, char16_t y) {
           return runtime::LowerAscii(x) == runtime::LowerAscii(y);
         });
}

std::u16string Join(const std::u16string& parent, const std::u16string& child) {
  if (parent.empty()) return child;
  if (child.empty()) return parent;
  return parent + u'\\' + child;
}

}  // namespace

HiveRegistry::HiveRegistry(std::vector<HiveValue> values) : values_(std::move(values)) {}

HiveRegistry::HiveRegistry(std::function<std::vector<HiveValue>()> source) : source_(std::move(source)) {}

bool HiveRegistry::KeyExists(HKey root, const std::u16string& path) const {
  if (path.empty()) return true;
  return std::any_of(values_.begin(), values_.end(), [&](const HiveValue& v) {
    if (v.root != root || v.key.size() < path.size()) return false;
    const std::u16string_view head(v.key.data(), path.size());
    return SameName(head, path) && (v.key.size() == path.size() || v.key[path.size()] == u'\\');
  });
}

std::int32_t HiveRegistry::RegOpenKeyExA(HKey root, const std::u16string& subKey, std::uint32_t /*options*/,
                                         std::uint32_t samDesired, HKey& result) {
  HKey base = root;
  std::u16string path = subKey;
  if (const auto opened = open_.find(root); opened != open_.end()) {
    base = opened->second.root;
    path = Join(opened->second.path, subKey);
  } else if (!IsPredefined(root)) {
    return kErrorInvalidHandle;
  } else if (source_) {
    values_ = source_();
  }
  if (!KeyExists(base, path)) return kErrorFileNotFound;
  if ((samDesired & ~(kKeyRead | kWow64Flags)) != 0) return kErrorAccessDenied;
  result = nextHandle_++;
  open_.emplace(result, OpenKey{base, std::move(path)});
  return kErrorSuccess;
}

std::int32_t HiveRegistry::RegQueryValueExA(HKey key, const std::u16string& valueName, std::uint32_t /*reserved*/,
                                            std::uint32_t& type, std::uint8_t* data, std::uint32_t& dataSize) {
  HKey root = key;
  std::u16string path;
  if (const auto opened = open_.find(key); opened != open_.end()) {
    root = opened->second.root;
    path = opened->second.path;
  } else if (!IsPredefined(key)) {
    return kErrorInvalidHandle;
  }
  const auto value = std::find_if(values_.begin(), values_.end(), [&](const HiveValue& v) {
    return v.root == root && SameName(v.key, path) && SameName(v.valueName, valueName);
  });
  if (value == values_.end()) return kErrorFileNotFound;

  type = value->type;
  return CopyValueOut(value->bytes.data(), static_cast<std::uint32_t>(value->bytes.size()), data, dataSize);
}

std::int32_t HiveRegistry::RegCloseKey(HKey key) {
  if (IsPredefined(key)) return kErrorSuccess;
  return open_.erase(key) == 1 ? kErrorSuccess : kErrorInvalidHandle;
}

}  // namespace platform::posix
