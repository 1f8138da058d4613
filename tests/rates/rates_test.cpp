// The rates page contract: what the site writes for a day, the desktop's scan
// reads back; and the currency names the page shows.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "rates/currency_names.h"
#include "rates/page_contract.h"
#include "rates/page_writer.h"
#include "rates/scan.h"
#include "runtime/text.h"

namespace {

// The page as the desktop keeps it: decoded, quotes taken out.
std::vector<rates::RateRow> ReadBack(const rates::Day& day, std::u16string* date = nullptr) {
  const std::u16string page = runtime::Replace(runtime::FromUtf8(rates::RenderPage(day)), u"\"", u"");
  if (date) *date = rates::PageDate(page);
  return rates::ScanRatePage(page);
}

TEST(PageContract, TheScanReadsBackEveryNameAndRateTextInPageOrder) {
  // The symbol list's currencies in its order, then every other code the name
  // table knows, then one it does not: the page keeps this order.
  rates::Day day{"2026-12-04", {}};
  for (std::string_view code : rates::kSymbolCodes) day.rates.push_back({std::string(code), ""});
  for (const rates::CurrencyNameEntry& e : rates::CurrencyNames()) {
    if (std::find(std::begin(rates::kSymbolCodes), std::end(rates::kSymbolCodes), e.code) ==
        std::end(rates::kSymbolCodes)) {
      day.rates.push_back({std::string(e.code), ""});
    }
  }
  day.rates.push_back({"QQQ", ""});
  for (std::size_t i = 0; i < day.rates.size(); ++i) day.rates[i].text = std::to_string(i + 1) + ".0" + std::to_string(i % 7);

  std::u16string date;
  const std::vector<rates::RateRow> rows = ReadBack(day, &date);
  EXPECT_EQ(date, u"Friday, 4 December 2026");
  ASSERT_EQ(rows.size(), day.rates.size());
  for (std::size_t i = 0; i < rows.size(); ++i) {
    SCOPED_TRACE(day.rates[i].code);
    EXPECT_EQ(rows[i].name, runtime::FromUtf8(rates::CurrencyName(day.rates[i].code)));
    EXPECT_EQ(rows[i].rate, runtime::FromUtf8(day.rates[i].text));
  }
  EXPECT_EQ(rows.back().name, u"QQQ") << "a code with no name shows as the code";
}

TEST(PageContract, TheSymbolListsCurrenciesComeFirstInItsOrder) {
  // The feed's order, not the symbol list's: JPY before USD, with others between.
  const rates::Day day{"2023-12-29", {{"JPY", "156.33"}, {"BGN", "1.9558"}, {"USD", "1.1050"}, {"CZK", "24.724"}}};
  const std::vector<rates::RateRow> rows = ReadBack(day);
  ASSERT_EQ(rows.size(), 4u);
  const std::u16string names[] = {u"US Dollar", u"Japanese Yen", u"Bulgarian Lev", u"Czech Koruna"};
  for (std::size_t i = 0; i < 4; ++i) EXPECT_EQ(rows[i].name, names[i]) << i;
}

TEST(CurrencyNames, EnglishNamesOrTheCode) {
  const std::pair<const char*, const char*> rows[] = {{"GBP", "British Pound"},
                                                      {"ISK", "Icelandic Króna"},
                                                      {"CNY", "Chinese Yuan"},
                                                      {"TTD", "Trinidad & Tobago Dollar"},
                                                      {"LTL", "Lithuanian Litas"},
                                                      {"QQQ", "QQQ"},
                                                      {"usd", "usd"}};
  for (const auto& [code, name] : rows) EXPECT_EQ(rates::CurrencyName(code), name) << code;
}

TEST(CurrencyNames, TheCommittedTableIsWhatThisMachinesIcuGives) {
  const std::filesystem::path fresh = std::filesystem::path(::testing::TempDir()) / "currency_names.inc";
  const std::string command = std::string(QUILLON_NAMES_GENERATOR) + " " + fresh.string();
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
  const auto read = [](const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  };
  EXPECT_EQ(read(fresh), read(QUILLON_NAMES_TABLE)) << "run `make currency-names` and commit the table";
}

TEST(PageWriter, LongDates) {
  const std::pair<const char*, const char*> rows[] = {{"2023-12-29", "Friday, 29 December 2023"},
                                                      {"2026-12-04", "Friday, 4 December 2026"},
                                                      {"2024-02-29", "Thursday, 29 February 2024"},
                                                      {"2000-01-01", "Saturday, 1 January 2000"}};
  for (const auto& [iso, text] : rows) EXPECT_EQ(rates::LongDate(iso), text) << iso;
}

}  // namespace
