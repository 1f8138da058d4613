// The shared module that carries the libcurl session; LazyInternet loads it.
#include <type_traits>

#include "platform/posix/curl_internet.h"
#include "platform/posix/lazy_internet.h"

extern "C" __attribute__((visibility("default"))) platform::Internet* quillon_internet_create() {
  return new platform::posix::CurlInternet();
}

static_assert(std::is_same_v<decltype(&quillon_internet_create), platform::posix::InternetModuleEntry>,
              "the loader calls the entry through this type");
