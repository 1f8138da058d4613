#pragma once
// Builds a small form from design rows on the Qt backend and finds its
// widgets by control name.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>
#include <memory>

#include "toolkit/application.h"
#include "toolkit/form.h"
#include "toolkit/qt/qt_backend.h"

namespace qttest {

inline tk::ControlDesign Row(std::string name, tk::Kind kind, tk::Rect rect, int tabIndex = -1, tk::Text caption = {},
                             std::string container = {}) {
  tk::ControlDesign d;
  d.name = std::move(name);
  d.kind = kind;
  d.rect = rect;
  d.tabIndex = tabIndex;
  d.caption = std::move(caption);
  d.container = std::move(container);
  return d;
}

class QtFormTest : public ::testing::Test {
 protected:
  // Loaded, so its window exists; not shown yet.
  void Build(std::vector<tk::ControlDesign> rows, tk::BorderStyle border = tk::BorderStyle::Sizable) {
    tk::FormDesign design;
    design.name = "frmTest";
    design.caption = u"Test";
    design.clientWidth = 7200;
    design.clientHeight = 5160;
    design.border = border;
    design.maxButton = false;
    Build(design, std::move(rows));
  }

  void Build(const tk::FormDesign& design, std::vector<tk::ControlDesign> rows) {
    if (form) form->UnloadForm();
    form = std::make_unique<tk::Form>(app, design, rows);
    form->LoadForm();
  }

  // Shown and active, as a user's window is: shortcuts and focus need that.
  void Show() {
    form->Show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(Window()));
  }

  QWidget* Window() const { return QWidget::find(static_cast<WId>(form->hWnd())); }

  template <typename T = QWidget>
  T* W(const char* name) const {
    T* widget = Window()->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }

  // A picture file to stand for a compiled-in resource.
  std::string PictureFile(const char* name, int width, int height, QColor color = Qt::red) {
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(color);
    const QString path = dir.filePath(QString::fromLatin1(name));
    image.save(path);
    return path.toStdString();
  }

  QTemporaryDir dir;
  tk::QtBackend backend;
  tk::Application app{backend, {u"Quillon", 1, 0, 0, u"/opt/quillon"}};
  std::unique_ptr<tk::Form> form;
};

}  // namespace qttest
