#include "platform/posix/lazy_internet.h"

#include <dlfcn.h>

#include <cstdio>

namespace platform::posix {

LazyModule::LazyModule(std::string path) : path_(std::move(path)) {}

void* LazyModule::Entry(const char* name) {
  std::call_once(opened_, [this] {
    handle_ = dlopen(path_.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle_) std::fprintf(stderr, "quillon: no network: %s\n", dlerror());
  });
  if (!handle_) return nullptr;
  void* entry = dlsym(handle_, name);
  if (!entry) std::fprintf(stderr, "quillon: no network: %s has no %s\n", path_.c_str(), name);
  return entry;
}

LazyInternet::LazyInternet(LazyModule& module) : module_(module) {}

LazyInternet::~LazyInternet() = default;

Internet* LazyInternet::Session() {
  std::call_once(loaded_, [this] {
    if (const auto entry = reinterpret_cast<InternetModuleEntry>(module_.Entry(kInternetModuleEntry))) {
      session_.reset(entry());
    }
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

LazyFeedReader::LazyFeedReader(LazyModule& module) : module_(module) {}

LazyFeedReader::~LazyFeedReader() = default;

bool LazyFeedReader::ReadNewestDay(std::string_view document, rates::Day& day, std::string& why) {
  std::call_once(loaded_, [this] {
    if (const auto entry = reinterpret_cast<FeedReaderModuleEntry>(module_.Entry(kFeedReaderModuleEntry))) {
      reader_.reset(entry());
    }
  });
  if (!reader_) {
    why = "no XML reader: the network module cannot be loaded";
    return false;
  }
  return reader_->ReadNewestDay(document, day, why);
}

}  // namespace platform::posix
