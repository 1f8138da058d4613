// The floor Quillon's start-up is held to: the main window's controls built
// directly with Qt widgets from the same design rows (geometry, texts, lists,
// pictures, default font), with no forms model and no peers, and the same
// "idle" probe when QUILLON_EXIT_WHEN_IDLE=1.
#include <QApplication>
#include <QGroupBox>
#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>

#include "app/exit_when_idle.h"
#include "main_window/frm_converter.h"
#include "quillon_resources.h"
#include "toolkit/qt/qt_backend.h"
#include "toolkit/qt/qt_util.h"

namespace {

using toolkit::qt::Px;
using toolkit::qt::PxRect;
using toolkit::qt::ToQ;
using toolkit::qt::ToQColor;

void Paint(QWidget* w, const toolkit::ControlDesign& d) {
  if (!d.foreColor && !d.backColor) return;
  QPalette p = w->palette();
  if (d.foreColor) p.setColor(QPalette::WindowText, ToQColor(*d.foreColor));
  if (d.backColor) {
    p.setColor(QPalette::Window, ToQColor(*d.backColor));
    w->setAutoFillBackground(true);
  }
  w->setPalette(p);
}

QWidget* Build(const toolkit::ControlDesign& d, QWidget* parent) {
  switch (d.kind) {
    case toolkit::Kind::CommandButton: return new QPushButton(ToQ(d.caption), parent);
    case toolkit::Kind::OptionButton: {
      auto* radio = new QRadioButton(ToQ(d.caption), parent);
      radio->setChecked(d.value);
      return radio;
    }
    case toolkit::Kind::TextBox: {
      if (!d.multiLine) return new QLineEdit(ToQ(d.caption), parent);
      auto* edit = new QPlainTextEdit(parent);
      edit->setLineWrapMode(QPlainTextEdit::NoWrap);
      edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
      edit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
      return edit;
    }
    case toolkit::Kind::ListBox: {
      auto* list = new QListWidget(parent);
      for (const auto& item : d.items) list->addItem(ToQ(item));
      return list;
    }
    case toolkit::Kind::Frame: return new QGroupBox(ToQ(d.caption), parent);
    case toolkit::Kind::PictureBox: return new QFrame(parent);
    case toolkit::Kind::Image: {
      auto* label = new QLabel(parent);
      label->setPixmap(QPixmap(QString::fromStdString(d.picture.resource)));
      label->setScaledContents(true);
      return label;
    }
    case toolkit::Kind::Line: {
      auto* line = new QFrame(parent);
      line->setAutoFillBackground(true);
      QPalette p = line->palette();
      p.setColor(QPalette::Window, ToQColor(d.foreColor.value_or(toolkit::Color{})));
      line->setPalette(p);
      return line;
    }
    case toolkit::Kind::Label:
    default: {
      auto* label = new QLabel(ToQ(d.caption), parent);
      label->setTextFormat(Qt::PlainText);
      if (d.alignment == toolkit::Alignment::Center) label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
      return label;
    }
  }
}

}  // namespace

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QuillonInitResources();
  app::ExitWhenIdle exitWhenIdle;
  if (const char* probe = std::getenv("QUILLON_EXIT_WHEN_IDLE"); probe && std::strcmp(probe, "1") == 0) {
    app.installEventFilter(&exitWhenIdle);
  }
  QApplication::setFont(toolkit::qt::DefaultFont());

  const toolkit::FormDesign form = main_window::WindowDesign();
  QWidget window;
  window.setWindowTitle(ToQ(form.caption));
  window.setWindowIcon(QIcon(QString::fromStdString(form.icon.resource)));
  window.resize(Px(form.clientWidth), Px(form.clientHeight));

  // A row may name its container before the container's own row: passes
  // until every row is built, or one builds nothing (a missing container).
  std::map<std::string, QWidget*> built;
  const auto rows = main_window::ControlsDesign();
  std::size_t before = 0;
  do {
    before = built.size();
    for (const auto& d : rows) {
      if (built.count(d.name) || (!d.container.empty() && !built.count(d.container))) continue;
      QWidget* w = Build(d, d.container.empty() ? &window : built[d.container]);
      w->setGeometry(d.kind == toolkit::Kind::Line ? QRect(Px(d.rect.left), Px(d.rect.top), Px(d.rect.width), 1)
                                              : PxRect(d.rect));
      if (!d.toolTip.empty()) w->setToolTip(ToQ(d.toolTip));
      Paint(w, d);
      if (d.autoSize) w->adjustSize();
      built[d.name] = w;
    }
  } while (built.size() < rows.size() && built.size() > before);
  if (built.size() < rows.size()) {
    std::fputs("same_widgets: a row names a container that no row builds\n", stderr);
    return 1;
  }
  // Earlier rows lie in front, and labels, pictures and lines behind the rest.
  for (bool windowless : {true, false}) {
    for (auto it = rows.rbegin(); it != rows.rend(); ++it) {
      const bool painted = it->kind == toolkit::Kind::Label || it->kind == toolkit::Kind::Image || it->kind == toolkit::Kind::Line;
      if (painted == windowless) built[it->name]->raise();
    }
  }
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    window.move(screen->availableGeometry().center() - QPoint(window.width() / 2, window.height() / 2));
  }
  window.show();
  return QApplication::exec();
}
