// A bounded HTTP/1.1 load client for loopback: N keep-alive connections,
// all open before the first request, share a fixed number of GETs.
//   load_client PORT PATH CONNECTIONS REQUESTS
// Prints one JSON line: requests, errors, seconds, requests per second and
// latency percentiles in milliseconds.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <barrier>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

int Connect(int port) {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0) return -1;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  const int one = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
  timeval timeout{30, 0};
  setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
  if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

bool SendAll(int fd, const std::string& data) {
  std::size_t done = 0;
  while (done < data.size()) {
    const ssize_t n = send(fd, data.data() + done, data.size() - done, MSG_NOSIGNAL);
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

// Reads one response with a Content-Length body; false on anything else
// than a complete 200 that keeps the connection open.
bool ReadResponse(int fd, std::string& buffer) {
  std::size_t headerEnd;
  while ((headerEnd = buffer.find("\r\n\r\n")) == std::string::npos) {
    char chunk[16384];
    const ssize_t n = recv(fd, chunk, sizeof chunk, 0);
    if (n <= 0) return false;
    buffer.append(chunk, static_cast<std::size_t>(n));
  }
  const std::string head = buffer.substr(0, headerEnd);
  const bool ok = head.rfind("HTTP/1.1 200", 0) == 0;
  std::string lower = head;
  std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
  const auto at = lower.find("\r\ncontent-length:");
  if (at == std::string::npos || lower.find("connection: close") != std::string::npos) return false;
  const std::size_t length = std::strtoul(head.c_str() + at + 17, nullptr, 10);
  const std::size_t total = headerEnd + 4 + length;
  while (buffer.size() < total) {
    char chunk[16384];
    const ssize_t n = recv(fd, chunk, sizeof chunk, 0);
    if (n <= 0) return false;
    buffer.append(chunk, static_cast<std::size_t>(n));
  }
  buffer.erase(0, total);
  return ok;
}

double Percentile(const std::vector<double>& sorted, double p) {
  if (sorted.empty()) return 0;
  const std::size_t i = std::min(sorted.size() - 1, static_cast<std::size_t>(p * static_cast<double>(sorted.size())));
  return sorted[i];
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: load_client PORT PATH CONNECTIONS REQUESTS\n");
    return 2;
  }
  const int port = std::atoi(argv[1]);
  const std::string request = std::string("GET ") + argv[2] + " HTTP/1.1\r\nHost: 127.0.0.1\r\nAccept: */*\r\n\r\n";
  const int connections = std::atoi(argv[3]);
  const long requests = std::atol(argv[4]);

  std::atomic<long> next{0};
  std::atomic<long> errors{0};
  std::vector<std::vector<double>> latencies(static_cast<std::size_t>(connections));
  std::barrier start(connections + 1);
  Clock::time_point began, ended;
  std::vector<std::thread> clients;
  for (int c = 0; c < connections; ++c) {
    clients.emplace_back([&, c] {
      int fd = Connect(port);
      start.arrive_and_wait();
      std::string buffer;
      auto& mine = latencies[static_cast<std::size_t>(c)];
      while (next.fetch_add(1) < requests) {
        const auto sent = Clock::now();
        const char* failed = fd < 0 ? "connect" : !SendAll(fd, request) ? "send" : !ReadResponse(fd, buffer) ? "response" : nullptr;
        if (failed != nullptr) {
          if (errors.fetch_add(1) < 5) std::fprintf(stderr, "load_client: %s failed: %s\n", failed, std::strerror(errno));
          // Counted, then a new connection, so one failure is not all of them.
          if (fd >= 0) close(fd);
          fd = Connect(port);
          buffer.clear();
          continue;
        }
        mine.push_back(std::chrono::duration<double, std::milli>(Clock::now() - sent).count());
      }
      if (fd >= 0) close(fd);
    });
  }
  start.arrive_and_wait();
  began = Clock::now();
  for (auto& t : clients) t.join();
  ended = Clock::now();

  std::vector<double> all;
  for (const auto& l : latencies) all.insert(all.end(), l.begin(), l.end());
  std::sort(all.begin(), all.end());
  const double seconds = std::chrono::duration<double>(ended - began).count();
  std::printf(
      "{\"connections\": %d, \"requests\": %ld, \"ok\": %zu, \"errors\": %ld, \"seconds\": %.3f, "
      "\"requests_per_second\": %.0f, \"p50_ms\": %.3f, \"p99_ms\": %.3f, \"max_ms\": %.3f}\n",
      connections, requests, all.size(), errors.load(), seconds, static_cast<double>(all.size()) / seconds,
      Percentile(all, 0.50), Percentile(all, 0.99), all.empty() ? 0.0 : all.back());
  return errors.load() == 0 ? 0 : 1;
}
