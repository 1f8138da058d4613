#include "platform/posix/lazy_internet.h"

#include <dlfcn.h>

#include <cstdio>

namespace platform::posix {

LazyInternet::LazyInternet(std::string modulePath) : path_(std::move(modulePath)) {}

// The module stays mapped: the session's code lives there, and libcurl's
// global state is cleaned up by the module's own exit handlers.
LazyInternet::~LazyInternet() = default;

Internet* LazyInternet::Session() {
  std::call_once(loaded_, [this] {
    void* module = dlopen(path_.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module) {
      std::fprintf(stderr, "quillon: no network: %s\n", dlerror());
      return;
    }
    const auto entry = reinterpret_cast<InternetModuleEntry>(dlsym(module, kInternetModuleEntry));
    if (!entry) {
      std::fprintf(stderr, "quillon: no network: %s has no %s\n", path_.c_str(), kInternetModuleEntry);
      return;
    }
    session_.reset(entry());
  });
  return session_.get();
}

HInternet LazyInternet::InternetOpenA(const std::u16string& agent, std::uint32_t accessType,
                                      const std::u16string& proxy, const std::u16string& proxyBypass,
                                      std::uint32_t flags) {
  Internet* s = Session();
  return s ? s->InternetOpenA(agent, accessType, proxy, proxyBypass, flags) : 0;
}

HInternet LazyInternet::InternetOpenUrlA(HInternet root, const std::u16string& url,
                                         const std::u16string& headers, std::uint32_t headersLength,
                                         std::uint32_t flags, std::uintptr_t context) {
  Internet* s = Session();
  return s ? s->InternetOpenUrlA(root, url, headers, headersLength, flags, context) : 0;
}

bool LazyInternet::InternetReadFile(HInternet request, void* buffer, std::uint32_t toRead,
                                    std::uint32_t& read) {
  read = 0;
  Internet* s = Session();
  return s && s->InternetReadFile(request, buffer, toRead, read);
}

bool LazyInternet::InternetCloseHandle(HInternet handle) {
  Internet* s = Session();
  return s && s->InternetCloseHandle(handle);
}

std::int32_t LazyInternet::InternetCheckConnectionA(const std::u16string& url, std::uint32_t flags,
                                                    std::uint32_t reserved) {
  Internet* s = Session();
  return s ? s->InternetCheckConnectionA(url, flags, reserved) : 0;
}

std::string LazyInternet::ResponseCharset(HInternet request) {
  Internet* s = Session();
  return s ? s->ResponseCharset(request) : std::string();
}

}  // namespace platform::posix
