#pragma once
// The rates page written for one day: what the desktop program's row scan
// reads, and a plain HTML5 page a person can read in a browser.
#include <string>

#include "rates/day.h"

namespace rates {

// "Friday, 29 December 2023" for "2023-12-29", a date IsIsoDate accepts.
std::string LongDate(const std::string& isoDate);

// The whole page, UTF-8, for a day that keeps the rules of day.h.
std::string RenderPage(const Day& day);

}  // namespace rates
