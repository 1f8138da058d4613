#include "feed.h"

#include "platform/posix/xml_feed_reader.h"

namespace site {

Day ReadFeed(std::string_view document) {
  if (document.size() > kMaxFeedBytes) {
    throw Unusable("the document is larger than " + std::to_string(kMaxFeedBytes >> 20) + " MiB");
  }
  Day day;
  std::string why;
  if (!platform::posix::XmlFeedReader().ReadNewestDay(document, day, why)) throw Unusable(why);
  return day;
}

}  // namespace site
