// The control peers: one native control per control of the model.
#include "toolkit/win32/win32_controls.h"

#include <windows.h>
#include <windowsx.h>

#include <stdexcept>
#include <string>

#include "toolkit/win32/win32_accessible.h"
#include "toolkit/win32/win32_backend.h"
#include "toolkit/win32/win32_form.h"
#include "toolkit/win32/win32_graphics.h"

namespace toolkit::win32 {

namespace {

void ForgetName(HWND window) {
  if (const auto atom = static_cast<ATOM>(reinterpret_cast<ULONG_PTR>(RemovePropW(window, kControlNameProperty))))
    GlobalDeleteAtom(atom);
}

// A border, an edge or a scroll bar: something outside the client area to paint.
bool HasNonClientArea(HWND window) {
  RECT outer, inner;
  GetWindowRect(window, &outer);
  GetClientRect(window, &inner);
  return outer.right - outer.left != inner.right || outer.bottom - outer.top != inner.bottom;
}

}  // namespace

ControlPeerBase::ControlPeerBase(Win32Backend& backend, Win32FormPeer& form, Control& control)
    : backend_(backend), form_(form), control_(control), background_(form.BackgroundAt(control)) {}

void ControlPeerBase::Create(const wchar_t* windowClass, DWORD style, DWORD exStyle, bool captioned) {
  const ControlDesign& design = control_.Design();
  const UINT dpi = form_.Dpi();
  const Rect& r = design.rect;
  if (control_.CanFocus() && design.tabStop) style |= WS_TABSTOP;
  // Made with its caption and its final size: each change after costs
  // start-up time.
  const Text& caption = control_.Caption();
  SIZE size{Px(r.width, dpi), Px(r.height, dpi)};
  if (const auto fitted = captioned ? FittedSize(caption) : std::nullopt) size = *fitted;
  // Visible from the start: its form is hidden until shown, so nothing paints
  // yet, and a call to show each control costs start-up time.
  window_ = CreateWindowExW(exStyle, windowClass, captioned ? Wide(caption) : L"",
                            WS_CHILD | WS_CLIPSIBLINGS | WS_VISIBLE | style, Px(r.left, dpi), Px(r.top, dpi), size.cx,
                            size.cy, form_.ContainerWindow(control_), nullptr, backend_.Module(), nullptr);
  if (!window_) throw std::runtime_error("cannot create the window of " + design.name);
  // Our procedure before the control's own, finding the peer in the
  // window's user data: the system's subclassing looks its data up in a
  // window property at every message, a trip to the server under Wine.
  SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
  original_ = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ControlPeerBase::Procedure)));
  // The design's name, readable from other processes (scripted tools) as a global atom.
  const std::wstring name(design.name.begin(), design.name.end());
  SetPropW(window_, kControlNameProperty, reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(GlobalAddAtomW(name.c_str()))));
  SendMessageW(window_, WM_SETFONT, reinterpret_cast<WPARAM>(backend_.ControlFont(control_, dpi)), FALSE);
  backend_.Register(window_, this);
  // No pointer can be over a control of a hidden form: WM_SETCURSOR applies
  // the model's pointer once the mouse comes.
}

ControlPeerBase::~ControlPeerBase() {
  if (!window_) return;
  backend_.Unregister(window_);
  // What reaches the window from now, its destruction included, goes to
  // the control's own procedure.
  SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
  ForgetName(window_);
  // Destroying the focused control moves the focus: that is no user's choice.
  backend_.BeginModelFocus();
  if (IsWindow(window_)) DestroyWindow(window_);
  backend_.EndModelFocus();
  if (backBrush_) DeleteObject(backBrush_);
}

void ControlPeerBase::FitDpi() {
  const UINT dpi = form_.Dpi();
  const Rect& r = control_.Geometry();
  SetWindowPos(window_, nullptr, Px(r.left, dpi), Px(r.top, dpi), Px(r.width, dpi), Px(r.height, dpi),
               SWP_NOZORDER | SWP_NOACTIVATE);
  SendMessageW(window_, WM_SETFONT, reinterpret_cast<WPARAM>(backend_.ControlFont(control_, dpi)), FALSE);
  // A label sized to its text takes the size of its text in the new font.
  ShowCaption(control_.Caption());
  InvalidateRect(window_, nullptr, TRUE);
}

