#pragma once
// The registry values Linux offers the About window: where the desktop's
// system-information program lives, in the key the window reads.
#include <string>
#include <string_view>
#include <vector>

#include "platform/posix/hive_registry.h"

namespace app {

// The programs that show what the machine is made of, best first.
const std::vector<std::string>& SystemInfoPrograms();

// The tool's path value, text with its final zero byte: the full path of the
// first of SystemInfoPrograms() found on `pathVariable`. Empty when none is
// installed.
std::vector<platform::posix::HiveValue> SystemInfoHive(std::string_view pathVariable);

// The hive of this machine, searched anew at each look-up, so a program
// installed while Quillon runs is found.
platform::posix::HiveRegistry MachineHive();

}  // namespace app
