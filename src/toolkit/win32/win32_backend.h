#pragma once
// The native Windows backend: a top-level window per form and a Win32 control
// per control. Controls mirror the model; what the user does goes back through
// the model's User* entry points, which raise the events.
//
// Implemented features:
// - every Backend entry point, InitCommonControls included
// - message boxes modal for the program, focus given back
// - offloaded work with painting on and the user's input held back
// - geometry at the window's dots per inch, again when it moves screens
// - tab order, tabStop, access keys, arrows in option groups, Enter on buttons
// - captions, texts, lists, options, tool tips, autoSize, alignment
// - fonts narrowed where the system's face draws wider than the designs'
// - designed colours as designed; pictures (with "@2x" drawings), icons,
//   mouse pointers, lines
// - accessibleName, tool tips as accessible descriptions, decorative
// - controls beyond the client area: offscreen to screen readers until uncovered
// - focusable pictures: Space and Enter press them, a focus rectangle shows
//   (hidden with the keyboard cues until the keyboard moves the focus)
//
// Missing features:
// - selectable labels: no mouse selection, Copy menu or Ctrl+C
// - colour fitting: designed colours are not fitted to a dark or
//   high-contrast theme
// - live-region announcements: no event of its own for a label's new caption
#include <windows.h>
// The model's MessageBox, not the ANSI/wide switch of the system's headers.
#undef MessageBox

#include <map>
#include <memory>
#include <string>
#include <tuple>
#include <unordered_map>
#include <vector>

#include "toolkit/backend.h"

namespace toolkit::win32 {

class ControlPeerBase;
class Win32FormPeer;

// The window property that holds a control's design name as a global atom.
inline constexpr wchar_t kControlNameProperty[] = L"QuillonControl";

// Where the designs' pictures live in the executable: a picture's resource
// path maps to a resource number (an icon for a form, a cursor for a mouse
// icon, the image file's bytes as RCDATA for a picture).
struct Win32Resources {
  HINSTANCE module = nullptr;
  std::map<std::string, int> numbers;
};

class Win32Backend : public Backend {
 public:
  explicit Win32Backend(Win32Resources resources);
  ~Win32Backend() override;
  Win32Backend(const Win32Backend&) = delete;
  Win32Backend& operator=(const Win32Backend&) = delete;

  std::unique_ptr<FormPeer> CreateFormPeer(Form& form) override;
  int MessageBox(const Text& title, const Text& text, int style) override;
  void SetScreenMousePointer(int pointer) override;
  void DoEvents() override;
  int Run() override;
  void Quit() override;
  void InitCommonControls() override;
  void Offload(const std::function<void()>& work) override;
  // A handler waits for offloaded work: a close asked for now comes after it.
  bool Offloading() const { return offloading_ > 0; }

  // Keyboard handling of a form before the control sees the message: Tab
  // in tab-index order, arrows among options, Enter on a button, access
  // keys. True when the message was used up.
  bool PreTranslate(const MSG& msg);

  // Moves the focus for the model: the WM_SETFOCUS that follows is not the user's.
  void FocusForModel(HWND window);
  // Focus changes between these two are the model's or the system's, not the user's.
  void BeginModelFocus() { ++focusNotFromUser_; }
  void EndModelFocus() { --focusNotFromUser_; }
  bool FocusFromUser() const { return focusNotFromUser_ == 0; }
  // The model's active control of the form again, as a restoration.
  void RestoreModelFocus(Win32FormPeer& form);

  void Register(HWND window, ControlPeerBase* peer) { peers_[window] = peer; }
  void Unregister(HWND window) { peers_.erase(window); }
  ControlPeerBase* PeerOf(HWND window) const;
  void AddForm(Win32FormPeer* form) { forms_.push_back(form); }
  void RemoveForm(Win32FormPeer* form);
  Win32FormPeer* FormOf(HWND window) const;

  bool Busy() const { return busy_; }
  HINSTANCE Module() const { return resources_.module; }
  // 0 when the design's picture is not among the resources.
  int ResourceNumber(const Picture& picture) const;
  // The image's file bytes from the resources, decoded; null when missing.
  void* DecodedPicture(const Picture& picture);
  // The drawing of a picture nearest the dots per inch: the one drawn at
  // twice the size where there is one and the screen is dense.
  struct Drawing {
    void* image = nullptr;
    int density = 1;  // the drawing's pixels per pixel at 96 dpi
  };
  Drawing PictureFor(const Picture& picture, UINT dpi);
  HCURSOR Cursor(const Picture& picture);
  // The design's face at `dpi`; where that face draws wider than the face
  // the designs were laid out in, a narrower face, or the same one narrowed,
  // so that every caption keeps to its control.
  HFONT FontFor(const toolkit::Font& font, UINT dpi);
  // Screen readers get the controls' accessible objects through COM, on the
  // user-interface thread: called before the first is handed out.
  void JoinCom();
  // The font of a control: its design's, else its form's, else the dialog font.
  HFONT ControlFont(const Control& control, UINT dpi);
  // DrawText's DT_CALCRECT of `text` in `font` on the screen, with no window.
  RECT TextExtent(HFONT font, const wchar_t* text, UINT format);

 private:
  void Dispatch(MSG& msg);

  Win32Resources resources_;
  std::unordered_map<HWND, ControlPeerBase*> peers_;
  std::vector<Win32FormPeer*> forms_;
  std::map<std::string, void*> images_;  // GDI+ images by resource path
  std::map<std::string, HCURSOR> cursors_;
  std::map<std::tuple<std::string, double, bool, UINT>, HFONT> fonts_;
  ULONG_PTR gdiplus_ = 0;
  HDC measuring_ = nullptr;
  int focusNotFromUser_ = 0;
  int offloading_ = 0;
  bool comTried_ = false;
  bool comStarted_ = false;
  bool busy_ = false;
  bool running_ = false;
  bool quitEarly_ = false;
};

}  // namespace toolkit::win32
