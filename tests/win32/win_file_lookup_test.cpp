// The file look-up and the program folder on the real calls.
#include <gtest/gtest.h>

#include <string>

#include "platform/win32/win_file_lookup.h"
#include "win_test.h"

namespace {

using wintest::Wide;

TEST(WinFileLookup, TheAttributeMaskDecidesWhatMatches) {
  wintest::ScratchFolder folder;
  folder.Write("plain.txt", "x");
  folder.Write("readonly.txt", "x", FILE_ATTRIBUTE_READONLY);
  folder.Write("hidden.txt", "x", FILE_ATTRIBUTE_HIDDEN);
  folder.Write("system.txt", "x", FILE_ATTRIBUTE_SYSTEM);
  CreateDirectoryA((folder / "sub").c_str(), nullptr);
  struct Row {
    std::string name;
    int mask;
    std::u16string found;
  };
  const Row rows[] = {
      {"plain.txt", 0, u"plain.txt"},
      {"PLAIN.TXT", 0, u"plain.txt"},
      {"readonly.txt", 0, u"readonly.txt"},
      {"hidden.txt", 0, u""},
      {"hidden.txt", platform::kAttrHidden, u"hidden.txt"},
      {"system.txt", 0, u""},
      {"system.txt", platform::kAttrSystem, u"system.txt"},
      {"sub", 0, u""},
      {"sub", platform::kAttrDirectory, u"sub"},
      {"missing.txt", 0, u""},
      {"sub\\", platform::kAttrDirectory, u""},
  };
  platform::win32::WinFileLookup files;
  for (const auto& row : rows) {
    EXPECT_EQ(files.Dir(Wide(folder / row.name), row.mask), row.found) << row.name << " mask " << row.mask;
  }
}

TEST(ProgramFolder, IsWhereThisProgramLies) {
  const std::u16string folder = platform::win32::ProgramFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_NE(folder.back(), u'\\');
  const std::u16string self = folder + u"\\platform_tests.exe";
  EXPECT_NE(GetFileAttributesW(reinterpret_cast<const wchar_t*>(self.c_str())), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
