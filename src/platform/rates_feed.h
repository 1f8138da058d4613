#pragma once
// The XML reader of a reference-rates document, on the system's own parser.
#include <string>
#include <string_view>

#include "rates/day.h"

namespace platform {

class RatesFeedReader {
 public:
  virtual ~RatesFeedReader() = default;
  // The newest day of a daily, 90-day or history document; false with a
  // one-line reason when the document is refused. No DTD is read, no entity
  // is substituted and nothing is fetched.
  virtual bool ReadNewestDay(std::string_view document, rates::Day& day, std::string& why) = 0;
};

}  // namespace platform
