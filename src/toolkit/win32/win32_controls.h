#pragma once
// One peer per control: it owns nothing of the model's state, only mirrors it
// on its native control, and reports the user's input to the model.
#include <windows.h>
#undef MessageBox  // the model's, not the system headers' ANSI/wide switch

#include <memory>
#include <optional>

#include "toolkit/backend.h"
#include "toolkit/controls.h"
#include "toolkit/win32/win32_util.h"

namespace toolkit::win32 {

class Win32Backend;
class Win32FormPeer;

class ControlPeerBase : public ControlPeer, protected EchoGuard {
 public:
  ControlPeerBase(Win32Backend& backend, Win32FormPeer& form, Control& control);
  ~ControlPeerBase() override;
  ControlPeerBase(const ControlPeerBase&) = delete;
  ControlPeerBase& operator=(const ControlPeerBase&) = delete;

  Control& GetControl() const { return control_; }
  HWND Window() const { return window_; }
  Win32FormPeer& FormPeerOf() const { return form_; }

  void SetCaption(const Text& caption) override;
  void SetFocus() override;
  void SetMousePointer(int pointer, const Picture& icon) override;

  // Places, sizes and fonts the control for the form's dots per inch.
  void FitDpi();
  // A WM_COMMAND notification the control sent its container.
  virtual void Command(WORD) {}
  // WM_CTLCOLOR* of the control: the brush to paint with, or null for the default.
  virtual HBRUSH Colors(HDC dc);
  // The colour the control's container shows behind it.
  COLORREF Background() const { return background_; }

 protected:
  // Makes the control's window, with the model's caption as its text when
  // `captioned`; called by each kind's constructor.
  void Create(const wchar_t* windowClass, DWORD style, DWORD exStyle, bool captioned = false);
  // Messages of the control's window before its own procedure; true when used up.
  virtual bool Message(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  Win32Backend& Backend() const { return backend_; }
  virtual void ShowCaption(const Text& caption);
  // The size a control sized to its caption takes, or none.
  virtual std::optional<SIZE> FittedSize(const Text&) const { return std::nullopt; }
  // The design's colours, or the system's (null) when it names none: for
  // controls with a background of their own.
  HBRUSH DesignedColors(HDC dc);
  // A brush of the control's background, made on first use and kept.
  HBRUSH BackBrush();
  // A click as the designer's toolkit counts it: the left button released
  // over the control it was pressed on.
  bool TrackClick(UINT message, LPARAM lParam);

 private:
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  // The design's background colour, else what the container shows behind it.
  COLORREF BackColor() const;

  Win32Backend& backend_;
  Win32FormPeer& form_;
  Control& control_;
  HWND window_ = nullptr;
  WNDPROC original_ = nullptr;  // the control's own procedure
  COLORREF background_;
  HBRUSH backBrush_ = nullptr;
  bool pressed_ = false;
};

// The peer of a control kind, its window a child of the control's container.
std::unique_ptr<ControlPeer> MakeControlPeer(Win32Backend& backend, Win32FormPeer& form, Control& control);

}  // namespace toolkit::win32
