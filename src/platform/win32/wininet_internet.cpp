#include "platform/win32/wininet_internet.h"

#include <windows.h>
#include <wininet.h>

#include <algorithm>
#include <map>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/content_type.h"
#include "platform/win32/ansi.h"

namespace platform::win32 {

namespace {

using Clock = std::chrono::steady_clock;

HINTERNET Native(HInternet handle) { return reinterpret_cast<HINTERNET>(handle); }
HInternet Ours(HINTERNET handle) { return reinterpret_cast<HInternet>(handle); }

void SetTimeout(HINTERNET handle, DWORD option, std::chrono::milliseconds value) {
  DWORD ms = static_cast<DWORD>(std::clamp<long long>(value.count(), 1, 0x7FFFFFFF));
  ::InternetSetOptionA(handle, option, &ms, sizeof ms);
}

// One header of the response as WinINet gives it; nullopt when it is absent.
std::optional<std::string> QueryHeader(HINTERNET request, DWORD which) {
  std::vector<char> buffer(256);
  for (;;) {
    DWORD size = static_cast<DWORD>(buffer.size());
    DWORD index = 0;
    if (::HttpQueryInfoA(request, which, buffer.data(), &size, &index)) return std::string(buffer.data(), size);
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) return std::nullopt;
    buffer.resize(size + 1);
  }
}

DWORD StatusOf(HINTERNET request) {
  DWORD status = 0;
  DWORD size = sizeof status;
  DWORD index = 0;
  if (!::HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, &index)) return 0;
  return status;
}

// The address a response sends us on to, or "" when it is a final response.
// 304 names no new place; a 3xx without a Location is a page of its own.
std::string RedirectTarget(HINTERNET request, const std::string& from) {
  const DWORD status = StatusOf(request);
  if (status < 300 || status > 399 || status == 304) return {};
  const auto location = QueryHeader(request, HTTP_QUERY_LOCATION);
  if (!location || TrimHeaderSpace(*location).empty()) return {};
  const std::string relative(TrimHeaderSpace(*location));
  std::vector<char> combined(from.size() + relative.size() + 64);
  for (;;) {
    DWORD size = static_cast<DWORD>(combined.size());
    if (::InternetCombineUrlA(from.c_str(), relative.c_str(), combined.data(), &size, ICU_NO_ENCODE)) {
      return std::string(combined.data(), size);
    }
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) return {};
    combined.resize(size + 1);
  }
}

// One GET of an http or https address, without following a redirect. The
// steps of InternetOpenUrlA taken one by one, so that the time-outs sit on
// the connection before the request goes out: set on the root, they do not
// reach a request everywhere WinINet runs. Both handles, or none.
struct Opened {
  HINTERNET connection = nullptr;
  HINTERNET request = nullptr;
};

Opened OpenOnce(HINTERNET root, const std::string& address, const std::string& headers, DWORD flags,
                DWORD_PTR context, const DownloadLimits& limits) {
  char host[INTERNET_MAX_HOST_NAME_LENGTH + 1] = "";
  char scheme[INTERNET_MAX_SCHEME_LENGTH + 1] = "";
  URL_COMPONENTSA parts{};
  parts.dwStructSize = sizeof parts;
  parts.lpszScheme = scheme;
  parts.dwSchemeLength = sizeof scheme;
  parts.lpszHostName = host;
  parts.dwHostNameLength = sizeof host;
  parts.dwUrlPathLength = 1;   // found in place, not copied
  parts.dwExtraInfoLength = 1;
  if (!::InternetCrackUrlA(address.c_str(), 0, 0, &parts) || host[0] == '\0') return {};
  const bool secure = parts.nScheme == INTERNET_SCHEME_HTTPS;
  if (!secure && parts.nScheme != INTERNET_SCHEME_HTTP) return {};
  std::string target;
  if (parts.lpszUrlPath == nullptr || parts.dwUrlPathLength == 0) target.push_back('/');
  if (parts.lpszUrlPath) target.append(parts.lpszUrlPath, parts.dwUrlPathLength);
  if (parts.lpszExtraInfo) target.append(parts.lpszExtraInfo, parts.dwExtraInfoLength);

  Opened opened;
  opened.connection = ::InternetConnectA(root, host, parts.nPort, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, context);
  if (opened.connection == nullptr) return {};
  SetTimeout(opened.connection, INTERNET_OPTION_CONNECT_TIMEOUT, limits.connectTimeout);
  SetTimeout(opened.connection, INTERNET_OPTION_SEND_TIMEOUT, limits.stallTimeout);
  SetTimeout(opened.connection, INTERNET_OPTION_RECEIVE_TIMEOUT, limits.stallTimeout);
  opened.request = ::HttpOpenRequestA(opened.connection, "GET", target.c_str(), nullptr, nullptr, nullptr,
                                      flags | (secure ? INTERNET_FLAG_SECURE : 0), context);
  if (opened.request == nullptr ||
      !::HttpSendRequestA(opened.request, OrNull(headers), headers.empty() ? 0 : static_cast<DWORD>(headers.size()),
                          nullptr, 0)) {
    if (opened.request) ::InternetCloseHandle(opened.request);
    ::InternetCloseHandle(opened.connection);
    return {};
  }
  return opened;
}

}  // namespace

bool RedirectKeepsSecurity(const std::string& from, const std::string& to) {
  const auto scheme = [](const std::string& address) {
    URL_COMPONENTSA parts{};
    parts.dwStructSize = sizeof parts;
    parts.dwSchemeLength = 1;  // found in place, not copied
    return ::InternetCrackUrlA(address.c_str(), 0, 0, &parts) ? parts.nScheme : INTERNET_SCHEME_UNKNOWN;
  };
  return scheme(from) != INTERNET_SCHEME_HTTPS || scheme(to) == INTERNET_SCHEME_HTTPS;
}

