#include "fetch.h"

#include <curl/curl.h>

#include <fstream>
#include <memory>

#include "feed.h"

namespace site {
namespace {

struct Transfer {
  std::size_t maxBytes = 0;
  bool tooLarge = false;
  std::string body;
  Validators validators;
};

size_t OnBody(char* data, size_t size, size_t count, void* user) {
  auto* t = static_cast<Transfer*>(user);
  const std::size_t n = size * count;
  if (t->body.size() + n > t->maxBytes) {
    t->tooLarge = true;
    return 0;  // aborts the transfer
  }
  t->body.append(data, n);
  return n;
}

std::string Trim(std::string s) {
  const auto first = s.find_first_not_of(" \t\r\n");
  if (first == std::string::npos) return {};
  return s.substr(first, s.find_last_not_of(" \t\r\n") - first + 1);
}

// Headers of every response of a redirect chain pass here; a new status
// line starts a new response, so only the final one's validators are kept.
size_t OnHeader(char* data, size_t size, size_t count, void* user) {
  auto* t = static_cast<Transfer*>(user);
  const std::string line(data, size * count);
  if (line.rfind("HTTP/", 0) == 0) t->validators = {};
  const auto colon = line.find(':');
  if (colon != std::string::npos) {
    std::string name = line.substr(0, colon);
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (name == "etag") t->validators.etag = Trim(line.substr(colon + 1));
    if (name == "last-modified") t->validators.lastModified = Trim(line.substr(colon + 1));
  }
  return size * count;
}

struct EasyFree {
  void operator()(CURL* c) const { curl_easy_cleanup(c); }
};
struct ListFree {
  void operator()(curl_slist* l) const { curl_slist_free_all(l); }
};

Fetched ReadLocal(const std::string& path, std::size_t maxBytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw Unusable("cannot read " + path);
  Fetched f;
  f.body.resize(maxBytes + 1);
  in.read(f.body.data(), static_cast<std::streamsize>(f.body.size()));
  if (in.bad()) throw Unusable("cannot read " + path);
  f.body.resize(static_cast<std::size_t>(in.gcount()));
  if (f.body.size() > maxBytes) throw Unusable("the document is larger than " + std::to_string(maxBytes >> 20) + " MiB");
  return f;
}

}  // namespace

FetchLimits DefaultLimits() { return FetchLimits{kMaxFeedBytes}; }

bool IsAddress(const std::string& source) { return source.find("://") != std::string::npos; }

Fetched Fetch(const std::string& source, const Validators& known, const FetchLimits& limits) {
  if (!IsAddress(source)) return ReadLocal(source, limits.maxBytes);
  static const CURLcode initialised = curl_global_init(CURL_GLOBAL_DEFAULT);
  if (initialised != CURLE_OK) throw Unusable("libcurl cannot start");

  std::unique_ptr<CURL, EasyFree> curl(curl_easy_init());
  if (!curl) throw Unusable("libcurl cannot start");
  Transfer t;
  t.maxBytes = limits.maxBytes;
  std::unique_ptr<curl_slist, ListFree> headers;
  auto addHeader = [&](const std::string& h) { headers.reset(curl_slist_append(headers.release(), h.c_str())); };
  if (!known.etag.empty()) addHeader("If-None-Match: " + known.etag);
  if (!known.lastModified.empty()) addHeader("If-Modified-Since: " + known.lastModified);

  CURL* c = curl.get();
  curl_easy_setopt(c, CURLOPT_URL, source.c_str());
  curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(c, CURLOPT_MAXREDIRS, limits.maxRedirects);
  curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, static_cast<long>(limits.total.count() * 1000));
  curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(limits.stall.count() * 1000));
  // Fewer than one byte a second for the stall time: the server stopped.
  curl_easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(c, CURLOPT_LOW_SPEED_TIME, static_cast<long>(limits.stall.count()));
  curl_easy_setopt(c, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(limits.maxBytes));
  curl_easy_setopt(c, CURLOPT_ACCEPT_ENCODING, "");
  curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(c, CURLOPT_USERAGENT, "quillon-rates-site/1.0");
  curl_easy_setopt(c, CURLOPT_HTTPHEADER, headers.get());
  curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, OnBody);
  curl_easy_setopt(c, CURLOPT_WRITEDATA, &t);
  curl_easy_setopt(c, CURLOPT_HEADERFUNCTION, OnHeader);
  curl_easy_setopt(c, CURLOPT_HEADERDATA, &t);
  char errorText[CURL_ERROR_SIZE] = "";
  curl_easy_setopt(c, CURLOPT_ERRORBUFFER, errorText);

  const CURLcode result = curl_easy_perform(c);
  const std::string tooLarge = "the document is larger than " + std::to_string(limits.maxBytes >> 20) + " MiB";
  if (t.tooLarge || result == CURLE_FILESIZE_EXCEEDED) throw Unusable(tooLarge);
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
