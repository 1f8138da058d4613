#include "support/fakes.h"

#include <algorithm>

namespace support {

std::intptr_t RecordingShell::ShellExecuteA(platform::WindowHandle hwnd, const std::u16string& operation,
                                            const std::u16string& file, const std::u16string& parameters,
                                            const std::u16string& directory, std::int32_t showCommand) {
  calls.push_back({hwnd, operation, file, parameters, directory, showCommand});
  return result;
}

void FakeRegistry::SetText(const std::u16string& key, const std::u16string& name, const std::string& utf8,
                           bool withZero) {
  std::vector<std::uint8_t> bytes(utf8.begin(), utf8.end());
  if (withZero) bytes.push_back(0);
  Set(key, name, platform::kRegSz, std::move(bytes));
}

void FakeRegistry::Set(const std::u16string& key, const std::u16string& name, std::uint32_t type,
                       std::vector<std::uint8_t> bytes) {
  keys_[key][name] = Value{type, std::move(bytes)};
}

std::int32_t FakeRegistry::RegOpenKeyExA(platform::HKey /*root*/, const std::u16string& subKey,
                                         std::uint32_t /*options*/, std::uint32_t samDesired,
                                         platform::HKey& result) {
  opens.push_back({subKey, samDesired});
  if (!keys_.count(subKey)) return platform::kErrorFileNotFound;
  if (readOnly && (samDesired & ~platform::kKeyRead) != 0) return platform::kErrorAccessDenied;
  result = next_++;
  handles_[result] = subKey;
  return platform::kErrorSuccess;
}

std::int32_t FakeRegistry::RegQueryValueExA(platform::HKey key, const std::u16string& valueName,
                                            std::uint32_t /*reserved*/, std::uint32_t& type, std::uint8_t* data,
                                            std::uint32_t& dataSize) {
  const auto handle = handles_.find(key);
  if (handle == handles_.end()) return 6;  // invalid handle
  queries.push_back(handle->second + u'\\' + valueName);
  const auto& values = keys_[handle->second];
  const auto value = values.find(valueName);
  if (value == values.end()) return platform::kErrorFileNotFound;
  type = value->second.type;
  const auto needed = static_cast<std::uint32_t>(value->second.bytes.size());
  if (data == nullptr || dataSize < needed) {
    dataSize = needed;
    return data == nullptr ? platform::kErrorSuccess : platform::kErrorMoreData;
  }
  std::copy(value->second.bytes.begin(), value->second.bytes.end(), data);
  dataSize = needed;
  return platform::kErrorSuccess;
}

std::int32_t FakeRegistry::RegCloseKey(platform::HKey key) {
  ++closes;
  return handles_.erase(key) == 1 ? platform::kErrorSuccess : 6;
}

void RecordingProgramStarter::Start(const std::u16string& commandLine, int windowStyle) {
  attempts.push_back({commandLine, windowStyle});
  if (!programs.count(commandLine)) throw platform::StartFailed("cannot start the program");
  started.push_back({commandLine, windowStyle});
}

std::u16string FakeFiles::Dir(const std::u16string& path, int /*attributes*/) {
  searches.push_back(path);
  // Normal files match every attribute mask.
  if (!files.count(path)) return {};
  const auto slash = path.find_last_of(u'/');
  return slash == std::u16string::npos ? path : path.substr(slash + 1);
}

}  // namespace support
