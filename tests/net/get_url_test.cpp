// net::GetUrlText's read loop and handle discipline, against a scripted session
// that can deliver reads of any size (a real transfer rarely does).
#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "net/get_url.h"
#include "runtime/text.h"

namespace {

using platform::HInternet;

class ScriptedInternet : public platform::Internet {
 public:
  HInternet rootResult = 10;
  HInternet requestResult = 20;
  std::string body;
  std::deque<std::uint32_t> readSizes;  // what each read reports; then 256s
  std::string charset;

  std::vector<std::string> calls;
  std::u16string agent, url, headers;
  std::uint32_t accessType = 99, openFlags = 99, urlFlags = 99, headersLength = 99;
  std::vector<std::uint32_t> asked;

  HInternet InternetOpenA(const std::u16string& a, std::uint32_t access, const std::u16string&,
                          const std::u16string&, std::uint32_t flags) override {
    calls.push_back("open");
    agent = a;
    accessType = access;
    openFlags = flags;
    return rootResult;
  }
  HInternet InternetOpenUrlA(HInternet root, const std::u16string& u, const std::u16string& h,
                             std::uint32_t hl, std::uint32_t flags, std::uintptr_t) override {
    calls.push_back("openurl:" + std::to_string(root));
    url = u;
    headers = h;
    headersLength = hl;
    urlFlags = flags;
    return requestResult;
  }
  bool InternetReadFile(HInternet request, void* buffer, std::uint32_t toRead,
                        std::uint32_t& read) override {
    calls.push_back("read:" + std::to_string(request));
    asked.push_back(toRead);
    std::uint32_t n = toRead;
    if (!readSizes.empty()) {
      n = readSizes.front();
      readSizes.pop_front();
    }
    const std::size_t left = body.size() - pos_;
    const std::size_t copy = std::min<std::size_t>({n, left, toRead});
    std::memcpy(buffer, body.data() + pos_, copy);
    pos_ += copy;
    // A misbehaving read may report more than it copied; the scripted size wins.
    read = n > toRead ? n : static_cast<std::uint32_t>(copy);
    return true;
  }
  bool InternetCloseHandle(HInternet handle) override {
    calls.push_back("close:" + std::to_string(handle));
    return true;
  }
  std::int32_t InternetCheckConnectionA(const std::u16string&, std::uint32_t, std::uint32_t) override {
    return 1;
  }
  std::string ResponseCharset(HInternet) override { return charset; }

  int Reads() const {
    int n = 0;
    for (const auto& c : calls) n += c.rfind("read:", 0) == 0;
    return n;
  }

 private:
  std::size_t pos_ = 0;
};

TEST(GetUrlText, OpensDirectWithTheAgentAndNoCacheWriteAndClosesRequestThenRoot) {
  ScriptedInternet net;
  net.body = "hello";
  EXPECT_EQ(net::GetUrlText(net, u"http://rates.test/x"), u"hello");
  EXPECT_EQ(net.agent, u"vb wininet");
  EXPECT_EQ(net.accessType, 1u);
  EXPECT_EQ(net.openFlags, 0u);
  EXPECT_EQ(net.url, u"http://rates.test/x");
  EXPECT_EQ(net.headers, u"");
  EXPECT_EQ(net.headersLength, 0u);
  EXPECT_EQ(net.urlFlags, 0x04000000u);
  for (auto asked : net.asked) EXPECT_EQ(asked, 256u);
  const std::vector<std::string> expected = {"open", "openurl:10", "read:20", "read:20",
                                             "close:20", "close:10"};
  EXPECT_EQ(net.calls, expected);
}

TEST(GetUrlText, FailedOpenClosesOnlyWhatWasOpened) {
  ScriptedInternet noRequest;
  noRequest.requestResult = 0;
  EXPECT_EQ(net::GetUrlText(noRequest, u"http://x/"), u"");
  EXPECT_EQ(noRequest.calls, (std::vector<std::string>{"open", "openurl:10", "close:10"}));

  ScriptedInternet noRoot;
  noRoot.rootResult = 0;
  EXPECT_EQ(net::GetUrlText(noRoot, u"http://x/"), u"");
  EXPECT_EQ(noRoot.calls, std::vector<std::string>{"open"});
}

TEST(GetUrlText, ShortReadsDoNotEndTheLoopOnlyAnEmptyReadDoes) {
  ScriptedInternet net;
  for (int i = 0; i < 300; ++i) net.body += static_cast<char>('a' + i % 26);
  net.readSizes = {1, 7, 0};
  // Stops at the empty read even though bytes remain.
  EXPECT_EQ(net::GetUrlText(net, u"http://x/"), runtime::FromWindows1252(net.body.substr(0, 8)));
  EXPECT_EQ(net.Reads(), 3);

  ScriptedInternet varied;
  varied.body = net.body;
  varied.readSizes = {1, 7, 100, 3, 256, 1};
  EXPECT_EQ(net::GetUrlText(varied, u"http://x/"), runtime::FromWindows1252(varied.body));
}

TEST(GetUrlText, ExactlyOneFullBufferNeedsASecondEmptyRead) {
  ScriptedInternet net;
  net.body.assign(256, 'z');
  EXPECT_EQ(net::GetUrlText(net, u"http://x/").size(), 256u);
  EXPECT_EQ(net.Reads(), 2);
}

TEST(GetUrlText, ACountBeyondTheBufferEndsTheLoopWithoutAppending) {
  ScriptedInternet net;
  net.body = std::string(600, 'q');
  net.readSizes = {10, 4000};
  EXPECT_EQ(net::GetUrlText(net, u"http://x/"), std::u16string(10, u'q'));
  EXPECT_EQ(net.Reads(), 2);
}

TEST(GetUrlText, DecodesOnceSoASequenceSplitAcrossReadsSurvives) {
  ScriptedInternet net;
  net.body = "1 \xE2\x82\xAC = 1.17 $";  // the Euro sign takes 3 bytes
  net.charset = "UTF-8";
  net.readSizes = {3, 1, 1, 255};
  EXPECT_EQ(net::GetUrlText(net, u"http://x/"), u"1 \u20AC = 1.17 $");

  ScriptedInternet alias;
  alias.body = "\xC3\xA9t\xC3\xA9";
  alias.charset = "utf8";
  alias.readSizes = {1};
  EXPECT_EQ(net::GetUrlText(alias, u"http://x/"), u"\u00E9t\u00E9");
}

TEST(GetUrlText, AnyOtherCharsetIsWindows1252OneUnitPerByte) {
  for (const char* charset : {"", "iso-8859-1", "windows-1252", "utf-16"}) {
    ScriptedInternet net;
    net.body = "\x80\x9F\xE9\xC3\xA9";
    net.charset = charset;
    EXPECT_EQ(net::GetUrlText(net, u"http://x/"), u"\u20AC\u0178\u00E9\u00C3\u00A9") << charset;
  }
}

}  // namespace
