// The central bank's reference-rates document, read into the newest day.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

#include "rates/day.h"

namespace site {

// Why a feed, a fetch or a file cannot be used: one line for a log or stderr.
class Unusable : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Larger documents are refused before they are parsed; the 90-day document
// is about 150 KiB and the whole history about 7 MiB.
inline constexpr std::size_t kMaxFeedBytes = 8u << 20;

using rates::Day;
using rates::Rate;

// The newest day of a daily, 90-day or history document; throws Unusable.
Day ReadFeed(std::string_view document);

}  // namespace site
