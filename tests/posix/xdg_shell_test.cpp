#include "platform/posix/xdg_shell.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>

#include "posix/child_processes.h"
#include "runtime/text.h"

namespace {

using posix_test::NoChildLeft;
using posix_test::ReadAll;
using posix_test::TempTree;
using posix_test::WaitForFile;
namespace fs = std::filesystem;

// Puts a recording opener first on PATH. Each run writes its arguments to
// calls/<pid>, then stays until `release` appears (bounded, so a broken test
// leaves nothing behind for long) and says so in done/<pid>.
class XdgShellTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string dir = tree_.root().string();
    fs::create_directories(tree_.root() / "calls");
    fs::create_directories(tree_.root() / "done");
    tree_.Script("bin/xdg-open",
                 "printf '%s\\n' \"$@\" > '" + dir + "/calls/.$$' && mv '" + dir + "/calls/.$$' '" + dir +
                     "/calls/'$$\n"
                     "i=0; while [ ! -e '" + dir + "/release' ] && [ $i -lt 100 ]; do sleep 0.1; i=$((i+1)); done\n"
                     "touch '" + dir + "/done/'$$");
    const char* old = std::getenv("PATH");
    oldPath_ = old != nullptr ? old : "";
    ::setenv("PATH", ((tree_.root() / "bin").string() + ":" + oldPath_).c_str(), 1);
  }
  void TearDown() override {
    tree_.Write("release", "");
    ::setenv("PATH", oldPath_.c_str(), 1);
  }

  std::intptr_t Open(const std::u16string& target, const std::u16string& verb = u"open") {
    return shell_.ShellExecuteA(0, verb, target, u"", u"0", 1);
  }

  // The one recorded call, waited for; empty when there is not exactly one.
  std::pair<std::string, std::string> OnlyCall() {
    std::vector<fs::path> found;
    for (int i = 0; i < 250 && found.empty(); ++i) {
      if (i > 0) std::this_thread::sleep_for(std::chrono::milliseconds(20));
      for (const auto& entry : fs::directory_iterator(tree_.root() / "calls")) {
        if (entry.path().filename().string().front() != '.') found.push_back(entry.path());
      }
    }
    if (found.size() != 1) return {};
    return {found[0].filename().string(), ReadAll(found[0])};
  }

  TempTree tree_;
  platform::posix::XdgShell shell_;
  std::string oldPath_;
};

TEST_F(XdgShellTest, HandsTheTargetToTheOpenerOnPathWithoutWaiting) {
  const std::u16string target = u"/srv/quillon dir/Codes \u00E9.htm";
  EXPECT_GT(Open(target), 32);
  EXPECT_TRUE(NoChildLeft());

  const auto [pid, args] = OnlyCall();
  EXPECT_EQ(args, runtime::ToUtf8(target) + "\n") << "one argument, UTF-8, parameters and directory left out";
  ASSERT_FALSE(pid.empty());
  EXPECT_FALSE(fs::exists(tree_.root() / "done" / pid)) << "the opener was waited for";
  const auto self = fs::read_symlink("/proc/" + pid + "/fd/1");
  EXPECT_EQ(self, "/dev/null");
  EXPECT_NE(::getsid(std::stoi(pid)), ::getsid(0));

  tree_.Write("release", "");
  EXPECT_TRUE(WaitForFile(tree_.root() / "done" / pid));
}

TEST_F(XdgShellTest, TargetIsNeverReadAsAnOption) {
  tree_.Write("release", "");
  EXPECT_GT(Open(u"-rates.htm", u""), 32) << "no verb means the default verb, open";
  EXPECT_EQ(OnlyCall().second, "./-rates.htm\n");
}

TEST_F(XdgShellTest, AnythingButOpeningATargetWithAnOpenerStartsNothing) {
  tree_.Write("release", "");
  EXPECT_LE(Open(u"http://127.0.0.1/", u"print"), 32) << "another verb";
  EXPECT_LE(Open(u""), 32) << "no target";
  EXPECT_EQ(platform::posix::XdgShell("quillon-no-such-opener").ShellExecuteA(0, u"open", u"x.htm", u"", u"0", 1),
            platform::kShellFileNotFound)
      << "no opener on PATH";
  EXPECT_GT(Open(u"http://127.0.0.1/"), 32);
  EXPECT_EQ(OnlyCall().second, "http://127.0.0.1/\n") << "only the last call reached the opener";
}

}  // namespace
