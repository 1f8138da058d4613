#pragma once
// The internet session on libcurl.
#include <cstdint>
#include <memory>
#include <string>

#include "platform/internet.h"

namespace platform::posix {

// Every request is fetched whole when it is opened, so the reads only hand out
// what is already in memory. Always a direct connection, whatever proxy the
// environment names; http and https only; certificates are verified. A stall
// is noticed within about a second of the limit.
class CurlInternet : public Internet {
 public:
  // `trustedCertificates`: a PEM file trusted instead of the system's store,
  // for a site of one's own (the tests' loopback https sites).
  explicit CurlInternet(DownloadLimits limits = {}, std::string trustedCertificates = {});
  ~CurlInternet() override;
  CurlInternet(const CurlInternet&) = delete;
  CurlInternet& operator=(const CurlInternet&) = delete;

  HInternet InternetOpenA(const std::u16string& agent, std::uint32_t accessType,
                          const std::u16string& proxy, const std::u16string& proxyBypass,
                          std::uint32_t flags) override;
  // 0 when no final response arrived at all: bad address, unknown root,
  // lookup or connection failure, TLS failure, a redirect that leads nowhere.
  // A response cut short (stall, reset, size cap) still opens with its start.
  HInternet InternetOpenUrlA(HInternet root, const std::u16string& url,
                             const std::u16string& headers, std::uint32_t headersLength,
                             std::uint32_t flags, std::uintptr_t context) override;
  bool InternetReadFile(HInternet request, void* buffer, std::uint32_t toRead,
                        std::uint32_t& read) override;
  // Closing a root also closes the requests opened on it.
  bool InternetCloseHandle(HInternet handle) override;
  // A plain TCP connection to the address's host and port, closed at once;
  // the flags make no difference, as this is the only test there is.
  std::int32_t InternetCheckConnectionA(const std::u16string& url, std::uint32_t flags,
                                        std::uint32_t reserved) override;
  std::string ResponseCharset(HInternet request) override;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace platform::posix
