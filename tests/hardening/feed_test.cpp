// A reference-rates feed read by a Get Exchange Rates click: the real libcurl
// session and the real libxml2 reader against loopback servers, the window on
// the headless backend. A usable feed lists its newest day; anything else
// leaves empty lists, the start-up hint and the connection message.
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "support/feeds.h"
#include "hardening.h"
#include "platform/posix/curl_internet.h"
#include "platform/posix/xml_feed_reader.h"
#include "runtime/text.h"
#include "support/loopback_site.h"
#include "tls_site.h"

namespace hardening_test {
namespace {

using namespace std::chrono_literals;
using support::LoopbackSite;
using support::Reply;

class FeedTest : public HardeningTest {
 protected:
  void StartAt(const std::u16string& url, std::string trusted = {}) {
    platform::DownloadLimits limits;
    limits.connectTimeout = 2s;
    limits.stallTimeout = 2s;
    limits.overallTimeout = 6s;
    curl = std::make_unique<platform::posix::CurlInternet>(limits, std::move(trusted));
    services.internet = curl.get();
    services.feeds = &reader;
    settings.ratesUrl = url;
    Start();
  }

  std::vector<std::u16string> Listed() const { return frm->lstCurrency.Items(); }

  std::unique_ptr<platform::posix::CurlInternet> curl;
  platform::posix::XmlFeedReader reader;
};

TEST_F(FeedTest, AUsableFeedListsItsNewestDay) {
  const std::string sample = support::ReadTestData("eurofxref-daily-2023-12-29.xml");
  for (const feeds::Good& row : feeds::GoodFeeds(sample)) {
    SCOPED_TRACE(row.name);
    backend.messages.clear();
    LoopbackSite site(Reply{.contentType = "text/xml", .body = row.document});
    StartAt(site.Url16("/eurofxref-daily.xml"));
    ClickGet();
    ExpectSoundAfterClick(static_cast<int>(row.rows));
    EXPECT_EQ(frm->lblCount.Caption(), runtime::FromUtf8("Rates for " + row.longDate));
    ASSERT_GE(frm->lstCurrency.ListCount(), 1);
    EXPECT_EQ(frm->lstCurrency.List(0), runtime::FromUtf8(row.firstName));
    EXPECT_EQ(frm->lstRate.List(0), runtime::FromUtf8(row.firstRate));
    EXPECT_NE(frm->rtbMain.GetText().find(u"nbsp;&nbsp;&nbsp;&nbsp;"), std::u16string::npos)
        << "the page box holds the page written for the feed";
  }
}

TEST_F(FeedTest, AnythingElseListsNothingAndSaysSo) {
  const std::string sample = support::ReadTestData("eurofxref-daily-2023-12-29.xml");
  for (const feeds::Bad& row : feeds::BadFeeds(sample)) {
    SCOPED_TRACE(row.name);
    backend.messages.clear();
    LoopbackSite site(Reply{.contentType = row.contentType, .body = row.document});
    StartAt(site.Url16("/eurofxref-daily.xml"));
    ClickGet();
    ExpectSoundAfterClick(0);
    EXPECT_EQ(frm->rtbMain.GetText().find(u"nbsp;"), std::u16string::npos) << "no half table reaches the page box";
  }
  {
    SCOPED_TRACE("a certificate that does not verify");
    backend.messages.clear();
    TlsSite site(sample);
    StartAt(site.Url16());
    ClickGet();
    ExpectSoundAfterClick(0);
    EXPECT_EQ(site.Requests(), 0);
  }
}

// Once on https, a download never goes back to plain http; the same site
// trusted and answering itself lists the rates, so only the redirect refuses.
TEST_F(FeedTest, AnHttpsDownloadIsNotRedirectedToHttp) {
  const std::string sample = support::ReadTestData("eurofxref-daily-2023-12-29.xml");
  LoopbackSite plain(Reply{.contentType = "text/xml", .body = sample});
  {
    SCOPED_TRACE("trusted, answering itself");
    TlsSite site(sample);
    StartAt(site.Url16(), site.CertificateFile());
    ClickGet();
    ExpectSoundAfterClick(30);
  }
  {
    SCOPED_TRACE("trusted, redirecting to http");
    TlsSite site(sample, plain.Url("/eurofxref-daily.xml"));
    StartAt(site.Url16(), site.CertificateFile());
    ClickGet();
    ExpectSoundAfterClick(0);
    EXPECT_EQ(site.Requests(), 1);
    EXPECT_TRUE(plain.Requests().empty());
  }
}

}  // namespace
}  // namespace hardening_test
