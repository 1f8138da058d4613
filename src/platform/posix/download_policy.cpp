#include "platform/posix/download_policy.h"

#include <sys/socket.h>

#include "runtime/text.h"

namespace platform::posix {
namespace {

constexpr const char* kProtocols = "http,https";

// A new connection (the first, or one after a redirect) stops the stall
// clock: connecting has its own time limit.
curl_socket_t OnOpenSocket(void* user, curlsocktype, curl_sockaddr* address) {
  static_cast<TransferWatch*>(user)->connected = false;
  return ::socket(address->family, address->socktype, address->protocol);
}

// Called once a connection is up (or reused), right before the request goes out.
int OnConnected(void* user, char*, char*, int, int) {
  auto& watch = *static_cast<TransferWatch*>(user);
  watch.connected = true;
  watch.Touch();
  return CURL_PREREQFUNC_OK;
}

int OnProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  auto& watch = *static_cast<TransferWatch*>(user);
  if (watch.cancel && watch.cancel->load()) watch.cancelled = true;
  if (watch.connected && TransferWatch::Clock::now() - watch.lastByte > watch.stall) watch.stalled = true;
  return watch.cancelled || watch.stalled ? 1 : 0;
}

}  // namespace

void ApplyDownloadPolicy(CURL* easy, std::string_view url, const DownloadLimits& limits, TransferWatch& watch) {
  curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, kProtocols);
  // A download that starts on https stays on it: a redirect to http would
  // hand the rates to anyone on the path.
  const bool secure = url.size() >= 6 && runtime::LowerAscii(url.substr(0, 6)) == "https:";
  curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, secure ? "https" : kProtocols);
  curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(easy, CURLOPT_MAXREDIRS, static_cast<long>(limits.maxRedirects));
  curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(limits.connectTimeout.count()));
  curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, static_cast<long>(limits.overallTimeout.count()));
  // Not CURLOPT_LOW_SPEED_TIME: it averages over several seconds, so a body
  // that stops after a quick start would run on well past the limit.
  watch.stall = limits.stallTimeout;
  curl_easy_setopt(easy, CURLOPT_OPENSOCKETFUNCTION, OnOpenSocket);
  curl_easy_setopt(easy, CURLOPT_OPENSOCKETDATA, &watch);
  curl_easy_setopt(easy, CURLOPT_PREREQFUNCTION, OnConnected);
  curl_easy_setopt(easy, CURLOPT_PREREQDATA, &watch);
  curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, OnProgress);
  curl_easy_setopt(easy, CURLOPT_XFERINFODATA, &watch);
  curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);
  // Signals would reach a multi-threaded program; time limits need none.
  curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
}

}  // namespace platform::posix
