#pragma once
// The reference-rates document read with XmlLite, the system's own parser.
#include "platform/rates_feed.h"

namespace platform::win32 {

// xmllite.dll is loaded at the first document, not at start-up: Debian's
// mingw-w64 has no import library for it, and an idle window needs no parser.
class XmlLiteFeedReader : public RatesFeedReader {
 public:
  bool ReadNewestDay(std::string_view document, rates::Day& day, std::string& why) override;
};

}  // namespace platform::win32
