// Shell open on the real call.
#include <gtest/gtest.h>

#include <string>

#include "platform/win32/win_shell.h"
#include "win_test.h"

namespace {

using wintest::Wide;

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

}  // namespace
