// The XmlLite reader on the documents the Linux reader is tested with: the
// same days come out, and the same page rows after them.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include "platform/win32/xmllite_feed_reader.h"
#include "rates/currency_names.h"
#include "rates/page_writer.h"
#include "rates/scan.h"
#include "runtime/text.h"
#include "support/feeds.h"

namespace {

std::string SampleDaily() {
  std::ifstream in(std::string(QUILLON_TEST_DATA) + "/eurofxref-daily-2023-12-29.xml", std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(XmlLiteFeedReader, AUsableFeedGivesItsNewestDay) {
  const std::string sample = SampleDaily();
  ASSERT_FALSE(sample.empty());
  platform::win32::XmlLiteFeedReader reader;
  for (const feeds::Good& row : feeds::GoodFeeds(sample)) {
    SCOPED_TRACE(row.name);
    rates::Day day;
    std::string why;
    ASSERT_TRUE(reader.ReadNewestDay(row.document, day, why)) << why;
    EXPECT_EQ(rates::LongDate(day.date), row.longDate);
    ASSERT_EQ(day.rates.size(), row.rows);
    const std::u16string page = runtime::Replace(runtime::FromUtf8(rates::RenderPage(day)), u"\"", u"");
    EXPECT_EQ(rates::PageDate(page), runtime::FromUtf8(row.longDate));
    const std::vector<rates::RateRow> scanned = rates::ScanRatePage(page);
    ASSERT_EQ(scanned.size(), row.rows);
    EXPECT_EQ(scanned[0].name, runtime::FromUtf8(row.firstName));
    EXPECT_EQ(scanned[0].rate, runtime::FromUtf8(row.firstRate));
    // Every rate of the day, under its name: the page orders them its own way.
    std::multiset<std::pair<std::u16string, std::u16string>> listed, expected;
    for (const rates::RateRow& r : scanned) listed.emplace(r.name, r.rate);
    for (const rates::Rate& r : day.rates) {
      expected.emplace(runtime::FromUtf8(rates::CurrencyName(r.code)), runtime::FromUtf8(r.text));
    }
    EXPECT_EQ(listed, expected);
  }
}

TEST(XmlLiteFeedReader, AnythingElseIsRefusedWithAReason) {
  const std::string sample = SampleDaily();
  platform::win32::XmlLiteFeedReader reader;
  for (const feeds::Bad& row : feeds::BadFeeds(sample)) {
    rates::Day day;
    std::string why;
    EXPECT_FALSE(reader.ReadNewestDay(row.document, day, why)) << row.name;
    EXPECT_FALSE(why.empty()) << row.name;
    EXPECT_TRUE(day.rates.empty()) << row.name;
  }
  // Every cut of a usable document short of its root's end tag, wherever it
  // falls: Wine's parser reads on forever or stops the program at some.
  for (const feeds::Good& row : feeds::GoodFeeds(sample)) {
    for (std::size_t size = 0; size < row.document.rfind('>'); ++size) {
      rates::Day day;
      std::string why;
      ASSERT_FALSE(reader.ReadNewestDay(row.document.substr(0, size), day, why)) << row.name << ", cut at " << size;
    }
  }
}

}  // namespace