struct WinInetInternet::State {
  struct Request {
    HInternet root = 0;
    HINTERNET connection = nullptr;
    Clock::time_point deadline;
    std::size_t received = 0;
  };

  DownloadLimits limits;
  std::mutex mutex;
  std::map<HInternet, Request> requests;
};

WinInetInternet::WinInetInternet(DownloadLimits limits) : state_(std::make_unique<State>()) {
  state_->limits = limits;
}

WinInetInternet::~WinInetInternet() = default;

HInternet WinInetInternet::InternetOpenA(const std::u16string& agent, std::uint32_t accessType,
                                         const std::u16string& proxy, const std::u16string& proxyBypass,
                                         std::uint32_t flags) {
  const std::string agentText = ToAnsi(agent);
  const std::string proxyText = ToAnsi(proxy);
  const std::string bypassText = ToAnsi(proxyBypass);
  HINTERNET root = ::InternetOpenA(agentText.c_str(), accessType, OrNull(proxyText), OrNull(bypassText), flags);
  return Ours(root);
}

HInternet WinInetInternet::InternetOpenUrlA(HInternet root, const std::u16string& url,
                                            const std::u16string& headers, std::uint32_t headersLength,
                                            std::uint32_t flags, std::uintptr_t context) {
  const Clock::time_point deadline = Clock::now() + state_->limits.overallTimeout;
  std::string address = ToAnsi(url);
  std::u16string headerText = headers;
  if (headersLength != 0xFFFFFFFFu && headersLength < headerText.size()) headerText.resize(headersLength);
  const std::string headerBytes = ToAnsi(headerText);
  // Redirects are ours to follow, so that their number and their schemes are
  // bounded as on every platform.
  const DWORD openFlags = flags | INTERNET_FLAG_NO_AUTO_REDIRECT;

  for (int hop = 0;; ++hop) {
    if (Clock::now() >= deadline) return 0;
    const Opened opened = OpenOnce(Native(root), address, headerBytes, openFlags, context, state_->limits);
    if (opened.request == nullptr) return 0;
    const std::string next = RedirectTarget(opened.request, address);
    if (next.empty()) {
      std::lock_guard lock(state_->mutex);
      state_->requests[Ours(opened.request)] = State::Request{root, opened.connection, deadline, 0};
      return Ours(opened.request);
    }
    ::InternetCloseHandle(opened.request);
    ::InternetCloseHandle(opened.connection);
    if (hop == state_->limits.maxRedirects || !RedirectKeepsSecurity(address, next)) return 0;
    address = next;
  }
}

bool WinInetInternet::InternetReadFile(HInternet request, void* buffer, std::uint32_t toRead,
                                       std::uint32_t& read) {
  read = 0;
  std::size_t room = 0;
  {
    std::lock_guard lock(state_->mutex);
    const auto it = state_->requests.find(request);
    if (it == state_->requests.end()) return false;
    if (Clock::now() >= it->second.deadline) return false;
    room = state_->limits.maxBodyBytes - std::min(state_->limits.maxBodyBytes, it->second.received);
  }
  if (toRead > 0 && buffer == nullptr) return false;
  if (std::min<std::size_t>(toRead, room) == 0) return true;  // the cap reads as the end of the body
  // A read asks only for what has arrived: one that waits to fill its buffer
  // would hold back the bytes it has when the time-out strikes, and keep a
  // trickling body from ever meeting the deadline.
  DWORD available = 0;
  if (!::InternetQueryDataAvailable(Native(request), &available, 0, 0)) return false;
  const auto ask = static_cast<DWORD>(std::min<std::size_t>({toRead, room, available}));
  if (ask == 0) return true;
  DWORD got = 0;
  if (!::InternetReadFile(Native(request), buffer, ask, &got)) return false;
  std::lock_guard lock(state_->mutex);
  const auto it = state_->requests.find(request);
  if (it != state_->requests.end()) it->second.received += got;
  read = got;
  return true;
}

bool WinInetInternet::InternetCloseHandle(HInternet handle) {
  std::vector<HINTERNET> connections;
  {
    std::lock_guard lock(state_->mutex);
    if (const auto it = state_->requests.find(handle); it != state_->requests.end()) {
      connections.push_back(it->second.connection);
      state_->requests.erase(it);
    } else {
      // A root takes its requests along.
      std::erase_if(state_->requests, [&](const auto& entry) {
        if (entry.second.root != handle) return false;
        connections.push_back(entry.second.connection);
        return true;
      });
    }
  }
  const bool closed = ::InternetCloseHandle(Native(handle)) != FALSE;
  for (HINTERNET connection : connections) ::InternetCloseHandle(connection);
  return closed;
}

std::int32_t WinInetInternet::InternetCheckConnectionA(const std::u16string& url, std::uint32_t flags,
                                                       std::uint32_t reserved) {
  const std::string address = ToAnsi(url);
  if (address.empty()) return 0;
  return ::InternetCheckConnectionA(address.c_str(), flags, reserved) ? 1 : 0;
}

std::string WinInetInternet::ResponseCharset(HInternet request) {
  {
    std::lock_guard lock(state_->mutex);
    if (state_->requests.count(request) == 0) return {};
  }
  const auto contentType = QueryHeader(Native(request), HTTP_QUERY_CONTENT_TYPE);
  return contentType ? CharsetOf(*contentType) : std::string();
}

}  // namespace platform::win32
