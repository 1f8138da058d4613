// Program start on the real call.
#include <gtest/gtest.h>

#include <string>

#include "platform/shell.h"
#include "platform/win32/win_program_starter.h"
#include "win_test.h"

namespace {

using wintest::Wide;

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

}  // namespace
