// The rates page kept fresh from the feed: the last good page always stays
// published, and the last good feed is kept on disk for a restart.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "fetch.h"

namespace site {

// The page of a feed document's newest day, and that day. The one place the
// site reads a feed and writes a page; throws Unusable.
struct BuiltPage {
  std::string html;
  std::string ratesDate;  // YYYY-MM-DD
};
BuiltPage BuildPage(const std::string& feedBytes);

struct Published {
  std::string html;
  std::string etag;          // quoted, from the page's bytes
  std::string lastModified;  // HTTP date of the first time these bytes were published
  std::string ratesDate;     // YYYY-MM-DD
};

class RatesService {
 public:
  using Log = std::function<void(const std::string&)>;
  RatesService(std::string feed, std::string stateDir, FetchLimits limits, Log log);

  // Publishes the feed kept in the state folder, if there is a usable one.
  void LoadState();
  // One fetch; a failure is logged and remembered, the page stays.
  void Refresh();
  // Ends a fetch in progress, and every later one, at once.
  void Cancel();

  std::shared_ptr<const Published> Current() const;
  // JSON: the rates' date, the last good fetch, the last failure, and why
  // the page served is not kept on disk, if it is not.
  std::string Health() const;

 private:
  void Publish(const std::string& feedBytes, std::chrono::system_clock::time_point fetchedAt);
  std::string FeedPath() const;
  std::string ValidatorsPath() const;

  const std::string feed_;
  const std::string stateDir_;
  const FetchLimits limits_;
  const Log log_;

  mutable std::mutex mutex_;
  std::shared_ptr<const Published> current_;
  Validators validators_;
  std::chrono::system_clock::time_point lastGoodFetch_{};
  std::string lastError_;
  std::string keepError_;
  std::atomic<bool> cancelled_{false};
};

std::string HttpDate(std::chrono::system_clock::time_point t);

}  // namespace site
