// The slow-connection attack on loopback: N connections, spread over source
// addresses 127.0.0.2 and up (a share per address), each sending one byte of
// an endless request head every few seconds; a connection the server closes
// is opened again at once, as an attacker would.
//   slow_clients PORT CONNECTIONS ADDRESSES INTERVAL_MS
// Prints "held" once every connection is open, then on SIGTERM or SIGINT one
// JSON line: connections still open, reopened, and failed connects.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

volatile sig_atomic_t stopping = 0;
void OnStop(int) { stopping = 1; }

int Connect(int port, int addressIndex) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
  if (fd < 0) return -1;
  sockaddr_in local{};
  local.sin_family = AF_INET;
  local.sin_addr.s_addr = htonl(INADDR_LOOPBACK + 1 + static_cast<uint32_t>(addressIndex));
  sockaddr_in server{};
  server.sin_family = AF_INET;
  server.sin_port = htons(static_cast<uint16_t>(port));
  server.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 ||
      (connect(fd, reinterpret_cast<sockaddr*>(&server), sizeof server) != 0 && errno != EINPROGRESS)) {
    close(fd);
    return -1;
  }
  return fd;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: slow_clients PORT CONNECTIONS ADDRESSES INTERVAL_MS\n");
    return 2;
  }
  const int port = std::atoi(argv[1]);
  const int count = std::atoi(argv[2]);
  const int addresses = std::max(1, std::atoi(argv[3]));
  const auto interval = std::chrono::milliseconds(std::atoi(argv[4]));
  rlimit files{};
  getrlimit(RLIMIT_NOFILE, &files);
  files.rlim_cur = files.rlim_max;
  setrlimit(RLIMIT_NOFILE, &files);
  signal(SIGTERM, OnStop);
  signal(SIGINT, OnStop);
  signal(SIGPIPE, SIG_IGN);

  const std::string head = "GET /cgi-bin/cgicalc.cgi HTTP/1.1\r\nHost: rates\r\nX-Slow: ";
  struct Slow {
    int fd = -1;
    std::size_t sent = 0;
  };
  std::vector<Slow> slow(static_cast<std::size_t>(count));
  long reopened = 0, failed = 0;
  for (int i = 0; i < count; ++i) {
    slow[i].fd = Connect(port, i % addresses);
    if (slow[i].fd < 0) ++failed;
  }
  std::printf("held\n");
  std::fflush(stdout);

  while (!stopping) {
    const auto next = std::chrono::steady_clock::now() + interval;
    for (int i = 0; i < count && !stopping; ++i) {
      Slow& s = slow[i];
      char drain[256];
      bool gone = s.fd < 0;
      if (!gone) {
        // A closed or refused connection reads as end of stream or error.
        pollfd p{s.fd, POLLIN, 0};
        if (poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR) || recv(s.fd, drain, sizeof drain, 0) <= 0)) {
          gone = true;
        }
      }
      if (!gone) {
        const char byte = s.sent < head.size() ? head[s.sent] : 'x';
        if (send(s.fd, &byte, 1, MSG_NOSIGNAL) == 1) {
          ++s.sent;
        } else if (errno != EAGAIN) {
          gone = true;
        }
      }
      if (gone) {
        if (s.fd >= 0) close(s.fd);
        s = Slow{Connect(port, i % addresses), 0};
        if (s.fd < 0) {
          ++failed;
        } else {
          ++reopened;
        }
      }
    }
    while (!stopping && std::chrono::steady_clock::now() < next) usleep(20'000);
  }
  int open = 0;
  for (const Slow& s : slow) open += s.fd >= 0;
  std::printf("{\"open\": %d, \"reopened\": %ld, \"failed_connects\": %ld}\n", open, reopened, failed);
  return 0;
}
