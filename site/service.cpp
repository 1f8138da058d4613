#include "service.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <ctime>

#include "feed.h"
#include "files.h"
#include "rates/page_writer.h"

namespace site {
namespace {

std::string IsoTime(std::chrono::system_clock::time_point t) {
  const std::time_t seconds = std::chrono::system_clock::to_time_t(t);
  std::tm utc{};
  gmtime_r(&seconds, &utc);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
  return text;
}

// FNV-1a: a stable name for the page's bytes across restarts.
std::string EntityTag(const std::string& bytes) {
  std::uint64_t hash = 1469598103934665603ull;
  for (unsigned char c : bytes) {
    hash ^= c;
    hash *= 1099511628211ull;
  }
  char text[24];
  std::snprintf(text, sizeof text, "\"%016llx\"", static_cast<unsigned long long>(hash));
  return text;
}

std::string JsonString(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c < 0x20) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
      out += escaped;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

}  // namespace

std::string HttpDate(std::chrono::system_clock::time_point t) {
  const std::time_t seconds = std::chrono::system_clock::to_time_t(t);
  std::tm utc{};
  gmtime_r(&seconds, &utc);
  static const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  char text[40];
  std::snprintf(text, sizeof text, "%s, %02d %s %04d %02d:%02d:%02d GMT", kDays[utc.tm_wday], utc.tm_mday,
                kMonths[utc.tm_mon], utc.tm_year + 1900, utc.tm_hour, utc.tm_min, utc.tm_sec);
  return text;
}

BuiltPage BuildPage(const std::string& feedBytes) {
  const Day day = ReadFeed(feedBytes);
  return {rates::RenderPage(day), day.date};
}

RatesService::RatesService(std::string feed, std::string stateDir, FetchLimits limits, Log log)
    : feed_(std::move(feed)), stateDir_(std::move(stateDir)), limits_(limits), log_(std::move(log)) {}

std::string RatesService::FeedPath() const { return stateDir_ + "/feed.xml"; }
std::string RatesService::ValidatorsPath() const { return stateDir_ + "/feed.validators"; }

void RatesService::Publish(const std::string& feedBytes, std::chrono::system_clock::time_point fetchedAt) {
  BuiltPage built = BuildPage(feedBytes);
  auto page = std::make_shared<Published>();
  page->html = std::move(built.html);
  page->etag = EntityTag(page->html);
  page->ratesDate = std::move(built.ratesDate);
  std::lock_guard lock(mutex_);
  // The same bytes keep their date, so a client's If-Modified-Since holds.
  page->lastModified = current_ && current_->etag == page->etag ? current_->lastModified : HttpDate(fetchedAt);
  current_ = std::move(page);
  lastGoodFetch_ = fetchedAt;
  lastError_.clear();
}

void RatesService::LoadState() {
  if (stateDir_.empty()) return;
  struct stat info {};
  if (lstat(FeedPath().c_str(), &info) != 0 && errno == ENOENT) return;
  try {
    const KeptFile kept = ReadRegularFile(FeedPath(), limits_.maxBodyBytes);
    Publish(kept.content, std::chrono::system_clock::from_time_t(kept.modified));
  } catch (const Unusable& e) {
    log_("the kept feed " + FeedPath() + " is unusable: " + e.what());
    return;
  }
  std::string validators;
  // Two header values, an ETag and a date: anything longer is not ours.
  if (ReadWholeFile(ValidatorsPath(), 4096, validators)) {
    const auto newline = validators.find('\n');
    std::lock_guard lock(mutex_);
    validators_.etag = validators.substr(0, newline);
    if (newline != std::string::npos) {
      validators_.lastModified = validators.substr(newline + 1);
      if (!validators_.lastModified.empty() && validators_.lastModified.back() == '\n') {
        validators_.lastModified.pop_back();
      }
    }
  }
  log_("serving the kept feed of " + Current()->ratesDate);
}

void RatesService::Refresh() {
  Validators known;
  {
    std::lock_guard lock(mutex_);
    if (current_) known = validators_;
  }
  const auto now = std::chrono::system_clock::now();
  Fetched fetched;
  try {
    fetched = Fetch(feed_, known, limits_, &cancelled_);
    if (fetched.notModified) {
      std::lock_guard lock(mutex_);
      lastGoodFetch_ = now;
      lastError_.clear();
      log_("the feed has not changed");
      return;
    }
    Publish(fetched.body, now);
    {
      std::lock_guard lock(mutex_);
      validators_ = fetched.validators;
    }
    log_("serving the rates of " + Current()->ratesDate);
  } catch (const Unusable& e) {
    bool served = false;
    {
      std::lock_guard lock(mutex_);
      lastError_ = e.what();
      served = current_ != nullptr;
    }
    log_(std::string(served ? "keeping the last good page: " : "no page to serve yet: ") + e.what());
    return;
  }
  if (stateDir_.empty()) return;
  std::string keepError;
  try {
    ReplaceFile(FeedPath(), fetched.body);
    ReplaceFile(ValidatorsPath(), fetched.validators.etag + "\n" + fetched.validators.lastModified + "\n");
  } catch (const Unusable& e) {
    keepError = e.what();
    log_("the feed is served but not kept: " + keepError);
  }
  std::lock_guard lock(mutex_);
  keepError_ = keepError;
}

void RatesService::Cancel() { cancelled_ = true; }

std::shared_ptr<const Published> RatesService::Current() const {
  std::lock_guard lock(mutex_);
  return current_;
}

std::string RatesService::Health() const {
  std::lock_guard lock(mutex_);
  std::string json = "{\"status\": ";
  const char* status = !current_                ? "\"no rates\""
                       : !lastError_.empty()     ? "\"stale\""
                       : !keepError_.empty()     ? "\"degraded\""
                                                 : "\"ok\"";
  json += status;
  json += ", \"rates_date\": " + (current_ ? JsonString(current_->ratesDate) : std::string("null"));
  json += ", \"last_good_fetch\": " + (current_ ? JsonString(IsoTime(lastGoodFetch_)) : std::string("null"));
  json += ", \"last_error\": " + (lastError_.empty() ? std::string("null") : JsonString(lastError_));
  json += ", \"not_kept\": " + (keepError_.empty() ? std::string("null") : JsonString(keepError_));
  return json + "}\n";
}

}  // namespace site
