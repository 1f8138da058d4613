#pragma once
// The internet session and the feed reader of a shared module, loaded at the
// first call: libcurl, libxml2 and the libraries they link are mapped when a
// download is asked for, not at start.
#include <memory>
#include <mutex>
#include <string>

#include "platform/internet.h"
#include "platform/rates_feed.h"

namespace platform::posix {

// What the module exports: a new session and a new reader, which the caller owns.
inline constexpr const char* kInternetModuleEntry = "quillon_internet_create";
using InternetModuleEntry = Internet* (*)();
inline constexpr const char* kFeedReaderModuleEntry = "quillon_feed_reader_create";
using FeedReaderModuleEntry = RatesFeedReader* (*)();
// Relative to the program's folder.
inline constexpr const char* kInternetModuleName = "modules/quillon-internet.so";

// The module, opened once at the first entry asked for. It stays mapped: the
// services' code lives there, and libcurl's global state is cleaned up by the
// module's own exit handlers.
class LazyModule {
 public:
  explicit LazyModule(std::string path);
  LazyModule(const LazyModule&) = delete;
  LazyModule& operator=(const LazyModule&) = delete;
  // Null when the module or the entry cannot be found; said once on stderr.
  void* Entry(const char* name);

 private:
  std::string path_;
  std::once_flag opened_;
  void* handle_ = nullptr;
};

// When the module cannot be loaded, every call fails as it does for a network
// that cannot be reached, so the windows show what they show then.
class LazyInternet : public Internet {
 public:
  explicit LazyInternet(LazyModule& module);
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

  LazyModule& module_;
  std::once_flag loaded_;
  std::unique_ptr<Internet> session_;
};

// When the module cannot be loaded, every document is refused with the reason.
class LazyFeedReader : public RatesFeedReader {
 public:
  explicit LazyFeedReader(LazyModule& module);
  ~LazyFeedReader() override;
  LazyFeedReader(const LazyFeedReader&) = delete;
  LazyFeedReader& operator=(const LazyFeedReader&) = delete;

  bool ReadNewestDay(std::string_view document, rates::Day& day, std::string& why) override;

 private:
  LazyModule& module_;
  std::once_flag loaded_;
  std::unique_ptr<RatesFeedReader> reader_;
};

}  // namespace platform::posix