void ControlPeerBase::SetCaption(const Text& caption) { ShowCaption(caption); }

void ControlPeerBase::ShowCaption(const Text&) {}

void ControlPeerBase::SetFocus() { backend_.FocusForModel(window_); }

void ControlPeerBase::SetMousePointer(int, const Picture&) {
  // WM_SETCURSOR reads the model's pointer; apply it now if the mouse is here.
  POINT at;
  if (GetCursorPos(&at) && WindowFromPoint(at) == window_)
    SendMessageW(window_, WM_SETCURSOR, reinterpret_cast<WPARAM>(window_), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
}

COLORREF ControlPeerBase::BackColor() const {
  const auto& back = control_.Design().backColor;
  return back ? ToColorRef(*back) : background_;
}

HBRUSH ControlPeerBase::BackBrush() {
  if (!backBrush_) backBrush_ = CreateSolidBrush(BackColor());
  return backBrush_;
}

HBRUSH ControlPeerBase::Colors(HDC dc) {
  const ControlDesign& design = control_.Design();
  if (design.foreColor) SetTextColor(dc, ToColorRef(*design.foreColor));
  SetBkColor(dc, BackColor());
  return BackBrush();
}

HBRUSH ControlPeerBase::DesignedColors(HDC dc) {
  const ControlDesign& design = control_.Design();
  return design.foreColor || design.backColor ? ControlPeerBase::Colors(dc) : nullptr;
}

bool ControlPeerBase::TrackClick(UINT message, LPARAM lParam) {
  if (message == WM_LBUTTONDOWN) {
    pressed_ = true;
    SetCapture(window_);
    return true;
  }
  if (message == WM_LBUTTONUP && pressed_) {
    pressed_ = false;
    ReleaseCapture();
    RECT client;
    GetClientRect(window_, &client);
    const POINT at{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    if (PtInRect(&client, at)) control_.UserClick();
    return true;
  }
  return false;
}

bool ControlPeerBase::Message(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  switch (message) {
    case WM_SETFOCUS:
      result = CallWindowProcW(original_, window_, message, wParam, lParam);
      // The model ignores a report of the control it already has as active,
      // so the system's own restorations raise nothing.
      if (backend_.FocusFromUser()) control_.UserFocus();
      return true;
    case WM_MOUSEMOVE: {
      if (!control_.Design().toolTip.empty()) form_.MouseMovedOver(window_, wParam, lParam);
      const UINT dpi = form_.Dpi();
      const int button = (wParam & MK_LBUTTON ? 1 : 0) | (wParam & MK_RBUTTON ? 2 : 0) | (wParam & MK_MBUTTON ? 4 : 0);
      const int shift =
          (wParam & MK_SHIFT ? 1 : 0) | (wParam & MK_CONTROL ? 2 : 0) | (GetKeyState(VK_MENU) < 0 ? 4 : 0);
      control_.UserMouseMove(button, shift, static_cast<float>(Twips(GET_X_LPARAM(lParam), dpi)),
                             static_cast<float>(Twips(GET_Y_LPARAM(lParam), dpi)));
      return false;
    }
    case WM_GETOBJECT:
      backend_.JoinCom();
      if (AnswerGetObject(window_, wParam, lParam, control_, result)) return true;
      break;
    case WM_NCPAINT:
      // The system's own handling fetches a device context to paint nothing
      // around a control without a border: at every show, for every control.
      if (HasNonClientArea(window_)) return false;
      result = 0;
      return true;
    case WM_NCDESTROY:
      // Destroyed with its container, before its peer.
      ForgetName(window_);
      return false;
    case WM_SETCURSOR: {
      if (LOWORD(lParam) != HTCLIENT && !backend_.Busy()) return false;
      HCURSOR cursor = nullptr;
      if (backend_.Busy() || control_.MousePointer() == mouse::kHourglass)
        cursor = LoadCursorW(nullptr, IDC_WAIT);
      else if (control_.MousePointer() == mouse::kCustom)
        cursor = backend_.Cursor(control_.MouseIcon());
      if (!cursor) return false;
      ::SetCursor(cursor);
      result = TRUE;
      return true;
    }
    default: break;
  }
  return form_.ContainerMessage(message, wParam, lParam, result);
}

LRESULT CALLBACK ControlPeerBase::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* self = reinterpret_cast<ControlPeerBase*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!self) {
    const auto own = reinterpret_cast<WNDPROC>(GetClassLongPtrW(window, GCLP_WNDPROC));
    return CallWindowProcW(own, window, message, wParam, lParam);
  }
  LRESULT result = 0;
  if (self->Message(message, wParam, lParam, result)) return result;
  return CallWindowProcW(self->original_, window, message, wParam, lParam);
}

