#include "main_window/rate_page.h"

#include "runtime/text.h"

namespace quillon {

std::u16string ExtractBetween(std::int32_t start, std::u16string_view text, std::u16string_view open,
                              std::u16string_view close, std::int32_t compare) {
  const auto mode = compare == 0 ? rt::Compare::Binary : rt::Compare::Text;
  const std::int32_t i = rt::InStr(start, text, open, mode);
  if (i == 0) return {};
  const auto j = static_cast<std::int32_t>(i + open.size());
  const std::int32_t k = rt::InStr(j, text, close, mode);
  if (k == 0) return {};
  return rt::Mid(text, j, k - j);
}

std::vector<RateRow> ScanRatePage(std::u16string_view page, std::size_t maxRows) {
  static constexpr std::u16string_view kMarker = u"nbsp;&nbsp;&nbsp;&nbsp;";
  std::vector<RateRow> rows;
  std::int32_t position = 1;
  while (rows.size() < maxRows) {
    const std::int32_t p = rt::InStr(position, page, kMarker);
    if (p == 0) break;
    const std::int32_t nameStart = p + kNameOffset;
    const std::int32_t f = rt::InStr(nameStart, page, u"font");
    // "font" must leave room for the two characters that end the name.
    if (f == 0 || f - 2 < nameStart) break;
    const std::int32_t h = rt::InStr(f - 2, page, u"html>");
    if (h == 0) break;
    const std::int32_t a = rt::InStr(h + 5, page, u"</a>");
    if (a == 0) break;
    rows.push_back({rt::Mid(page, nameStart, f - 2 - nameStart), rt::Mid(page, h + 5, a - (h + 5))});
    position = a;
  }
  return rows;
}

}  // namespace quillon
