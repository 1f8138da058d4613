#include "app/system_info_hive.h"

#include <functional>

#include "about/sys_info.h"
#include "platform/posix/posix_file_lookup.h"

namespace app {

const std::vector<std::string>& SystemInfoPrograms() {
  static const std::vector<std::string> programs{"hardinfo2", "hardinfo", "kinfocenter", "gnome-system-monitor"};
  return programs;
}

std::vector<platform::posix::HiveValue> SystemInfoHive(std::string_view pathVariable) {
  const std::string program = platform::posix::FindOnPath(SystemInfoPrograms(), pathVariable);
  if (program.empty()) return {};
  platform::posix::HiveValue value;
  value.root = platform::kHKeyLocalMachine;
  value.key = about::kToolKey;
  value.valueName = about::kToolValue;
  value.type = platform::kRegSz;
  value.bytes.assign(program.begin(), program.end());
  value.bytes.push_back(0);
  return {value};
}

platform::posix::HiveRegistry MachineHive() {
  return platform::posix::HiveRegistry(
      std::function([] { return SystemInfoHive(platform::posix::CurrentPathVariable()); }));
}

}  // namespace app
