// The floor quillon.exe's start-up is held to under Wine: the main window's
// controls built directly as plain Win32 controls from the same design rows
// (geometry, texts, lists, pictures, the dialog font), with no forms model
// and no peers, and the same "idle" probe when QUILLON_EXIT_WHEN_IDLE=1.
#include <windows.h>
#undef MessageBox
#include <commctrl.h>

#include <map>
#include <string>

#include "app/win_idle_probe.h"
#include "app/win_resources.h"
#include "main_window/frm_converter.h"
#include "toolkit/win32/win32_graphics.h"

namespace {

const wchar_t kFrame[] = L"SameControlsFrame";
const wchar_t kPicture[] = L"SameControlsPicture";
constexpr UINT kDpi = 96;

int Px(int twips) { return MulDiv(twips, kDpi, 1440); }

std::wstring W(const std::u16string& text) { return {text.begin(), text.end()}; }

LRESULT CALLBACK PictureProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != WM_PAINT) return DefWindowProcW(window, message, wParam, lParam);
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);
  RECT client;
  GetClientRect(window, &client);
  FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
  if (void* image = reinterpret_cast<void*>(GetWindowLongPtrW(window, GWLP_USERDATA)))
    toolkit::win32::DrawImage(dc, image, client);
  EndPaint(window, &paint);
  return 0;
}

void* Picture(const toolkit::Picture& picture) {
  const auto& numbers = app::WindowsResourceNumbers();
  const auto found = numbers.find(picture.resource);
  if (found == numbers.end()) return nullptr;
  HRSRC resource = FindResourceW(nullptr, MAKEINTRESOURCEW(found->second), MAKEINTRESOURCEW(10));
  const void* bytes = resource ? LockResource(LoadResource(nullptr, resource)) : nullptr;
  return bytes ? toolkit::win32::DecodeImage(bytes, SizeofResource(nullptr, resource)) : nullptr;
}

HWND Build(const toolkit::ControlDesign& d, HWND parent, HFONT font) {
  const wchar_t* windowClass = L"STATIC";
  DWORD style = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, exStyle = 0;
  switch (d.kind) {
    case toolkit::Kind::CommandButton: windowClass = L"BUTTON"; style |= BS_PUSHBUTTON | WS_TABSTOP; break;
    case toolkit::Kind::OptionButton: windowClass = L"BUTTON"; style |= BS_AUTORADIOBUTTON | WS_TABSTOP; break;
    case toolkit::Kind::TextBox:
      windowClass = L"EDIT";
      exStyle = WS_EX_CLIENTEDGE;
      style |= ES_AUTOHSCROLL | WS_TABSTOP | (d.multiLine ? ES_MULTILINE | WS_HSCROLL | WS_VSCROLL : 0);
      break;
    case toolkit::Kind::ListBox:
      windowClass = L"LISTBOX";
      exStyle = WS_EX_CLIENTEDGE;
      style |= LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | WS_VSCROLL | WS_TABSTOP;
      break;
    case toolkit::Kind::Frame: windowClass = L"BUTTON"; style |= BS_GROUPBOX; break;
    case toolkit::Kind::PictureBox: windowClass = kPicture; style |= WS_CLIPCHILDREN; break;
    case toolkit::Kind::Image: windowClass = kPicture; break;
    default: style |= SS_NOPREFIX | (d.alignment == toolkit::Alignment::Center ? SS_CENTER : SS_LEFT); break;
  }
  HWND window = CreateWindowExW(exStyle, windowClass, W(d.caption).c_str(), style, Px(d.rect.left), Px(d.rect.top),
                                Px(d.rect.width), Px(d.rect.height), parent, nullptr, nullptr, nullptr);
  SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  for (const auto& item : d.items) SendMessageW(window, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(W(item).c_str()));
  if (d.kind == toolkit::Kind::OptionButton && d.value) SendMessageW(window, BM_SETCHECK, BST_CHECKED, 0);
  if (d.kind == toolkit::Kind::Image) SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(Picture(d.picture)));
  return window;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  InitCommonControls();
  const ULONG_PTR graphics = toolkit::win32::StartGraphics();
  WNDCLASSEXW frame{sizeof frame};
  frame.lpfnWndProc = DefWindowProcW;
  frame.hInstance = instance;
  frame.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  frame.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  frame.lpszClassName = kFrame;
  RegisterClassExW(&frame);
  WNDCLASSEXW picture = frame;
  picture.lpfnWndProc = PictureProcedure;
  picture.lpszClassName = kPicture;
  RegisterClassExW(&picture);

  const toolkit::FormDesign form = main_window::WindowDesign();
  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
  RECT outer{0, 0, Px(form.clientWidth), Px(form.clientHeight)};
  AdjustWindowRectEx(&outer, style, FALSE, 0);
  HWND window = CreateWindowExW(0, kFrame, W(form.caption).c_str(), style, CW_USEDEFAULT, CW_USEDEFAULT,
                                outer.right - outer.left, outer.bottom - outer.top, nullptr, nullptr, instance, nullptr);
  HICON icon = LoadIconW(instance, MAKEINTRESOURCEW(QUILLON_ICON_MAIN));
  SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
  HFONT font = CreateFontW(-11, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                           CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, L"MS Shell Dlg");

  // Containers first: a row may name one that a later row builds.
  std::map<std::string, HWND> built;
  const auto rows = main_window::ControlsDesign();
  std::size_t before = 0;
  do {
    before = built.size();
    for (const auto& d : rows) {
      if (d.kind == toolkit::Kind::Line || built.count(d.name)) continue;
      if (!d.container.empty() && !built.count(d.container)) continue;
      built[d.name] = Build(d, d.container.empty() ? window : built[d.container], font);
    }
  } while (built.size() > before);

  RECT area;
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  SetWindowPos(window, nullptr, (area.right - (outer.right - outer.left)) / 2, (area.bottom - (outer.bottom - outer.top)) / 2,
               0, 0, SWP_NOSIZE | SWP_NOZORDER);
  ShowWindow(window, SW_SHOW);
  UpdateWindow(window);
  MSG msg;
  const auto pump = [&] {
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
  };
  if (app::IdleProbeWanted()) {
    app::RunUntilIdle(pump);
  } else {
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
  }
  toolkit::win32::StopGraphics(graphics);
  return 0;
}
