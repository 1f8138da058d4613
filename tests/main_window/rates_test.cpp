// Getting the rates: the page scan, the date line and the Get button's handler.
#include "fixture.h"
#include "rates/scan.h"

namespace main_window_test {
namespace {

using rates::ExtractBetween;
using rates::ScanRatePage;

TEST(ExtractBetweenTest, FindsTheTextBetweenDelimitersInBothModes) {
  const std::u16string text = u"a [one] b [two] <BR>x<br>";
  EXPECT_EQ(ExtractBetween(1, text, u"[", u"]", 0), u"one");
  EXPECT_EQ(ExtractBetween(4, text, u"[", u"]", 0), u"two") << "start lies past the first opening";
  EXPECT_EQ(ExtractBetween(1, text, u"]", u"<br>", 0), u" b [two] <BR>x");
  EXPECT_EQ(ExtractBetween(1, text, u"]", u"<br>", 1), u" b [two] ");
  EXPECT_EQ(ExtractBetween(1, text, u"[", u"[", 0), u"one] b ");
  EXPECT_EQ(ExtractBetween(1, u"ab", u"a", u"b", 0), u"") << "touching delimiters";
  EXPECT_EQ(ExtractBetween(1, text, u"{", u"]", 0), u"");
  EXPECT_EQ(ExtractBetween(1, text, u"[", u"}", 0), u"");
  EXPECT_EQ(ExtractBetween(1, u"", u"[", u"]", 1), u"");
}

const std::u16string kMarker = u"nbsp;&nbsp;&nbsp;&nbsp;";

// The scan's rows as "name|rate".
std::vector<std::u16string> Scanned(const std::u16string& page) {
  std::vector<std::u16string> rows;
  for (const auto& row : ScanRatePage(page)) rows.push_back(row.name + u'|' + row.rate);
  return rows;
}

TEST(ScanRatePageTest, ReadsEachRowAsThePageWritesIt) {
  const struct {
    const char* name;
    std::u16string page;
    std::vector<std::u16string> rows;
  } rows[] = {
      {"the one-row example, counted from the marker", kMarker + u"12345Name..font.html>0.5</a>", {u"Name|0.5"}},
      {"the entity's own & in front: offsets count from the n", u"xx&" + kMarker + u"<img>Name..font.html>0.5</a>",
       {u"Name|0.5"}},
      {"page order, blanks kept",
       kMarker + u"<img> B One ..font html> 1,563.12 </a>" + kMarker + u"<img>A Two..fontxhtml>2</a>",
       {u" B One | 1,563.12 ", u"A Two|2"}},
      {"two characters right before font: an empty name", kMarker + u"12345..font.html>1</a>", {u"|1"}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(Scanned(row.page), row.rows);
  }
}

// Each tail follows one good row: the scan reads that row and no half of the next.
TEST(ScanRatePageTest, ARowMissingADelimiterAsWrittenIsLeftOut) {
  const std::pair<const char*, std::u16string> tails[] = {
      {"the marker in capitals", u"NBSP;&NBSP;&NBSP;&NBSP;<img>Name..font.html>1</a>"},
      {"font, html> and </a> in capitals", kMarker + u"<img>Name..FONT.HTML>1</A>"},
      {"nothing after the marker", kMarker},
      {"no </a>", kMarker + u"<img>Name..font.html>2"},
      {"no html>", kMarker + u"<img>Name..font.htm>2</a>"},
      {"no font", kMarker + u"<img>Name no font at all"},
      {"the page ends in the skipped characters", kMarker + u"X"},
      {"font only inside the skipped characters", kMarker + u"fontfont.html>3</a>"},
      {"font at the name start, no room for the two characters", kMarker + u"12345font.html>1</a>"},
  };
  for (const auto& [name, tail] : tails) {
    SCOPED_TRACE(name);
    EXPECT_EQ(Scanned(kMarker + u"<img>Good..font.html>1</a>" + tail), std::vector<std::u16string>{u"Good|1"});
  }
}

using GetRatesTest = MainWindowTest;

TEST_F(GetRatesTest, TheStatusShowsTheDownloadBeforeItStarts) {
  Start();
  FetchRates();
  backend.pointerHistory.clear();
  std::u16string statusDuringDownload;
  std::u16string statusWhileEventsRan;
  // Posted input runs when the window lets pending events (its repaint) run.
  backend.Post([&] { statusWhileEventsRan = frm->lblCount.Caption(); });
  int pointerDuringDownload = -1;
  int listedDuringDownload = -1;
  internet.onOpenUrl = [&] {
    statusDuringDownload = frm->lblCount.Caption();
    pointerDuringDownload = app->MousePointer();
    listedDuringDownload = frm->lstCurrency.ListCount();
  };
  FetchRates();
  EXPECT_EQ(statusDuringDownload, u"Downloading Current Exchange Rates");
  EXPECT_EQ(pointerDuringDownload, toolkit::mouse::kHourglass);
  EXPECT_EQ(listedDuringDownload, 0) << "the old rates are gone";
  EXPECT_EQ(backend.pointerHistory, (std::vector<int>{toolkit::mouse::kHourglass, toolkit::mouse::kDefault}));
  EXPECT_EQ(statusWhileEventsRan, u"Downloading Current Exchange Rates") << "the status is painted before the wait";
}

TEST_F(GetRatesTest, TheRatesAddressIsFetchedUncached) {
  Start();
  FetchRates();
  EXPECT_EQ(internet.lastUrl, settings.ratesUrl);
  EXPECT_EQ(internet.lastAgent, u"vb wininet");
  EXPECT_EQ(internet.lastOpenUrlFlags, platform::kInternetFlagNoCacheWrite);
}

// With nothing set, a click reaches for the central bank's daily feed, over
// https, for the reachability test and the download alike.
TEST_F(GetRatesTest, TheBuiltInAddressIsTheCentralBanksDailyFeedOverHttps) {
  settings.ratesUrl.clear();
  Start();
  internet.reachable = false;
  frm->cmdGet.UserClick();
  EXPECT_EQ(internet.lastUrl, u"https://www.ecb.europa.eu/stats/eurofxref/eurofxref-daily.xml");
  internet.reachable = true;
  internet.lastUrl.clear();
  FetchRates();
  EXPECT_EQ(internet.lastUrl, u"https://www.ecb.europa.eu/stats/eurofxref/eurofxref-daily.xml");
}

// Each row fetches over an earlier fetch with a currency chosen.
TEST_F(GetRatesTest, AFetchShowsOnlyWhatThePageHolds) {
  const std::vector<std::u16string> names{u"US Dollar", u"Japanese Yen"}, rates{u"1.5", u"181.25"}, none;
  const std::string noDate = kTwoRowPage.substr(kTwoRowPage.find("<tr>"));
  const struct {
    const char* name;
    std::string page;
    bool fails;
    bool listed;  // both rows of the page, else none
    std::u16string status;
  } rows[] = {
      {"two rows under their date", kTwoRowPage, false, true, u"Rates for Friday, 4 December 2026"},
      {"the date line in capitals", "USING VALUES FROM 3 Dec 2026 <br>" + noDate, false, true,
       u"Rates for 3 Dec 2026 "},
      {"no date line", noDate, false, true, u"Rates for "},
      {"a half row at the end", kTwoRowPage + "<tr><td>&nbsp;&nbsp;&nbsp;&nbsp;<img>Euro <font>(EUR)</font>", false,
       true, u"Rates for Friday, 4 December 2026"},
      // Nothing listed: the window as before the click, and the user is told.
      {"an empty page", "", false, false, main_window::kStartupHint},
      {"a failed download", kTwoRowPage, true, false, main_window::kStartupHint},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    backend.messages.clear();
    internet.openFails = false;
    Start();
    FetchRates();
    frm->lstCurrency.UserSelect(0);
    const auto result = frm->lblValue.Caption();
    internet.openFails = row.fails;
    FetchRates(row.page);
    EXPECT_EQ(frm->lstCurrency.Items(), row.listed ? names : none);
    EXPECT_EQ(frm->lstRate.Items(), row.listed ? rates : none);
    EXPECT_EQ(frm->lstCurrency.ListIndex(), -1);
    EXPECT_EQ(frm->lblCount.Caption(), row.status);
    EXPECT_EQ(frm->lblValue.Caption(), result) << "the last result stays until a conversion";
    std::u16string kept = row.fails ? u"" : runtime::FromUtf8(row.page);
    std::erase(kept, u'"');
    EXPECT_EQ(frm->rtbMain.GetText(), kept) << "the page without its quotes";
    EXPECT_EQ(app->MousePointer(), toolkit::mouse::kDefault);
    EXPECT_EQ(internet.openHandles, 0) << "every handle is closed";
    if (row.listed) {
      EXPECT_TRUE(backend.messages.empty());
    } else {
      ASSERT_EQ(backend.messages.size(), 1u);
      EXPECT_EQ(backend.messages[0].text, u"Can't Connect to Server, please try again later     ");
      EXPECT_EQ(backend.messages[0].style, toolkit::msgbox::kCritical);
    }
  }
}

TEST_F(GetRatesTest, AnUnreachableSiteChangesNothing) {
  Start();
  FetchRates();
  frm->lstCurrency.UserSelect(1);
  const auto page = frm->rtbMain.GetText();
  const auto status = frm->lblCount.Caption();
  internet.reachable = false;
  frm->cmdGet.UserClick();
  ASSERT_EQ(backend.messages.size(), 1u);
  EXPECT_EQ(backend.messages[0].text, u"Can't Connect to Server, please try again later     ");
  EXPECT_EQ(backend.messages[0].style, toolkit::msgbox::kCritical);
  EXPECT_EQ(backend.messages[0].title, u"Quillon");
  EXPECT_EQ(frm->lstCurrency.ListCount(), 2);
  EXPECT_EQ(frm->lstRate.ListCount(), 2);
  EXPECT_EQ(frm->lstCurrency.ListIndex(), 1);
  EXPECT_EQ(frm->rtbMain.GetText(), page);
  EXPECT_EQ(frm->lblCount.Caption(), status);
}

TEST_F(GetRatesTest, AClickArrivingWhileTheStatusPaintsLeavesOneCopy) {
  Start();
  internet.body = kTwoRowPage;
  backend.Post([&] { frm->cmdGet.UserClick(); });
  frm->cmdGet.UserClick();
  EXPECT_EQ(internet.opens, 2) << "the nested click did the whole job, then the outer one again";
  EXPECT_EQ(frm->lstCurrency.ListCount(), 2);
  EXPECT_EQ(frm->lstRate.ListCount(), 2);
  EXPECT_EQ(app->MousePointer(), toolkit::mouse::kDefault);
}

}  // namespace
}  // namespace main_window_test
