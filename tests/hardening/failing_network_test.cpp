// One Get Exchange Rates click against failing networks: the real libcurl
// session with short limits, loopback servers scripted to fail, the window on
// the headless backend. Each case checks what the lists and the status show,
// that the window goes on working, and that the click blocked no longer than
// the limits allow (a bound, not a speed goal).
#include <chrono>
#include <memory>
#include <string>

#include "hardening.h"
#include "main_window/rate_page.h"
#include "platform/posix/curl_internet.h"
#include "runtime/text.h"
#include "support/loopback_site.h"
#include "tls_site.h"

namespace hardening {
namespace {

using namespace std::chrono_literals;
using quillon_test::kTwoRowPage;
using testsupport::LoopbackSite;
using testsupport::Reply;
using testsupport::SilentListener;

constexpr auto kConnect = 1000ms;
constexpr auto kStall = 1000ms;
constexpr std::size_t kCap = 64u << 10;
// No click may block longer than both limits together and a generous margin.
constexpr auto kBound = kConnect + kStall + 5s;

const std::u16string kCantConnect = u"Can't Connect to Server, please try again later     ";
const std::u16string kDated = u"Rates for Friday, 4 December 2026";
// kTwoRowPage up to and including the first row's "</a>".
const std::size_t kFirstRowEnd = kTwoRowPage.find("</a>") + 4;

class FailingNetworkTest : public HardeningTest {
 protected:
  void StartAt(const std::u16string& url) {
    platform::CurlLimits limits;
    limits.connectTimeout = kConnect;
    limits.stallTimeout = kStall;
    limits.maxBodyBytes = kCap;
    curl = std::make_unique<platform::CurlInternet>(limits);
    services.internet = curl.get();
    settings.ratesUrl = url;
    Start();
  }

  // A failed download is no error of its own: empty lists, no date.
  void ExpectEmptyButUsable() {
    ExpectSoundAfterClick(0);
    EXPECT_EQ(frm->lblCount.Caption(), u"Rates for ");
    frm->txtAmount.UserTyped(u"5");
    ASSERT_EQ(backend.messages.size(), 2u) << "the amount box asks for rates, twice as the amount was not 1.00";
    EXPECT_EQ(backend.messages[0].style, tk::msgbox::kInformation);
    EXPECT_EQ(frm->txtAmount.GetText(), u"1.00");
    backend.messages.clear();
  }

  // The site answers well again: the next click lists both rows and converts.
  void ExpectRecovers(LoopbackSite& site) {
    site.SetReply(Reply{.body = kTwoRowPage});
    Report("recovery", ClickGet());
    ExpectSoundAfterClick(2);
    EXPECT_EQ(ConvertFirst(u"3"), u"2.00  Euros");
  }

