// Getting the rates: the page scan, the date line and the Get button's handler.
#include "fixture.h"
#include "main_window/rate_page.h"

namespace quillon_test {
namespace {

using quillon::ExtractBetween;
using quillon::ScanRatePage;

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

TEST(ScanRatePageTest, ReadsTheOneRowExampleCountingFromTheMarker) {
  const auto rows = ScanRatePage(u"nbsp;&nbsp;&nbsp;&nbsp;12345Name..font.html>0.5</a>");
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].name, u"Name");
  EXPECT_EQ(rows[0].rate, u"0.5");
  // With the entity's own "&" in front, offsets still count from the "n".
  const auto withAmp = ScanRatePage(u"xx&nbsp;&nbsp;&nbsp;&nbsp;<img>Name..font.html>0.5</a>");
  ASSERT_EQ(withAmp.size(), 1u);
  EXPECT_EQ(withAmp[0].name, u"Name");
}

TEST(ScanRatePageTest, KeepsPageOrderAndUntrimmedTexts) {
  const auto rows = ScanRatePage(
      u"nbsp;&nbsp;&nbsp;&nbsp;<img> B One ..font html> 1,563.12 </a>"
      u"nbsp;&nbsp;&nbsp;&nbsp;<img>A Two..fontxhtml>2</a>");
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].name, u" B One ");
  EXPECT_EQ(rows[0].rate, u" 1,563.12 ");
  EXPECT_EQ(rows[1].name, u"A Two");
  EXPECT_EQ(rows[1].rate, u"2");
}

TEST(ScanRatePageTest, DelimitersMatchOnlyInTheirOwnCase) {
  EXPECT_TRUE(ScanRatePage(u"NBSP;&NBSP;&NBSP;&NBSP;<img>Name..font.html>1</a>").empty());
  EXPECT_TRUE(ScanRatePage(u"nbsp;&nbsp;&nbsp;&nbsp;<img>Name..FONT.HTML>1</A>").empty());
}

TEST(ScanRatePageTest, AnIncompleteRowEndsTheScanWithoutAHalfRow) {
  const std::u16string good = u"nbsp;&nbsp;&nbsp;&nbsp;<img>Good..font.html>1</a>";
  const std::u16string marker = u"nbsp;&nbsp;&nbsp;&nbsp;<img>";
  for (const std::u16string& tail : std::vector<std::u16string>{u"", u"Name..font.html>2", u"Name..font.htm>2</a>",
                                    u"Name no font at all", u"X", u"fontfont.html>3</a>"}) {
    const auto rows = ScanRatePage(good + marker + tail);
    ASSERT_EQ(rows.size(), 1u) << "tail: " << Utf8(tail);
    EXPECT_EQ(rows[0].name, u"Good");
  }
  // "font" right after the name start leaves no room for the two characters.
  EXPECT_TRUE(ScanRatePage(u"nbsp;&nbsp;&nbsp;&nbsp;12345font.html>1</a>").empty());
  EXPECT_EQ(ScanRatePage(u"nbsp;&nbsp;&nbsp;&nbsp;12345..font.html>1</a>").at(0).name, u"");
}

using GetRatesTest = MainWindowTest;

TEST_F(GetRatesTest, FillsBothListsInPageOrderAndShowsTheDate) {
  Start();
  std::u16string statusDuringDownload;
  int pointerDuringDownload = -1;
  int listedDuringDownload = -1;
  internet.onOpenUrl = [&] {
    statusDuringDownload = frm->lblCount.Caption();
    pointerDuringDownload = app->MousePointer();
    listedDuringDownload = frm->lstCurrency.ListCount();
  };
  FetchRates();
  EXPECT_EQ(statusDuringDownload, u"Downloading Current Exchange Rates");
  EXPECT_EQ(pointerDuringDownload, tk::mouse::kHourglass);
  EXPECT_EQ(listedDuringDownload, 0);
  EXPECT_EQ(backend.pointerHistory, (std::vector<int>{tk::mouse::kHourglass, tk::mouse::kDefault}));
  EXPECT_EQ(backend.doEventsCalls, 1);
  EXPECT_EQ(frm->lstCurrency.Items(), (std::vector<std::u16string>{u"US Dollar", u"Japanese Yen"}));
  EXPECT_EQ(frm->lstRate.Items(), (std::vector<std::u16string>{u"1.5", u"181.25"}));
  EXPECT_EQ(frm->lblCount.Caption(), u"Rates for Friday, 4 December 2026");
  EXPECT_EQ(frm->rtbMain.GetText().find(u'"'), std::u16string::npos) << "quotes are removed";
  EXPECT_NE(frm->rtbMain.GetText().find(u"USD.html>1.5"), std::u16string::npos);
  EXPECT_EQ(internet.lastUrl, settings.ratesUrl);
  EXPECT_EQ(internet.lastAgent, u"vb wininet");
  EXPECT_EQ(internet.lastOpenUrlFlags, 0x04000000u);
  EXPECT_EQ(internet.openHandles, 0) << "both handles are closed";
  EXPECT_TRUE(backend.messages.empty());
}

