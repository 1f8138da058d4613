#include "toolkit/win32/win32_backend.h"

#include <windows.h>
// commctrl.h needs windows.h first.
#include <commctrl.h>
#include <objbase.h>

#include <algorithm>
#include <cmath>
#include <cwctype>
#include <iterator>
#include <string>

#include "toolkit/form.h"
#include "toolkit/win32/win32_controls.h"
#include "toolkit/win32/win32_form.h"
#include "toolkit/win32/win32_graphics.h"

namespace toolkit::win32 {

Win32Backend::Win32Backend(Win32Resources resources)
    : resources_(std::move(resources)), gdiplus_(StartGraphics()) {
  if (!resources_.module) resources_.module = GetModuleHandleW(nullptr);
}

void Win32Backend::JoinCom() {
  // Not at start: only a screen reader's first question needs it.
  if (!comTried_) comStarted_ = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
  comTried_ = true;
}

Win32Backend::~Win32Backend() {
  for (auto& [name, image] : images_) ReleaseImage(image);
  StopGraphics(gdiplus_);
  for (auto& [name, cursor] : cursors_)
    if (cursor) DestroyCursor(cursor);
  if (measuring_) DeleteDC(measuring_);
  for (auto& [key, font] : fonts_) DeleteObject(font);
  if (comStarted_) CoUninitialize();
}

std::unique_ptr<FormPeer> Win32Backend::CreateFormPeer(Form& form) {
  return std::make_unique<Win32FormPeer>(*this, form);
}

void Win32Backend::InitCommonControls() { ::InitCommonControls(); }

ControlPeerBase* Win32Backend::PeerOf(HWND window) const {
  auto found = peers_.find(window);
  return found == peers_.end() ? nullptr : found->second;
}

void Win32Backend::RemoveForm(Win32FormPeer* form) { std::erase(forms_, form); }

Win32FormPeer* Win32Backend::FormOf(HWND window) const {
  const HWND top = window ? GetAncestor(window, GA_ROOT) : nullptr;
  for (Win32FormPeer* form : forms_)
    if (form->Window() == top) return form;
  return nullptr;
}

int Win32Backend::ResourceNumber(const Picture& picture) const {
  auto found = resources_.numbers.find(picture.resource);
  return found == resources_.numbers.end() ? 0 : found->second;
}

void* Win32Backend::DecodedPicture(const Picture& picture) {
  if (picture.Empty()) return nullptr;
  auto [it, added] = images_.try_emplace(picture.resource, nullptr);
  if (!added) return it->second;
  const int number = ResourceNumber(picture);
  HRSRC found = number ? FindResourceW(resources_.module, MAKEINTRESOURCEW(number), MAKEINTRESOURCEW(10)) : nullptr;
  HGLOBAL loaded = found ? LoadResource(resources_.module, found) : nullptr;
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  if (bytes) it->second = DecodeImage(bytes, SizeofResource(resources_.module, found));
  return it->second;
}

Win32Backend::Drawing Win32Backend::PictureFor(const Picture& picture, UINT dpi) {
  // At 1.5 times, as far from either drawing, the larger one shrunk stays sharp.
  if (dpi >= 144) {
    const std::string& path = picture.resource;
    const auto dot = path.rfind('.');
    if (dot != std::string::npos) {
      if (void* dense = DecodedPicture({path.substr(0, dot) + "@2x" + path.substr(dot)})) return {dense, 2};
    }
  }
  return {DecodedPicture(picture), 1};
}

HCURSOR Win32Backend::Cursor(const Picture& picture) {
  auto [it, added] = cursors_.try_emplace(picture.resource, nullptr);
  if (added) {
    if (const int number = ResourceNumber(picture))
      it->second = static_cast<HCURSOR>(LoadImageW(resources_.module, MAKEINTRESOURCEW(number), IMAGE_CURSOR, 0, 0, 0));
  }
  return it->second;
}

namespace {

// The designs were drawn in an 8-point face in which kSample measures 479
// pixels at 96 dpi: their labels sized to their text take exactly that
// face's widths ("Enter Amount" 64 pixels). Bold draws wider.
constexpr wchar_t kSample[] = L"The Quick Brown Fox Jumps Over \"The\" Lazy Dog, and the quick brown fox jumps over the lazy dog.";

double DesignedExtent(const toolkit::Font& font, UINT dpi) {
  return 479.0 * font.points / 8.0 * (font.bold ? 1.1 : 1.0) * dpi / 96.0;
}

struct Measured {
  int extent = 0;        // of kSample
  int metricsWidth = 0;  // the font's own average, what LOGFONT's width sets
  std::wstring face;     // the face the system gave, maybe not the one asked for
};

Measured Measure(HFONT font) {
  Measured m;
  HDC dc = CreateCompatibleDC(nullptr);
  const HGDIOBJ old = SelectObject(dc, font);
  SIZE extent{};
  GetTextExtentPoint32W(dc, kSample, static_cast<int>(std::size(kSample)) - 1, &extent);
  m.extent = extent.cx;
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc, &metrics);
  m.metricsWidth = metrics.tmAveCharWidth;
  wchar_t face[LF_FACESIZE] = {};
  GetTextFaceW(dc, LF_FACESIZE, face);
  m.face = face;
  SelectObject(dc, old);
  DeleteDC(dc);
  return m;
}

HFONT MakeFont(const std::wstring& family, const toolkit::Font& font, UINT dpi, int width) {
  const int height = -static_cast<int>(std::lround(font.points * dpi / 72.0));
  return CreateFontW(height, width, 0, 0, font.bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                     OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                     family.c_str());
}

// Faces as narrow as the designs' first, then narrower sans serifs a desktop
// may have: for a system whose dialog face draws wider (Wine draws Tahoma,
// or DejaVu Sans where it finds no font of its own).
constexpr const wchar_t* kNarrowerFaces[] = {L"Microsoft Sans Serif",   L"MS Sans Serif",
                                             L"DejaVu Sans Condensed",  L"Liberation Sans Narrow",
                                             L"Nimbus Sans Narrow",     L"Arial Narrow"};

HFONT FittingFont(const toolkit::Font& font, UINT dpi) {
  const std::wstring family(font.family.begin(), font.family.end());
  // A few percent over keeps captions inside their controls; Wine's Tahoma,
  // 8% over, pushes them out.
  const double budget = DesignedExtent(font, dpi) * 1.03;
  HFONT asked = MakeFont(family, font, dpi, 0);
  const Measured got = Measure(asked);
  if (got.extent <= budget) return asked;
  for (const wchar_t* face : kNarrowerFaces) {
    HFONT narrow = MakeFont(face, font, dpi, 0);
    const Measured m = Measure(narrow);
    if (_wcsicmp(m.face.c_str(), face) == 0 && m.extent <= budget) {
      DeleteObject(asked);
      return narrow;
    }
    DeleteObject(narrow);
  }
  // No narrower face: the one we got, drawn narrower.
  DeleteObject(asked);
  const int width = static_cast<int>(got.metricsWidth * DesignedExtent(font, dpi) / got.extent);
  return MakeFont(got.face, font, dpi, std::max(1, width));
}

// A design's font over the form's, over the system's dialog font.
toolkit::Font EffectiveFont(const Control& control) {
  toolkit::Font font = control.Design().font;
  const toolkit::Font& formFont = control.Parent().Design().font;
  if (font.family.empty()) font.family = formFont.family.empty() ? "MS Shell Dlg" : formFont.family;
  if (font.points == 0) font.points = formFont.points == 0 ? 8 : formFont.points;
  return font;
}

}  // namespace

