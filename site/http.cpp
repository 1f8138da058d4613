#include "http.h"

#include <arpa/inet.h>
#include <microhttpd.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <cstdarg>
#include <cstring>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <unordered_set>
#include <utility>
#include <vector>

#include "feed.h"

namespace site {
namespace {

using Clock = std::chrono::steady_clock;
using Headers = std::vector<std::pair<const char*, std::string>>;

constexpr const char* kCacheControl = "public, max-age=300";
constexpr const char* kText = "text/plain; charset=utf-8";

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

std::string HeaderValue(MHD_Connection* c, const char* name) {
  const char* value = MHD_lookup_connection_value(c, MHD_HEADER_KIND, name);
  return value ? value : "";
}

ssize_t NoBody(void*, std::uint64_t, char*, std::size_t) { return MHD_CONTENT_READER_END_OF_STREAM; }

MHD_Result Queue(MHD_Connection* c, unsigned status, MHD_Response* r, const Headers& headers, bool close) {
  for (const auto& [name, value] : headers) MHD_add_response_header(r, name, value.c_str());
  if (close) MHD_add_response_header(r, MHD_HTTP_HEADER_CONNECTION, "close");
  const MHD_Result queued = MHD_queue_response(c, status, r);
  MHD_destroy_response(r);
  return queued;
}

// The library adds Date to every response, and sends no body after a 304.
MHD_Result Send(MHD_Connection* c, unsigned status, const std::string& body, const Headers& headers,
                bool close = false) {
  MHD_Response* r =
      MHD_create_response_from_buffer(body.size(), const_cast<char*>(body.data()), MHD_RESPMEM_MUST_COPY);
  if (!r) return MHD_NO;
  return Queue(c, status, r, headers, close);
}


}  // namespace

// One open connection, for the head deadline. It holds a duplicate of the
// socket, so shutting it down can never reach a descriptor number the
// library has closed and the system has handed out again.
struct Connection {
  int socket = -1;
  Clock::time_point headSince;
  bool inRequest = false;
};

struct HttpServer::Impl {
  const RatesService& service;
  const ServerLimits limits;
  const Log log;
  MHD_Daemon* daemon = nullptr;
  int listenSocket = -1;

  std::mutex mutex;
  std::condition_variable stopping;
  bool stopped = false;
  std::unordered_set<Connection*> open;
  std::thread reaper;

  // The library's messages, each at most once a minute: some come from a
  // loop that retries as fast as it can.
  struct Told {
    Clock::time_point at;
    unsigned skipped = 0;
  };
  std::mutex logMutex;
  std::unordered_map<std::string, Told> told;

  void LibraryMessage(const std::string& line) {
    std::lock_guard lock(logMutex);
    const auto now = Clock::now();
    const auto it = told.find(line);
    if (it != told.end() && now - it->second.at < std::chrono::minutes(1)) {
      ++it->second.skipped;
      return;
    }
    const unsigned skipped = it == told.end() ? 0 : it->second.skipped;
    if (told.size() > 64) told.clear();
    told[line] = Told{now, 0};
    log(skipped > 0 ? line + " (" + std::to_string(skipped) + " more times in the last minute)" : line);
  }

  Impl(const RatesService& s, ServerLimits l, Log g) : service(s), limits(l), log(std::move(g)) {}

  // Cuts connections whose request head is overdue: a client that sends one
  // byte every few seconds never trips the idle timeout.
  void Reap() {
    std::unique_lock lock(mutex);
    while (!stopping.wait_for(lock, std::chrono::milliseconds(250), [this] { return stopped; })) {
      const auto deadline = Clock::now() - limits.headerTimeout;
      for (Connection* c : open) {
        if (!c->inRequest && c->headSince < deadline) {
          shutdown(c->socket, SHUT_RDWR);
          c->headSince = Clock::time_point::max();
        }
      }
    }
  }

