#include "fetch.h"

#include <curl/curl.h>

#include <cctype>
#include <memory>

#include "feed.h"
#include "files.h"
#include "platform/content_type.h"
#include "platform/posix/download_policy.h"

namespace site {
namespace {

struct Transfer {
  std::size_t maxBytes = 0;
  bool tooLarge = false;
  std::string body;
  Validators validators;
  platform::posix::TransferWatch watch;
};

size_t OnBody(char* data, size_t size, size_t count, void* user) {
  auto* t = static_cast<Transfer*>(user);
  const std::size_t n = size * count;
  t->watch.Touch();
  if (t->body.size() + n > t->maxBytes) {
    t->tooLarge = true;
    return 0;  // aborts the transfer
  }
  t->body.append(data, n);
  return n;
}

// Headers of every response of a redirect chain pass here; a new status
// line starts a new response, so only the final one's validators are kept.
size_t OnHeader(char* data, size_t size, size_t count, void* user) {
  auto* t = static_cast<Transfer*>(user);
  t->watch.Touch();
  const std::string line(data, size * count);
  if (line.rfind("HTTP/", 0) == 0) t->validators = {};
  const auto colon = line.find(':');
  if (colon != std::string::npos) {
    std::string name = line.substr(0, colon);
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const std::string value(platform::TrimHeaderSpace(std::string_view(line).substr(colon + 1)));
    if (name == "etag") t->validators.etag = value;
    if (name == "last-modified") t->validators.lastModified = value;
  }
  return size * count;
}

struct EasyFree {
  void operator()(CURL* c) const { curl_easy_cleanup(c); }
};
struct ListFree {
  void operator()(curl_slist* l) const { curl_slist_free_all(l); }
};

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// file:///path and file://localhost/path, percent-escapes decoded.
std::string PathOfFileUrl(const std::string& url) {
  std::string rest = url.substr(7);
  if (rest.rfind("localhost/", 0) == 0) rest.erase(0, 9);
  if (rest.empty() || rest[0] != '/') throw Unusable(url + " names no local path");
  std::string path;
  for (std::size_t i = 0; i < rest.size(); ++i) {
    if (rest[i] == '%' && i + 2 < rest.size() && HexDigit(rest[i + 1]) >= 0 && HexDigit(rest[i + 2]) >= 0) {
      path += static_cast<char>(HexDigit(rest[i + 1]) * 16 + HexDigit(rest[i + 2]));
      i += 2;
    } else if (rest[i] == '?' || rest[i] == '#') {
      break;
    } else {
      path += rest[i];
    }
  }
  return path;
}

bool StartsWithNoCase(const std::string& text, const char* prefix) {
  for (std::size_t i = 0; prefix[i] != '\0'; ++i) {
    if (i >= text.size() || std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
  }
  return true;
}

}  // namespace

FetchLimits DefaultLimits() {
  FetchLimits limits;
  limits.connectTimeout = std::chrono::seconds(20);
  limits.stallTimeout = std::chrono::seconds(20);
  limits.overallTimeout = std::chrono::seconds(60);
  limits.maxBodyBytes = kMaxFeedBytes;
  limits.maxRedirects = 5;
  return limits;
}

bool IsAddress(const std::string& source) { return source.find("://") != std::string::npos; }

Fetched Fetch(const std::string& source, const Validators& known, const FetchLimits& limits,
              const std::atomic<bool>* cancel) {
  if (!IsAddress(source) || StartsWithNoCase(source, "file://")) {
    const std::string path = IsAddress(source) ? PathOfFileUrl(source) : source;
    Fetched f;
    f.body = ReadRegularFile(path, limits.maxBodyBytes).content;
    return f;
  }
  static const CURLcode initialised = curl_global_init(CURL_GLOBAL_DEFAULT);
  if (initialised != CURLE_OK) throw Unusable("libcurl cannot start");

  std::unique_ptr<CURL, EasyFree> curl(curl_easy_init());
  if (!curl) throw Unusable("libcurl cannot start");
  Transfer t;
  t.maxBytes = limits.maxBodyBytes;
  t.watch.cancel = cancel;
  std::unique_ptr<curl_slist, ListFree> headers;
  auto addHeader = [&](const std::string& h) { headers.reset(curl_slist_append(headers.release(), h.c_str())); };
  if (!known.etag.empty()) addHeader("If-None-Match: " + known.etag);
  if (!known.lastModified.empty()) addHeader("If-Modified-Since: " + known.lastModified);

  CURL* c = curl.get();
  curl_easy_setopt(c, CURLOPT_URL, source.c_str());
  platform::posix::ApplyDownloadPolicy(c, source, limits, t.watch);
  // A declared length over the cap is refused before the body comes.
  curl_easy_setopt(c, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(limits.maxBodyBytes));
  curl_easy_setopt(c, CURLOPT_ACCEPT_ENCODING, "");
  curl_easy_setopt(c, CURLOPT_USERAGENT, "quillon-rates-site/1.0");
  curl_easy_setopt(c, CURLOPT_HTTPHEADER, headers.get());
  curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, OnBody);
  curl_easy_setopt(c, CURLOPT_WRITEDATA, &t);
  curl_easy_setopt(c, CURLOPT_HEADERFUNCTION, OnHeader);
  curl_easy_setopt(c, CURLOPT_HEADERDATA, &t);
  char errorText[CURL_ERROR_SIZE] = "";
  curl_easy_setopt(c, CURLOPT_ERRORBUFFER, errorText);

  const CURLcode result = curl_easy_perform(c);
  const std::string tooLarge = "the document is larger than " + std::to_string(limits.maxBodyBytes >> 20) + " MiB";
  if (t.tooLarge || result == CURLE_FILESIZE_EXCEEDED) throw Unusable(tooLarge);
  if (t.watch.cancelled) throw Unusable("fetching " + source + " was cancelled");
  if (t.watch.stalled) {
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(limits.stallTimeout).count();
    throw Unusable("fetching " + source + " timed out: no byte for " + std::to_string(seconds) + " s");
  }
  if (result == CURLE_OPERATION_TIMEDOUT) {
    throw Unusable("fetching " + source + " timed out: " + (*errorText ? errorText : curl_easy_strerror(result)));
  }
  if (result == CURLE_TOO_MANY_REDIRECTS) throw Unusable("fetching " + source + ": too many redirects");
  if (result != CURLE_OK) {
    throw Unusable("fetching " + source + " failed: " + (*errorText ? errorText : curl_easy_strerror(result)));
  }
  long status = 0;
  curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &status);
  Fetched f;
  if (status == 304 && (!known.etag.empty() || !known.lastModified.empty())) {
    f.notModified = true;
    f.validators = known;
    return f;
  }
  if (status != 200) throw Unusable("fetching " + source + ": HTTP status " + std::to_string(status));
  f.body = std::move(t.body);
  f.validators = std::move(t.validators);
  return f;
}

}  // namespace site
