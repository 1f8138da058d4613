#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "about_rig.h"
#include "platform/path.h"
#include "runtime/text.h"

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
  EXPECT_EQ(rig.programs.started[0].windowStyle, platform::kSwShowNormal);
  EXPECT_EQ(rig.backend.MessageTexts(), kNoMessage);
  ASSERT_EQ(rig.registry.opens.size(), 2u);
  for (const auto& open : rig.registry.opens) EXPECT_EQ(open.key, kToolKey);
  EXPECT_TRUE(rig.files.searches.empty());
  EXPECT_EQ(rig.registry.OpenHandles(), 0u);
}

TEST(SystemInfo, TheFolderLocationIsUsedAsWritten) {
  const struct {
    const char* name;
    std::string folder;
    bool toolThere;
  } rows[] = {
      {"a plain folder", "/opt/info", true},
      {"a final separator stays, doubled", "/opt/info/", true},
      {"no tool in the folder: the message", "/opt/info", false},
      {"a non-ASCII folder", "/opt/\xC3\xA9mile", true},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const std::u16string tool = Tool(runtime::FromUtf8(row.folder));
    AboutRig rig;
    rig.registry.SetText(kFolderKey, u"MSINFO", row.folder);
    if (row.toolThere) rig.files.files = {tool};
    rig.programs.programs = {tool};
    rig.PressSystemInfo();
    EXPECT_EQ(rig.files.searches, std::vector<std::u16string>{tool});
    EXPECT_EQ(rig.Started(), row.toolThere ? std::vector<std::u16string>{tool} : kNoStart);
    EXPECT_EQ(rig.backend.MessageTexts(), row.toolThere ? kNoMessage : kOneMessage);
    EXPECT_EQ(rig.registry.OpenHandles(), 0u);
  }
}

// Each case leaves the launcher nothing it can start: one message, the window
// stays open, and every key it opened is closed again.
TEST(SystemInfo, EveryFailureEndsInTheOneMessage) {
  struct Case {
    const char* name;
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
    SCOPED_TRACE(c.name);
    AboutRig rig;
    c.arrange(rig);
    rig.PressSystemInfo();
    EXPECT_TRUE(rig.Started().empty());
    std::vector<std::u16string> attempts;
    for (const auto& a : rig.programs.attempts) attempts.push_back(a.commandLine);
    EXPECT_EQ(attempts, c.attempts);
    ASSERT_EQ(rig.backend.messages.size(), 1u);
    EXPECT_EQ(rig.backend.messages[0].text, kUnavailable);
    EXPECT_EQ(rig.backend.messages[0].title, u"Quillon");
    EXPECT_EQ(rig.backend.messages[0].style, toolkit::msgbox::kOkOnly);
    bool folderOpened = false;
    for (const auto& open : rig.registry.opens) folderOpened |= open.key == kFolderKey;
    EXPECT_EQ(folderOpened, c.folderTried);
    EXPECT_EQ(rig.registry.OpenHandles(), 0u);
    EXPECT_TRUE(rig.about.Loaded());
  }
}

TEST(SystemInfo, TooLongRecordedPathCountsAsMissing) {
  AboutRig rig;
  rig.registry.SetText(kToolKey, u"PATH", std::string(1024, 'a'));  // 1025 bytes with its zero
  rig.registry.SetText(kFolderKey, u"MSINFO", "/opt/info");
  rig.files.files = rig.programs.programs = {Tool(u"/opt/info")};
  rig.PressSystemInfo();
  EXPECT_EQ(rig.Started(), std::vector<std::u16string>{Tool(u"/opt/info")});
  EXPECT_EQ(rig.backend.MessageTexts(), kNoMessage);
}

// The machine's hive grants reading only; the launcher must not ask for more.
TEST(SystemInfo, WorksWithARegistryThatRefusesWriteAccess) {
  AboutRig rig;
  rig.registry.readOnly = true;
  rig.registry.SetText(kFolderKey, u"MSINFO", "/opt/info");
  rig.files.files = rig.programs.programs = {Tool(u"/opt/info")};
  rig.PressSystemInfo();
  EXPECT_EQ(rig.Started(), std::vector<std::u16string>{Tool(u"/opt/info")});
  EXPECT_EQ(rig.backend.MessageTexts(), kNoMessage);
  ASSERT_FALSE(rig.registry.opens.empty());
  for (const auto& open : rig.registry.opens) EXPECT_EQ(open.samDesired, platform::kKeyRead);
}

// Numbers are the hex of their bytes last to first, once a final zero byte is
// dropped: 261 is 05 01 00 00.
TEST(GetKeyValue, ReadsTheValueAsItsTypeSays) {
  const struct {
    const char* name;
    std::uint32_t type;
    std::vector<std::uint8_t> bytes;
    std::u16string text;
  } rows[] = {
      {"text loses its final zero byte", platform::kRegSz, Bytes(std::string("C:\\info\0", 8)), u"C:\\info"},
      {"text without one keeps every byte", platform::kRegSz, Bytes("C:\\info"), u"C:\\info"},
      {"only one zero byte goes", platform::kRegSz, Bytes(std::string("ab\0\0", 4)), std::u16string(u"ab\0", 3)},
      {"UTF-8 text", platform::kRegSz, Bytes(std::string("/opt/caf\xC3\xA9\0", 11)), u"/opt/caf\u00E9"},
      {"text that exactly fills the buffer", platform::kRegSz, Bytes(std::string(1023, 'x') + '\0'),
       std::u16string(1023, u'x')},
      {"a small number", platform::kRegDword, {5, 1, 0, 0}, u"&h000105"},
      {"a large number", platform::kRegDword, {0xCD, 0x34, 0xAB, 0x12}, u"&h12AB34CD"},
      {"another type leaves the value as passed", kExpandableText, Bytes(std::string("%SystemRoot%\0", 13)),
       u"as passed"},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    AboutRig rig;
    rig.registry.Set(u"K", u"V", row.type, row.bytes);
    std::u16string value = u"as passed";
    EXPECT_TRUE(rig.about.GetKeyValue(platform::kHKeyLocalMachine, u"K", u"V", value));
    EXPECT_EQ(value, row.text);
    EXPECT_EQ(rig.registry.OpenHandles(), 0u);
  }
}

TEST(GetKeyValue, AnUnreadableValueEmptiesTheText) {
  const struct {
    const char* name;
    std::u16string key, value;
    int closes;  // a key never opened is not closed
  } rows[] = {
      {"missing key", u"missing key", u"V", 0},
      {"missing value", u"K", u"missing value", 1},
      {"more than the buffer holds", u"K", u"long", 1},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    AboutRig rig;
    rig.registry.SetText(u"K", u"long", std::string(1024, 'x'));
    std::u16string value = u"before";
    EXPECT_FALSE(rig.about.GetKeyValue(platform::kHKeyLocalMachine, row.key, row.value, value));
    EXPECT_EQ(value, u"");
    EXPECT_EQ(rig.registry.closes, row.closes);
    EXPECT_EQ(rig.registry.OpenHandles(), 0u);
  }
}

TEST(GetKeyValue, AnEmptyValueRaisesWithTheKeyClosed) {
  AboutRig rig;
  rig.registry.Set(u"K", u"V", platform::kRegSz, {});
  std::u16string value = u"before";
  EXPECT_ANY_THROW(rig.about.GetKeyValue(platform::kHKeyLocalMachine, u"K", u"V", value));
  EXPECT_EQ(rig.registry.OpenHandles(), 0u);
}

}  // namespace
