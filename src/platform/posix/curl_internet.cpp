#include "platform/posix/curl_internet.h"

#include <curl/curl.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstring>
#include <map>
#include <mutex>
#include <string_view>
#include <vector>

#include "platform/content_type.h"
#include "platform/posix/download_policy.h"
#include "runtime/text.h"

namespace platform::posix {

namespace {

struct CurlGlobal {
  CurlGlobal() { curl_global_init(CURL_GLOBAL_DEFAULT); }
  ~CurlGlobal() { curl_global_cleanup(); }
  CurlGlobal(const CurlGlobal&) = delete;
  CurlGlobal& operator=(const CurlGlobal&) = delete;
};

void EnsureCurlGlobal() { static CurlGlobal global; }

struct EasyDeleter {
  void operator()(CURL* easy) const { curl_easy_cleanup(easy); }
};
using Easy = std::unique_ptr<CURL, EasyDeleter>;

struct UrlDeleter {
  void operator()(CURLU* url) const { curl_url_cleanup(url); }
};

struct SlistDeleter {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

bool StartsWithNoCase(std::string_view s, std::string_view prefix) {
  return s.size() >= prefix.size() && runtime::LowerAscii(s.substr(0, prefix.size())) == prefix;
}

// What one GET collected. The header callback sees the headers of every
// response of a redirect chain, so it tracks the latest one: the body belongs
// to that response only, and a failure right after a redirect means the
// target never answered.
struct Transfer {
  std::size_t cap = 0;
  std::string body;
  long status = 0;
  bool headersDone = false;
  bool hasLocation = false;

  TransferWatch watch;

  void Touch() { watch.Touch(); }

  bool FinalResponseStarted() const {
    if (!headersDone || status < 200) return false;
    const bool followed = status >= 300 && status < 400 && status != 304 && hasLocation;
    return !followed;
  }
};

std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* user) {
  auto& t = *static_cast<Transfer*>(user);
  const std::size_t n = size * count;
  t.Touch();
  const std::string_view line(data, n);
  if (line.rfind("HTTP/", 0) == 0) {
    // A new response: its status is the word after the version.
    const std::size_t space = line.find(' ');
    t.status = 0;
    if (space != std::string_view::npos) {
      std::from_chars(line.data() + space + 1, line.data() + line.size(), t.status);
    }
    t.headersDone = false;
    t.hasLocation = false;
    t.body.clear();
  } else if (TrimHeaderSpace(line).empty()) {
    t.headersDone = true;
  } else if (!t.headersDone && StartsWithNoCase(line, "location:")) {
    t.hasLocation = !TrimHeaderSpace(line.substr(9)).empty();
  }
  return n;
}

std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* user) {
  auto& t = *static_cast<Transfer*>(user);
  const std::size_t n = size * count;
  t.Touch();
  const std::size_t room = t.cap - std::min(t.cap, t.body.size());
  if (n > room) {
    t.body.append(data, room);
    return 0;  // ends the transfer; what is kept reads as the whole body
  }
  t.body.append(data, n);
  return n;
}

void SetDirect(CURL* easy) {
  // An empty proxy overrides every proxy variable of the environment.
  curl_easy_setopt(easy, CURLOPT_PROXY, "");
  curl_easy_setopt(easy, CURLOPT_NOPROXY, "*");
  curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
}

// Request headers given as "Name: value" lines separated by CR LF; a length
// of all ones means the whole text, as for a NUL-terminated string.
std::vector<std::string> HeaderLines(const std::u16string& headers, std::uint32_t length) {
  std::u16string_view view(headers);
  if (length != 0xFFFFFFFFu && length < view.size()) view = view.substr(0, length);
  const std::string utf8 = runtime::ToUtf8(view);
  std::vector<std::string> lines;
  std::size_t from = 0;
  while (from <= utf8.size()) {
    std::size_t end = utf8.find('\n', from);
    if (end == std::string::npos) end = utf8.size();
    const std::string_view line = TrimHeaderSpace(std::string_view(utf8).substr(from, end - from));
    if (!line.empty()) lines.emplace_back(line);
    from = end + 1;
  }
  return lines;
}

}  // namespace

struct CurlInternet::State {
  struct Root {
    std::string agent;
  };
  struct Request {
    HInternet root = 0;
    std::string body;
    std::size_t readPos = 0;
    std::string charset;
  };

  DownloadLimits limits;
  std::string trustedCertificates;
  std::mutex mutex;
  HInternet nextHandle = 1;
  std::map<HInternet, Root> roots;
  std::map<HInternet, Request> requests;

  HInternet NewHandle() { return nextHandle++; }
};

CurlInternet::CurlInternet(DownloadLimits limits, std::string trustedCertificates)
    : state_(std::make_unique<State>()) {
  state_->trustedCertificates = std::move(trustedCertificates);
  EnsureCurlGlobal();
  state_->limits = limits;
}

CurlInternet::~CurlInternet() = default;


HInternet CurlInternet::InternetOpenA(const std::u16string& agent, std::uint32_t /*accessType*/,
                                      const std::u16string& /*proxy*/,
                                      const std::u16string& /*proxyBypass*/,
                                      std::uint32_t /*flags*/) {
  std::lock_guard lock(state_->mutex);
  const HInternet handle = state_->NewHandle();
  state_->roots[handle] = State::Root{runtime::ToUtf8(agent)};
  return handle;
}