namespace {

class LabelPeer : public ControlPeerBase {
 public:
  LabelPeer(Win32Backend& backend, Win32FormPeer& form, Control& control) : ControlPeerBase(backend, form, control) {
    const ControlDesign& design = control.Design();
    // Captions can hold text from a downloaded page: "&" is never an access key.
    DWORD style = SS_NOPREFIX;
    if (design.autoSize)
      style |= SS_LEFTNOWORDWRAP;  // sized to its text: no room to align in, nothing to wrap
    else if (design.alignment == Alignment::Center)
      style |= SS_CENTER;
    else if (design.alignment == Alignment::Right)
      style |= SS_RIGHT;
    else
      style |= SS_LEFT;
    // A static without SS_NOTIFY lets the mouse through to what lies beneath.
    if (control.Click || control.MouseMove || !design.toolTip.empty()) style |= SS_NOTIFY;
    Create(L"STATIC", style, 0, true);
  }

 protected:
  void ShowCaption(const Text& caption) override {
    SetWindowTextW(Window(), Wide(caption));
    // Sized to its text: the left and top stay, width and height follow.
    if (const auto size = FittedSize(caption))
      SetWindowPos(Window(), nullptr, 0, 0, size->cx, size->cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }

  std::optional<SIZE> FittedSize(const Text& caption) const override {
    if (!GetControl().Design().autoSize) return std::nullopt;
    const RECT box = Backend().TextExtent(Backend().ControlFont(GetControl(), FormPeerOf().Dpi()),
                                          caption.empty() ? L" " : Wide(caption), DT_NOPREFIX);
    return SIZE{caption.empty() ? 0 : box.right, box.bottom};
  }

  bool Message(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
    if (TrackClick(message, lParam)) return true;
    return ControlPeerBase::Message(message, wParam, lParam, result);
  }
};

class ButtonPeer : public ControlPeerBase {
 public:
  ButtonPeer(Win32Backend& backend, Win32FormPeer& form, Control& control) : ControlPeerBase(backend, form, control) {
    // A plain push button: no default or cancel button on these windows.
    Create(L"BUTTON", BS_PUSHBUTTON, 0, true);
  }
  void Command(WORD code) override {
    if (code == BN_CLICKED) GetControl().UserClick();
  }

 protected:
  void ShowCaption(const Text& caption) override { SetWindowTextW(Window(), Wide(caption)); }
  HBRUSH Colors(HDC) override { return nullptr; }
};

class OptionPeer : public ControlPeerBase {
 public:
  OptionPeer(Win32Backend& backend, Win32FormPeer& form, OptionButton& option, bool firstOfGroup)
      : ControlPeerBase(backend, form, option), option_(option) {
    Create(L"BUTTON", BS_AUTORADIOBUTTON | (firstOfGroup ? WS_GROUP : 0), 0, true);
    OptionPeer::SetValue(option.IsChosen());
  }

  void SetValue(bool chosen) override {
    Mirror([&] { SendMessageW(Window(), BM_SETCHECK, chosen ? BST_CHECKED : BST_UNCHECKED, 0); });
  }

  void Command(WORD code) override {
    if (code != BN_CLICKED) return;
    // An auto radio button clicks itself when the model's focus lands on it;
    // only the user chooses, and the group shows the model's choice again.
    if (!Echoing() && Backend().FocusFromUser()) option_.UserChoose();
    ShowModelChoice();
  }