TEST_F(GetRatesTest, TheDateLineMatchesInAnyCaseAndMayBeMissing) {
  Start();
  FetchRates("USING VALUES FROM 3 Dec 2026 <br>" + kTwoRowPage.substr(kTwoRowPage.find("<tr>")));
  EXPECT_EQ(frm->lblCount.Caption(), u"Rates for 3 Dec 2026 ");
  EXPECT_EQ(frm->lstCurrency.ListCount(), 2);
  FetchRates(kTwoRowPage.substr(kTwoRowPage.find("<tr>")));
  EXPECT_EQ(frm->lblCount.Caption(), u"Rates for ");
  EXPECT_EQ(frm->lstCurrency.ListCount(), 2);
}

TEST_F(GetRatesTest, AnEmptyOrFailedDownloadLeavesEmptyListsAndNoDate) {
  Start();
  FetchRates();
  internet.openFails = true;
  FetchRates();
  EXPECT_EQ(frm->lstCurrency.ListCount(), 0);
  EXPECT_EQ(frm->lstRate.ListCount(), 0);
  EXPECT_EQ(frm->lblCount.Caption(), u"Rates for ");
  EXPECT_EQ(app->MousePointer(), 0);
  EXPECT_TRUE(backend.messages.empty());
}

TEST_F(GetRatesTest, AnUnreachableSiteChangesNothing) {
  Start();
  FetchRates();
  frm->lstCurrency.UserSelect(1);
  const auto page = frm->rtbMain.GetText();
  const auto status = frm->lblCount.Caption();
  internet.reachable = false;
  const int opensBefore = internet.opens;
  frm->cmdGet.UserClick();
  ASSERT_EQ(backend.messages.size(), 1u);
  EXPECT_EQ(backend.messages[0].text, u"Can't Connect to Server, please try again later     ");
  EXPECT_EQ(backend.messages[0].style, tk::msgbox::kCritical);
  EXPECT_EQ(backend.messages[0].title, u"Quillon");
  EXPECT_EQ(internet.opens, opensBefore);
  EXPECT_EQ(frm->lstCurrency.ListCount(), 2);
  EXPECT_EQ(frm->lstRate.ListCount(), 2);
  EXPECT_EQ(frm->lstCurrency.ListIndex(), 1);
  EXPECT_EQ(frm->rtbMain.GetText(), page);
  EXPECT_EQ(frm->lblCount.Caption(), status);
}

TEST_F(GetRatesTest, AnotherFetchReplacesTheListsAndClearsTheSelection) {
  Start();
  FetchRates();
  frm->lstCurrency.UserSelect(0);
  const auto result = frm->lblValue.Caption();
  FetchRates();
  EXPECT_EQ(frm->lstCurrency.ListCount(), 2);
  EXPECT_EQ(frm->lstRate.ListCount(), 2);
  EXPECT_EQ(frm->lstCurrency.ListIndex(), -1);
  EXPECT_EQ(frm->lblValue.Caption(), result) << "the last result stays until a conversion";
}

TEST_F(GetRatesTest, AClickArrivingWhileTheStatusPaintsLeavesOneCopy) {
  Start();
  internet.body = kTwoRowPage;
  backend.Post([&] { frm->cmdGet.UserClick(); });
  frm->cmdGet.UserClick();
  EXPECT_EQ(internet.opens, 2) << "the nested click did the whole job, then the outer one again";
  EXPECT_EQ(frm->lstCurrency.ListCount(), 2);
  EXPECT_EQ(frm->lstRate.ListCount(), 2);
  EXPECT_EQ(app->MousePointer(), 0);
}

TEST_F(GetRatesTest, TheListsStayPairedWhenThePageEndsInAHalfRow) {
  Start();
  FetchRates(kTwoRowPage + "<tr><td>&nbsp;&nbsp;&nbsp;&nbsp;<img>Euro <font>(EUR)</font>");
  EXPECT_EQ(frm->lstCurrency.ListCount(), 2);
  EXPECT_EQ(frm->lstRate.ListCount(), 2);
}

}  // namespace
}  // namespace quillon_test
