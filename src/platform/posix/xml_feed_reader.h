#pragma once
// The reference-rates document read with libxml2's streaming reader.
#include "platform/rates_feed.h"

namespace platform::posix {

class XmlFeedReader : public RatesFeedReader {
 public:
  bool ReadNewestDay(std::string_view document, rates::Day& day, std::string& why) override;
};

}  // namespace platform::posix
