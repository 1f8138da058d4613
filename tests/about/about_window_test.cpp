#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "about/frm_about.h"
#include "about_rig.h"

namespace {

const std::u16string kHome = u"http://www.brimlow.example";

TEST(AboutWindowLoad, TitleAndVersionFollowTheApplication) {
  AboutRig first;
  EXPECT_EQ(first.about.Caption(), u"About Quillon");
  EXPECT_EQ(first.about["lblTitle"].Caption(), u"Quillon");
  EXPECT_EQ(first.about["lblVersion"].Caption(), u"Version 1.0.0");

  AboutRig second({u"Quillon Pro", 2, 12, 3, u"/opt/quillon"});
  EXPECT_EQ(second.about.Caption(), u"About Quillon Pro");
  EXPECT_EQ(second.about["lblTitle"].Caption(), u"Quillon Pro");
  EXPECT_EQ(second.about["lblVersion"].Caption(), u"Version 2.12.3");
}

// The two pictures that open pages are links the keyboard reaches, after the
// buttons, so the window opens on its first button.
TEST(AboutWindowLoad, TheFirstButtonHoldsTheFocusAndTabReachesBothLinks) {
  AboutRig rig;
  EXPECT_EQ(rig.about.ActiveControl(), &rig.about["Command1"]);
  std::vector<std::string> names;
  for (auto* c : rig.about.TabOrder()) names.push_back(c->Name());
  EXPECT_EQ(names, (std::vector<std::string>{"Command1", "Command2", "Command3", "Command4", "picIcon", "Image2"}));
}

TEST(AboutWindowLinks, EachClickAsksTheShellOnceForItsPage) {
  const std::pair<std::string, std::u16string> links[] = {
      {"Command1", u"http://www.brimlow.example/Pages/ListBot.html"},
      {"Command2", kHome},
      {"picIcon", kHome},
      {"Image2", u"http://www.brimlow.example/Pages/Donate.htm"},
  };
  for (const auto& [name, target] : links) {
    SCOPED_TRACE(name);
    AboutRig rig;
    rig.about[name].UserClick();
    rig.about[name].UserClick();
    ASSERT_EQ(rig.shell.calls.size(), 2u);
    for (const auto& call : rig.shell.calls) {
      EXPECT_NE(call.hwnd, 0u);
      EXPECT_EQ(call.hwnd, rig.about.hWnd());
      EXPECT_EQ(call.operation, u"open");
      EXPECT_EQ(call.file, target);
      EXPECT_EQ(call.parameters, u"");
      EXPECT_EQ(call.directory, u"0");
      EXPECT_EQ(call.showCommand, platform::kSwShowNormal);
    }
    EXPECT_TRUE(rig.about.Loaded());
    EXPECT_TRUE(rig.backend.messages.empty());
  }
}

TEST(AboutWindowHand, ShowsOverTheLinksExceptTheIcon) {
  const std::pair<const char*, bool> rows[] = {
      {"Command1", true},  {"Command2", true},  {"Image2", true}, {"picIcon", false},
      {"Command3", false}, {"Command4", false}, {"Image1", false}, {"lblTitle", false},
  };
  for (const auto& [name, hand] : rows) {
    SCOPED_TRACE(name);
    AboutRig rig;
    EXPECT_EQ(rig.about[name].MousePointer(), toolkit::mouse::kDefault);
    rig.about[name].UserMouseMove(0, 0, 10, 10);
    EXPECT_EQ(rig.about[name].MousePointer(), hand ? toolkit::mouse::kCustom : toolkit::mouse::kDefault);
    EXPECT_EQ(rig.about[name].MouseIcon(), hand ? AboutRig::kHand : toolkit::Picture{});
  }
}

TEST(AboutWindowClose, EveryWayOfClosingUnloadsItForAFreshLoad) {
  const std::pair<const char*, void (*)(about::FrmAbout&)> closers[] = {
      {"Close button", [](about::FrmAbout& f) { f["Command3"].UserClick(); }},
      {"close box", [](about::FrmAbout& f) { f.UserClose(); }},
      {"Alt+E", [](about::FrmAbout& f) { f.UserAccessKey(u'e'); }},
  };
  for (const auto& [how, close] : closers) {
    SCOPED_TRACE(how);
    AboutRig rig;
    rig.about["Command2"].UserMouseMove(0, 0, 1, 1);
    close(rig.about);
    EXPECT_FALSE(rig.about.Loaded());
    EXPECT_FALSE(rig.app.Ended());
    // Unloading wiped the load texts; only a new Form_Load brings them back.
    EXPECT_EQ(rig.about.Caption(), u"");

    rig.about.Show();
    EXPECT_EQ(rig.about.Caption(), u"About Quillon");
    EXPECT_EQ(rig.about["lblTitle"].Caption(), u"Quillon");
    EXPECT_EQ(rig.about["lblVersion"].Caption(), u"Version 1.0.0");
    EXPECT_EQ(rig.about["Command2"].MousePointer(), toolkit::mouse::kDefault);
    EXPECT_TRUE(rig.about["Command2"].MouseIcon().Empty());
    EXPECT_EQ(rig.about.ActiveControl(), &rig.about["Command1"]);
    EXPECT_TRUE(rig.programs.attempts.empty());
  }
}

// Reads the pixel size from a PNG or GIF header; {0, 0} when unreadable.
std::pair<int, int> PictureSize(const std::string& resource) {
  const std::string prefix = ":/quillon/";
  if (resource.rfind(prefix, 0) != 0) return {0, 0};
  std::ifstream in(std::string(QUILLON_RESOURCES) + "/" + resource.substr(prefix.size()), std::ios::binary);
  const std::vector<unsigned char> b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (b.size() >= 24 && b[1] == 'P' && b[2] == 'N' && b[3] == 'G')
    return {(b[18] << 8) | b[19], (b[22] << 8) | b[23]};
  if (b.size() >= 10 && b[0] == 'G' && b[1] == 'I' && b[2] == 'F') return {b[6] | (b[7] << 8), b[8] | (b[9] << 8)};
  return {0, 0};
}

TEST(AboutWindowDesign, PicturesFillTheirControlsAtTheirOwnSize) {
  AboutRig rig;
  constexpr int kTwips = 15;
  // Images show the picture at its size; the picture box adds a 2-pixel border on each side.
  const std::pair<const char*, int> framed[] = {{"Image1", 0}, {"Image2", 0}, {"picIcon", 4}};
  for (const auto& [name, border] : framed) {
    SCOPED_TRACE(name);
    const auto& control = rig.about[name];
    const auto [w, h] = PictureSize(control.Design().picture.resource);
    ASSERT_GT(w, 0) << "no readable picture: " << control.Design().picture.resource;
    EXPECT_EQ(control.Geometry().width, (w + border) * kTwips);
    EXPECT_EQ(control.Geometry().height, (h + border) * kTwips);
  }
}

TEST(AboutWindowDesign, TheWindowIconIsAResourceFile) {
  const std::string icon = AboutRig().about.Design().icon.resource;
  ASSERT_EQ(icon.rfind(":/quillon/", 0), 0u) << icon;
  EXPECT_TRUE(std::ifstream(std::string(QUILLON_RESOURCES) + "/" + icon.substr(10), std::ios::binary).good()) << icon;
}

}  // namespace
