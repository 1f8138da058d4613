#include "http.h"

namespace site {
namespace {

constexpr const char* kCacheControl = "public, max-age=300";
constexpr std::size_t kWorkers = 256;

bool TagListHas(const std::string& header, const std::string& etag) {
  if (header == "*") return true;
  std::size_t from = 0;
  while (from < header.size()) {
    auto comma = header.find(',', from);
    if (comma == std::string::npos) comma = header.size();
    std::string tag = header.substr(from, comma - from);
    tag.erase(0, tag.find_first_not_of(" \t"));
    tag.erase(tag.find_last_not_of(" \t") + 1);
    if (tag.rfind("W/", 0) == 0) tag.erase(0, 2);
    if (tag == etag) return true;
    from = comma + 1;
  }
  return false;
}

}  // namespace

void SetUpServer(httplib::Server& server, const RatesService& service) {
  server.new_task_queue = [] { return new httplib::ThreadPool(kWorkers); };
  server.set_keep_alive_max_count(100000);
  server.set_keep_alive_timeout(10);
  // Headers and body go out in separate writes; with Nagle's algorithm the
  // body would wait for the client's delayed acknowledgement (about 40 ms).
  server.set_tcp_nodelay(true);

  // Quillon asks with ?value=1&base=EUR; any query gets the same page.
  server.Get(kPagePath, [&service](const httplib::Request& req, httplib::Response& res) {
    const auto page = service.Current();
    if (!page) {
      res.status = 503;
      res.set_header("Retry-After", "60");
      res.set_header("Cache-Control", "no-store");
      res.set_content("No rates yet: the feed has not been read.\n", "text/plain; charset=utf-8");
      return;
    }
    res.set_header("ETag", page->etag);
    res.set_header("Last-Modified", page->lastModified);
    res.set_header("Cache-Control", kCacheControl);
    const bool fresh = req.has_header("If-None-Match")
                           ? TagListHas(req.get_header_value("If-None-Match"), page->etag)
                           : req.get_header_value("If-Modified-Since") == page->lastModified;
    if (fresh) {
      res.status = 304;
      return;
    }
    res.set_content(page->html, "text/html; charset=utf-8");
  });
  server.Get("/health", [&service](const httplib::Request&, httplib::Response& res) {
    res.status = service.Current() ? 200 : 503;
    res.set_header("Cache-Control", "no-store");
    res.set_content(service.Health(), "application/json; charset=utf-8");
  });
}

}  // namespace site
