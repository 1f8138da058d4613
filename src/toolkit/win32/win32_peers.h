#pragma once
// The form and control peers of the native backend.
#include <windows.h>
#undef MessageBox  // the model's, not the system headers' ANSI/wide switch

#include <memory>
#include <vector>

#include "toolkit/backend.h"
#include "toolkit/controls.h"
#include "toolkit/form.h"
#include "toolkit/win32/win32_backend.h"

namespace toolkit::win32 {

// Twips to pixels and back at a window's dots per inch (1440 twips an inch).
int Px(int twips, UINT dpi);
int Twips(int pixels, UINT dpi);
UINT DpiOf(HWND window);
COLORREF ToColorRef(const Color& color);
// The model's UTF-16 text as the system's wide string; both are UTF-16 here.
inline const wchar_t* Wide(const Text& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }

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
  // Makes the control's window; called by each kind's constructor.
  void Create(const wchar_t* windowClass, DWORD style, DWORD exStyle);
  // Messages of the control's window before its own procedure; true when used up.
  virtual bool Message(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  Win32Backend& Backend() const { return backend_; }
  virtual void ShowCaption(const Text& caption);
  // The design's colours, or the system's (null) when it names none: for
  // controls with a background of their own.
  HBRUSH DesignedColors(HDC dc);
  // A brush of the control's background, made on first use and kept.
  HBRUSH BackBrush();
  // A click as the designer's toolkit counts it: the left button released
  // over the control it was pressed on.
  bool TrackClick(UINT message, LPARAM lParam);

 private:
  static LRESULT CALLBACK Subclass(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR self);
  // The design's background colour, else what the container shows behind it.
  COLORREF BackColor() const;

  Win32Backend& backend_;
  Win32FormPeer& form_;
  Control& control_;
  HWND window_ = nullptr;
  COLORREF background_;
  HBRUSH backBrush_ = nullptr;
  bool pressed_ = false;
};

// The form's top-level window; its client area is the form's client area.
class Win32FormPeer : public FormPeer {
 public:
  Win32FormPeer(Win32Backend& backend, Form& form);
  ~Win32FormPeer() override;
  Win32FormPeer(const Win32FormPeer&) = delete;
  Win32FormPeer& operator=(const Win32FormPeer&) = delete;

  std::unique_ptr<ControlPeer> CreateControlPeer(Control& control) override;
  void Show() override;
  void BringToFront() override;
  void SetCaption(const Text& caption) override;
  std::uintptr_t NativeHandle() const override { return reinterpret_cast<std::uintptr_t>(window_); }
  void ControlsCreated() override;

  Form& GetForm() const { return form_; }
  HWND Window() const { return window_; }
  UINT Dpi() const { return dpi_; }
  HWND ToolTips() const { return toolTips_; }
  // The window a control of this container is a child of.
  HWND ContainerWindow(const Control& control) const;
  // The colour behind a control: a coloured label it lies on, else its
  // container's own.
  COLORREF BackgroundAt(const Control& control) const;
  // Paints the lines whose container is `window`.
  void PaintLines(HWND window, HDC dc) const;

  // The window moved to a screen of another density: everything in it is
  // laid out, lettered and drawn again for that density.
  void FitDpi(UINT dpi, const RECT& suggested);

  // Shared by the form's and the containers' window procedures.
  bool ContainerMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);
  static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

 private:
  LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);

  Win32Backend& backend_;
  Form& form_;
  HWND window_ = nullptr;
  HWND toolTips_ = nullptr;
  UINT dpi_ = USER_DEFAULT_SCREEN_DPI;
  HICON bigIcon_ = nullptr;
  HICON smallIcon_ = nullptr;
  bool shownBefore_ = false;
};

// The peer of a control kind, its window a child of the control's container.
std::unique_ptr<ControlPeer> MakeControlPeer(Win32Backend& backend, Win32FormPeer& form, Control& control);

// Registers the window classes of forms, picture boxes and images once.
void RegisterClasses(HINSTANCE module);
extern const wchar_t kFormClass[];
extern const wchar_t kPictureClass[];

}  // namespace toolkit::win32
