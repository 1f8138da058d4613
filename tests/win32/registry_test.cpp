// The registry of the test's own Wine prefix: keys written here under
// HKEY_LOCAL_MACHINE, read back through the platform layer and the About
// window's launcher, on the real files and the real program start.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "about_rig.h"
#include "platform/win32/win_file_lookup.h"
#include "platform/win32/win_program_starter.h"
#include "platform/win32/win_registry.h"
#include "win_test.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

const char kToolKey[] = "SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
const char kFolderKey[] = "SOFTWARE\\Microsoft\\Shared Tools Location";
const char kScratchKey[] = "SOFTWARE\\Quillon Tests";

Bytes Of(const std::string& bytes) { return {bytes.begin(), bytes.end()}; }

void SetValue(const char* key, const char* name, DWORD type, const Bytes& bytes) {
  HKEY opened = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &opened, nullptr), 0);
  ASSERT_EQ(RegSetValueExA(opened, name, 0, type, bytes.data(), static_cast<DWORD>(bytes.size())), 0);
  RegCloseKey(opened);
}

void SetText(const char* key, const char* name, const std::string& text) {
  SetValue(key, name, REG_SZ, Of(text + '\0'));
}

void DeleteValue(const char* key, const char* name) { RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, key, name); }

// Every value of the scratch key, removed again when the test ends.
class RegistryTest : public ::testing::Test {
 protected:
  void TearDown() override {
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, kScratchKey);
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kScratchKey);
    DeleteValue(kToolKey, "PATH");
    DeleteValue(kFolderKey, "MSINFO");
  }
};

TEST_F(RegistryTest, ValuesComeBackByTypeWithTextInUtf8) {
  struct Row {
    const char* name;
    DWORD type;
    Bytes stored, read;
  };
  const Row rows[] = {
      {"text", REG_SZ, Of(std::string("C:\\info\0", 8)), Of(std::string("C:\\info\0", 8))},
      {"text in the code page", REG_SZ, Of(std::string("caf\xE9\0", 5)), Of(std::string("caf\xC3\xA9\0", 6))},
      {"expandable text", REG_EXPAND_SZ, Of(std::string("%TEMP%\0", 7)), Of(std::string("%TEMP%\0", 7))},
      {"number", REG_DWORD, {0x05, 0x01, 0x00, 0x00}, {0x05, 0x01, 0x00, 0x00}},
      {"binary", REG_BINARY, {0x00, 0xFF, 0xE9}, {0x00, 0xFF, 0xE9}},
      {"empty text", REG_SZ, {}, {}},
  };
  platform::win32::WinRegistry registry;
  for (const auto& row : rows) SetValue(kScratchKey, row.name, row.type, row.stored);

  platform::HKey key = 0;
  ASSERT_EQ(registry.RegOpenKeyExA(platform::kHKeyLocalMachine, u"software\\QUILLON tests", 0, platform::kKeyRead, key),
            platform::kErrorSuccess);
  for (const auto& row : rows) {
    const std::u16string name = wintest::Wide(row.name);
    std::uint32_t type = 0;
    std::uint32_t size = 0;
    EXPECT_EQ(registry.RegQueryValueExA(key, name, 0, type, nullptr, size), platform::kErrorSuccess) << row.name;
    EXPECT_EQ(size, row.read.size()) << row.name;

    Bytes buffer(1024, 0);
    size = 1024;
    ASSERT_EQ(registry.RegQueryValueExA(key, name, 0, type, buffer.data(), size), platform::kErrorSuccess) << row.name;
    EXPECT_EQ(type, row.type) << row.name;
    EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + size), row.read) << row.name;
  }
  EXPECT_EQ(registry.RegCloseKey(key), platform::kErrorSuccess);
}

TEST_F(RegistryTest, ResultCodesAreTheSystemsOwn) {
  SetValue(kScratchKey, "long", REG_SZ, Of(std::string(1024, 'a') + '\0'));
  platform::win32::WinRegistry registry;
  platform::HKey key = 0;
  EXPECT_EQ(registry.RegOpenKeyExA(platform::kHKeyLocalMachine, u"SOFTWARE\\No Such Key", 0, platform::kKeyRead, key),
            platform::kErrorFileNotFound);
  ASSERT_EQ(registry.RegOpenKeyExA(platform::kHKeyLocalMachine, u"SOFTWARE\\Quillon Tests", 0, platform::kKeyRead, key),
            platform::kErrorSuccess);

  std::uint32_t type = 0;
  Bytes buffer(1024);
  std::uint32_t size = 1024;
  EXPECT_EQ(registry.RegQueryValueExA(key, u"missing", 0, type, buffer.data(), size), platform::kErrorFileNotFound);
  size = 1024;
  EXPECT_EQ(registry.RegQueryValueExA(key, u"long", 0, type, buffer.data(), size), platform::kErrorMoreData);
  EXPECT_EQ(size, 1025u);
  EXPECT_EQ(registry.RegCloseKey(key), platform::kErrorSuccess);
}

