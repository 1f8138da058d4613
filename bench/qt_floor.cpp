// The floor a Qt Widgets program cannot go under: one empty window shown,
// with the same "idle" probe as Quillon's QUILLON_EXIT_WHEN_IDLE.
#include <QApplication>
#include <QWidget>

#include "app/exit_when_idle.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  app::ExitWhenIdle exitWhenIdle;
  app.installEventFilter(&exitWhenIdle);
  QWidget window;
  window.resize(480, 360);
  window.show();
  return QApplication::exec();
}
