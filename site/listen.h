// Serving on 127.0.0.1 (or all addresses) until SIGTERM or SIGINT.
#pragma once

#include <httplib.h>

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>

namespace site {

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

// Binds to port (0: any free one), writes the port to portFile when given
// (complete or not at all) and to stdout, then serves until a stop signal.
// whileServing runs on its own thread until the flag tells it to stop.
// Returns the exit status.
int ServeUntilStopped(httplib::Server& server, const std::string& host, int port, const std::string& portFile,
                      const std::function<void(StopFlag&)>& whileServing = {});

}  // namespace site