HFONT Win32Backend::FontFor(const toolkit::Font& font, UINT dpi) {
  const auto key = std::make_tuple(font.family, font.points, font.bold, dpi);
  auto [it, added] = fonts_.try_emplace(key, nullptr);
  if (added) it->second = FittingFont(font, dpi);
  return it->second;
}

HFONT Win32Backend::ControlFont(const Control& control, UINT dpi) { return FontFor(EffectiveFont(control), dpi); }

RECT Win32Backend::TextExtent(HFONT font, const wchar_t* text, UINT format) {
  // One memory DC for all: a window's DC costs a trip to the window system.
  if (!measuring_) measuring_ = CreateCompatibleDC(nullptr);
  const HGDIOBJ old = SelectObject(measuring_, font);
  RECT box{0, 0, 0, 0};
  DrawTextW(measuring_, text, -1, &box, DT_CALCRECT | format);
  SelectObject(measuring_, old);
  return box;
}

void Win32Backend::FocusForModel(HWND window) {
  BeginModelFocus();
  ::SetFocus(window);
  EndModelFocus();
}

void Win32Backend::RestoreModelFocus(Win32FormPeer& form) {
  Control* active = form.GetForm().ActiveControl();
  auto* peer = active ? dynamic_cast<ControlPeerBase*>(active->Peer()) : nullptr;
  if (peer) FocusForModel(peer->Window());
}

