#pragma once
// A read-only registry made of the values handed to it. This platform has no
// registry of its own; the hive answers the few lookups callers make, with the
// result codes the real one gives.
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "platform/registry.h"

namespace platform::posix {

struct HiveValue {
  HKey root = kHKeyLocalMachine;
  std::u16string key;        // below the root, parts joined with '\'
  std::u16string valueName;
  std::uint32_t type = kRegSz;
  std::vector<std::uint8_t> bytes;  // stored as given: a text keeps or lacks its final zero
};

class HiveRegistry : public Registry {
 public:
  static constexpr std::int32_t kErrorInvalidHandle = 6;

  explicit HiveRegistry(std::vector<HiveValue> values);
  // A hive whose values `source` gives anew at each look-up, that is at each
  // key opened from a root key, so it follows the machine as it changes.
  explicit HiveRegistry(std::function<std::vector<HiveValue>()> source);

  // Key and value names compare without regard to case. A key exists when a
  // value lies in it or below it. The hive is read-only, as the machine's part
  // of the registry is for a user without administrator rights: asking for any
  // right beyond reading an existing key is refused with kErrorAccessDenied.
  std::int32_t RegOpenKeyExA(HKey root, const std::u16string& subKey, std::uint32_t options,
                             std::uint32_t samDesired, HKey& result) override;
  // With no buffer, only the size is reported.
  std::int32_t RegQueryValueExA(HKey key, const std::u16string& valueName, std::uint32_t reserved,
                                std::uint32_t& type, std::uint8_t* data,
                                std::uint32_t& dataSize) override;
  std::int32_t RegCloseKey(HKey key) override;

 private:
  struct OpenKey {
    HKey root;
    std::u16string path;
  };

  bool KeyExists(HKey root, const std::u16string& path) const;

  std::function<std::vector<HiveValue>()> source_;
  std::vector<HiveValue> values_;
  std::map<HKey, OpenKey> open_;
  HKey nextHandle_ = 0x1000;
};

}  // namespace platform::posix
