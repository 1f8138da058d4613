// Getting the feed: a local file or an HTTP(S) address, bounded in size and
// time, with the validators of a conditional GET.
#pragma once

#include <atomic>
#include <chrono>
#include <string>

#include "platform/internet.h"

namespace site {

// The project's download limits, applied as the desktop applies them; the
// site's values: 20 s to connect, no byte for 20 s, 60 s in all, 8 MiB,
// 5 redirects.
using FetchLimits = platform::DownloadLimits;
FetchLimits DefaultLimits();

// What the last good fetch answered, sent back as If-None-Match and
// If-Modified-Since.
struct Validators {
  std::string etag;
  std::string lastModified;
};

struct Fetched {
  bool notModified = false;  // 304: body is empty, the caller keeps what it has
  std::string body;
  Validators validators;
};

// Throws Unusable with the reason when nothing usable came; a cancel flag
// that turns true ends the transfer within about a second. A file:// URL or
// a plain path is read as a local file, under the same size cap.
Fetched Fetch(const std::string& source, const Validators& known, const FetchLimits& limits,
              const std::atomic<bool>* cancel = nullptr);

// A source is an address when it names a scheme; anything else is a path.
bool IsAddress(const std::string& source);

}  // namespace site
