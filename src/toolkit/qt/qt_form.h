#pragma once
#include <QTimer>
#include <QWidget>
#include <vector>

#include "toolkit/backend.h"
#include "toolkit/form.h"

namespace toolkit::qt {
class QtBackend;
}

namespace toolkit::qt {

class QtFormPeer;
class ControlPeerBase;

// The form's top-level window. Its client area is the form's client area.
class FormWindow : public QWidget {
 public:
  explicit FormWindow(QtFormPeer* peer);
  // The model no longer has this window: events stop reaching it.
  void Detach() { peer_ = nullptr; }
  QtFormPeer* Peer() const { return peer_; }
  // Centres the whole window, frame included, on the screen, now and once
  // more when the window manager has put its frame around it.
  void CentreOnScreen();

 protected:
  void changeEvent(QEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

 private:
  QtFormPeer* peer_;
  // Looks for the frame until the window manager has put it around the window.
  QTimer framePoll_;
  int framePolls_ = 0;
  QSize refusedSize_;  // a size outside the limits the window tried to undo
};

// Has screen readers read every form window as a window (a frame) with its
// caption, as Qt reads its main windows; a plain top-level widget reads as a
// filler. Call once, before the first window.
void ReadFormWindowsAsFrames();

class QtFormPeer : public FormPeer {
 public:
  QtFormPeer(QtBackend& backend, Form& form);
  ~QtFormPeer() override;

  std::unique_ptr<ControlPeer> CreateControlPeer(Control& control) override;
  void Show() override;
  void BringToFront() override;
  void SetCaption(const Text& caption) override;
  std::uintptr_t NativeHandle() const override;
  void ControlsCreated() override;
  // Fits every control's designed colours to the current theme.
  void FitColors();
  // The form's line the user may copy, which Ctrl+C and the menu key reach
  // from anywhere in the window; null when it has none.
  ControlPeerBase* CopyableLine() const;

  Form& GetForm() const { return form_; }
  FormWindow* Window() const { return window_; }
  QtBackend& Backend() const { return backend_; }

 private:
  QtBackend& backend_;
  Form& form_;
  FormWindow* window_;  // deleted later: it may be inside its own event handler
  bool shownBefore_ = false;
};

}  // namespace toolkit::qt
