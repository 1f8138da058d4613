#include "listen.h"

#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <iostream>
#include <thread>

#include "feed.h"
#include "files.h"

namespace site {
namespace {

sigset_t StopSignals() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGTERM);
  sigaddset(&set, SIGINT);
  return set;
}

}  // namespace

void StopFlag::Stop() {
  std::lock_guard lock(mutex_);
  stopped_ = true;
  changed_.notify_all();
}

bool StopFlag::WaitFor(std::chrono::milliseconds time) {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, time, [this] { return stopped_; });
}

void BlockStopSignals() {
  const sigset_t set = StopSignals();
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

int ServeUntilStopped(httplib::Server& server, const std::string& host, int port, const std::string& portFile,
                      const std::function<void(StopFlag&)>& whileServing) {
  const int requested = port;
  // Debian's compiled cpp-httplib listens with a backlog of 5, so a burst of
  // new clients would wait for SYN retries (1 s, 3 s). Listening again on the
  // bound socket only raises the backlog. The last socket made is the bound one.
  int listening = -1;
  server.set_socket_options([&listening](socket_t socket) {
    httplib::default_socket_options(socket);
    listening = socket;
  });
  if (port == 0) {
    port = server.bind_to_any_port(host);
  } else if (!server.bind_to_port(host, port)) {
    port = -1;
  }
  if (port <= 0) {
    std::cerr << "quillon-rates-site: cannot listen on " << host << ":" << requested << "\n";
    return 1;
  }
  server.set_socket_options(httplib::default_socket_options);
  ::listen(listening, SOMAXCONN);
  if (!portFile.empty()) {
    try {
      // A script polling for the file never reads half a number.
      ReplaceFile(portFile, std::to_string(port) + "\n");
    } catch (const Unusable& e) {
      std::cerr << "quillon-rates-site: " << e.what() << "\n";
      return 1;
    }
  }
  std::cout << port << std::endl;

  std::atomic<bool> finished{false};
  std::thread serving([&server, &finished] {
    server.listen_after_bind();
    finished = true;
  });
  StopFlag stop;
  std::thread side;
  if (whileServing) side = std::thread([&] { whileServing(stop); });

  const sigset_t set = StopSignals();
  int received = 0;
  sigwait(&set, &received);
  // stop() does nothing until the accept loop has started.
  while (!server.is_running() && !finished) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  server.stop();
  stop.Stop();
  serving.join();
  if (side.joinable()) side.join();
  return 0;
}

}  // namespace site
