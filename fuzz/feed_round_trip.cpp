// Any document through the XML reader: either a refusal with its reason, or a
// day that keeps every rule; the page written for that day, read back by the
// row scan as the desktop reads it, gives that day's names and rate texts in
// page order, with the day's date on the date line. Never half a table.
#include <algorithm>
#include <cstdint>
#include <set>
#include <string>

#include "fuzz_check.h"
#include "platform/posix/xml_feed_reader.h"
#include "rates/currency_names.h"
#include "rates/page_contract.h"
#include "rates/page_writer.h"
#include "rates/scan.h"
#include "runtime/text.h"

namespace {

void CheckDay(const rates::Day& day) {
  FUZZ_CHECK(rates::IsIsoDate(day.date));
  FUZZ_CHECK(!day.rates.empty());
  std::set<std::string> codes;
  for (const rates::Rate& r : day.rates) {
    FUZZ_CHECK(rates::IsCurrencyCode(r.code));
    FUZZ_CHECK(rates::IsPlainPositiveDecimal(r.text));
    FUZZ_CHECK(codes.insert(r.code).second);
  }
}

void CheckPage(const rates::Day& day) {
  const std::u16string page = runtime::Replace(runtime::FromUtf8(rates::RenderPage(day)), u"\"", u"");
  const std::vector<rates::RateRow> rows = rates::ScanRatePage(page);
  FUZZ_CHECK(rows.size() == day.rates.size());
  // The symbol list's currencies lead, in its order; the rest follow in the
  // document's order.
  std::vector<const rates::Rate*> order;
  for (std::string_view code : rates::kSymbolCodes) {
    for (const rates::Rate& r : day.rates) {
      if (r.code == code) order.push_back(&r);
    }
  }
  for (const rates::Rate& r : day.rates) {
    if (std::find(std::begin(rates::kSymbolCodes), std::end(rates::kSymbolCodes), r.code) ==
        std::end(rates::kSymbolCodes)) {
      order.push_back(&r);
    }
  }
  for (std::size_t i = 0; i < rows.size(); ++i) {
    FUZZ_CHECK(rows[i].name == runtime::FromUtf8(rates::CurrencyName(order[i]->code)));
    FUZZ_CHECK(rows[i].rate == runtime::FromUtf8(order[i]->text));
  }
  FUZZ_CHECK(rates::PageDate(page) == runtime::FromUtf8(rates::LongDate(day.date)));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  rates::Day day;
  std::string why;
  if (!platform::posix::XmlFeedReader().ReadNewestDay(fuzz::Bytes(data, size), day, why)) {
    FUZZ_CHECK(!why.empty());
    return 0;
  }
  CheckDay(day);
  CheckPage(day);
  return 0;
}
