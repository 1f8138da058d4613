// The file look-up, program start, shell, program folder and number locale
// on the real calls.
#include <gtest/gtest.h>

#include <string>

#include "platform/user_locale.h"
#include "platform/win32/win_programs.h"
#include "platform/win32/win_shell.h"
#include "win_test.h"

namespace {

using wintest::Wide;

TEST(WinFiles, TheAttributeMaskDecidesWhatMatches) {
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
  platform::win32::WinFiles files;
  for (const auto& row : rows) {
    EXPECT_EQ(files.Dir(Wide(folder / row.name), row.mask), row.found) << row.name << " mask " << row.mask;
  }
}

TEST(WinProgramStarter, TheCommandLineGoesOverAsItIs) {
  wintest::ScratchFolder folder;
  const std::string child = wintest::ChildProgram();
  const std::string rows[] = {child, child + " --with an argument"};
  platform::win32::WinProgramStarter programs;
  int serial = 0;
  for (const auto& line : rows) {
    const std::string mark = folder / ("started-" + std::to_string(++serial));
    wintest::ExpectChildAt(mark);
    programs.Start(Wide(line), platform::kSwShowNormal);
    EXPECT_EQ(wintest::WaitForChild(mark).commandLine, line);
  }
  for (const std::string& line : {folder / "missing.exe", std::string()}) {
    EXPECT_THROW(programs.Start(Wide(line), platform::kSwShowNormal), platform::StartFailed) << line;
  }
}

TEST(WinShell, OpensInTheFolderGivenWhenThereIsOne) {
  wintest::ScratchFolder folder;
  const std::string child = wintest::ChildProgram();
  char current[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, current);
  struct Row {
    std::string directory;
    std::string workingFolder;
  };
  const Row rows[] = {
      {folder.path(), folder.path()},
      {"0", current},  // what the About window passes: no folder of that name
      {"", current},
  };
  platform::win32::WinShell shell;
  int serial = 0;
  for (const auto& row : rows) {
    const std::string mark = folder / ("opened-" + std::to_string(++serial));
    wintest::ExpectChildAt(mark);
    EXPECT_GT(shell.ShellExecuteA(0, u"open", Wide(child), u"", Wide(row.directory), platform::kSwShowNormal), 32)
        << row.directory;
    const auto report = wintest::WaitForChild(mark);
    EXPECT_TRUE(report.arrived) << row.directory;
    EXPECT_EQ(_stricmp(report.folder.c_str(), row.workingFolder.c_str()), 0) << report.folder;
  }
  EXPECT_LE(shell.ShellExecuteA(0, u"open", Wide(folder / "missing.htm"), u"", u"", platform::kSwShowNormal), 32);
}

TEST(ProgramFolder, IsWhereThisProgramLies) {
  const std::u16string folder = platform::win32::ProgramFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_NE(folder.back(), u'\\');
  const std::u16string self = folder + u"\\platform_tests.exe";
  EXPECT_NE(GetFileAttributesW(reinterpret_cast<const wchar_t*>(self.c_str())), INVALID_FILE_ATTRIBUTES);
}

TEST(NumberLocale, SeparatorsComeFromTheLocale) {
  struct Row {
    std::string name;
    rt::NumberLocale separators;
  };
  const Row rows[] = {
      {"en-US", {u'.', u','}},
      {"de-DE", {u',', u'.'}},
      {"", {u'.', u','}},
      {"xx-nowhere", {u'.', u','}},
  };
  for (const auto& row : rows) {
    const auto separators = platform::NumberLocaleFromName(row.name);
    EXPECT_EQ(separators.decimal, row.separators.decimal) << row.name;
    EXPECT_EQ(separators.grouping, row.separators.grouping) << row.name;
  }
  // The test runs with a German user locale (tests/win32/CMakeLists.txt).
  EXPECT_EQ(platform::UserNumberLocale().decimal, u',');
  EXPECT_EQ(platform::UserNumberLocale().grouping, u'.');
}

}  // namespace
