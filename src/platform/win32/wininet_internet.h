#pragma once
// The internet session on WinINet.
#include <cstdint>
#include <memory>
#include <string>

#include "platform/internet.h"

namespace platform::win32 {

// False for a hop from https to anything else: the rest of the download
// would travel in the clear, open to whoever sits on the path.
bool RedirectKeepsSecurity(const std::string& from, const std::string& to);

// The real WinINet calls, synchronous; the handles are WinINet's own. An
// address is opened with the steps InternetOpenUrlA takes (InternetConnectA,
// HttpOpenRequestA, HttpSendRequestA), so that the time-outs can be set on the
// connection before the request goes out. Redirects are followed here (http
// and https only, never from https to http, to the limit), so the caller's
// reads see the final response.
// A read blocked at the overall limit may overrun it by up to the stall limit.
class WinInetInternet : public Internet {
 public:
  explicit WinInetInternet(DownloadLimits limits = {});
  ~WinInetInternet() override;

  // Empty proxy texts go over as none.
  HInternet InternetOpenA(const std::u16string& agent, std::uint32_t accessType,
                          const std::u16string& proxy, const std::u16string& proxyBypass,
                          std::uint32_t flags) override;
  // 0 for an address that is not http or https, when no response arrives, at
  // the deadline, and after too many redirects.
  HInternet InternetOpenUrlA(HInternet root, const std::u16string& url,
                             const std::u16string& headers, std::uint32_t headersLength,
                             std::uint32_t flags, std::uintptr_t context) override;
  bool InternetReadFile(HInternet request, void* buffer, std::uint32_t toRead,
                        std::uint32_t& read) override;
  bool InternetCloseHandle(HInternet handle) override;
  std::int32_t InternetCheckConnectionA(const std::u16string& url, std::uint32_t flags,
                                        std::uint32_t reserved) override;
  // From the final response's Content-Type (HttpQueryInfoA).
  std::string ResponseCharset(HInternet request) override;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace platform::win32
