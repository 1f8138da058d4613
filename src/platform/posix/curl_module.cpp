// The shared module that carries the libcurl session and the libxml2 feed
// reader; LazyModule loads it at the first download.
#include <type_traits>

#include "platform/posix/curl_internet.h"
#include "platform/posix/lazy_internet.h"
#include "platform/posix/xml_feed_reader.h"

extern "C" __attribute__((visibility("default"))) platform::Internet* quillon_internet_create() {
  return new platform::posix::CurlInternet();
}

extern "C" __attribute__((visibility("default"))) platform::RatesFeedReader* quillon_feed_reader_create() {
  return new platform::posix::XmlFeedReader();
}

static_assert(std::is_same_v<decltype(&quillon_internet_create), platform::posix::InternetModuleEntry>,
              "the loader calls the entry through this type");
static_assert(std::is_same_v<decltype(&quillon_feed_reader_create), platform::posix::FeedReaderModuleEntry>,
              "the loader calls the entry through this type");
