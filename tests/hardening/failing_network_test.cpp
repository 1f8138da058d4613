// One Get Exchange Rates click against failing networks: the real libcurl
// session with short limits, loopback servers scripted to fail, the window on
// the headless backend. Each case checks what the lists and the status show,
// that the window goes on working, and that the click blocked no longer than
// the limits allow (a bound, not a speed goal).
#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "hardening.h"
#include "rates/scan.h"
#include "platform/posix/curl_internet.h"
#include "platform/posix/lazy_internet.h"
#include "runtime/text.h"
#include "support/loopback_site.h"
#include "tls_site.h"

namespace hardening_test {
namespace {

using namespace std::chrono_literals;
using main_window_test::kTwoRowPage;
using support::LoopbackSite;
using support::Reply;
using support::SilentListener;

constexpr auto kConnect = 1000ms;
constexpr auto kStall = 1000ms;
constexpr std::size_t kCap = 64u << 10;
// No click may block longer than both limits together and a generous margin.
constexpr auto kBound = kConnect + kStall + 5s;
constexpr auto kOverall = kConnect + kStall + 2s;
// libcurl times the overall limit on a clock of its own (the raw monotonic
// one), which may run a hair apart from the test's: a millisecond in two
// seconds has been seen. A download cut at half the limit still fails.
constexpr auto kTimerGrain = 5ms;

const std::u16string kCantConnect = u"Can't Connect to Server, please try again later     ";
const std::u16string kDated = u"Rates for Friday, 4 December 2026";
// kTwoRowPage up to and including the first row's "</a>".
const std::size_t kFirstRowEnd = kTwoRowPage.find("</a>") + 4;

// The page box shows the text with its quotes taken out.
std::u16string Shown(const std::string& bytes) {
  return runtime::Replace(runtime::FromWindows1252(bytes), u"\"", u"");
}

class FailingNetworkTest : public HardeningTest {
 protected:
  void StartWith(platform::Internet& session, const std::u16string& url) {
    services.internet = &session;
    settings.ratesUrl = url;
    Start();
  }

  void StartAt(const std::u16string& url, std::chrono::milliseconds overall = kOverall) {
    platform::DownloadLimits limits;
    limits.connectTimeout = kConnect;
    limits.stallTimeout = kStall;
    limits.overallTimeout = overall;
    limits.maxBodyBytes = kCap;
    curl = std::make_unique<platform::posix::CurlInternet>(limits);
    StartWith(*curl, url);
  }