  MHD_Result Answer(MHD_Connection* c, const char* url, const char* method) {
    if (std::strcmp(method, "GET") != 0 && std::strcmp(method, "HEAD") != 0) {
      // Answered before any body is read; the connection then closes, as the
      // unread body cannot be skipped.
      return Send(c, MHD_HTTP_METHOD_NOT_ALLOWED, "Only GET and HEAD.\n",
                  {{MHD_HTTP_HEADER_ALLOW, "GET, HEAD"}, {MHD_HTTP_HEADER_CONTENT_TYPE, kText}}, true);
    }
    if (MHD_get_connection_values(c, MHD_HEADER_KIND, nullptr, nullptr) > static_cast<int>(limits.maxHeaders)) {
      return Send(c, MHD_HTTP_REQUEST_HEADER_FIELDS_TOO_LARGE, "Too many header fields.\n",
                  {{MHD_HTTP_HEADER_CONTENT_TYPE, kText}}, true);
    }
    // Quillon asks with ?value=1&base=EUR; any query gets the same page.
    if (std::strcmp(url, kPagePath) == 0) return Page(c);
    if (std::strcmp(url, "/health") == 0) {
      return Send(c, service.Current() ? MHD_HTTP_OK : MHD_HTTP_SERVICE_UNAVAILABLE, service.Health(),
                  {{MHD_HTTP_HEADER_CONTENT_TYPE, "application/json; charset=utf-8"},
                   {MHD_HTTP_HEADER_CACHE_CONTROL, "no-store"}});
    }
    return Send(c, MHD_HTTP_NOT_FOUND, "Not found.\n", {{MHD_HTTP_HEADER_CONTENT_TYPE, kText}});
  }

