#pragma once
// The start-up benchmark's probe: once a window is on screen and the loop has
// nothing left to do, "idle" goes to stdout and the program ends. Shared with
// the empty-window baseline so both are measured to the same point.
#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <QTimer>
#include <QWindow>
#include <cstdio>

namespace app {

class ExitWhenIdle : public QObject {
 public:
  bool eventFilter(QObject* watched, QEvent* event) override {
    auto* window = qobject_cast<QWindow*>(watched);
    if (!seen_ && event->type() == QEvent::Expose && window && window->isExposed()) {
      seen_ = true;
      // Queued behind the expose, so it runs after the first paint.
      QTimer::singleShot(0, [] {
        std::puts("idle");
        std::fflush(stdout);
        QCoreApplication::exit(0);
      });
    }
    return false;
  }

 private:
  bool seen_ = false;
};

}  // namespace app
