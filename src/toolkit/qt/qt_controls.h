#pragma once
// One peer per control: it owns nothing of the model's state, only mirrors it
// on its widget, and reports the user's input to the model.
#include <QObject>
#include <QPointer>
#include <QWidget>
#include <QColor>
#include <memory>
#include <optional>

#include "toolkit/backend.h"
#include "toolkit/controls.h"

namespace toolkit::qt {
class QtBackend;
}

namespace toolkit::qt {

class ControlPeerBase;

// Receives the widget's signals and events for a peer. Destroying it with the
// peer cuts every connection, so a widget that outlives its peer (it is
// deleted later) reaches nothing.
class PeerBridge : public QObject {
 public:
  explicit PeerBridge(ControlPeerBase& peer) : peer_(peer) {}
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  ControlPeerBase& peer_;
};

class ControlPeerBase : public ControlPeer, protected EchoGuard {
 public:
  ControlPeerBase(QtBackend& backend, Control& control, QWidget* widget);
  ~ControlPeerBase() override;
  ControlPeerBase(const ControlPeerBase&) = delete;
  ControlPeerBase& operator=(const ControlPeerBase&) = delete;

  Control& GetControl() const { return control_; }
  QWidget* Widget() const { return widget_; }

  void SetCaption(const Text& caption) override;
  void SetFocus() override;
  void SetMousePointer(int pointer, const Picture& icon) override;

  // Sets the design's colours on the widget, keeping its text readable on
  // the theme; `beneath` is the designed colour of a control it stands on.
  // The form calls it once every control exists, and again whenever the
  // theme's colours change.
  void FitColors(const std::optional<QColor>& beneath);

  // Events of the widget (and of its viewport), before the widget sees them.
  // True when the event was used up.
  virtual bool Filter(QObject* watched, QEvent* event);

  // A line the user may copy (a selectable label): its selection, or all of
  // it, to the clipboard, and its Copy menu. False for other controls.
  virtual bool CopyText() { return false; }
  virtual bool OfferCopyMenu() { return false; }

 protected:
  QObject* Bridge() { return &bridge_; }
  // Shows the caption on the widget; kinds with a caption override it.
  virtual void ShowCaption(const QString& caption);
  // Whether Ctrl+C here copies something of the control's own (a text box's
  // selection); when not, the window's copyable line takes it.
  virtual bool CopiesItsOwnText() const { return true; }

 private:
  // A button's or label's caption, else the design's tool tip, unless the
  // design names the control itself.
  void UpdateAccessibleName();

  QtBackend& backend_;
  Control& control_;
  QPointer<QWidget> widget_;
  QWidget* const key_;  // the widget's entry in the backend, even once deleted
  PeerBridge bridge_;
  int pointer_ = -1;  // what the widget shows, -1 before the first
  Picture icon_;
};

// Has screen readers pass over controls designed as decoration, and find a
// copyable line's open Copy menu under that line. Call once, before the first
// window.
void PassOverDecorations();

// The peer of a control kind, its widget a child of `parent`.
std::unique_ptr<ControlPeerBase> MakeControlPeer(QtBackend& backend, Control& control, QWidget* parent);

}  // namespace toolkit::qt
