#include "platform/posix/posix_program_starter.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <sstream>
#include <vector>

#include "posix/child_processes.h"
#include "runtime/text.h"

namespace {

using posix_test::NoChildLeft;
using posix_test::ReadAll;
using posix_test::TempTree;
using posix_test::WaitForFile;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// The script records how it was started, written whole before it appears.
std::string RecordingBody(const std::string& out) {
  // The descriptors are read before the redirection below replaces stdout; the
  // session is the fourth field after the command name, which may hold spaces.
  return "fds=$(readlink /proc/$$/fd/0 /proc/$$/fd/1 /proc/$$/fd/2)\n"
         "{ printf '%s\\n%s\\n%s\\n' \"$0\" \"$#\" \"$fds\"; sed 's/.*) //' /proc/$$/stat | cut -d' ' -f4; } > '" +
         out + ".part' && mv '" + out + ".part' '" + out + "'";
}

TEST(PosixProgramStarter, StartsTheWholeCommandLineAsOnePathWithoutArgumentsDetached) {
  TempTree tree;
  const auto out = (tree.root() / "started").string();
  // A space and a non-ASCII letter: no shell may split it, and it goes out as UTF-8.
  const auto script = tree.Script("tools dir/sys info \xC3\xA9", RecordingBody(out));

  platform::posix::PosixProgramStarter starter;
  starter.Start(runtime::FromUtf8(script.string()), 1);
  EXPECT_TRUE(NoChildLeft());

  ASSERT_TRUE(WaitForFile(out));
  const auto lines = Lines(ReadAll(out));
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines[0], script.string());
  EXPECT_EQ(lines[1], "0") << "no arguments";
  for (int fd = 0; fd < 3; ++fd) EXPECT_EQ(lines[2 + fd], "/dev/null") << "descriptor " << fd;
  EXPECT_NE(lines[5], std::to_string(::getsid(0))) << "the program must run in a session of its own";
}

TEST(PosixProgramStarter, ThrowsWhenNothingStartable) {
  TempTree tree;
  const auto plain = tree.Write("notes.txt", "not a program\n");
  const auto noFormat = tree.Write("junk", "neither script nor binary\n", true);
  ::mkdir((tree.root() / "folder").c_str(), 0755);

  platform::posix::PosixProgramStarter starter;
  for (const std::string& path : {std::string(), (tree.root() / "missing").string(), plain.string(),
                                  noFormat.string(), (tree.root() / "folder").string()}) {
    EXPECT_THROW(starter.Start(runtime::FromUtf8(path), 1), platform::StartFailed) << path;
  }
  EXPECT_TRUE(NoChildLeft());
}

}  // namespace
