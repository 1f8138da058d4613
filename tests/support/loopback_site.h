#pragma once
// Loopback HTTP servers for tests: a scriptable site, a port nobody listens on
// and a listener that never answers. Everything binds to 127.0.0.1 only.
#include <chrono>
#include <cstddef>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace support {

// How the site answers every request, whatever the path. Every member has
// an initializer so that designated initializers can name just a few.
struct Reply {
  int status = 200;
  // Empty leaves the server's own default, which names no charset.
  std::string contentType = "text/html; charset=iso-8859-1";
  std::string body{};
  std::vector<std::pair<std::string, std::string>> headers{};
  // Transfer-Encoding: chunked (one chunk per piece) instead of Content-Length.
  bool chunked = false;
  // The body goes out in pieces of these sizes, the last size repeating;
  // empty means one piece.
  std::vector<std::size_t> pieces{};
  // Before the status line is sent.
  std::chrono::milliseconds delay{0};
  // Between two pieces.
  std::chrono::milliseconds drip{0};
  // After this many body bytes nothing more is sent for `stallFor`, or until
  // the site stops when that is zero.
  std::optional<std::size_t> stallAfter{};
  std::chrono::milliseconds stallFor{0};
  // After this many body bytes the connection is closed.
  std::optional<std::size_t> dropAfter{};
  // When set, a redirect: status 302 unless `status` is already a 3xx.
  std::string redirectTo{};
};

struct RecordedRequest {
  std::string method;
  std::string target;  // path and query as sent
  std::multimap<std::string, std::string> headers;

  std::string Header(const std::string& name) const;  // first value, any case, or ""
};

// A site on a free port of 127.0.0.1, running from construction until Stop or
// destruction. Stop wakes stalled answers and joins the server thread.
class LoopbackSite {
 public:
  explicit LoopbackSite(Reply reply = {});
  ~LoopbackSite();
  LoopbackSite(const LoopbackSite&) = delete;
  LoopbackSite& operator=(const LoopbackSite&) = delete;

  int Port() const;
  std::string Url(const std::string& target = "/cgi-bin/cgicalc.cgi?value=1&base=EUR") const;
  std::u16string Url16(const std::string& target = "/cgi-bin/cgicalc.cgi?value=1&base=EUR") const;

  void SetReply(Reply reply);
  std::vector<RecordedRequest> Requests() const;
  void Stop();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// A port of 127.0.0.1 held bound but never listening: connections are refused.
class ClosedPort {
 public:
  ClosedPort();
  ~ClosedPort();
  ClosedPort(const ClosedPort&) = delete;
  ClosedPort& operator=(const ClosedPort&) = delete;
  int Port() const { return port_; }

 private:
  int fd_ = -1;
  int port_ = 0;
};

// Completes the TCP handshake and then reads nothing and sends nothing.
class SilentListener {
 public:
  SilentListener();
  ~SilentListener();
  SilentListener(const SilentListener&) = delete;
  SilentListener& operator=(const SilentListener&) = delete;
  int Port() const { return port_; }

 private:
  int fd_ = -1;
  int port_ = 0;
};

// The bytes of a file under the tests' data folder.
std::string ReadTestData(const std::string& name);

}  // namespace support
