#pragma once
// SIGTERM, SIGHUP and SIGINT unload the main window as its close box does, so
// Form_Unload runs and the program ends with status 0. The signal handler only
// writes a byte into a pipe; the unloading runs in the event loop, when the
// pipe's read end turns readable. Logging out ends Qt's loop itself.
#include <QGuiApplication>
#include <QSocketNotifier>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <functional>
#include <unistd.h>

namespace app {

class SessionEnd {
 public:
  explicit SessionEnd(std::function<void()> unloadMain) : unloadMain_(std::move(unloadMain)) {
    if (::pipe2(pipe_, O_CLOEXEC | O_NONBLOCK) != 0) return;
    writeEnd_ = pipe_[1];
    notifier_ = new QSocketNotifier(pipe_[0], QSocketNotifier::Read, qApp);
    QObject::connect(notifier_, &QSocketNotifier::activated, notifier_, [this] {
      char drained[16];
      while (::read(pipe_[0], drained, sizeof drained) > 0) {
      }
      unloadMain_();
    });
    struct sigaction action {};
    action.sa_handler = &SessionEnd::OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : {SIGTERM, SIGHUP, SIGINT}) sigaction(signal, &action, nullptr);
  }
  ~SessionEnd() { delete notifier_; }
  SessionEnd(const SessionEnd&) = delete;
  SessionEnd& operator=(const SessionEnd&) = delete;

 private:
  static void OnSignal(int) {
    const char byte = 1;
    const int saved = errno;
    (void)!::write(writeEnd_, &byte, 1);
    errno = saved;
  }

  static inline int writeEnd_ = -1;
  std::function<void()> unloadMain_;
  int pipe_[2] = {-1, -1};
  QSocketNotifier* notifier_ = nullptr;
};

}  // namespace app
