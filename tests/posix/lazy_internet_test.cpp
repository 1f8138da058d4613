// The session loaded as a module at its first use.
#include "platform/posix/lazy_internet.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "net/get_url.h"
#include "runtime/text.h"
#include "support/loopback_site.h"

namespace {

using platform::posix::LazyFeedReader;
using platform::posix::LazyInternet;
using platform::posix::LazyModule;
using support::LoopbackSite;
using support::Reply;

bool Mapped(const std::string& file) {
  std::ifstream maps("/proc/self/maps");
  const std::string all((std::istreambuf_iterator<char>(maps)), std::istreambuf_iterator<char>());
  return all.find(file) != std::string::npos;
}

TEST(LazyInternet, LoadsTheModuleAtTheFirstCallAndFetchesThroughIt) {
  LazyModule module(QUILLON_INTERNET_MODULE);
  LazyInternet net(module);
  LazyFeedReader feeds(module);
  ASSERT_FALSE(Mapped(platform::posix::kInternetModuleName)) << "loaded before anything was asked";
  ASSERT_FALSE(Mapped("libxml2")) << "the XML parser is mapped at start";
  LoopbackSite site(Reply{.contentType = "text/html; charset=UTF-8", .body = "<p>rates \xe2\x82\xac</p>"});

  EXPECT_EQ(net.InternetCheckConnectionA(site.Url16(), platform::kFlagIccForceConnection, 0), 1);
  EXPECT_TRUE(Mapped(platform::posix::kInternetModuleName));
  EXPECT_EQ(net::GetUrlText(net, site.Url16()), u"<p>rates \u20ac</p>");
  EXPECT_EQ(site.Requests().size(), 1u);

  // The reader comes from the same module, which brings libxml2 with it.
  rates::Day day;
  std::string why;
  EXPECT_TRUE(feeds.ReadNewestDay(support::ReadTestData("eurofxref-daily-2023-12-29.xml"), day, why)) << why;
  EXPECT_EQ(day.date, "2023-12-29");
  EXPECT_TRUE(Mapped("libxml2"));
}

// Whatever keeps the module from loading, the session is one that reaches
// nothing: every call fails and no call throws.
TEST(LazyInternet, AModuleThatCannotBeLoadedFailsEveryCall) {
  const std::string notAModule = ::testing::TempDir() + "quillon-not-a-module.so";
  std::ofstream(notAModule) << "plain text";
  struct Case {
    const char* name;
    std::string path;
  };
  const std::vector<Case> cases = {
      {"missing", "/nonexistent/quillon-internet.so"},
      {"not a shared object", notAModule},
      {"no entry point", "libm.so.6"},
  };
  LoopbackSite site(Reply{.body = "page"});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LazyModule module(c.path);
    LazyInternet net(module);
    EXPECT_EQ(net.InternetCheckConnectionA(site.Url16(), platform::kFlagIccForceConnection, 0), 0);
    EXPECT_EQ(net.InternetOpenA(u"agent", platform::kInternetOpenTypeDirect, u"", u"", 0), 0u);
    EXPECT_EQ(net.InternetOpenUrlA(1, site.Url16(), u"", 0, 0, 0), 0u);
    char buffer[8];
    std::uint32_t read = 99;
    EXPECT_FALSE(net.InternetReadFile(1, buffer, sizeof buffer, read));
    EXPECT_EQ(read, 0u);
    EXPECT_FALSE(net.InternetCloseHandle(1));
    EXPECT_EQ(net.ResponseCharset(1), "");
    EXPECT_EQ(net::GetUrlText(net, site.Url16()), u"");
    rates::Day day;
    std::string why;
    EXPECT_FALSE(LazyFeedReader(module).ReadNewestDay("<a/>", day, why));
    EXPECT_FALSE(why.empty());
  }
  EXPECT_TRUE(site.Requests().empty());
}

}  // namespace
