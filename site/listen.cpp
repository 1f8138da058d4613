#include "listen.h"

#include <signal.h>

#include <ctime>

#include "http.h"

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

bool WaitForStopSignal(std::chrono::milliseconds time) {
  const sigset_t set = StopSignals();
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(time);
  const timespec wait{static_cast<time_t>(seconds.count()),
                      static_cast<long>(std::chrono::nanoseconds(time - seconds).count())};
  return sigtimedwait(&set, nullptr, &wait) > 0;
}

int KeepServing(const HttpServer& server, const std::function<bool(std::chrono::milliseconds)>& waitForStop,
                const std::function<void(const std::string&)>& log) {
  while (!waitForStop(std::chrono::milliseconds(500))) {
    if (!server.Listening()) {
      log("the listening socket is gone; stopping so that the service can be restarted");
      return 1;
    }
  }
  return 0;
}

}  // namespace site
