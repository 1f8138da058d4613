// Stopping on SIGTERM or SIGINT, and noticing a listener that stopped alone.
#pragma once

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>

namespace site {

class HttpServer;

// Tells a background loop to end, and wakes it from its wait.
class StopFlag {
 public:
  void Stop();
  // Waits up to the given time; true when the stop came.
  bool WaitFor(std::chrono::milliseconds time);

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool stopped_ = false;
};

// Blocks the stop signals in the calling thread and every thread started
// after it; call first thing in main, before any thread exists.
void BlockStopSignals();

// Waits up to the given time for a blocked stop signal; true when one came.
bool WaitForStopSignal(std::chrono::milliseconds time);

// Returns 0 once waitForStop says a stop was asked for; 1 with a log line
// when the listener went away without one, so a supervisor restarts the
// service instead of keeping a process that answers no one.
int KeepServing(const HttpServer& server, const std::function<bool(std::chrono::milliseconds)>& waitForStop,
                const std::function<void(const std::string&)>& log);

}  // namespace site