namespace {

// Where Tab goes from `current`: the next control by tab index; of a
// container's options only the chosen one, as in a dialog's group. No test
// for hidden or disabled windows, as a dialog has: the model has neither.
Control* NextInTabOrder(const Form& form, Control* current, bool backwards) {
  std::vector<Control*> order;
  for (Control* control : form.TabOrder()) {
    if (!dynamic_cast<ControlPeerBase*>(control->Peer())) continue;
    if (auto* option = dynamic_cast<OptionButton*>(control); option && !option->IsChosen() && control != current) {
      if (std::ranges::any_of(option->Group(), &OptionButton::IsChosen)) continue;
    }
    order.push_back(control);
  }
  if (order.empty()) return nullptr;
  const auto at = std::find(order.begin(), order.end(), current);
  const auto n = static_cast<std::ptrdiff_t>(order.size());
  std::ptrdiff_t index = at == order.end() ? (backwards ? 0 : -1) : at - order.begin();
  index = ((backwards ? index - 1 : index + 1) % n + n) % n;
  return order[static_cast<std::size_t>(index)];
}

// The neighbouring option of the same container, in design order, wrapping.
OptionButton* NextOption(OptionButton* current, bool backwards) {
  const std::vector<OptionButton*> group = current->Group();
  const auto at = std::find(group.begin(), group.end(), current) - group.begin();
  const auto n = static_cast<std::ptrdiff_t>(group.size());
  return group[static_cast<std::size_t>(((backwards ? at - 1 : at + 1) % n + n) % n)];
}

// Moving the focus by keyboard shows where it is, as a dialog's keys do.
void ShowFocusCues(HWND form) { SendMessageW(form, WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0); }

}  // namespace

bool Win32Backend::PreTranslate(const MSG& msg) {
  Win32FormPeer* form = FormOf(msg.hwnd);
  if (!form) return false;
  ControlPeerBase* focused = PeerOf(GetFocus());
  Control* current = focused ? &focused->GetControl() : nullptr;
  if (msg.message == WM_SYSCHAR) {
    // Alt and a letter: the model decides which control the letter presses.
    const auto letter = static_cast<wchar_t>(msg.wParam);
    if (!std::iswalnum(letter)) return false;
    form->GetForm().UserAccessKey(static_cast<char16_t>(std::towlower(letter)));
    return true;
  }
  if (msg.message != WM_KEYDOWN) return false;
  const bool control = GetKeyState(VK_CONTROL) < 0, shift = GetKeyState(VK_SHIFT) < 0;
  switch (msg.wParam) {
    case VK_TAB: {
      if (control) return false;
      Control* next = NextInTabOrder(form->GetForm(), current, shift);
      if (!next) return true;
      HWND target = dynamic_cast<ControlPeerBase*>(next->Peer())->Window();
      ShowFocusCues(form->Window());
      ::SetFocus(target);
      // A dialog selects the whole text of a box the user tabs into.
      if (next->GetKind() == Kind::TextBox && !next->Design().multiLine)
        SendMessageW(target, EM_SETSEL, 0, -1);
      return true;
    }
    case VK_LEFT:
    case VK_RIGHT:
    case VK_UP:
    case VK_DOWN: {
      auto* option = dynamic_cast<OptionButton*>(current);
      if (!option) return false;
      OptionButton* next = NextOption(option, msg.wParam == VK_LEFT || msg.wParam == VK_UP);
      ShowFocusCues(form->Window());
      ::SetFocus(dynamic_cast<ControlPeerBase*>(next->Peer())->Window());
      // Moving along a group chooses, as the system's auto radio buttons do.
      next->UserChoose();
      return true;
    }
    case VK_RETURN: {
      // No default button: Enter presses the focused button or picture, a
      // multi-line box takes it as a new line, anything else ignores it.
      if (current && current->GetKind() == Kind::CommandButton) {
        SendMessageW(focused->Window(), BM_CLICK, 0, 0);
        return true;
      }
      const Kind kind = current ? current->GetKind() : Kind::Form;
      const bool picture = kind == Kind::PictureBox || kind == Kind::Image;
      return !(picture || (kind == Kind::TextBox && current->Design().multiLine));
    }
    case VK_ESCAPE: return true;  // no cancel button
    default: return false;
  }
}

