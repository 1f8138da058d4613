// The rates page and the health answer over HTTP, on a server library made
// for hostile clients: one event loop, bounded connections, short timeouts.
#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>

#include "service.h"

namespace site {

inline constexpr const char* kPagePath = "/cgi-bin/cgicalc.cgi";

struct ServerLimits {
  unsigned connections = 2048;
  // One address cannot take more than a quarter of the server.
  unsigned perAddress = 512;
  // A request head must be complete this long after the connection opened or
  // the previous response went out, however slowly its bytes trickle in.
  std::chrono::seconds headerTimeout{10};
  // No byte either way for this long closes the connection.
  std::chrono::seconds idleTimeout{15};
  // A connection's whole memory, which bounds the size of a request head.
  std::size_t connectionMemory = 16 * 1024;
  unsigned maxHeaders = 100;
};

class HttpServer {
 public:
  using Log = std::function<void(const std::string&)>;
  HttpServer(const RatesService& service, ServerLimits limits, Log log);
  ~HttpServer();
  HttpServer(const HttpServer&) = delete;
  HttpServer& operator=(const HttpServer&) = delete;

  // Listens on host (an IPv4 or IPv6 address) and port (0: a free one) and
  // serves on a thread of its own; returns the port. Throws Unusable.
  int Start(const std::string& host, int port);
  // False once the listening socket is gone, whatever took it.
  bool Listening() const;
  void Stop();

  struct Impl;

 private:
  std::unique_ptr<Impl> impl_;
};

}  // namespace site