HInternet CurlInternet::InternetOpenUrlA(HInternet root, const std::u16string& url,
                                         const std::u16string& headers,
                                         std::uint32_t headersLength, std::uint32_t /*flags*/,
                                         std::uintptr_t /*context*/) {
  std::string agent;
  {
    std::lock_guard lock(state_->mutex);
    const auto it = state_->roots.find(root);
    if (it == state_->roots.end()) return 0;
    agent = it->second.agent;
  }
  const std::string address = runtime::ToUtf8(url);
  if (address.empty()) return 0;

  Easy easy(curl_easy_init());
  if (!easy) return 0;
  CURL* e = easy.get();
  Transfer transfer;
  transfer.cap = state_->limits.maxBodyBytes;

  std::unique_ptr<curl_slist, SlistDeleter> headerList;
  for (const std::string& line : HeaderLines(headers, headersLength)) {
    curl_slist* grown = curl_slist_append(headerList.get(), line.c_str());
    if (!grown) return 0;
    headerList.release();
    headerList.reset(grown);
  }

  curl_easy_setopt(e, CURLOPT_URL, address.c_str());
  curl_easy_setopt(e, CURLOPT_USERAGENT, agent.c_str());
  if (headerList) curl_easy_setopt(e, CURLOPT_HTTPHEADER, headerList.get());
  SetDirect(e);
  ApplyDownloadPolicy(e, address, state_->limits, transfer.watch);
  if (!state_->trustedCertificates.empty()) curl_easy_setopt(e, CURLOPT_CAINFO, state_->trustedCertificates.c_str());
  curl_easy_setopt(e, CURLOPT_HEADERFUNCTION, OnHeader);
  curl_easy_setopt(e, CURLOPT_HEADERDATA, &transfer);
  curl_easy_setopt(e, CURLOPT_WRITEFUNCTION, OnBody);
  curl_easy_setopt(e, CURLOPT_WRITEDATA, &transfer);

  const CURLcode result = curl_easy_perform(e);
  // A transfer cut short after its final response began keeps what arrived.
  if (result != CURLE_OK && !transfer.FinalResponseStarted()) return 0;

  State::Request request;
  request.root = root;
  request.body = std::move(transfer.body);
  const char* contentType = nullptr;
  if (curl_easy_getinfo(e, CURLINFO_CONTENT_TYPE, &contentType) == CURLE_OK && contentType) {
    request.charset = CharsetOf(contentType);
  }

  std::lock_guard lock(state_->mutex);
  // The root may have been closed by another thread during the transfer.
  if (state_->roots.count(root) == 0) return 0;
  const HInternet handle = state_->NewHandle();
  state_->requests.emplace(handle, std::move(request));
  return handle;
}

bool CurlInternet::InternetReadFile(HInternet request, void* buffer, std::uint32_t toRead,
                                    std::uint32_t& read) {
  read = 0;
  std::lock_guard lock(state_->mutex);
  const auto it = state_->requests.find(request);
  if (it == state_->requests.end()) return false;
  if (toRead > 0 && buffer == nullptr) return false;
  State::Request& r = it->second;
  const std::size_t count = std::min<std::size_t>(toRead, r.body.size() - r.readPos);
  if (count > 0) std::memcpy(buffer, r.body.data() + r.readPos, count);
  r.readPos += count;
  read = static_cast<std::uint32_t>(count);
  return true;
}

bool CurlInternet::InternetCloseHandle(HInternet handle) {
  std::lock_guard lock(state_->mutex);
  if (state_->requests.erase(handle) > 0) return true;
  if (state_->roots.erase(handle) == 0) return false;
  std::erase_if(state_->requests, [handle](const auto& entry) { return entry.second.root == handle; });
  return true;
}

std::int32_t CurlInternet::InternetCheckConnectionA(const std::u16string& url,
                                                    std::uint32_t /*flags*/,
                                                    std::uint32_t /*reserved*/) {
  const std::string address = runtime::ToUtf8(url);
  std::unique_ptr<CURLU, UrlDeleter> parsed(curl_url());
  if (!parsed || address.empty() ||
      curl_url_set(parsed.get(), CURLUPART_URL, address.c_str(), 0) != CURLUE_OK) {
    return 0;
  }
  auto part = [&](CURLUPart which, unsigned flags) {
    char* value = nullptr;
    std::string out;
    if (curl_url_get(parsed.get(), which, &value, flags) == CURLUE_OK && value) out = value;
    curl_free(value);
    return out;
  };
  const std::string scheme = runtime::LowerAscii(part(CURLUPART_SCHEME, 0));
  const std::string host = part(CURLUPART_HOST, 0);
  const std::string port = part(CURLUPART_PORT, CURLU_DEFAULT_PORT);
  if ((scheme != "http" && scheme != "https") || host.empty() || port.empty()) return 0;

  // Connect-only over plain http: a bare TCP connection to the same host and
  // port, without a TLS handshake, which is all the test asks for.
  const std::string target = "http://" + host + ":" + port + "/";
  Easy easy(curl_easy_init());
  if (!easy) return 0;
  CURL* e = easy.get();
  curl_easy_setopt(e, CURLOPT_URL, target.c_str());
  curl_easy_setopt(e, CURLOPT_CONNECT_ONLY, 1L);
  SetDirect(e);
  curl_easy_setopt(e, CURLOPT_CONNECTTIMEOUT_MS,
                   static_cast<long>(state_->limits.connectTimeout.count()));
  return curl_easy_perform(e) == CURLE_OK ? 1 : 0;
}

std::string CurlInternet::ResponseCharset(HInternet request) {
  std::lock_guard lock(state_->mutex);
  const auto it = state_->requests.find(request);
  return it == state_->requests.end() ? std::string() : it->second.charset;
}

}  // namespace platform::posix
