// The floor a Qt Widgets program cannot go under: one empty window shown,
// with the same "idle" probe as Quillon's QUILLON_EXIT_WHEN_IDLE.
#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <cstdio>

namespace {

class ExitWhenIdle : public QObject {
 public:
  bool eventFilter(QObject* watched, QEvent* event) override {
    auto* window = qobject_cast<QWindow*>(watched);
    if (!seen_ && event->type() == QEvent::Expose && window && window->isExposed()) {
      seen_ = true;
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

}  // namespace

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  ExitWhenIdle exitWhenIdle;
  app.installEventFilter(&exitWhenIdle);
  QWidget window;
  window.resize(480, 360);
  window.show();
  return QApplication::exec();
}
