#pragma once
// The project's one download policy on libcurl: the desktop's internet
// session and the rates site's fetch both apply it, each with its limits.
#include <curl/curl.h>

#include <atomic>
#include <chrono>
#include <string_view>

#include "platform/internet.h"

namespace platform::posix {

// One transfer's watch. Once a connection is up, no byte for the stall time
// ends the transfer: measured as no byte at all, not as an average rate over
// a window. A cancel flag turning true ends it too. Both are noticed within
// about a second, at libcurl's progress calls.
struct TransferWatch {
  using Clock = std::chrono::steady_clock;

  std::chrono::milliseconds stall{0};
  const std::atomic<bool>* cancel = nullptr;
  bool connected = false;
  Clock::time_point lastByte{};
  bool stalled = false;
  bool cancelled = false;

  // Call for every header line and body chunk received.
  void Touch() { lastByte = Clock::now(); }
};

// Sets on easy, for a transfer of `url`: http and https only, redirects
// included, and https only once the address is https; at most
// limits.maxRedirects redirects followed; the connect and overall time
// limits; and the watch, through the socket-open, pre-request and progress
// callbacks, which it takes over. The caller keeps its header and write
// callbacks, which call watch.Touch(), and decides what the size cap means
// for its body.
void ApplyDownloadPolicy(CURL* easy, std::string_view url, const DownloadLimits& limits, TransferWatch& watch);

}  // namespace platform::posix
