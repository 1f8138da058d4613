#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "about_rig.h"
#include "platform/path.h"

namespace {

const std::u16string kToolKey = u"SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
const std::u16string kFolderKey = u"SOFTWARE\\Microsoft\\Shared Tools Location";
const std::u16string kUnavailable = u"System Information Is Unavailable At This Time";
// Text with %VARIABLE% references left unexpanded: a type the window reads as no text.
constexpr std::uint32_t kExpandableText = 2;
const std::vector<std::u16string> kNoStart;
const std::vector<std::u16string> kNoMessage;
const std::vector<std::u16string> kOneMessage{kUnavailable};

// The tool's path in a folder, joined as this platform joins paths.
std::u16string Tool(const std::u16string& folder) { return folder + platform::kPathSeparator + u"MSINFO32.EXE"; }

std::vector<std::uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

TEST(SystemInfo, RecordedPathStartsWithoutReadingTheFolderLocation) {
  AboutRig rig;
  rig.registry.SetText(kToolKey, u"PATH", "/usr/bin/hardinfo");
  rig.registry.SetText(kFolderKey, u"MSINFO", "/opt/info");
  rig.files.files = {Tool(u"/opt/info")};
  rig.programs.programs = {u"/usr/bin/hardinfo"};
  rig.PressSystemInfo();
  rig.about.UserAccessKey(u's');

  EXPECT_EQ(rig.Started(), (std::vector<std::u16string>{u"/usr/bin/hardinfo", u"/usr/bin/hardinfo"}));
  EXPECT_EQ(rig.programs.started[0].windowStyle, 1);
  EXPECT_EQ(rig.Messages(), kNoMessage);
  ASSERT_EQ(rig.registry.opens.size(), 2u);
  for (const auto& open : rig.registry.opens) EXPECT_EQ(open.key, kToolKey);
  EXPECT_TRUE(rig.files.searches.empty());
  EXPECT_EQ(rig.registry.OpenHandles(), 0u);
}

TEST(SystemInfo, FolderLocationIsSearchedAndStartedAsWritten) {
  struct Case {
    std::string folder;
    std::u16string file;  // what the folder holds; empty: nothing
    std::u16string searched;
    std::vector<std::u16string> started;
  };
  const Case cases[] = {
      {"/opt/info", Tool(u"/opt/info"), Tool(u"/opt/info"), {Tool(u"/opt/info")}},
      {"/opt/info/", Tool(u"/opt/info/"), Tool(u"/opt/info/"), {Tool(u"/opt/info/")}},
      {"/opt/info", u"", Tool(u"/opt/info"), {}},
      {"/opt/émile", Tool(u"/opt/émile"), Tool(u"/opt/émile"), {Tool(u"/opt/émile")}},
  };
  for (const auto& c : cases) {
    AboutRig rig;
    rig.registry.SetText(kFolderKey, u"MSINFO", c.folder);
    if (!c.file.empty()) rig.files.files = {c.file};
    rig.programs.programs = {c.file};
    rig.PressSystemInfo();
    EXPECT_EQ(rig.files.searches, std::vector<std::u16string>{c.searched}) << c.folder;
    EXPECT_EQ(rig.Started(), c.started) << c.folder;
    EXPECT_EQ(rig.Messages(), c.started.empty() ? kOneMessage : kNoMessage) << c.folder;
    EXPECT_EQ(rig.registry.OpenHandles(), 0u) << c.folder;
  }
}

// Each case leaves the launcher nothing it can start: one message, the window
// stays open, and every key it opened is closed again.
TEST(SystemInfo, EveryFailureEndsInTheOneMessage) {
  struct Case {
    const char* what;
    void (*arrange)(AboutRig&);
    std::vector<std::u16string> attempts;
    bool folderTried;
  };
  const Case cases[] = {
      {"no location", [](AboutRig&) {}, {}, true},
      {"recorded path cannot start",
       [](AboutRig& r) {
         r.registry.SetText(kToolKey, u"PATH", "/usr/bin/gone");
         r.registry.SetText(kFolderKey, u"MSINFO", "/opt/info");
         r.files.files = {Tool(u"/opt/info")};
         r.programs.programs = {Tool(u"/opt/info")};
       },
       {u"/usr/bin/gone"}, false},
      {"expandable text gives an empty path",
       [](AboutRig& r) {
         r.registry.Set(kToolKey, u"PATH", kExpandableText, Bytes(std::string("/usr/bin/hardinfo\0", 18)));
         r.registry.SetText(kFolderKey, u"MSINFO", "/opt/info");
         r.files.files = {Tool(u"/opt/info")};
         r.programs.programs = {u"/usr/bin/hardinfo", Tool(u"/opt/info")};
       },
       {u""}, false},
      {"empty recorded path value",
       [](AboutRig& r) {
         r.registry.Set(kToolKey, u"PATH", platform::kRegSz, {});
         r.registry.SetText(kFolderKey, u"MSINFO", "/opt/info");
         r.files.files = {Tool(u"/opt/info")};
         r.programs.programs = {Tool(u"/opt/info")};
       },
       {}, false},
      {"empty folder value", [](AboutRig& r) { r.registry.Set(kFolderKey, u"MSINFO", platform::kRegSz, {}); }, {},
       true},
      {"recorded path too long",
       [](AboutRig& r) { r.registry.SetText(kToolKey, u"PATH", std::string(1024, 'a')); }, {}, true},
  };
  for (const auto& c : cases) {
    AboutRig rig;
    c.arrange(rig);
    rig.PressSystemInfo();
    EXPECT_TRUE(rig.Started().empty()) << c.what;
    std::vector<std::u16string> attempts;
    for (const auto& a : rig.programs.attempts) attempts.push_back(a.commandLine);
    EXPECT_EQ(attempts, c.attempts) << c.what;
    ASSERT_EQ(rig.backend.messages.size(), 1u) << c.what;
    EXPECT_EQ(rig.backend.messages[0].text, kUnavailable) << c.what;
    EXPECT_EQ(rig.backend.messages[0].title, u"Quillon") << c.what;
    EXPECT_EQ(rig.backend.messages[0].style, tk::msgbox::kOkOnly) << c.what;
    bool folderOpened = false;
    for (const auto& open : rig.registry.opens) folderOpened |= open.key == kFolderKey;
    EXPECT_EQ(folderOpened, c.folderTried) << c.what;
    EXPECT_EQ(rig.registry.OpenHandles(), 0u) << c.what;
    EXPECT_TRUE(rig.about.Loaded()) << c.what;
  }
}

TEST(SystemInfo, TooLongRecordedPathCountsAsMissing) {
  AboutRig rig;
  rig.registry.SetText(kToolKey, u"PATH", std::string(1024, 'a'));  // 1025 bytes with its zero
  rig.registry.SetText(kFolderKey, u"MSINFO", "/opt/info");
  rig.files.files = rig.programs.programs = {Tool(u"/opt/info")};
  rig.PressSystemInfo();
  EXPECT_EQ(rig.Started(), std::vector<std::u16string>{Tool(u"/opt/info")});
  EXPECT_EQ(rig.Messages(), kNoMessage);
}

// The machine's hive grants reading only; the launcher must not ask for more.
TEST(SystemInfo, WorksWithARegistryThatRefusesWriteAccess) {
  AboutRig rig;
  rig.registry.readOnly = true;
  rig.registry.SetText(kFolderKey, u"MSINFO", "/opt/info");
  rig.files.files = rig.programs.programs = {Tool(u"/opt/info")};
  rig.PressSystemInfo();
  EXPECT_EQ(rig.Started(), std::vector<std::u16string>{Tool(u"/opt/info")});
  EXPECT_EQ(rig.Messages(), kNoMessage);
  ASSERT_FALSE(rig.registry.opens.empty());
  for (const auto& open : rig.registry.opens) EXPECT_EQ(open.samDesired, platform::kKeyRead);
}

TEST(GetKeyValue, TextLosesOnlyOneFinalZeroByte) {
  struct Case {
    std::vector<std::uint8_t> bytes;
    std::u16string text;
  };
  const Case cases[] = {
      {Bytes(std::string("C:\\info\0", 8)), u"C:\\info"},
      {Bytes("C:\\info"), u"C:\\info"},
      {Bytes(std::string("ab\0\0", 4)), std::u16string(u"ab\0", 3)},
      {Bytes(std::string("/opt/caf\xC3\xA9\0", 11)), u"/opt/café"},
      {Bytes(std::string(1023, 'x') + '\0'), std::u16string(1023, u'x')},  // exactly fills the buffer
  };
  for (const auto& c : cases) {
    AboutRig rig;
    rig.registry.Set(u"K", u"V", platform::kRegSz, c.bytes);
    std::u16string value = u"before";
    EXPECT_TRUE(rig.about.GetKeyValue(platform::kHKeyLocalMachine, u"K", u"V", value));
    EXPECT_EQ(value, c.text);
    EXPECT_EQ(rig.registry.OpenHandles(), 0u);
  }
}

TEST(GetKeyValue, NumberIsHexOfTheBytesLastToFirst) {
  AboutRig rig;
  rig.registry.SetDword(u"K", u"small", 261);  // 05 01 00 00: the final zero byte is dropped first
  rig.registry.SetDword(u"K", u"large", 0x12AB34CDu);
  std::u16string value = u"before";
  EXPECT_TRUE(rig.about.GetKeyValue(platform::kHKeyLocalMachine, u"K", u"small", value));
  EXPECT_EQ(value, u"&h000105");
  EXPECT_TRUE(rig.about.GetKeyValue(platform::kHKeyLocalMachine, u"K", u"large", value));
  EXPECT_EQ(value, u"&h12AB34CD");
}

TEST(GetKeyValue, OtherTypesLeaveTheValueAsPassed) {
  AboutRig rig;
  rig.registry.Set(u"K", u"V", kExpandableText, Bytes(std::string("%SystemRoot%\0", 13)));
  std::u16string value = u"as passed";
  EXPECT_TRUE(rig.about.GetKeyValue(platform::kHKeyLocalMachine, u"K", u"V", value));
  EXPECT_EQ(value, u"as passed");
}

TEST(GetKeyValue, UnreadableValuesEmptyTheTextAndCloseWhatWasOpened) {
  AboutRig rig;
  rig.registry.SetText(u"K", u"long", std::string(1024, 'x'));
  std::u16string value = u"before";
  EXPECT_FALSE(rig.about.GetKeyValue(platform::kHKeyLocalMachine, u"missing key", u"V", value));
  EXPECT_EQ(value, u"");
  EXPECT_EQ(rig.registry.closes, 0);

  value = u"before";
  EXPECT_FALSE(rig.about.GetKeyValue(platform::kHKeyLocalMachine, u"K", u"missing value", value));
  EXPECT_EQ(value, u"");
  value = u"before";
  EXPECT_FALSE(rig.about.GetKeyValue(platform::kHKeyLocalMachine, u"K", u"long", value));
  EXPECT_EQ(value, u"");
  EXPECT_EQ(rig.registry.closes, 2);
  EXPECT_EQ(rig.registry.OpenHandles(), 0u);
}

TEST(GetKeyValue, EmptyValueRaisesAndStillClosesTheKey) {
  AboutRig rig;
  rig.registry.Set(u"K", u"V", platform::kRegSz, {});
  std::u16string value = u"before";
  EXPECT_ANY_THROW(rig.about.GetKeyValue(platform::kHKeyLocalMachine, u"K", u"V", value));
  EXPECT_EQ(rig.registry.OpenHandles(), 0u);
}

}  // namespace