 protected:
  void ShowCaption(const Text& caption) override { SetWindowTextW(Window(), Wide(caption)); }

 private:
  void ShowModelChoice() {
    for (OptionButton* other : option_.Group())
      if (other->Peer()) other->Peer()->SetValue(other->IsChosen());
  }

  OptionButton& option_;
};

class TextBoxPeer : public ControlPeerBase {
 public:
  TextBoxPeer(Win32Backend& backend, Win32FormPeer& form, TextBox& box) : ControlPeerBase(backend, form, box), box_(box) {
    DWORD style = ES_AUTOHSCROLL;
    if (box.Design().multiLine) {
      style |= ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN;
      if (box.Design().scrollBars) style |= WS_HSCROLL | WS_VSCROLL;
    }
    Create(L"EDIT", style, WS_EX_CLIENTEDGE);
    // No length limit: a page of any size goes in whole.
    SendMessageW(Window(), EM_SETLIMITTEXT, 0, 0);
    if (!box.GetText().empty()) TextBoxPeer::SetText(box.GetText());
  }

  void SetText(const Text& text) override {
    Mirror([&] { SetWindowTextW(Window(), Wide(text)); });
  }

  void Command(WORD code) override {
    if (code == EN_CHANGE && !Echoing()) box_.UserTyped(WindowText(Window()));
  }

  HBRUSH Colors(HDC dc) override { return DesignedColors(dc); }

 private:
  TextBox& box_;
};

class ListPeer : public ControlPeerBase {
 public:
  ListPeer(Win32Backend& backend, Win32FormPeer& form, ListBox& box) : ControlPeerBase(backend, form, box), box_(box) {
    // Not integral height: the list keeps its designed size.
    Create(L"LISTBOX", LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL, WS_EX_CLIENTEDGE);
    Mirror([&] {
      for (const Text& item : box.Items()) SendMessageW(Window(), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(item)));
      SendMessageW(Window(), LB_SETCURSEL, static_cast<WPARAM>(box.ListIndex()), 0);
    });
  }

  void AddItem(const Text& item) override {
    Mirror([&] { SendMessageW(Window(), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(item))); });
  }
  void Clear() override {
    Mirror([&] { SendMessageW(Window(), LB_RESETCONTENT, 0, 0); });
  }
  void SetListIndex(int index) override {
    Mirror([&] { SendMessageW(Window(), LB_SETCURSEL, static_cast<WPARAM>(index), 0); });
  }

  void Command(WORD code) override {
    if (code != LBN_SELCHANGE || Echoing()) return;
    const int row = static_cast<int>(SendMessageW(Window(), LB_GETCURSEL, 0, 0));
    if (row < 0)
      SetListIndex(box_.ListIndex());
    else if (row != box_.ListIndex())
      box_.UserSelect(row);
  }

  HBRUSH Colors(HDC dc) override { return DesignedColors(dc); }

 private:
  ListBox& box_;
};

// A frame is a group box that holds its controls as children.
class FramePeer : public ControlPeerBase {
 public:
  FramePeer(Win32Backend& backend, Win32FormPeer& form, Control& control) : ControlPeerBase(backend, form, control) {
    Create(L"BUTTON", BS_GROUPBOX | WS_CLIPCHILDREN, WS_EX_CONTROLPARENT, true);
  }

 protected:
  void ShowCaption(const Text& caption) override { SetWindowTextW(Window(), Wide(caption)); }

  bool Message(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
    switch (message) {
      case WM_NCHITTEST:
        // A group box lets the mouse through; a frame takes its clicks.
        result = HTCLIENT;
        return true;
      case WM_ERASEBKGND: {
        RECT client;
        GetClientRect(Window(), &client);
        FillRect(reinterpret_cast<HDC>(wParam), &client, BackBrush());
        result = TRUE;
        return true;
      }
      default: break;
    }
    if (TrackClick(message, lParam)) return true;
    return ControlPeerBase::Message(message, wParam, lParam, result);
  }
};