  std::unique_ptr<platform::CurlInternet> curl;
};

TEST_F(FailingNetworkTest, ARefusedConnectionShowsTheMessageAndKeepsTheOldRates) {
  LoopbackSite site(Reply{.body = kTwoRowPage});
  StartAt(site.Url16());
  ClickGet();
  ExpectSoundAfterClick(2);
  site.Stop();  // nobody listens on the port now

  const auto blocked = ClickGet();
  Report("refused", blocked);
  ASSERT_EQ(backend.messages.size(), 1u);
  EXPECT_EQ(backend.messages[0].text, kCantConnect);
  EXPECT_EQ(backend.messages[0].style, tk::msgbox::kCritical);
  backend.messages.clear();
  EXPECT_EQ(frm->lstCurrency.ListCount(), 2);
  EXPECT_EQ(frm->lstRate.ListCount(), 2);
  EXPECT_EQ(frm->lblCount.Caption(), kDated);
  EXPECT_EQ(app->MousePointer(), 0);
  EXPECT_EQ(ConvertFirst(u"3"), u"2.00  Euros") << "the old rates stay usable";
  EXPECT_LT(blocked, kBound);
}

TEST_F(FailingNetworkTest, AHostThatDoesNotResolveShowsTheMessageAndFetchesNothing) {
  StartAt(u"http://rates.quillon.invalid/cgi-bin/cgicalc.cgi?value=1&base=EUR");
  const auto blocked = ClickGet();
  Report("unresolvable host", blocked);
  ASSERT_EQ(backend.messages.size(), 1u);
  EXPECT_EQ(backend.messages[0].text, kCantConnect);
  backend.messages.clear();
  EXPECT_EQ(frm->lblCount.Caption(), quillon::kStartupHint);
  EXPECT_EQ(frm->lstCurrency.ListCount(), 0);
  EXPECT_EQ(app->MousePointer(), 0);
  // The download never starts, so the name is looked up once, by the test.
  EXPECT_TRUE(backend.pointerHistory.empty());
  EXPECT_LT(blocked, kBound);
}

TEST_F(FailingNetworkTest, AServerThatAcceptsAndNeverAnswersEndsAtTheStallLimit) {
  SilentListener silent;
  StartAt(rt::FromUtf8("http://127.0.0.1:" + std::to_string(silent.Port()) + "/cgi-bin/cgicalc.cgi?value=1&base=EUR"));
  const auto blocked = ClickGet();
  Report("accepts, never answers", blocked);
  ExpectEmptyButUsable();
  EXPECT_GE(blocked, kStall);
  EXPECT_LT(blocked, kBound);
}

TEST_F(FailingNetworkTest, HeadersAndThenAStallKeepWhatArrived) {
  Reply reply{.body = kTwoRowPage, .stallAfter = 0};
  LoopbackSite site(reply);
  StartAt(site.Url16());
  auto blocked = ClickGet();
  Report("headers, then stall", blocked);
  ExpectEmptyButUsable();
  EXPECT_LT(blocked, kBound);

  // Stalled after the first row: that row is listed, the second is not.
  reply.stallAfter = kFirstRowEnd;
  site.SetReply(reply);
  blocked = ClickGet();
  Report("first row, then stall", blocked);
  ExpectSoundAfterClick(1);
  EXPECT_EQ(frm->lstCurrency.List(0), u"US Dollar");
  EXPECT_EQ(frm->lblCount.Caption(), kDated);
  EXPECT_LT(blocked, kBound);
  ExpectRecovers(site);
}

TEST_F(FailingNetworkTest, APageDrippedSlowerInAllThanTheStallLimitStillArrives) {
  // Eight single bytes a quarter second apart: two seconds in all, more than
  // the stall limit, but never a second without a byte.
  LoopbackSite site(Reply{.body = kTwoRowPage, .pieces = {kTwoRowPage.size() - 8, 1}, .drip = 250ms});
  StartAt(site.Url16());
  const auto blocked = ClickGet();
  Report("drip", blocked);
  ExpectSoundAfterClick(2);
  EXPECT_EQ(frm->lstRate.List(1), u"181.25");
  EXPECT_EQ(frm->lblCount.Caption(), kDated);
  EXPECT_GE(blocked, 2000ms);
  EXPECT_LT(blocked, 2000ms + kBound);
}

TEST_F(FailingNetworkTest, AResetInTheMiddleOfTheBodyListsTheRowsBeforeIt) {
  LoopbackSite site(Reply{.body = kTwoRowPage, .dropAfter = kFirstRowEnd + 10});
  StartAt(site.Url16());
  const auto blocked = ClickGet();
  Report("reset mid-body", blocked);
  ExpectSoundAfterClick(1);
  EXPECT_EQ(frm->lstRate.List(0), u"1.5");
  EXPECT_LT(blocked, kBound);
  ExpectRecovers(site);
}

TEST_F(FailingNetworkTest, AnErrorStatusIsReadLikeAnyPage) {
  LoopbackSite site(Reply{.status = 500, .body = kTwoRowPage});
  StartAt(site.Url16());
  Report("status 500 with a rates page", ClickGet());
  ExpectSoundAfterClick(2);
  EXPECT_EQ(frm->lblCount.Caption(), kDated);
  EXPECT_EQ(ConvertFirst(u"3"), u"2.00  Euros");

  site.SetReply(Reply{.status = 404, .body = "<html><body>Not Found<BR></body></html>"});
  Report("status 404", ClickGet());
  ExpectEmptyButUsable();
}

TEST_F(FailingNetworkTest, RedirectsAreFollowedToAnotherPortButNotRoundInALoop) {
  LoopbackSite target(Reply{.body = kTwoRowPage});
  LoopbackSite site(Reply{.redirectTo = target.Url()});
  StartAt(site.Url16());
  Report("redirect to another port", ClickGet());
  ExpectSoundAfterClick(2);
  EXPECT_EQ(target.Requests().size(), 1u);

  site.SetReply(Reply{.redirectTo = site.Url()});
  const auto blocked = ClickGet();
  Report("redirect loop", blocked);
  ExpectEmptyButUsable();
  EXPECT_GT(site.Requests().size(), 2u);
  EXPECT_LT(blocked, kBound);
  ExpectRecovers(site);
}

TEST_F(FailingNetworkTest, ABodyOverTheCapListsTheRowsThatFitBeforeIt) {
  std::string page = kDateLine;
  int rows = 0;
  while (page.size() < 4 * kCap) page += Row("Currency " + std::to_string(++rows), "1.5");
  LoopbackSite site(Reply{.body = page});
  StartAt(site.Url16());
  const auto blocked = ClickGet();
  Report("body over the cap", blocked);
  const auto fits = quillon::ScanRatePage(rt::Replace(rt::FromWindows1252(page.substr(0, kCap)), u"\"", u""));
  ASSERT_GT(fits.size(), 100u);
  ASSERT_LT(fits.size(), static_cast<std::size_t>(rows));
  ExpectSoundAfterClick(static_cast<int>(fits.size()));
  EXPECT_EQ(frm->lstCurrency.List(static_cast<int>(fits.size()) - 1), fits.back().name);
  EXPECT_EQ(frm->lblCount.Caption(), kDated);
  EXPECT_EQ(frm->rtbMain.GetText().size(), fits.empty() ? 0u : rt::Replace(rt::FromWindows1252(page.substr(0, kCap)), u"\"", u"").size());
  EXPECT_LT(blocked, kBound);
  EXPECT_EQ(ConvertFirst(u"3"), u"2.00  Euros");
}

TEST_F(FailingNetworkTest, ASelfSignedCertificateIsRefusedLikeAFailedOpen) {
  TlsSite site(kTwoRowPage);
  StartAt(site.Url16());
  const auto blocked = ClickGet();
  Report("https, self-signed", blocked);
  ExpectEmptyButUsable();
  EXPECT_EQ(site.Requests(), 0) << "no request may pass an untrusted handshake";
  EXPECT_LT(blocked, kBound);
}

}  // namespace
}  // namespace hardening
