// The registry values the program offers the About window on Linux.
#include "app/system_info_hive.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "support/temp_tree.h"

namespace {

using platform::HKey;
using platform::kHKeyLocalMachine;

const std::u16string kMsinfo = u"SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";

std::vector<std::uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

TEST(SystemInfoHive, HoldsThePathOfTheFirstProgramFoundOrNothing) {
  support::TempTree tree;
  const std::string path = (tree.root() / "a").string() + ":" + (tree.root() / "b").string();
  EXPECT_TRUE(app::SystemInfoHive(path).empty());

  tree.Write("a/gnome-system-monitor", "", true);
  const auto hardinfo = tree.Write("b/hardinfo", "", true);
  const auto hive = app::SystemInfoHive(path);
  ASSERT_EQ(hive.size(), 1u);
  EXPECT_EQ(hive[0].root, kHKeyLocalMachine);
  EXPECT_EQ(hive[0].key, kMsinfo);
  EXPECT_EQ(hive[0].valueName, u"PATH");
  EXPECT_EQ(hive[0].type, platform::kRegSz);
  EXPECT_EQ(hive[0].bytes, Bytes(hardinfo.string() + std::string(1, '\0')));
}

// A program installed while Quillon runs is found by the next look-up.
TEST(SystemInfoHive, TheMachinesHiveSearchesPathAtEachLookUp) {
  support::TempTree tree;
  const std::string old = std::getenv("PATH") != nullptr ? std::getenv("PATH") : "";
  const std::string later = (tree.root() / "c").string();
  ::setenv("PATH", later.c_str(), 1);
  auto machine = app::MachineHive();
  auto readPath = [&] {
    HKey key = 0;
    if (machine.RegOpenKeyExA(kHKeyLocalMachine, kMsinfo, 0, platform::kKeyRead, key) != 0) return std::string("none");
    std::uint8_t buffer[1024];
    std::uint32_t type = 0, size = sizeof buffer;
    const auto result = machine.RegQueryValueExA(key, u"PATH", 0, type, buffer, size);
    machine.RegCloseKey(key);
    return result == 0 ? std::string(reinterpret_cast<char*>(buffer), size) : std::string("none");
  };
  const std::string before = readPath();
  const auto installed = tree.Write("c/hardinfo", "", true);
  const std::string after = readPath();
  ::setenv("PATH", old.c_str(), 1);
  EXPECT_EQ(before, "none");
  EXPECT_EQ(after, installed.string() + std::string(1, '\0'));
}

}  // namespace
