#include "platform/registry.h"

#include <cstring>

namespace platform {

std::int32_t CopyValueOut(const std::uint8_t* bytes, std::uint32_t size, std::uint8_t* data,
                          std::uint32_t& dataSize) {
  const std::uint32_t room = dataSize;
  dataSize = size;
  if (data == nullptr) return kErrorSuccess;
  if (room < size) return kErrorMoreData;
  if (size > 0) std::memcpy(data, bytes, size);
  return kErrorSuccess;
}

}  // namespace platform
