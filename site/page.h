// The rates page: what Quillon's row scan reads, and a plain HTML5 page a
// person can read in a browser.
#pragma once

#include <string>

#include "feed.h"

namespace site {

// The currency codes of Quillon's symbol list, whose rows come first.
extern const char* const kSymbolOrder[22];

// "Friday, 29 December 2023" for "2023-12-29".
std::string LongDate(const std::string& isoDate);

// The English display name of a currency (CLDR through ICU), or the code
// itself when ICU knows no name for it.
std::string CurrencyName(const std::string& code);

// The whole page, UTF-8.
std::string RenderPage(const Day& day);

}  // namespace site
