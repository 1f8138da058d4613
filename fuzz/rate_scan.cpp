// The row scan and ExtractBetween on any page: every row is made of text that
// stands in the page in that order, no item holds a quote, the lists pair up,
// a row cap keeps a prefix, and the scan always ends.
#include <algorithm>
#include <cstdint>
#include <string>

#include "fuzz_check.h"
#include "rates/scan.h"
#include "runtime/text.h"

namespace {

using rates::ExtractBetween;
using rates::RateRow;
using rates::ScanRatePage;

void CheckRows(const std::u16string& page, const std::vector<RateRow>& rows) {
  // A row runs from its marker to its "</a>", at least 37 units; a scan that
  // stood still would list more rows than fit.
  FUZZ_CHECK(rows.size() * 37 <= page.size());
  std::size_t cursor = 0;
  for (const RateRow& row : rows) {
    FUZZ_CHECK(row.name.find(u'"') == std::u16string::npos);
    FUZZ_CHECK(row.rate.find(u'"') == std::u16string::npos);
    // The name ends two units before the first "font" after it, and the rate
    // at the first "</a>".
    FUZZ_CHECK(row.name.find(u"font") == std::u16string::npos);
    FUZZ_CHECK(row.rate.find(u"</a>") == std::u16string::npos);
    const std::size_t name = page.find(row.name, cursor);
    FUZZ_CHECK(name != std::u16string::npos);
    const std::size_t link = page.find(u"html>" + row.rate + u"</a>", name + row.name.size());
    FUZZ_CHECK(link != std::u16string::npos);
    cursor = link + 5 + row.rate.size();
  }
}

void CheckCap(const std::u16string& page, const std::vector<RateRow>& rows) {
  const std::size_t cap = rows.size() / 2;
  const std::vector<RateRow> capped = ScanRatePage(page, cap);
  FUZZ_CHECK(capped.size() == cap);
  for (std::size_t i = 0; i < cap; ++i) {
    FUZZ_CHECK(capped[i].name == rows[i].name && capped[i].rate == rows[i].rate);
  }
}

void CheckDate(const std::u16string& page) {
  const std::u16string date = ExtractBetween(1, page, u"using values from ", u"<BR>", 1);
  if (date.empty()) return;
  const std::u16string folded = runtime::LowerAscii(date);
  FUZZ_CHECK(folded.find(u"<br>") == std::u16string::npos);
  FUZZ_CHECK(runtime::LowerAscii(page).find(u"using values from " + folded + u"<br>") != std::u16string::npos);
}

// Delimiters and a start position taken from the page itself.
void CheckExtract(const std::u16string& page, std::uint8_t selector) {
  if (page.size() < 4) return;
  const std::int32_t start = static_cast<std::int32_t>(selector % 64) - 8;
  const std::u16string open = page.substr(1, 1 + selector % 2);
  const std::u16string close = page.substr(3, 1);
  const std::u16string between = ExtractBetween(start, page, open, close, 0);
  if (start > static_cast<std::int32_t>(page.size()) + 1) FUZZ_CHECK(between.empty());
  if (between.empty()) return;
  FUZZ_CHECK(between.find(close) == std::u16string::npos);
  const std::size_t from = start < 1 ? 0 : static_cast<std::size_t>(start - 1);
  FUZZ_CHECK(page.find(open + between + close, from) != std::u16string::npos);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::u16string raw = runtime::FromWindows1252(fuzz::Bytes(data, size));
  const std::u16string page = runtime::Replace(raw, u"\"", u"");
  FUZZ_CHECK(page.find(u'"') == std::u16string::npos);
  FUZZ_CHECK(page.size() + static_cast<std::size_t>(std::count(raw.begin(), raw.end(), u'"')) == raw.size());

  const std::vector<RateRow> rows = ScanRatePage(page);
  CheckRows(page, rows);
  CheckCap(page, rows);
  CheckDate(page);
  CheckExtract(page, size > 0 ? data[0] : 0);
  return 0;
}