// Picture boxes (containers with an optional sunken border, the picture at
// the top left) and images (the picture stretched over the control).
class PicturePeer : public ControlPeerBase {
 public:
  PicturePeer(Win32Backend& backend, Win32FormPeer& form, Control& control) : ControlPeerBase(backend, form, control) {
    const bool box = control.GetKind() == Kind::PictureBox;
    Create(kPictureClass, box ? WS_CLIPCHILDREN : 0,
           (box ? WS_EX_CONTROLPARENT : 0) | (control.Design().border ? WS_EX_CLIENTEDGE : 0));
  }

 protected:
  bool Message(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
    switch (message) {
      case WM_ERASEBKGND: result = TRUE; return true;
      case WM_PAINT: Paint(); return true;
      case WM_KEYDOWN:
        // A picture that takes the focus acts as a link: Space and Enter click it.
        if ((wParam == VK_SPACE || wParam == VK_RETURN) && GetControl().CanFocus()) {
          GetControl().UserClick();
          return true;
        }
        break;
      case WM_SETFOCUS:
      case WM_KILLFOCUS:
      case WM_UPDATEUISTATE:
        // The focus rectangle comes and goes with the focus and the keyboard cues.
        InvalidateRect(Window(), nullptr, FALSE);
        break;
      default: break;
    }
    if (TrackClick(message, lParam)) return true;
    return ControlPeerBase::Message(message, wParam, lParam, result);
  }

 private:
  void Paint() {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(Window(), &paint);
    RECT client;
    GetClientRect(Window(), &client);
    const ControlDesign& design = GetControl().Design();
    const bool box = design.kind == Kind::PictureBox;
    // A picture box shows its own colour; an image shows what lies beneath.
    const COLORREF back = box ? (design.backColor ? ToColorRef(*design.backColor) : GetSysColor(COLOR_BTNFACE))
                              : Background();
    HBRUSH brush = CreateSolidBrush(back);
    FillRect(dc, &client, brush);
    DeleteObject(brush);
    const UINT dpi = FormPeerOf().Dpi();
    if (const auto drawing = Backend().PictureFor(design.picture, dpi); drawing.image) {
      const SIZE natural = ImageSize(drawing.image);
      const int scale = 96 * drawing.density;
      if (box)
        DrawImage(dc, drawing.image, {0, 0, MulDiv(natural.cx, static_cast<int>(dpi), scale),
                                      MulDiv(natural.cy, static_cast<int>(dpi), scale)});
      else
        DrawImage(dc, drawing.image, client);
    }
    FormPeerOf().PaintLines(Window(), dc);
    // Without a rectangle nobody would see that a picture has the focus.
    if (GetFocus() == Window() && !(SendMessageW(Window(), WM_QUERYUISTATE, 0, 0) & UISF_HIDEFOCUS)) {
      RECT inner = client;
      InflateRect(&inner, -1, -1);
      DrawFocusRect(dc, &inner);
    }
    EndPaint(Window(), &paint);
  }
};

// A line has no window: its container paints it.
class LinePeer : public ControlPeer {};

}  // namespace

std::unique_ptr<ControlPeer> MakeControlPeer(Win32Backend& backend, Win32FormPeer& form, Control& control) {
  switch (control.GetKind()) {
    case Kind::Label: return std::make_unique<LabelPeer>(backend, form, control);
    case Kind::CommandButton: return std::make_unique<ButtonPeer>(backend, form, control);
    case Kind::OptionButton: {
      auto& option = dynamic_cast<OptionButton&>(control);
      // One group per container: the first option of each starts it.
      return std::make_unique<OptionPeer>(backend, form, option, option.Group().front() == &option);
    }
    case Kind::TextBox: return std::make_unique<TextBoxPeer>(backend, form, dynamic_cast<TextBox&>(control));
    case Kind::ListBox: return std::make_unique<ListPeer>(backend, form, dynamic_cast<ListBox&>(control));
    case Kind::Frame: return std::make_unique<FramePeer>(backend, form, control);
    case Kind::PictureBox:
    case Kind::Image: return std::make_unique<PicturePeer>(backend, form, control);
    case Kind::Line: return std::make_unique<LinePeer>();
    case Kind::Form: break;
  }
  throw std::logic_error("no native control for " + control.Name());
}

}  // namespace toolkit::win32
