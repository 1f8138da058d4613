#include "toolkit/qt/qt_form.h"

#include <QAccessibleWidget>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QIcon>
#include <QScreen>
#include <QShortcut>
#include <QTimer>
#include <QWindow>
#include <algorithm>

#include "toolkit/qt/qt_backend.h"
#include "toolkit/qt/qt_controls.h"
#include "toolkit/qt/qt_util.h"

namespace toolkit::qt {

void FormWindow::closeEvent(QCloseEvent* event) {
  // The window stays until the model unloads the form, which deletes this
  // peer and with it the window; a form may refuse to unload.
  if (!peer_) return;  // already unloaded, waiting to be deleted
  event->ignore();
  if (peer_->Backend().Offloading()) {
    peer_->Backend().CloseLater(this);
    return;
  }
  peer_->GetForm().UserClose();
}

// Window managers frame a window around its mapping, some before its first
// paint, some after, and the frame's margins may come without any event of the
// window's: it looks for them a while, 10 s at the most.
constexpr int kFramePollMs = 50;
constexpr int kFramePolls = 200;

FormWindow::FormWindow(QtFormPeer* peer) : peer_(peer) {
  connect(&framePoll_, &QTimer::timeout, this, [this] {
    if (windowHandle() && !windowHandle()->frameMargins().isNull()) {
      CentreOnScreen();
    } else if (++framePolls_ == kFramePolls) {
      framePoll_.stop();
    }
  });
}

void FormWindow::CentreOnScreen() {
  QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen) return;
  // Frame margins are known only once the window manager has framed the
  // window; until then the frame is the client area.
  QMargins frame;
  if (windowHandle()) frame = windowHandle()->frameMargins();
  const QSize whole = size().grownBy(frame);
  const QRect area = screen->availableGeometry();
  move(area.x() + (area.width() - whole.width()) / 2, area.y() + (area.height() - whole.height()) / 2);
  // Without a window manager no frame ever comes; a user's own move later on
  // must not be undone either: the look ends with the frame, or after a while.
  if (!frame.isNull()) {
    framePoll_.stop();
  } else if (!framePoll_.isActive()) {
    framePolls_ = 0;
    framePoll_.start(kFramePollMs);
  }
}

void FormWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  // Some window managers (fluxbox) pass on another program's request for a
  // size outside the window's limits; the window takes its own size back.
  // One try per size: a window manager that insists (a tiling one) wins.
  const QSize allowed = size().expandedTo(minimumSize()).boundedTo(maximumSize());
  if (allowed == size() || size() == refusedSize_) return;
  refusedSize_ = size();
  QTimer::singleShot(0, this, [this, allowed] { resize(allowed); });
}

void FormWindow::changeEvent(QEvent* event) {
  // A new theme (a dark one, say) asks for the designed colours to be fitted
  // again; the window hears of it once its controls have the new palette.
  if (peer_ && event->type() == QEvent::PaletteChange) peer_->FitColors();
  QWidget::changeEvent(event);
  if (event->type() != QEvent::WindowStateChange || !peer_) return;
  // Some window managers (openbox) offer minimize and maximize whatever the
  // hints say; a window whose design has no such button takes it back.
  const FormDesign& design = peer_->GetForm().Design();
  Qt::WindowStates refused;
  if (!design.maxButton || design.border == BorderStyle::FixedDialog) refused |= Qt::WindowMaximized | Qt::WindowFullScreen;
  if (!design.minButton || design.border == BorderStyle::FixedDialog) refused |= Qt::WindowMinimized;
  if (!(windowState() & refused)) return;
  QTimer::singleShot(0, this, [this, refused] {
    setWindowState(windowState() & ~refused);
    if (!isMinimized()) {
      raise();
      activateWindow();
    }
  });
}

namespace {

QAccessibleInterface* FormWindowAccessible(const QString& className, QObject* object) {
  // FormWindow has no meta-object of its own: Qt asks by its base's name.
  if (className != QLatin1String("QWidget")) return nullptr;
  auto* window = dynamic_cast<FormWindow*>(object);
  return window ? new QAccessibleWidget(window, QAccessible::Window) : nullptr;
}

}  // namespace

void ReadFormWindowsAsFrames() {
  static const bool installed = (QAccessible::installFactory(&FormWindowAccessible), true);
  (void)installed;
}

namespace {

Qt::WindowFlags FlagsFor(const FormDesign& design) {
  Qt::WindowFlags flags = Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowCloseButtonHint;
  if (design.border == BorderStyle::Sizable) {
    if (design.minButton) flags |= Qt::WindowMinimizeButtonHint;
    if (design.maxButton) flags |= Qt::WindowMaximizeButtonHint;
  }
  return flags;
}

// Labels, images and lines are painted on their container in the designer's
// toolkit, so every other control stands in front of them.
bool Windowless(Kind kind) { return kind == Kind::Label || kind == Kind::Image || kind == Kind::Line; }

}  // namespace

