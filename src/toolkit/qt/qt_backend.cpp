#include "toolkit/qt/qt_backend.h"

#include <QApplication>
#include <QCursor>
#include <QEventLoop>
#include <QFontDatabase>
#include <QMessageBox>
#include <QWidget>
#include <atomic>
#include <stdexcept>
#include <thread>

#include "toolkit/form.h"
#include "toolkit/qt/qt_controls.h"
#include "toolkit/qt/qt_form.h"
#include "toolkit/qt/qt_util.h"

namespace toolkit::qt {

QFont DefaultFont() {
  // The layouts were made for a bitmap sans serif of about 8 points. DejaVu
  // Sans Condensed at that size keeps the longest captions ("From Selected
  // Currency To Euros" in 201 px) inside their controls; plain DejaVu Sans
  // needs half a point less for the same widths.
  struct Face {
    const char* family;
    double points;
  };
  for (const Face face : {Face{"DejaVu Sans Condensed", 8.0}, Face{"DejaVu Sans", 7.5}}) {
    if (!QFontDatabase::hasFamily(QString::fromLatin1(face.family))) continue;
    QFont font(QString::fromLatin1(face.family));
    font.setPointSizeF(face.points);
    return font;
  }
  QFont font = QGuiApplication::font();
  font.setPointSizeF(7.5);
  return font;
}

QtBackend::QtBackend() {
  auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
  if (!app) throw std::logic_error("the Qt backend needs a QApplication");
  windowFont_ = DefaultFont();
  QApplication::setFont(windowFont_);
  qt::ReadFormWindowsAsFrames();
  qt::PassOverDecorations();
  // The model ends the program when its last form unloads; Qt must not end
  // it earlier, when a window hides or a message box closes.
  QApplication::setQuitOnLastWindowClosed(false);
  QObject::connect(app, &QApplication::focusChanged, &context_,
                   [this](QWidget*, QWidget* now) { OnFocusChanged(now); });
}

QtBackend::~QtBackend() {
  if (busy_) QGuiApplication::restoreOverrideCursor();
  // Windows of unloaded forms wait to be deleted; once the loop has stopped
  // nothing else would delete them.
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

std::unique_ptr<FormPeer> QtBackend::CreateFormPeer(Form& form) {
  auto peer = std::make_unique<qt::QtFormPeer>(*this, form);
  AddWindow(peer->Window());
  return peer;
}

void QtBackend::AddWindow(qt::FormWindow* window) {
  RemoveDeadWindows();
  windows_.emplace_back(window);
}

void QtBackend::RemoveDeadWindows() {
  std::erase_if(windows_, [](const QPointer<qt::FormWindow>& w) { return w.isNull(); });
}

void QtBackend::Register(QWidget* widget, qt::ControlPeerBase* peer) { peers_[widget] = peer; }

void QtBackend::Unregister(QWidget* widget) { peers_.erase(widget); }

void QtBackend::FocusForModel(QWidget* widget) {
  ++focusNotFromUser_;
  widget->setFocus(Qt::OtherFocusReason);
  --focusNotFromUser_;
}

void QtBackend::OnFocusChanged(QWidget* now) {
  if (focusNotFromUser_ > 0 || !now) return;
  // Focus may land on a part of a control's widget; the nearest registered
  // ancestor within the same window is the control.
  for (QWidget* w = now; w; w = w->parentWidget()) {
    auto found = peers_.find(w);
    if (found != peers_.end()) {
      // The model ignores a report of the control it already has as active,
      // so Qt's own focus restorations (window activation) raise nothing.
      found->second->GetControl().UserFocus();
      return;
    }
    if (w->isWindow()) return;
  }
}

int QtBackend::MessageBox(const Text& title, const Text& text, int style) {
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  switch (style & 0x70) {
    case msgbox::kCritical: icon = QMessageBox::Critical; break;
    case msgbox::kExclamation: icon = QMessageBox::Warning; break;
    case msgbox::kInformation: icon = QMessageBox::Information; break;
    default: break;
  }
  auto* active = dynamic_cast<qt::FormWindow*>(QApplication::activeWindow());
  QPointer<qt::FormWindow> owner = active && active->Peer() ? active : nullptr;
  QMessageBox box(icon, qt::ToQ(title), qt::ToQ(text), QMessageBox::Ok, owner.data());
  // Texts are shown as they are, never read as markup.
  box.setTextFormat(Qt::PlainText);
  box.setWindowModality(Qt::ApplicationModal);
  // Closing the box hands the focus back to the window's focused widget: a
  // restoration, not the user's choice.
  ++focusNotFromUser_;
  box.exec();
  --focusNotFromUser_;
  if (owner) RestoreModelFocus(owner);
  return msgbox::kOk;
}

void QtBackend::RestoreModelFocus(qt::FormWindow* window) {
  // When a handler moved the focus while the box was open, the model's
  // choice wins over Qt's restoration.
  auto* formPeer = window->Peer();
  if (!formPeer) return;
  // The box's owner is active again afterwards, as under a window manager;
  // without one (offscreen) nothing else would activate it.
  if (window->isVisible() && !window->isActiveWindow()) window->activateWindow();
  Control* active = formPeer->GetForm().ActiveControl();
  auto* peer = active ? dynamic_cast<qt::ControlPeerBase*>(active->Peer()) : nullptr;
  if (peer && peer->Widget()) FocusForModel(peer->Widget());
}

void QtBackend::SetScreenMousePointer(int pointer) {
  // Qt stacks override cursors: keep exactly one while busy.
  if (pointer == mouse::kHourglass) {
    if (!busy_) QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    busy_ = true;
  } else if (busy_) {
    QGuiApplication::restoreOverrideCursor();
    busy_ = false;
  }
}

void QtBackend::DoEvents() {
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  // Qt paints on a later pass of the loop; a handler that changes a caption
  // and then blocks (a download) must show the new caption first.
  RemoveDeadWindows();
  const auto windows = windows_;
  for (const auto& window : windows)
    if (window && window->isVisible()) window->repaint();
  QGuiApplication::sync();
}

void QtBackend::Offload(const std::function<void()>& work) {
  QEventLoop loop;
  std::atomic<bool> done = false;
  std::thread worker([&] {
    work();
    done = true;
    QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
  });
  ++offloading_;
  // Paints, timers and the desktop's requests (a screen reader's, the
  // window manager's ping) go on; keys and clicks wait for the handler.
  // Should the program's loop end meanwhile, exec returns early and the
  // work is still waited for.
  if (!done) loop.exec(QEventLoop::ExcludeUserInputEvents);
  worker.join();
  --offloading_;
  const auto windows = std::move(closeLater_);
  closeLater_.clear();
  for (const auto& window : windows)
    if (window) QMetaObject::invokeMethod(window.data(), &QWidget::close, Qt::QueuedConnection);
}

void QtBackend::CloseLater(qt::FormWindow* window) {
  if (std::find(closeLater_.begin(), closeLater_.end(), window) == closeLater_.end()) closeLater_.emplace_back(window);
}

int QtBackend::Run() {
  if (quitEarly_) {
    quitEarly_ = false;
    return 0;
  }
  running_ = true;
  const int code = QApplication::exec();
  running_ = false;
  return code;
}

void QtBackend::Quit() {
  // exit, not quit: quit would first ask every window to close, and ours
  // answer a close by asking the model to unload. Neither works before the
  // loop runs; remember it then.
  if (running_)
    QCoreApplication::exit(0);
  else
    quitEarly_ = true;
}

}  // namespace toolkit::qt
