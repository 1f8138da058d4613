#pragma once
// The internet session of a shared module, loaded at the first call: libcurl
// and the libraries it links are mapped when a download is asked for, not at
// start.
#include <memory>
#include <mutex>
#include <string>

#include "platform/internet.h"

namespace platform::posix {

// What the module exports: a new session, which the caller owns.
inline constexpr const char* kInternetModuleEntry = "quillon_internet_create";
using InternetModuleEntry = Internet* (*)();
// Relative to the program's folder.
inline constexpr const char* kInternetModuleName = "modules/quillon-internet.so";

// When the module cannot be loaded, every call fails as it does for a network
// that cannot be reached, so the windows show what they show then.
class LazyInternet : public Internet {
 public:
  explicit LazyInternet(std::string modulePath);
  ~LazyInternet() override;
  LazyInternet(const LazyInternet&) = delete;
  LazyInternet& operator=(const LazyInternet&) = delete;

  HInternet InternetOpenA(const std::u16string& agent, std::uint32_t accessType,
                          const std::u16string& proxy, const std::u16string& proxyBypass,
                          std::uint32_t flags) override;
  HInternet InternetOpenUrlA(HInternet root, const std::u16string& url,
                             const std::u16string& headers, std::uint32_t headersLength,
                             std::uint32_t flags, std::uintptr_t context) override;
  bool InternetReadFile(HInternet request, void* buffer, std::uint32_t toRead,
                        std::uint32_t& read) override;
  bool InternetCloseHandle(HInternet handle) override;
  std::int32_t InternetCheckConnectionA(const std::u16string& url, std::uint32_t flags,
                                        std::uint32_t reserved) override;
  std::string ResponseCharset(HInternet request) override;

 private:
  Internet* Session();  // null when the module could not be loaded

  std::string path_;
  std::once_flag loaded_;
  std::unique_ptr<Internet> session_;
};

}  // namespace platform::posix
