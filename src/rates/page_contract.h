#pragma once
// The rates page as the desktop program reads it and the rates site writes it:
// one place for every mark both sides must agree on.
#include <cstdint>
#include <string_view>

namespace rates {

// A currency row starts at this marker: the last 23 characters of four
// no-break space entities, without the first "&".
inline constexpr std::u16string_view kRowMarker = u"nbsp;&nbsp;&nbsp;&nbsp;";
// The five characters between the marker and the name, skipped unread.
inline constexpr std::u16string_view kNameLead = u"<wbr>";
inline constexpr std::int32_t kNameOffset = static_cast<std::int32_t>(kRowMarker.size() + kNameLead.size());
// The name ends two characters before this word.
inline constexpr std::u16string_view kNameEnd = u"font";
// The rate lies between the end of its link's address and the link's end.
inline constexpr std::u16string_view kRateOpen = u"html>";
inline constexpr std::u16string_view kRateClose = u"</a>";
// The date line, matched without regard to case.
inline constexpr std::u16string_view kDateOpen = u"using values from ";
inline constexpr std::u16string_view kDateClose = u"<BR>";

// The currency codes of the symbol list, in its order; their rows come first
// on the page so that the symbol list follows the currency list by position.
inline constexpr std::string_view kSymbolCodes[22] = {"USD", "AUD", "BRL", "GBP", "CAD", "CNY", "DKK", "HKD",
                                                      "INR", "JPY", "MYR", "MXN", "NZD", "NOK", "SGD", "ZAR",
                                                      "KRW", "LKR", "SEK", "CHF", "TWD", "THB"};

}  // namespace rates
