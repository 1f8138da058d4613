// Pages built to hurt, through the whole Get Exchange Rates click on the
// headless window, and the row scan alone where the window would cap it.
#include <algorithm>
#include <map>
#include <string>

#include "hardening.h"
#include "rates/page_contract.h"
#include "rates/scan.h"
#include "runtime/text.h"
#include "support/loopback_site.h"

namespace hardening_test {
namespace {

using rates::ScanRatePage;
using main_window_test::kTwoRowPage;

// The position of the last item a list holds.
constexpr int kLastListed = static_cast<int>(toolkit::ListBox::kMaxItems) - 1;

// The shortest complete row: marker, five characters, name, two characters,
// "font", one character, "html>", rate, "</a>".
std::string TinyRow(const std::string& name, const std::string& rate) {
  return kMarker + "<wbr>" + name + "..font.html>" + rate + "</a>";
}

// After any hostile page, a good page still fills the lists and converts.
#define EXPECT_STILL_CONVERTS()                              \
  do {                                                       \
    internet.body = kTwoRowPage;                             \
    internet.charset.clear();                                \
    ClickGet();                                              \
    ExpectSoundAfterClick(2);                                \
    EXPECT_EQ(ConvertFirst(u"3"), u"2.00  Euros");           \
    EXPECT_EQ(ConvertFirst(u"2", true), u"3.00  US Dollar"); \
  } while (0)

using HostilePageTest = HardeningTest;

// A page of `count` equal rows except the named ones at their positions.
std::string RowsPage(int count, const std::map<int, std::string>& named) {
  const std::string plain = TinyRow("Plain", "1");
  std::string page;
  page.reserve(static_cast<std::size_t>(count) * (plain.size() + 8));
  for (int i = 0; i < count; ++i) {
    const auto it = named.find(i);
    page += it == named.end() ? plain : TinyRow(it->second, "2");
  }
  return page;
}

TEST(HostileScanTest, RowsAreReadInPageOrderUpToTheCap) {
  const std::u16string page =
      runtime::FromWindows1252(RowsPage(1'000'000, {{0, "First"}, {kLastListed, "Last listed"}, {999'999, "Last"}}));
  const struct {
    const char* name;
    std::size_t cap, count;
    std::map<std::size_t, std::u16string> names;
  } rows[] = {
      {"a million, uncapped", SIZE_MAX, 1'000'000, {{0, u"First"}, {1, u"Plain"}, {999'999, u"Last"}}},
      {"capped at what a list holds", toolkit::ListBox::kMaxItems, toolkit::ListBox::kMaxItems,
       {{0, u"First"}, {kLastListed, u"Last listed"}}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const auto scanned = ScanRatePage(page, row.cap);
    ASSERT_EQ(scanned.size(), row.count);
    for (const auto& [i, name] : row.names) {
      EXPECT_EQ(scanned[i].name, name) << i;
      EXPECT_EQ(scanned[i].rate, name == u"Plain" ? u"1" : u"2") << i;  // as RowsPage writes them
    }
  }
}

TEST(HostileScanTest, AMillionMarkersWithoutTheRestOfARowListNothing) {
  std::string markers;
  for (int i = 0; i < 1'000'000; ++i) markers += kMarker;
  EXPECT_TRUE(ScanRatePage(runtime::FromWindows1252(markers)).empty());
  // One "font", link and rate at the very end make a single row whose name
  // runs over every marker but the first.
  const auto rows = ScanRatePage(runtime::FromWindows1252(markers + "..font.html>1</a>"));
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].name.size(), markers.size() - rates::kNameOffset);
  EXPECT_EQ(rows[0].rate, u"1");
}

TEST_F(HostilePageTest, MoreRowsThanAListHoldsListAsManyAsItHoldsOfEach) {
  Start();
  internet.body = kDateLine + RowsPage(1'000'000, {{kLastListed, "Last listed"}, {kLastListed + 1, "Not listed"}});
  ClickGet();
  ExpectSoundAfterClick(kLastListed + 1);
  EXPECT_EQ(frm->lstCurrency.List(kLastListed), u"Last listed");
  EXPECT_EQ(frm->lstRate.List(kLastListed), u"2");
  EXPECT_EQ(frm->lblCount.Caption(), u"Rates for Friday, 4 December 2026");
  // The last item converts like any other.
  frm->lstCurrency.UserSelect(kLastListed);
  frm->txtAmount.UserTyped(u"5");
  EXPECT_EQ(frm->lblValue.Caption(), u"2.50  Euros");
  EXPECT_STILL_CONVERTS();
}

TEST_F(HostilePageTest, ASixteenMebibytePageIsReadWhole) {
  Start();
  std::string page = support::ReadTestData("rates_sample.html");
  const std::size_t sampleRows = ScanRatePage(runtime::Replace(runtime::FromWindows1252(page), u"\"", u"")).size();
  ASSERT_GT(sampleRows, 0u);
  // Filler after the rows, with a stray marker at the very end.
  const std::string filler = "<p>Rates are published around 16:00 CET &amp; kept for a year.</p>\n";
  while (page.size() + filler.size() + kMarker.size() <= (16u << 20)) page += filler;
  page += kMarker;
  page.resize(16u << 20, ' ');
  internet.body = page;
  ClickGet();
  ExpectSoundAfterClick(static_cast<int>(sampleRows));
  EXPECT_EQ(frm->rtbMain.GetText().size(), page.size() - static_cast<std::size_t>(std::count(page.begin(), page.end(), '"')));
  EXPECT_EQ(frm->lblCount.Caption(), u"Rates for Friday, 4 December 2026");
  EXPECT_STILL_CONVERTS();
}

TEST_F(HostilePageTest, PagesWithoutAWholeRowListNothing) {
  Start();
  std::string noMarkers;
  while (noMarkers.size() < (64u << 10)) noMarkers += "<td>&nbsp;&nbsp;&nbsp;<a href=x.html>1</a></td><font>";
  const struct {
    const char* name;
    std::string page;
  } rows[] = {
      {"everything but the marker", noMarkers}, {"a marker with nothing after it", kDateLine + kMarker},
      {"cut inside the five skipped characters", kDateLine + kMarker + "<wb"},
      {"a marker cut short", kDateLine + "nbsp;&nbsp;&nbsp;&nbs"}, {"no link", kDateLine + kMarker + "<wbr>Name..font"},
      {"no end to the rate", kDateLine + kMarker + "<wbr>Name..font.html>1.5"},
      {"a marker among quotes", std::string(1000, '"') + kMarker + std::string(1000, '"')},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    internet.body = row.page;
    ClickGet();
    ExpectSoundAfterClick(0);
    EXPECT_EQ(frm->rtbMain.GetText().find(u'"'), std::u16string::npos);
  }
  // With no rates the amount box still answers: it asks for rates.
  frm->txtAmount.UserTyped(u"5");
  ASSERT_FALSE(backend.messages.empty());
  EXPECT_EQ(backend.messages.back().style, toolkit::msgbox::kInformation);
  backend.messages.clear();
  EXPECT_STILL_CONVERTS();
}

TEST_F(HostilePageTest, NulBytesStayInTheTextAndTheItems) {
  Start();
  const std::string nul(1, '\0');
  const std::string page = nul + kDateLine + Row("Nu" + nul + "ll", "2") + nul + Row(nul, "1" + nul) + nul + nul;
  internet.body = page;
  ClickGet();
  ExpectSoundAfterClick(2);
  EXPECT_EQ(frm->rtbMain.GetText().size(), page.size() - static_cast<std::size_t>(std::count(page.begin(), page.end(), '"')));
  EXPECT_EQ(frm->lstCurrency.List(0), std::u16string(u"Nu\0ll", 5));
  EXPECT_EQ(frm->lstCurrency.List(1), std::u16string(1, u'\0'));
  EXPECT_EQ(frm->lstRate.List(1), std::u16string(u"1\0", 2));
  EXPECT_EQ(ConvertFirst(u"3", true), std::u16string(u"6.00  Nu\0ll", 11));
  // A rate with a NUL in it is not a number: said so, the result line kept.
  frm->lstCurrency.UserSelect(1);
  ASSERT_EQ(backend.messages.size(), 1u);
  EXPECT_EQ(frm->lblValue.Caption(), std::u16string(u"6.00  Nu\0ll", 11));
  backend.messages.clear();
  EXPECT_STILL_CONVERTS();
}

TEST_F(HostilePageTest, InvalidUtf8UnderAUtf8CharsetBecomesReplacementCharacters) {
  Start();
  internet.charset = "utf-8";
  // A stray continuation byte, an overlong form, a cut sequence, an encoded
  // surrogate, a byte never used in UTF-8, and a sequence cut by the rate.
  internet.body = kDateLine + Row("A\x80" "B", "1.5") + Row("\xC0\xAF" "C", "2") + Row("D\xE2\x82", "4") +
                  Row("\xED\xA0\x80" "E", "5") + Row("\xFF" "F", "8") + Row("G", "1\xF0\x9F");
  ClickGet();
  ExpectSoundAfterClick(6);
  for (int i = 0; i < 6; ++i) {
    const std::u16string name = frm->lstCurrency.List(i) + frm->lstRate.List(i);
    SCOPED_TRACE(i);
    EXPECT_NE(name.find(u'\xFFFD'), std::u16string::npos);
    // No half of a surrogate pair reaches a list.
    EXPECT_TRUE(std::none_of(name.begin(), name.end(), [](char16_t c) { return c >= 0xD800 && c <= 0xDFFF; }));
  }
  EXPECT_EQ(frm->lstCurrency.List(0), u"A\uFFFD" u"B");
  EXPECT_EQ(frm->lstCurrency.List(2), u"D\uFFFD");
  EXPECT_EQ(ConvertFirst(u"3"), u"2.00  Euros");
  EXPECT_EQ(ConvertFirst(u"2", true), u"3.00  A\uFFFD" u"B");
  EXPECT_STILL_CONVERTS();
}

TEST_F(HostilePageTest, NamesAndRatesOfAHundredThousandCharactersAreKeptWhole) {
  Start();
  std::string longName;
  while (longName.size() < 100'000) longName += "Dollar of the Long Name ";
  longName.resize(100'000);
  const std::string longRate = "1." + std::string(99'998, '0');  // reads as 1
  const std::string hugeRate(100'000, '9');                      // beyond any double
  internet.body = kDateLine + Row(longName, longRate) + Row("Huge", hugeRate);
  ClickGet();
  ExpectSoundAfterClick(2);
  EXPECT_EQ(frm->lstCurrency.List(0).size(), 100'000u);
  EXPECT_EQ(frm->lstRate.List(0).size(), 100'000u);
  EXPECT_EQ(frm->lstRate.List(1).size(), 100'000u);
  EXPECT_EQ(ConvertFirst(u"7"), u"7.00  Euros");
  EXPECT_EQ(ConvertFirst(u"8", true), u"8.00  " + runtime::FromWindows1252(longName));
  frm->lstCurrency.UserSelect(1);
  ASSERT_EQ(backend.messages.size(), 1u) << "a rate beyond the double range is not a number";
  EXPECT_EQ(frm->lblValue.Caption(), u"8.00  " + runtime::FromWindows1252(longName));
  backend.messages.clear();
  EXPECT_STILL_CONVERTS();
}

TEST_F(HostilePageTest, MarkupInNamesAndTheDateIsShownAsWritten) {
  Start();
  const std::string date = "<i>Friday</i> <script>alert(1)</script><img src=x onerror=alert(2)>";
  const std::string name = "<b>Bold</b> &amp; <a href=\"javascript:x()\">Link</a>";
  internet.body = "<p>using values from " + date + "<BR></p>" + Row(name, "1.5");
  ClickGet();
  ExpectSoundAfterClick(1);
  EXPECT_EQ(frm->lblCount.Caption(), u"Rates for " + runtime::FromWindows1252(date));
  // Quotes are gone from the page text; everything else stays literal.
  const std::u16string shownName = u"<b>Bold</b> &amp; <a href=javascript:x()>Link</a>";
  EXPECT_EQ(frm->lstCurrency.List(0), shownName);
  EXPECT_EQ(ConvertFirst(u"2", true), u"3.00  " + shownName);
  EXPECT_EQ(frm->lblCurr.Caption(), shownName);
  EXPECT_STILL_CONVERTS();
}

TEST_F(HostilePageTest, NearMissesOfTheDateLineFillSixteenMebibytes) {
  Start();
  // Every position starts a case-insensitive match that fails late, the
  // worst input for the date search.
  std::string page;
  while (page.size() < (16u << 20)) page += "USING VALUES FRO";
  page += "using values from Today<br>";
  internet.body = page;
  ClickGet();
  ExpectSoundAfterClick(0);
  EXPECT_STILL_CONVERTS();
}

}  // namespace
}  // namespace hardening_test
