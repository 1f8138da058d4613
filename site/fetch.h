// Getting the feed: a local file or an HTTP(S) address, bounded in size and
// time, with the validators of a conditional GET.
#pragma once

#include <chrono>
#include <string>

namespace site {

struct FetchLimits {
  std::size_t maxBytes;
  std::chrono::seconds total{60};     // the whole transfer, redirects included
  std::chrono::seconds stall{20};     // no byte at all for this long
  long maxRedirects = 5;
};
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

// Throws Unusable with the reason when nothing usable came.
Fetched Fetch(const std::string& source, const Validators& known, const FetchLimits& limits);

// A source is an address when it names a scheme; anything else is a path.
bool IsAddress(const std::string& source);

}  // namespace site
