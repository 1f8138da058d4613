#include "toolkit/win32/win32_form.h"

#include <windows.h>
// commctrl.h needs windows.h first.
#include <commctrl.h>

#include <map>
#include <stdexcept>
#include <vector>

#include "toolkit/win32/win32_backend.h"
#include "toolkit/win32/win32_controls.h"

namespace toolkit::win32 {

const wchar_t kFormClass[] = L"QuillonForm";
const wchar_t kPictureClass[] = L"QuillonPicture";

void RegisterClasses(HINSTANCE module) {
  WNDCLASSEXW form{};
  if (GetClassInfoExW(module, kFormClass, &form)) return;
  form.cbSize = sizeof form;
  form.lpfnWndProc = &Win32FormPeer::Procedure;
  form.hInstance = module;
  form.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  form.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  form.lpszClassName = kFormClass;
  RegisterClassExW(&form);

  WNDCLASSEXW picture{};
  picture.cbSize = sizeof picture;
  picture.style = CS_HREDRAW | CS_VREDRAW;
  picture.lpfnWndProc = DefWindowProcW;
  picture.hInstance = module;
  picture.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  picture.lpszClassName = kPictureClass;
  RegisterClassExW(&picture);
}

namespace {

// Stacking tiers: labels and lines are painted on their container in the
// designer's toolkit, pictures over them (the About window's donate picture
// lies over its note), every other control in front of both.
int Tier(Kind kind) {
  switch (kind) {
    case Kind::Label:
    case Kind::Line: return 0;
    case Kind::Image: return 1;
    default: return 2;
  }
}

// Moves only the children out of `order` (top first): each move costs a
// round of window messages, and most controls are created in place. Those
// kept are the longest run already in the wanted order.
void Restack(HWND container, const std::vector<HWND>& order) {
  std::map<HWND, std::size_t> rank;
  for (std::size_t i = 0; i < order.size(); ++i) rank[order[i]] = i;
  std::vector<std::size_t> now;
  for (HWND child = GetWindow(container, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    if (const auto found = rank.find(child); found != rank.end()) now.push_back(found->second);
  // Longest increasing run of ranks, quadratic: a form has tens of controls.
  std::vector<std::size_t> length(now.size(), 1), previous(now.size(), now.size());
  std::size_t best = 0;
  for (std::size_t i = 0; i < now.size(); ++i) {
    for (std::size_t j = 0; j < i; ++j) {
      if (now[j] < now[i] && length[j] + 1 > length[i]) {
        length[i] = length[j] + 1;
        previous[i] = j;
      }
    }
    if (length[i] > length[best]) best = i;
  }
  std::vector<bool> kept(order.size(), false);
  for (std::size_t i = best; i < now.size(); i = previous[i]) kept[now[i]] = true;
  for (std::size_t i = 0; i < order.size(); ++i) {
    if (kept[i]) continue;
    SetWindowPos(order[i], i == 0 ? HWND_TOP : order[i - 1], 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  }
}

HICON LoadIconSized(HINSTANCE module, int number, int metric) {
  const int size = GetSystemMetrics(metric);
  return static_cast<HICON>(LoadImageW(module, MAKEINTRESOURCEW(number), IMAGE_ICON, size, size, 0));
}

}  // namespace

Win32FormPeer::Win32FormPeer(Win32Backend& backend, Form& form) : backend_(backend), form_(form) {
  RegisterClasses(backend.Module());
  const FormDesign& design = form.Design();
  DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
  DWORD exStyle = WS_EX_CONTROLPARENT;
  if (design.border == BorderStyle::Sizable) {
    style |= WS_THICKFRAME;
    if (design.minButton) style |= WS_MINIMIZEBOX;
    if (design.maxButton) style |= WS_MAXIMIZEBOX;
  } else {
    exStyle |= WS_EX_DLGMODALFRAME;
  }
  // Made at its size for the system's density: resizing a top-level window
  // costs start-up time, so only a window on a screen of another density is.
  const auto outerAt = [&](UINT dpi) {
    RECT outer{0, 0, Px(design.clientWidth, dpi), Px(design.clientHeight, dpi)};
    AdjustWindowRectExForDpi(&outer, style, FALSE, exStyle, dpi);
    return SIZE{outer.right - outer.left, outer.bottom - outer.top};
  };
  const UINT systemDpi = GetDpiForSystem();
  const SIZE made = outerAt(systemDpi);
  window_ = CreateWindowExW(exStyle, kFormClass, Wide(form.Caption()), style, CW_USEDEFAULT, CW_USEDEFAULT, made.cx,
                            made.cy, nullptr, nullptr, backend.Module(), this);
  if (!window_) throw std::runtime_error("cannot create the window of " + design.name);
  dpi_ = DpiOf(window_);
  if (dpi_ != systemDpi) {
    const SIZE size = outerAt(dpi_);
    SetWindowPos(window_, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  if (const int icon = backend.ResourceNumber(design.icon)) {
    bigIcon_ = LoadIconSized(backend.Module(), icon, SM_CXICON);
    smallIcon_ = LoadIconSized(backend.Module(), icon, SM_CXSMICON);
    if (bigIcon_) SendMessageW(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_));
    if (smallIcon_) SendMessageW(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_));
  }
  backend.AddForm(this);
}

Win32FormPeer::~Win32FormPeer() {
  backend_.RemoveForm(this);
  // The model may unload the form from inside one of the window's own
  // handlers (its close box, a button's click): nothing reaches it from now.
  SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
  backend_.BeginModelFocus();
  if (toolTips_) DestroyWindow(toolTips_);
  DestroyWindow(window_);
  backend_.EndModelFocus();
  if (bigIcon_) DestroyIcon(bigIcon_);
  if (smallIcon_) DestroyIcon(smallIcon_);
}

std::unique_ptr<ControlPeer> Win32FormPeer::CreateControlPeer(Control& control) {
  return MakeControlPeer(backend_, *this, control);
}

HWND Win32FormPeer::ContainerWindow(const Control& control) const {
  if (Control* container = control.Container()) {
    if (auto* peer = dynamic_cast<ControlPeerBase*>(container->Peer())) return peer->Window();
  }
  return window_;
}

COLORREF Win32FormPeer::BackgroundAt(const Control& control) const {
  if (const auto beneath = form_.ColorBeneath(control)) return ToColorRef(*beneath);
  if (const Control* container = control.Container(); container && container->Design().backColor)
    return ToColorRef(*container->Design().backColor);
  return GetSysColor(COLOR_BTNFACE);
}

void Win32FormPeer::PaintLines(HWND window, HDC dc) const {
  for (const auto& control : form_.Controls()) {
    if (control->GetKind() != Kind::Line || ContainerWindow(*control) != window) continue;
    const ControlDesign& design = control->Design();
    const Rect& r = design.rect;  // x1, y1, x2 - x1, y2 - y1
    HPEN pen = CreatePen(PS_SOLID, 1, design.foreColor ? ToColorRef(*design.foreColor) : RGB(0, 0, 0));
    const HGDIOBJ old = SelectObject(dc, pen);
    MoveToEx(dc, Px(r.left, dpi_), Px(r.top, dpi_), nullptr);
    LineTo(dc, Px(r.left + r.width, dpi_), Px(r.top + r.height, dpi_));
    SelectObject(dc, old);
    DeleteObject(pen);
  }
}

void Win32FormPeer::MouseMovedOver(HWND control, WPARAM wParam, LPARAM lParam) {
  // Made at the first move of the mouse over a control, not at start: no
  // tip can show sooner.
  if (toolTips_) return;
  toolTips_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                              CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, window_, nullptr,
                              backend_.Module(), nullptr);
  if (!toolTips_) return;
  for (const auto& c : form_.Controls()) {
    auto* peer = dynamic_cast<ControlPeerBase*>(c->Peer());
    if (!peer || c->Design().toolTip.empty()) continue;
    TOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = window_;
    tool.uId = reinterpret_cast<UINT_PTR>(peer->Window());
    tool.lpszText = const_cast<wchar_t*>(Wide(c->Design().toolTip));
    SendMessageW(toolTips_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  }
  // The tip's own hook came after this move: it starts its wait from it.
  MSG move{control, WM_MOUSEMOVE, wParam, lParam, 0, {}};
  SendMessageW(toolTips_, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&move));
}

void Win32FormPeer::ControlsCreated() {
  // Stacking among siblings: by tier, and within one the earlier rows of the
  // design in front; top first.
  std::map<HWND, std::vector<HWND>> wanted;
  const auto& controls = form_.Controls();
  for (int tier : {2, 1, 0}) {
    for (const auto& control : controls) {
      auto* peer = dynamic_cast<ControlPeerBase*>(control->Peer());
      if (peer && Tier(control->GetKind()) == tier) wanted[ContainerWindow(*control)].push_back(peer->Window());
    }
  }
  for (const auto& [container, order] : wanted) Restack(container, order);
}

void Win32FormPeer::Show() {
  if (!shownBefore_) {
    shownBefore_ = true;
    if (form_.Design().centerOnScreen) {
      RECT area, frame;
      SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
      GetWindowRect(window_, &frame);
      const int width = frame.right - frame.left, height = frame.bottom - frame.top;
      SetWindowPos(window_, nullptr, area.left + (area.right - area.left - width) / 2,
                   area.top + (area.bottom - area.top - height) / 2, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
  }
  const bool wasVisible = IsWindowVisible(window_);
  ShowWindow(window_, SW_SHOW);
  // A hidden window shown is activated and on top already, unless the
  // system keeps another program in front.
  if (wasVisible || GetForegroundWindow() != window_) BringToFront();
}

void Win32FormPeer::BringToFront() {
  if (IsIconic(window_)) ShowWindow(window_, SW_RESTORE);
  SetWindowPos(window_, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  SetForegroundWindow(window_);
}

void Win32FormPeer::FitDpi(UINT dpi, const RECT& suggested) {
  dpi_ = dpi;
  const DWORD style = static_cast<DWORD>(GetWindowLongPtrW(window_, GWL_STYLE));
  const DWORD exStyle = static_cast<DWORD>(GetWindowLongPtrW(window_, GWL_EXSTYLE));
  RECT outer{0, 0, Px(form_.Design().clientWidth, dpi), Px(form_.Design().clientHeight, dpi)};
  // The frame as the system draws it now: at the new density once it has moved.
  AdjustWindowRectExForDpi(&outer, style, FALSE, exStyle, DpiOf(window_));
  // The system's place for the window, at the designed client size.
  SetWindowPos(window_, nullptr, suggested.left, suggested.top, outer.right - outer.left, outer.bottom - outer.top,
               SWP_NOZORDER | SWP_NOACTIVATE);
  for (const auto& control : form_.Controls())
    if (auto* peer = dynamic_cast<ControlPeerBase*>(control->Peer())) peer->FitDpi();
  InvalidateRect(window_, nullptr, TRUE);
}

void Win32FormPeer::SetCaption(const Text& caption) { SetWindowTextW(window_, Wide(caption)); }

bool Win32FormPeer::ContainerMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  switch (message) {
    case WM_COMMAND: {
      // Menu and accelerator commands (IDOK from Enter, IDCANCEL from
      // Escape) have no control: no default or cancel button here.
      if (auto* peer = backend_.PeerOf(reinterpret_cast<HWND>(lParam))) peer->Command(HIWORD(wParam));
      result = 0;
      return true;
    }
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN: {
      auto* peer = backend_.PeerOf(reinterpret_cast<HWND>(lParam));
      HBRUSH brush = peer ? peer->Colors(reinterpret_cast<HDC>(wParam)) : nullptr;
      if (!brush) return false;
      result = reinterpret_cast<LRESULT>(brush);
      return true;
    }
    case WM_SETCURSOR:
      if (!backend_.Busy()) return false;
      SetCursor(LoadCursorW(nullptr, IDC_WAIT));
      result = TRUE;
      return true;
    default: return false;
  }
}

LRESULT CALLBACK Win32FormPeer::Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    // Set before CreateWindowEx returns: messages of the creation reach the peer.
    static_cast<Win32FormPeer*>(create->lpCreateParams)->window_ = window;
  }
  auto* peer = reinterpret_cast<Win32FormPeer*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!peer) return DefWindowProcW(window, message, wParam, lParam);
  return peer->Handle(message, wParam, lParam);
}

LRESULT Win32FormPeer::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CLOSE:
      // Posted again, it waits in the queue until the running handler ends.
      if (backend_.Offloading()) {
        PostMessageW(window_, WM_CLOSE, 0, 0);
        return 0;
      }
      // The window stays until the model unloads the form, which deletes
      // this peer and the window; a form may refuse to unload.
      form_.UserClose();
      return 0;
    case WM_ACTIVATE:
      // The system gives the focus back to whatever had it; the model's
      // active control gets it instead, as a restoration.
      if (LOWORD(wParam) != WA_INACTIVE && !HIWORD(wParam)) backend_.RestoreModelFocus(*this);
      return 0;
    case WM_DPICHANGED:
      FitDpi(HIWORD(wParam), *reinterpret_cast<const RECT*>(lParam));
      return 0;
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(window_, &paint);
      PaintLines(window_, dc);
      EndPaint(window_, &paint);
      return 0;
    }
    default: break;
  }
  LRESULT result = 0;
  if (ContainerMessage(message, wParam, lParam, result)) return result;
  return DefWindowProcW(window_, message, wParam, lParam);
}

}  // namespace toolkit::win32