  // A failed download: empty lists, the start-up hint, the connection message.
  void ExpectEmptyButUsable() {
    ExpectSoundAfterClick(0);
    frm->txtAmount.UserTyped(u"5");
    ASSERT_EQ(backend.messages.size(), 2u) << "the amount box asks for rates, twice as the amount was not 1.00";
    EXPECT_EQ(backend.messages[0].style, toolkit::msgbox::kInformation);
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

  std::unique_ptr<platform::posix::CurlInternet> curl;
};

// The connection message over the window as it was before the click: the
// download never began.
TEST_F(FailingNetworkTest, NoConnectionShowsTheMessageOverAnUnchangedWindow) {
  const struct {
    const char* name;
    bool missingModule;  // the program's session module, not libcurl directly
    bool resolvable;
    bool fetchedBefore;  // a good fetch first, then nobody listens on the port
  } rows[] = {
      {"refused after a good fetch: the old rates stay", false, true, true},
      {"a host that does not resolve", false, false, false},
      {"a session module that is missing", true, true, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    backend.messages.clear();
    LoopbackSite site(Reply{.body = kTwoRowPage});
    const std::u16string url =
        row.resolvable ? site.Url16() : u"http://rates.quillon.invalid/cgi-bin/cgicalc.cgi?value=1&base=EUR";
    platform::posix::LazyModule nowhere("/nonexistent/quillon-internet.so");
    platform::posix::LazyInternet missing(nowhere);
    if (row.missingModule) StartWith(missing, url);
    else StartAt(url);
    if (row.fetchedBefore) {
      ClickGet();
      ExpectSoundAfterClick(2);
      site.Stop();
    }
    const std::size_t requests = site.Requests().size();
    backend.pointerHistory.clear();
    for (int click = 0; click < 2; ++click) {
      const auto blocked = ClickGet();
      Report(row.name, blocked);
      ASSERT_EQ(backend.messages.size(), 1u);
      EXPECT_EQ(backend.messages[0].text, kCantConnect);
      EXPECT_EQ(backend.messages[0].style, toolkit::msgbox::kCritical);
      backend.messages.clear();
      EXPECT_LT(blocked, kBound);
    }
    EXPECT_EQ(site.Requests().size(), requests) << "nothing is fetched";
    EXPECT_EQ(frm->lstCurrency.ListCount(), row.fetchedBefore ? 2 : 0);
    EXPECT_EQ(frm->lstRate.ListCount(), frm->lstCurrency.ListCount());
    EXPECT_EQ(frm->lblCount.Caption(), row.fetchedBefore ? kDated : main_window::kStartupHint);
    EXPECT_EQ(app->MousePointer(), toolkit::mouse::kDefault);
    EXPECT_TRUE(backend.pointerHistory.empty());
    if (row.fetchedBefore) {
      EXPECT_EQ(ConvertFirst(u"3"), u"2.00  Euros") << "the old rates stay usable";
    } else {
      frm->Option2.UserChoose();
      EXPECT_TRUE(frm->Option2.IsChosen()) << "the window goes on answering";
    }
  }
}

// Each row shows in the page box, the lists and the status line what had
// arrived when the download ended, and the site then serves the next click.
TEST_F(FailingNetworkTest, ADownloadEndsAtTheStallLimitOrTheDeadlineWithWhatArrived) {
  const std::vector<std::u16string> rates = {u"1.5", u"181.25"};
  const struct {
    const char* name;
    std::optional<Reply> reply;  // none: a listener that accepts and never answers
    std::chrono::milliseconds overall;
    std::pair<std::size_t, std::size_t> arrived;  // the fewest and most bytes of the page
    int rows;
    std::chrono::milliseconds atLeast;
  } rows[] = {
      {"accepts, never answers", std::nullopt, kOverall, {0, 0}, 0, kStall},
      // An answer or the rest of the body after the stall limit but before the
      // deadline tells a stall that ended the download from one that did not.
      {"answers only after the stall limit", Reply{.body = kTwoRowPage, .delay = 4s}, 6s, {0, 0}, 0, kStall},
      {"headers, then a stall", Reply{.body = kTwoRowPage, .stallAfter = 0}, kOverall, {0, 0}, 0, kStall},
      {"the first row, then a stall", Reply{.body = kTwoRowPage, .stallAfter = kFirstRowEnd, .stallFor = 4s}, 6s,
       {kFirstRowEnd, kFirstRowEnd}, 1, kStall},
      // After a slow start, eight single bytes a quarter second apart: two
      // seconds in all, more than the stall limit, but never a second without a byte.
      {"a byte every 250 ms to the end",
       Reply{.body = kTwoRowPage, .pieces = {kTwoRowPage.size() - 8, 1}, .delay = 300ms, .drip = 250ms}, kOverall,
       {kTwoRowPage.size(), kTwoRowPage.size()}, 2, 2000ms},
      {"a byte every 250 ms forever", Reply{.body = kTwoRowPage, .pieces = {kFirstRowEnd, 1}, .drip = 250ms}, 2000ms,
       {kFirstRowEnd, kTwoRowPage.size() - 1}, 1, 2000ms},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    backend.messages.clear();
    SilentListener silent;
    std::optional<LoopbackSite> site;
    if (row.reply) site.emplace(*row.reply);
    StartAt(site ? site->Url16() : runtime::FromUtf8("http://127.0.0.1:" + std::to_string(silent.Port()) + "/"),
            row.overall);
    const auto blocked = ClickGet();
    Report(row.name, blocked);
    EXPECT_GE(blocked, row.atLeast - kTimerGrain);
    EXPECT_LT(blocked, kBound);
    const std::u16string shown = frm->rtbMain.GetText();
    EXPECT_EQ(shown, Shown(kTwoRowPage).substr(0, shown.size())) << "what arrived, in order";
    EXPECT_GE(shown.size(), Shown(kTwoRowPage.substr(0, row.arrived.first)).size());
    EXPECT_LE(shown.size(), Shown(kTwoRowPage.substr(0, row.arrived.second)).size());
    if (row.rows == 0) {
      ExpectEmptyButUsable();
    } else {
      ExpectSoundAfterClick(row.rows);
      EXPECT_EQ(frm->lstRate.Items(), std::vector<std::u16string>(rates.begin(), rates.begin() + row.rows));
      EXPECT_EQ(frm->lstCurrency.List(0), u"US Dollar");
      EXPECT_EQ(frm->lblCount.Caption(), kDated);
    }
    if (site) ExpectRecovers(*site);
  }
}

TEST(ProductionLimits, AreTheOnesTheProgramUses) {
  // The program builds its session with the defaults.
  const platform::DownloadLimits limits;
  EXPECT_EQ(limits.connectTimeout, 60s);
  EXPECT_EQ(limits.stallTimeout, 30s);
  EXPECT_EQ(limits.overallTimeout, 120s);
  EXPECT_EQ(limits.maxBodyBytes, 16u << 20);
  EXPECT_EQ(limits.maxRedirects, 10);
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

  site.SetReply(Reply{.redirectTo = site.Url()});
  const auto blocked = ClickGet();
  Report("redirect loop", blocked);
  ExpectEmptyButUsable();
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
  const auto fits = rates::ScanRatePage(Shown(page.substr(0, kCap)));
  ASSERT_GT(fits.size(), 100u);
  ASSERT_LT(fits.size(), static_cast<std::size_t>(rows));
  ExpectSoundAfterClick(static_cast<int>(fits.size()));
  EXPECT_EQ(frm->lstCurrency.List(static_cast<int>(fits.size()) - 1), fits.back().name);
  EXPECT_EQ(frm->lblCount.Caption(), kDated);
  EXPECT_EQ(frm->rtbMain.GetText(), Shown(page.substr(0, kCap)));
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
}  // namespace hardening_test
