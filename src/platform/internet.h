#pragma once
// The internet session, shaped after the WinINet calls the windows make.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

using HInternet = std::uintptr_t;  // 0 means failure

constexpr std::uint32_t kInternetOpenTypeDirect = 1;
constexpr std::uint32_t kInternetFlagNoCacheWrite = 0x04000000;
constexpr std::uint32_t kFlagIccForceConnection = 1;

// What one download may take, the same on every system. A download cut short
// by a limit keeps what arrived.
struct DownloadLimits {
  // Connecting, name lookup included.
  std::chrono::milliseconds connectTimeout{60'000};
  // Once connected, how long the transfer may go without receiving a byte.
  std::chrono::milliseconds stallTimeout{30'000};
  // One download, connecting and redirects included, however steadily bytes
  // trickle in.
  std::chrono::milliseconds overallTimeout{120'000};
  // A body is cut here: the reads end as if the body ended.
  std::size_t maxBodyBytes = 16u << 20;
  int maxRedirects = 10;
};

class Internet {
 public:
  virtual ~Internet() = default;

  virtual HInternet InternetOpenA(const std::u16string& agent, std::uint32_t accessType,
                                  const std::u16string& proxy, const std::u16string& proxyBypass,
                                  std::uint32_t flags) = 0;
  // An HTTP(S) GET of `url`; 0 when it cannot be opened (no response at all).
  virtual HInternet InternetOpenUrlA(HInternet root, const std::u16string& url,
                                     const std::u16string& headers, std::uint32_t headersLength,
                                     std::uint32_t flags, std::uintptr_t context) = 0;
  // Copies at most `toRead` body bytes into `buffer`; `read` becomes 0 at the
  // end of the body and on any failure, so a read loop always ends.
  virtual bool InternetReadFile(HInternet request, void* buffer, std::uint32_t toRead,
                                std::uint32_t& read) = 0;
  virtual bool InternetCloseHandle(HInternet handle) = 0;
  // Non-zero when a connection to the address's host could be made.
  virtual std::int32_t InternetCheckConnectionA(const std::u16string& url, std::uint32_t flags,
                                                std::uint32_t reserved) = 0;
  // The charset parameter of the response's Content-Type, lower-cased, or "".
  virtual std::string ResponseCharset(HInternet request) = 0;
};

}  // namespace platform