QtFormPeer::QtFormPeer(QtBackend& backend, Form& form)
    : backend_(backend), form_(form), window_(new FormWindow(this)) {
  const FormDesign& design = form.Design();
  window_->setObjectName(QString::fromStdString(design.name));
  window_->setWindowFlags(FlagsFor(design));
  window_->setWindowTitle(ToQ(form.Caption()));
  const QSize client(Px(design.clientWidth), Px(design.clientHeight));
  if (design.border == BorderStyle::FixedDialog) {
    window_->setFixedSize(client);
  } else {
    window_->resize(client);
    // Enlarging uncovers the controls below the client area; nothing ever
    // moves to fit a smaller window, so it cannot shrink below its design.
    window_->setMinimumSize(client);
    // A maximum size, however large, is what tells window managers such as
    // fluxbox to offer no maximize; X coordinates end at 32767.
    if (!design.maxButton) window_->setMaximumSize(32767, 32767);
  }
  const QIcon icon = LoadIcon(QString::fromStdString(design.icon.resource));
  if (!design.icon.Empty() && !icon.availableSizes().isEmpty()) window_->setWindowIcon(icon);
  // The window's own font, so a theme that sets the application's font later
  // (qt6ct does, from the user's settings) cannot push captions out of their
  // fixed-size controls.
  window_->setFont(backend.WindowFont());
  ApplyFont(window_, design.font);
}

QtFormPeer::~QtFormPeer() {
  // The model may unload the form from inside one of the window's own event
  // handlers (its close box, a button's click): delete it once they return.
  window_->Detach();
  window_->hide();
  window_->deleteLater();
}

std::unique_ptr<ControlPeer> QtFormPeer::CreateControlPeer(Control& control) {
  QWidget* parent = window_;
  if (Control* container = control.Container()) {
    if (auto* containerPeer = dynamic_cast<ControlPeerBase*>(container->Peer())) parent = containerPeer->Widget();
  }
  return MakeControlPeer(backend_, control, parent);
}

void QtFormPeer::ControlsCreated() {
  // Stacking among siblings: earlier rows of the design lie in front.
  std::vector<QWidget*> backToFront;
  const auto& controls = form_.Controls();
  for (bool windowless : {true, false}) {
    for (auto it = controls.rbegin(); it != controls.rend(); ++it) {
      auto* peer = dynamic_cast<ControlPeerBase*>((*it)->Peer());
      if (peer && peer->Widget() && Windowless((*it)->GetKind()) == windowless) backToFront.push_back(peer->Widget());
    }
  }
  for (QWidget* w : backToFront) w->raise();

  // A label that nothing listens to lets the mouse through, so a picture
  // beneath a transparent caption stays clickable whatever the stacking.
  for (const auto& control : controls) {
    auto* peer = dynamic_cast<ControlPeerBase*>(control->Peer());
    if (peer && peer->Widget() && control->GetKind() == Kind::Label && !control->Click && !control->MouseMove &&
        control->Design().toolTip.empty() && !control->Design().selectable)
      peer->Widget()->setAttribute(Qt::WA_TransparentForMouseEvents);
  }

  FitColors();

  if (CopyableLine()) {
    // Text boxes let it through when nothing in them is selected.
    auto* copy = new QShortcut(QKeySequence::Copy, window_);
    copy->setContext(Qt::WindowShortcut);
    QObject::connect(copy, &QShortcut::activated, window_, [window = window_] {
      ControlPeerBase* line = window->Peer() ? window->Peer()->CopyableLine() : nullptr;
      if (line) line->CopyText();
    });
  }

  QWidget* previous = nullptr;
  for (Control* control : form_.TabOrder()) {
    auto* peer = dynamic_cast<ControlPeerBase*>(control->Peer());
    if (!peer || !peer->Widget()) continue;
    if (previous) QWidget::setTabOrder(previous, peer->Widget());
    previous = peer->Widget();
  }
}

ControlPeerBase* QtFormPeer::CopyableLine() const {
  for (const auto& control : form_.Controls()) {
    if (!control->Design().selectable) continue;
    if (auto* peer = dynamic_cast<ControlPeerBase*>(control->Peer()); peer && peer->Widget()) return peer;
  }
  return nullptr;
}

void QtFormPeer::FitColors() {
  for (const auto& control : form_.Controls()) {
    auto* peer = dynamic_cast<ControlPeerBase*>(control->Peer());
    if (!peer) continue;
    // A windowless control shows what it stands on: a label painting a
    // designed colour there (the white band) is its background.
    std::optional<QColor> beneath;
    if (Windowless(control->GetKind())) {
      if (const auto color = form_.ColorBeneath(*control)) beneath = ToQColor(*color);
    }
    peer->FitColors(beneath);
  }
}

void QtFormPeer::Show() {
  if (!shownBefore_) {
    shownBefore_ = true;
    if (form_.Design().centerOnScreen) window_->CentreOnScreen();
  }
  window_->show();
  window_->raise();
  window_->activateWindow();
}

void QtFormPeer::BringToFront() {
  if (window_->isMinimized()) window_->showNormal();
  window_->raise();
  window_->activateWindow();
}

void QtFormPeer::SetCaption(const Text& caption) { window_->setWindowTitle(ToQ(caption)); }

std::uintptr_t QtFormPeer::NativeHandle() const { return static_cast<std::uintptr_t>(window_->winId()); }

}  // namespace toolkit::qt