void Win32Backend::Dispatch(MSG& msg) {
  if (PreTranslate(msg)) return;
  TranslateMessage(&msg);
  DispatchMessageW(&msg);
}

int Win32Backend::MessageBox(const Text& title, const Text& text, int style) {
  Win32FormPeer* owner = FormOf(GetActiveWindow());
  // Modal for the whole program, as the designer's toolkit makes its boxes:
  // every other form waits too.
  std::vector<HWND> disabled;
  for (Win32FormPeer* form : forms_) {
    if (form != owner && IsWindowEnabled(form->Window())) {
      EnableWindow(form->Window(), FALSE);
      disabled.push_back(form->Window());
    }
  }
  const UINT icon = static_cast<UINT>(style) & 0x70u;
  // Closing the box hands the focus back to the owner: a restoration.
  BeginModelFocus();
  MessageBoxW(owner ? owner->Window() : nullptr, Wide(text), Wide(title), MB_OK | icon | (owner ? 0 : MB_TASKMODAL));
  for (HWND window : disabled)
    if (IsWindow(window)) EnableWindow(window, TRUE);
  EndModelFocus();
  // The model's choice of focus wins, also when a handler moved it meanwhile.
  if (owner && std::find(forms_.begin(), forms_.end(), owner) != forms_.end()) RestoreModelFocus(*owner);
  return msgbox::kOk;
}

void Win32Backend::SetScreenMousePointer(int pointer) {
  busy_ = pointer == mouse::kHourglass;
  // WM_SETCURSOR keeps it over the program's windows; this shows it at once.
  SetCursor(LoadCursorW(nullptr, busy_ ? IDC_WAIT : IDC_ARROW));
}

void Win32Backend::DoEvents() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) {
      // The running loop must see it too.
      PostQuitMessage(static_cast<int>(msg.wParam));
      break;
    }
    Dispatch(msg);
  }
  // A handler that changes a caption and then blocks (a download) shows the
  // new caption first.
  const auto forms = forms_;
  for (Win32FormPeer* form : forms) RedrawWindow(form->Window(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
}

namespace {

DWORD WINAPI RunWork(LPVOID work) {
  (*static_cast<const std::function<void()>*>(work))();
  return 0;
}

}  // namespace

void Win32Backend::Offload(const std::function<void()>& work) {
  HANDLE thread = CreateThread(nullptr, 0, RunWork, const_cast<std::function<void()>*>(&work), 0, nullptr);
  if (!thread) {
    work();
    return;
  }
  ++offloading_;
  // Waiting on the queue is what keeps the system from calling the window
  // hung. Paint, timers and sent messages are served; input and posted
  // messages stay queued, in order, for after the handler.
  for (;;) {
    const DWORD woke = MsgWaitForMultipleObjectsEx(1, &thread, INFINITE, QS_PAINT | QS_TIMER | QS_SENDMESSAGE, 0);
    if (woke != WAIT_OBJECT_0 + 1) break;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE)) DispatchMessageW(&msg);
    while (PeekMessageW(&msg, nullptr, WM_TIMER, WM_TIMER, PM_REMOVE)) DispatchMessageW(&msg);
    // Any peek delivers the messages sent to this thread.
    PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
  --offloading_;
}

int Win32Backend::Run() {
  if (quitEarly_) {
    quitEarly_ = false;
    return 0;
  }
  running_ = true;
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) Dispatch(msg);
  running_ = false;
  return static_cast<int>(msg.wParam);
}

void Win32Backend::Quit() {
  // Before the loop runs, nothing would read WM_QUIT in time; remember it.
  if (running_)
    PostQuitMessage(0);
  else
    quitEarly_ = true;
}

}  // namespace toolkit::win32