// The About window on the headless backend with the Windows services.
struct Launcher {
  platform::Services Services() {
    platform::Services services;
    services.registry = &registry;
    services.programs = &programs;
    services.files = &files;
    return services;
  }

  platform::win32::WinRegistry registry;
  platform::win32::WinProgramStarter programs;
  platform::win32::WinFileLookup files;
  platform::Services services = Services();
  AboutRig rig{{u"Quillon", 1, 0, 0, u"C:\\quillon"}, &services};
};

TEST_F(RegistryTest, GetKeyValueReadsEveryTypeAndSize) {
  struct Row {
    const char* what;
    DWORD type;
    Bytes stored;
    bool found;
    std::u16string text;
  };
  const Row rows[] = {
      {"text with its zero", REG_SZ, Of(std::string("C:\\info\0", 8)), true, u"C:\\info"},
      {"text without its zero", REG_SZ, Of("C:\\info"), true, u"C:\\info"},
      {"text in the code page", REG_SZ, Of(std::string("caf\xE9\0", 5)), true, u"caf\u00E9"},
      {"number 261", REG_DWORD, {0x05, 0x01, 0x00, 0x00}, true, u"&h000105"},
      {"expandable text", REG_EXPAND_SZ, Of(std::string("C:\\info\0", 8)), true, u"as passed"},
      {"1023 bytes and the zero", REG_SZ, Of(std::string(1023, 'x') + '\0'), true, std::u16string(1023, u'x')},
      {"1024 bytes and the zero", REG_SZ, Of(std::string(1024, 'x') + '\0'), false, u""},
  };
  for (const auto& row : rows) {
    SetValue(kScratchKey, "value", row.type, row.stored);
    Launcher launcher;
    std::u16string text = u"as passed";
    EXPECT_EQ(launcher.rig.about.GetKeyValue(platform::kHKeyLocalMachine, u"SOFTWARE\\Quillon Tests", u"value", text),
              row.found)
        << row.what;
    EXPECT_EQ(text, row.text) << row.what;
  }
}

TEST_F(RegistryTest, SystemInfoStartsTheToolFromEitherLocation) {
  wintest::ScratchFolder folder;
  const std::string child = wintest::ChildProgram();
  ASSERT_TRUE(CopyFileA(child.c_str(), (folder / "MSINFO32.EXE").c_str(), FALSE));
  CreateDirectoryA((folder / "folder").c_str(), nullptr);
  CreateDirectoryA((folder / "folder\\MSINFO32.EXE").c_str(), nullptr);
  CreateDirectoryA((folder / "hidden").c_str(), nullptr);
  ASSERT_TRUE(CopyFileA(child.c_str(), (folder / "hidden\\MSINFO32.EXE").c_str(), FALSE));
  SetFileAttributesA((folder / "hidden\\MSINFO32.EXE").c_str(), FILE_ATTRIBUTE_HIDDEN);

  struct Row {
    const char* what;
    std::string path;        // the first location; empty: no value
    std::string toolFolder;  // the second location; empty: no value
    std::string started;     // the command line the tool sees; empty: the message instead
  };
  const Row rows[] = {
      {"recorded path", child, folder.path(), child},
      {"folder location", "", folder.path(), folder / "MSINFO32.EXE"},
      {"folder ending in a backslash", "", folder.path() + "\\", folder.path() + "\\\\MSINFO32.EXE"},
      {"recorded path that cannot start", folder / "missing.exe", folder.path(), ""},
      {"folder without the tool", "", folder / "folder\\MSINFO32.EXE", ""},
      {"tool name that is a folder", "", folder / "folder", ""},
      {"hidden tool", "", folder / "hidden", ""},
      {"no location", "", "", ""},
  };
  int serial = 0;
  for (const auto& row : rows) {
    DeleteValue(kToolKey, "PATH");
    DeleteValue(kFolderKey, "MSINFO");
    if (!row.path.empty()) SetText(kToolKey, "PATH", row.path);
    if (!row.toolFolder.empty()) SetText(kFolderKey, "MSINFO", row.toolFolder);
    const std::string mark = folder / ("started-" + std::to_string(++serial));
    wintest::ExpectChildAt(mark);

    Launcher launcher;
    launcher.rig.about.StartSysInfo();
    if (row.started.empty()) {
      ASSERT_EQ(launcher.rig.backend.messages.size(), 1u) << row.what;
      EXPECT_EQ(launcher.rig.backend.messages[0].text, about::FrmAbout::kUnavailable) << row.what;
    } else {
      EXPECT_TRUE(launcher.rig.backend.messages.empty()) << row.what;
      EXPECT_EQ(wintest::WaitForChild(mark).commandLine, row.started) << row.what;
    }
  }
}

}  // namespace
