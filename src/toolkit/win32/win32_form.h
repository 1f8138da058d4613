#pragma once
// The form peer: a top-level window whose client area is the form's.
#include <windows.h>
#undef MessageBox  // the model's, not the system headers' ANSI/wide switch

#include <memory>

#include "toolkit/backend.h"
#include "toolkit/form.h"
#include "toolkit/win32/win32_util.h"

namespace toolkit::win32 {

class Win32Backend;

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
  // Null until the mouse first moves over a control.
  HWND ToolTips() const { return toolTips_; }
  // Makes the tool-tip window and every control's tip at the first move
  // over a control that has one.
  void MouseMovedOver(HWND control, WPARAM wParam, LPARAM lParam);
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

// Registers the window classes of forms, picture boxes and images once.
void RegisterClasses(HINSTANCE module);
extern const wchar_t kFormClass[];
extern const wchar_t kPictureClass[];

}  // namespace toolkit::win32
