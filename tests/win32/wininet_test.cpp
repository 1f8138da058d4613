// The WinINet session against the loopback sites that quillon_test_sites
// serves on the Linux side.
#include <gtest/gtest.h>

#include <string>

#include "net/get_url.h"
#include "platform/win32/wininet_internet.h"
#include "win_test.h"

namespace {

using namespace std::chrono_literals;
using platform::win32::WinInetInternet;
using wintest::SiteUrl;

// Short enough for a quick run, long enough for a loaded machine to answer.
platform::DownloadLimits TestLimits() {
  return {.connectTimeout = 5s, .stallTimeout = 2s, .overallTimeout = 4s, .maxBodyBytes = 1000};
}

std::u16string Pattern(std::size_t size) {
  std::u16string text(size, u'\0');
  for (std::size_t i = 0; i < size; ++i) text[i] = static_cast<char16_t>(u'a' + i % 26);
  return text;
}

// The charset as the session reports it for the final response.
std::string CharsetOf(WinInetInternet& internet, const std::u16string& url) {
  const auto root = internet.InternetOpenA(u"vb wininet", platform::kInternetOpenTypeDirect, u"", u"", 0);
  const auto request = internet.InternetOpenUrlA(root, url, u"", 0, platform::kInternetFlagNoCacheWrite, 0);
  const std::string charset = internet.ResponseCharset(request);
  if (request != 0) internet.InternetCloseHandle(request);
  internet.InternetCloseHandle(root);
  return charset;
}

TEST(WinInet, PagesArriveWholeAndDecodeByTheirCharset) {
  struct Row {
    const char* site;
    std::string charset;
    std::u16string text;
  };
  const Row rows[] = {
      {"page", "iso-8859-1", u"<html>caf\u00E9 1.0</html>"},
      {"utf8", "utf-8", u"caf\u00E9 \u20AC"},
      {"utf8quoted", "utf-8", u"caf\u00E9"},
      {"utf8bare", "utf8", u"caf\u00E9"},
      {"nocharset", "", u"caf\u00E9"},
      {"notype", "", u"caf\u00E9"},
      {"chunked", "iso-8859-1", Pattern(700)},
      {"error", "iso-8859-1", u"<html>not here</html>"},
      {"empty", "iso-8859-1", u""},
      {"exact256", "iso-8859-1", Pattern(256)},
      {"r9", "iso-8859-1", u"<html>caf\u00E9 1.0</html>"},  // ten redirects, the limit
      {"nolocation", "iso-8859-1", u"moved nowhere"},
  };
  WinInetInternet internet(TestLimits());
  for (const auto& row : rows) {
    EXPECT_EQ(net::GetUrlText(internet, SiteUrl(row.site)), row.text) << row.site;
    EXPECT_EQ(CharsetOf(internet, SiteUrl(row.site)), row.charset) << row.site;
  }
}

TEST(WinInet, LimitsEndATransferKeepingWhatArrived) {
  struct Row {
    const char* site;
    std::size_t atLeast, atMost;  // characters kept
  };
  const Row rows[] = {
      {"big", 1000, 1000},   // the size cap
      {"stall", 10, 10},     // the receive time-out after ten bytes
      {"drip", 1, 399},      // the deadline, one byte every 50 ms
  };
  WinInetInternet internet(TestLimits());
  for (const auto& row : rows) {
    const std::u16string text = net::GetUrlText(internet, SiteUrl(row.site));
    EXPECT_GE(text.size(), row.atLeast) << row.site;
    EXPECT_LE(text.size(), row.atMost) << row.site;
    EXPECT_EQ(text, Pattern(text.size())) << row.site;
  }
}

TEST(WinInet, NoRequestWithoutAFinalResponse) {
  const std::pair<const char*, std::u16string> rows[] = {
      {"refused", SiteUrl("closed")},
      {"never answers", SiteUrl("silent")},
      {"status line too late", SiteUrl("slow")},
      {"eleven redirects", SiteUrl("r10")},
      {"redirect loop", SiteUrl("loop")},
      {"redirect to ftp", SiteUrl("toftp")},
      {"not a web address", u"ftp://127.0.0.1/rates"},
      {"no address", u""},
      {"unknown host", u"http://rates.invalid/"},
  };
  WinInetInternet internet(TestLimits());
  for (const auto& [what, url] : rows) {
    const auto root = internet.InternetOpenA(u"vb wininet", platform::kInternetOpenTypeDirect, u"", u"", 0);
    ASSERT_NE(root, 0u) << what;
    EXPECT_EQ(internet.InternetOpenUrlA(root, url, u"", 0, platform::kInternetFlagNoCacheWrite, 0), 0u) << what;
    EXPECT_TRUE(internet.InternetCloseHandle(root)) << what;
    EXPECT_EQ(net::GetUrlText(internet, url), u"") << what;
  }
}

TEST(WinInet, NoRedirectLeavesHttps) {
  struct Row {
    const char* name;
    std::string from, to;
    bool followed;
  };
  const Row rows[] = {
      {"https to http", "https://rates.example/feed.xml", "http://rates.example/feed.xml", false},
      {"https to http, capitals", "HTTPS://rates.example/", "HTTP://mirror.example/", false},
      {"https to ftp", "https://rates.example/", "ftp://rates.example/", false},
      {"https to https", "https://rates.example/", "https://mirror.example:8443/feed.xml", true},
      {"http to https", "http://rates.example/", "https://rates.example/", true},
      {"http to http", "http://127.0.0.1:8080/", "http://127.0.0.1:8081/", true},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(platform::win32::RedirectKeepsSecurity(row.from, row.to), row.followed) << row.name;
  }
}

TEST(WinInet, ReachabilityIsAConnection) {
  const std::pair<std::u16string, std::int32_t> rows[] = {
      {SiteUrl("page"), 1},
      {SiteUrl("closed"), 0},
      {u"not an address", 0},
      {u"", 0},
  };
  WinInetInternet internet(TestLimits());
  for (const auto& [url, reachable] : rows) {
    EXPECT_EQ(internet.InternetCheckConnectionA(url, platform::kFlagIccForceConnection, 0) != 0, reachable != 0)
        << std::string(url.begin(), url.end());
  }
}

}  // namespace
