#pragma once
// The backend (peer) interface: the model creates a peer per form and control
// and pushes every change into it through setters. Peers report what the user
// did through the model's User* entry points, never by calling window code.
#include <cstdint>
#include <functional>
#include <memory>

#include "toolkit/types.h"

namespace toolkit {

class Control;
class Form;

// A peer's guard against its own echo: what the native control reports while
// the peer mirrors a change of the model is that change, not the user's input.
class EchoGuard {
 protected:
  template <typename F>
  void Mirror(F&& change) {
    ++echo_;
    change();
    --echo_;
  }
  bool Echoing() const { return echo_ > 0; }

 private:
  int echo_ = 0;
};

class ControlPeer {
 public:
  virtual ~ControlPeer() = default;
  virtual void SetCaption(const Text&) {}
  virtual void SetText(const Text&) {}
  virtual void AddItem(const Text&) {}
  virtual void Clear() {}
  virtual void SetListIndex(int) {}
  virtual void SetValue(bool) {}
  virtual void SetFocus() {}
  virtual void SetMousePointer(int, const Picture&) {}
};

class FormPeer {
 public:
  virtual ~FormPeer() = default;
  // Called in design order with containers before what they contain.
  virtual std::unique_ptr<ControlPeer> CreateControlPeer(Control& control) = 0;
  virtual void Show() = 0;
  virtual void BringToFront() = 0;
  virtual void SetCaption(const Text&) = 0;
  virtual std::uintptr_t NativeHandle() const = 0;
  // The tab order is known once every control peer exists.
  virtual void ControlsCreated() {}
};

class Backend {
 public:
  virtual ~Backend() = default;
  virtual std::unique_ptr<FormPeer> CreateFormPeer(Form& form) = 0;
  // Modal: returns when the user closed the box; other events may run meanwhile.
  virtual int MessageBox(const Text& title, const Text& text, int style) = 0;
  virtual void SetScreenMousePointer(int pointer) = 0;
  // Handles queued window events (repaints included) and returns.
  virtual void DoEvents() = 0;
  // Runs the event loop until Quit.
  virtual int Run() = 0;
  virtual void Quit() = 0;
  // Readies the platform's common controls; most toolkits need nothing.
  virtual void InitCommonControls() {}
  // Runs `work` off the user-interface thread and returns once it has ended.
  // Meanwhile the windows paint and answer the system while the user's input
  // stays queued, so no handler runs in between. Without a screen there is
  // nothing to answer: in place.
  virtual void Offload(const std::function<void()>& work) { work(); }
};

}  // namespace toolkit