  MHD_Result Page(MHD_Connection* c) {
    const auto page = service.Current();
    if (!page) {
      return Send(c, MHD_HTTP_SERVICE_UNAVAILABLE, "No rates yet: the feed has not been read.\n",
                  {{MHD_HTTP_HEADER_RETRY_AFTER, "60"},
                   {MHD_HTTP_HEADER_CACHE_CONTROL, "no-store"},
                   {MHD_HTTP_HEADER_CONTENT_TYPE, kText}});
    }
    const std::string ifNoneMatch = HeaderValue(c, MHD_HTTP_HEADER_IF_NONE_MATCH);
    const bool fresh = MHD_lookup_connection_value(c, MHD_HEADER_KIND, MHD_HTTP_HEADER_IF_NONE_MATCH)
                           ? TagListHas(ifNoneMatch, page->etag)
                           : HeaderValue(c, MHD_HTTP_HEADER_IF_MODIFIED_SINCE) == page->lastModified;
    if (fresh) {
      // RFC 9110 15.4.5: the validators and caching fields of the 200, no
      // representation metadata. An empty body would go out with
      // Content-Length: 0, which 8.6 forbids; the 200's length is allowed.
      MHD_Response* r = MHD_create_response_from_callback(page->html.size(), 1024, &NoBody, nullptr, nullptr);
      if (!r) return MHD_NO;
      return Queue(c, MHD_HTTP_NOT_MODIFIED, r,
                   {{MHD_HTTP_HEADER_ETAG, page->etag}, {MHD_HTTP_HEADER_CACHE_CONTROL, kCacheControl}}, false);
    }
    return Send(c, MHD_HTTP_OK, page->html,
                {{MHD_HTTP_HEADER_CONTENT_TYPE, "text/html; charset=utf-8"},
                 {MHD_HTTP_HEADER_ETAG, page->etag},
                 {MHD_HTTP_HEADER_LAST_MODIFIED, page->lastModified},
                 {MHD_HTTP_HEADER_CACHE_CONTROL, kCacheControl}});
  }
};

namespace {

Connection* ConnectionOf(MHD_Connection* c) {
  const MHD_ConnectionInfo* info = MHD_get_connection_info(c, MHD_CONNECTION_INFO_SOCKET_CONTEXT);
  return info ? static_cast<Connection*>(info->socket_context) : nullptr;
}

MHD_Result OnRequest(void* cls, MHD_Connection* c, const char* url, const char* method, const char*,
                     const char*, size_t*, void** request) {
  auto* self = static_cast<HttpServer::Impl*>(cls);
  if (*request == nullptr) {
    *request = self;
    if (Connection* connection = ConnectionOf(c)) {
      std::lock_guard lock(self->mutex);
      connection->inRequest = true;
    }
    // Any other method is refused with its head alone, before a body is read.
    if (std::strcmp(method, "GET") == 0 || std::strcmp(method, "HEAD") == 0) return MHD_YES;
  }
  return self->Answer(c, url, method);
}

void OnCompleted(void* cls, MHD_Connection* c, void**, MHD_RequestTerminationCode) {
  auto* self = static_cast<HttpServer::Impl*>(cls);
  if (Connection* connection = ConnectionOf(c)) {
    std::lock_guard lock(self->mutex);
    connection->inRequest = false;
    connection->headSince = Clock::now();
  }
}

void OnConnection(void* cls, MHD_Connection* c, void** context, MHD_ConnectionNotificationCode code) {
  auto* self = static_cast<HttpServer::Impl*>(cls);
  std::lock_guard lock(self->mutex);
  if (code == MHD_CONNECTION_NOTIFY_STARTED) {
    const MHD_ConnectionInfo* info = MHD_get_connection_info(c, MHD_CONNECTION_INFO_CONNECTION_FD);
    const int copy = info ? dup(info->connect_fd) : -1;
    if (copy < 0) return;  // this one goes without a head deadline
    auto* connection = new Connection{copy, Clock::now()};
    self->open.insert(connection);
    *context = connection;
  } else if (auto* connection = static_cast<Connection*>(*context)) {
    self->open.erase(connection);
    close(connection->socket);
    delete connection;
    *context = nullptr;
  }
}

void OnLibraryMessage(void* cls, const char* format, va_list arguments) {
  auto* self = static_cast<HttpServer::Impl*>(cls);
  char text[512];
  std::vsnprintf(text, sizeof text, format, arguments);
  std::string line = text;
  while (!line.empty() && (line.back() == '\n' || line.back() == ' ')) line.pop_back();
  self->LibraryMessage(line);
}

}  // namespace

HttpServer::HttpServer(const RatesService& service, ServerLimits limits, Log log)
    : impl_(std::make_unique<Impl>(service, limits, std::move(log))) {}

HttpServer::~HttpServer() { Stop(); }

int HttpServer::Start(const std::string& host, int port) {
  sockaddr_storage address{};
  // A stop wakes the loop through its own channel, not through the listener,
  // which may be the very thing that failed.
  unsigned flags = MHD_USE_EPOLL_INTERNAL_THREAD | MHD_USE_ITC | MHD_USE_ERROR_LOG;
  auto* v4 = reinterpret_cast<sockaddr_in*>(&address);
  auto* v6 = reinterpret_cast<sockaddr_in6*>(&address);
  if (inet_pton(AF_INET, host.c_str(), &v4->sin_addr) == 1) {
    v4->sin_family = AF_INET;
    v4->sin_port = htons(static_cast<std::uint16_t>(port));
  } else if (inet_pton(AF_INET6, host.c_str(), &v6->sin6_addr) == 1) {
    v6->sin6_family = AF_INET6;
    v6->sin6_port = htons(static_cast<std::uint16_t>(port));
    flags |= MHD_USE_IPv6;
  } else {
    throw Unusable("cannot listen on " + host + ": not an IP address");
  }
  Impl& s = *impl_;
  s.daemon = MHD_start_daemon(
      flags, static_cast<std::uint16_t>(port), nullptr, nullptr, &OnRequest, &s,
      MHD_OPTION_EXTERNAL_LOGGER, &OnLibraryMessage, &s,
      MHD_OPTION_SOCK_ADDR, reinterpret_cast<sockaddr*>(&address),
      MHD_OPTION_CONNECTION_LIMIT, s.limits.connections,
      MHD_OPTION_PER_IP_CONNECTION_LIMIT, s.limits.perAddress,
      MHD_OPTION_CONNECTION_TIMEOUT, static_cast<unsigned>(s.limits.idleTimeout.count()),
      MHD_OPTION_CONNECTION_MEMORY_LIMIT, s.limits.connectionMemory,
      MHD_OPTION_LISTEN_BACKLOG_SIZE, static_cast<unsigned>(SOMAXCONN),
      MHD_OPTION_NOTIFY_COMPLETED, &OnCompleted, &s,
      MHD_OPTION_NOTIFY_CONNECTION, &OnConnection, &s,
      MHD_OPTION_END);
  if (!s.daemon) throw Unusable("cannot listen on " + host + ":" + std::to_string(port));
  s.listenSocket = MHD_get_daemon_info(s.daemon, MHD_DAEMON_INFO_LISTEN_FD)->listen_fd;
  s.reaper = std::thread([&s] { s.Reap(); });
  return MHD_get_daemon_info(s.daemon, MHD_DAEMON_INFO_BIND_PORT)->port;
}

bool HttpServer::Listening() const {
  int accepting = 0;
  socklen_t size = sizeof accepting;
  return impl_->listenSocket >= 0 &&
         getsockopt(impl_->listenSocket, SOL_SOCKET, SO_ACCEPTCONN, &accepting, &size) == 0 && accepting == 1;
}

void HttpServer::Stop() {
  Impl& s = *impl_;
  if (!s.daemon) return;
  {
    std::lock_guard lock(s.mutex);
    s.stopped = true;
  }
  s.stopping.notify_all();
  s.reaper.join();
  MHD_stop_daemon(s.daemon);
  s.daemon = nullptr;
  s.listenSocket = -1;
}

}  // namespace site
