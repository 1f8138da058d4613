#include "rates/scan.h"

#include "rates/page_contract.h"
#include "runtime/text.h"

namespace rates {

std::u16string ExtractBetween(std::int32_t start, std::u16string_view text, std::u16string_view open,
                              std::u16string_view close, std::int32_t compare) {
  const auto mode = compare == 0 ? runtime::Compare::Binary : runtime::Compare::Text;
  const std::int32_t i = runtime::InStr(start, text, open, mode);
  if (i == 0) return {};
  const auto j = static_cast<std::int32_t>(i + open.size());
  const std::int32_t k = runtime::InStr(j, text, close, mode);
  if (k == 0) return {};
  return runtime::Mid(text, j, k - j);
}

std::vector<RateRow> ScanRatePage(std::u16string_view page, std::size_t maxRows) {
  constexpr auto kRateOpenLength = static_cast<std::int32_t>(kRateOpen.size());
  std::vector<RateRow> rows;
  std::int32_t position = 1;
  while (rows.size() < maxRows) {
    const std::int32_t p = runtime::InStr(position, page, kRowMarker);
    if (p == 0) break;
    const std::int32_t nameStart = p + kNameOffset;
    const std::int32_t f = runtime::InStr(nameStart, page, kNameEnd);
    // The end word must leave room for the two characters that end the name.
    if (f == 0 || f - 2 < nameStart) break;
    const std::int32_t h = runtime::InStr(f - 2, page, kRateOpen);
    if (h == 0) break;
    const std::int32_t a = runtime::InStr(h + kRateOpenLength, page, kRateClose);
    if (a == 0) break;
    rows.push_back({runtime::Mid(page, nameStart, f - 2 - nameStart),
                    runtime::Mid(page, h + kRateOpenLength, a - (h + kRateOpenLength))});
    position = a;
  }
  return rows;
}

std::u16string PageDate(std::u16string_view page) { return ExtractBetween(1, page, kDateOpen, kDateClose, 1); }

}  // namespace rates
