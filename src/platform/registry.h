#pragma once
// The registry, shaped after RegOpenKeyExA / RegQueryValueExA / RegCloseKey.
#include <cstdint>
#include <string>

namespace platform {

using HKey = std::uintptr_t;

constexpr HKey kHKeyLocalMachine = 0x80000002u;

constexpr std::int32_t kErrorSuccess = 0;
constexpr std::int32_t kErrorFileNotFound = 2;
constexpr std::int32_t kErrorAccessDenied = 5;
constexpr std::int32_t kErrorMoreData = 234;

constexpr std::uint32_t kRegSz = 1;
constexpr std::uint32_t kRegDword = 4;

constexpr std::uint32_t kKeyRead = 0x20019;

// Hands a value's bytes to a RegQueryValueExA caller: with no buffer only the
// size, a buffer too small gets kErrorMoreData and the size it needs.
std::int32_t CopyValueOut(const std::uint8_t* bytes, std::uint32_t size, std::uint8_t* data,
                          std::uint32_t& dataSize);

class Registry {
 public:
  virtual ~Registry() = default;
  virtual std::int32_t RegOpenKeyExA(HKey root, const std::u16string& subKey, std::uint32_t options,
                                     std::uint32_t samDesired, HKey& result) = 0;
  // `dataSize` in: the buffer's size; out: the bytes stored (or needed, with
  // kErrorMoreData). Text values come as UTF-8 on every platform.
  virtual std::int32_t RegQueryValueExA(HKey key, const std::u16string& valueName,
                                        std::uint32_t reserved, std::uint32_t& type,
                                        std::uint8_t* data, std::uint32_t& dataSize) = 0;
  virtual std::int32_t RegCloseKey(HKey key) = 0;
};

}  // namespace platform
