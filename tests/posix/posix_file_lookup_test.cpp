#include "platform/posix/posix_file_lookup.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "posix/child_processes.h"
#include "runtime/text.h"

namespace {

using posix_test::TempTree;
namespace fs = std::filesystem;

class PosixFileLookupTest : public ::testing::Test {
 protected:
  std::u16string Dir(const fs::path& path, int attributes = 0) {
    return files_.Dir(runtime::FromUtf8(path.string()), attributes);
  }
  TempTree tree_;
  platform::posix::PosixFileLookup files_;
};

TEST_F(PosixFileLookupTest, NormalFileGivesItsName) {
  const auto file = tree_.Write("tools/Codes \xC3\xA9.htm", "<html>");
  EXPECT_EQ(Dir(file), u"Codes \u00E9.htm");
  fs::create_symlink(file, tree_.root() / "link.htm");
  EXPECT_EQ(Dir(tree_.root() / "link.htm"), u"link.htm") << "a link to a file finds the file";
}

TEST_F(PosixFileLookupTest, AnythingButANormalFileGivesEmptyText) {
  const auto file = tree_.Write("tools/MSINFO32.EXE", "x");
  tree_.Write("tools/.hidden", "x");
  ::mkfifo((tree_.root() / "pipe").c_str(), 0644);
  fs::create_directory_symlink(tree_.root() / "tools", tree_.root() / "dirlink");
  fs::create_symlink(tree_.root() / "gone", tree_.root() / "dangling");

  for (const auto& path : {tree_.root() / "tools", tree_.root() / "tools/.hidden", tree_.root() / "pipe",
                           tree_.root() / "dirlink", tree_.root() / "dangling", tree_.root() / "missing",
                           fs::path(file.string() + "/"), fs::path()}) {
    EXPECT_EQ(Dir(path), u"") << path;
  }
}

TEST_F(PosixFileLookupTest, AttributesWidenTheMatch) {
  tree_.Write("tools/.hidden", "x");
  EXPECT_EQ(Dir(tree_.root() / "tools/.hidden", platform::kAttrHidden), u".hidden");
  EXPECT_EQ(Dir(tree_.root() / "tools", platform::kAttrDirectory), u"tools");
  EXPECT_EQ(Dir(tree_.root() / "tools", platform::kAttrHidden), u"");
}

TEST(FindOnPath, GivesTheFirstNameThatIsAProgramInAnAbsoluteFolder) {
  TempTree tree;
  const auto a = tree.root() / "a";
  const auto b = tree.root() / "b";
  tree.Write("a/second", "", true);
  tree.Write("a/first", "not executable");
  fs::create_directories(a / "third");
  const auto first = tree.Write("b/first", "", true);
  tree.Write("c/first", "", true);  // reachable only through a relative entry
  const auto relative = fs::relative(tree.root() / "c", fs::current_path());
  const std::string path = relative.string() + "::" + a.string() + ":" + b.string() + "/";

  EXPECT_EQ(platform::posix::FindOnPath({"first", "second"}, path), first.string())
      << "names in order before folders in order; a plain file and a relative entry pass";
  EXPECT_EQ(platform::posix::FindOnPath({"third", "second"}, path), (a / "second").string()) << "a folder passes";
  EXPECT_EQ(platform::posix::FindOnPath({"third", "missing"}, path), "") << "nothing found";
  EXPECT_EQ(platform::posix::FindOnPath({first.string()}, ""), first.string()) << "a path is taken as it is";
}

}  // namespace
