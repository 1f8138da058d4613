// The shared module that carries the libcurl session; LazyInternet loads it.
#include "platform/posix/curl_internet.h"
#include "platform/posix/lazy_internet.h"

extern "C" __attribute__((visibility("default"))) platform::Internet* quillon_internet_create() {
  return new platform::posix::CurlInternet();
}
