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

 private:
  std::size_t pos_ = 0;
};

TEST(GetUrlText, AsksTheSessionForADirectUncachedFetchIn256ByteReads) {
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
  EXPECT_EQ(net.asked, (std::vector<std::uint32_t>{256, 256}));
}

TEST(GetUrlText, ClosesWhatItOpenedRequestBeforeRoot) {
  const struct {
    const char* name;
    HInternet root, request;
    std::u16string text;
    std::vector<std::string> calls;
  } rows[] = {
      // A full buffer is no end: the second, empty read is.
      {"both open, one full buffer", 10, 20, std::u16string(256, u'z'),
       {"open", "openurl:10", "read:20", "read:20", "close:20", "close:10"}},
      {"the request fails", 10, 0, u"", {"open", "openurl:10", "close:10"}},
      {"the root fails", 0, 20, u"", {"open"}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    ScriptedInternet net;
    net.rootResult = row.root;
    net.requestResult = row.request;
    net.body.assign(256, 'z');
    EXPECT_EQ(net::GetUrlText(net, u"http://x/"), row.text);
    EXPECT_EQ(net.calls, row.calls);
  }
}

// Only an empty read ends the loop: not a short one, nor one that leaves bytes
// behind; a count beyond the buffer ends it too, appending nothing.
TEST(GetUrlText, ReadsUntilAnEmptyRead) {
  std::string alphabet;
  for (int i = 0; i < 300; ++i) alphabet += static_cast<char>('a' + i % 26);
  const struct {
    const char* name;
    std::string body;
    std::deque<std::uint32_t> readSizes;
    std::size_t kept;
  } rows[] = {
      {"short reads of every size", alphabet, {1, 7, 100, 3, 256, 1}, 300},
      {"an empty read though bytes remain", alphabet, {1, 7, 0}, 8},
      {"a count beyond the buffer", std::string(600, 'q'), {10, 4000}, 10},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    ScriptedInternet net;
    net.body = row.body;
    net.readSizes = row.readSizes;
    EXPECT_EQ(net::GetUrlText(net, u"http://x/"), runtime::FromWindows1252(row.body.substr(0, row.kept)));
  }
}

// UTF-8 is decoded once over the whole body, so a character split across
// reads survives; any other charset is Windows-1252, one unit per byte.
TEST(GetUrlText, DecodesTheBodyByItsCharset) {
  const std::string win1252 = "\x80\x9F\xE9\xC3\xA9";
  const std::u16string asWin1252 = u"\u20AC\u0178\u00E9\u00C3\u00A9";
  const struct {
    const char* name;
    std::string charset, body;
    std::deque<std::uint32_t> readSizes;
    std::u16string text;
  } rows[] = {
      {"UTF-8, the Euro sign over three reads", "UTF-8", "1 \xE2\x82\xAC = 1.17 $", {3, 1, 1, 255},
       u"1 \u20AC = 1.17 $"},
      {"the utf8 alias, a byte a read", "utf8", "\xC3\xA9t\xC3\xA9", {1}, u"\u00E9t\u00E9"},
      {"none named", "", win1252, {}, asWin1252},
      {"iso-8859-1", "iso-8859-1", win1252, {}, asWin1252},
      {"windows-1252", "windows-1252", win1252, {}, asWin1252},
      {"utf-16", "utf-16", win1252, {}, asWin1252},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    ScriptedInternet net;
    net.charset = row.charset;
    net.body = row.body;
    net.readSizes = row.readSizes;
    EXPECT_EQ(net::GetUrlText(net, u"http://x/"), row.text);
  }
}

}  // namespace
