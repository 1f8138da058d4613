// The real windows on the native backend, driven with real messages and read
// back from the native controls as well as from the model.
#include <gtest/gtest.h>

#include <windows.h>
#undef MessageBox
#include <commctrl.h>
#include <oleacc.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "about/frm_about.h"
#include "app/win_resources.h"
#include "main_window/fixture.h"
#include "toolkit/win32/win32_backend.h"
#include "toolkit/win32/win32_controls.h"
#include "toolkit/win32/win32_form.h"
#include "toolkit/win32/win32_graphics.h"

namespace {

using main_window_test::kTwoRowPage;

std::u16string WindowText(HWND window) {
  wchar_t buffer[512] = {};
  GetWindowTextW(window, buffer, 512);
  return reinterpret_cast<const char16_t*>(buffer);
}

std::u16string ClassOf(HWND window) {
  wchar_t buffer[64] = {};
  GetClassNameW(window, buffer, 64);
  std::u16string name = reinterpret_cast<const char16_t*>(buffer);
  for (auto& c : name) c = static_cast<char16_t>(towlower(c));
  return name;
}

// A message box as the user saw it.
struct Box {
  std::u16string title, text;
  HWND owner = nullptr;
  HICON icon = nullptr;
};

// Closes every message box of this thread shortly after it opens; a thread
// timer runs inside the box's own modal loop.
std::vector<Box>* boxes = nullptr;

BOOL CALLBACK CloseBox(HWND window, LPARAM) {
  if (ClassOf(window) != u"#32770" || !IsWindowVisible(window)) return TRUE;
  Box box{WindowText(window), WindowText(GetDlgItem(window, 0xFFFF)), GetWindow(window, GW_OWNER), nullptr};
  // The system draws the box's icon in a static of its own.
  for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    if (auto icon = reinterpret_cast<HICON>(SendMessageW(child, STM_GETICON, 0, 0))) box.icon = icon;
  boxes->push_back(box);
  PostMessageW(window, WM_COMMAND, IDOK, 0);
  return TRUE;
}

void CALLBACK CloseBoxes(HWND, UINT, UINT_PTR, DWORD) { EnumThreadWindows(GetCurrentThreadId(), CloseBox, 0); }

class Win32BackendTest : public ::testing::Test, protected support::FakeSystem {
 protected:
  void SetUp() override {
    boxes = &shown;
    timer = SetTimer(nullptr, 0, 50, CloseBoxes);
    settings.locale = {u'.', u','};
    settings.ratesUrl = u"http://127.0.0.1:9/cgi-bin/cgicalc.cgi?value=1&base=EUR";
    app.RegisterCursor(about::FrmAbout::kHandCursor, {app::kWindowsHandCursor});
    about = std::make_unique<about::FrmAbout>(app, services);
    frm = std::make_unique<main_window::FrmConverter>(app, services, settings, about.get());
    frm->Show();
    Pump();
  }

  void TearDown() override {
    if (about->Loaded()) about->UnloadForm();
    if (frm->Loaded()) frm->UnloadForm();
    KillTimer(nullptr, timer);
    boxes = nullptr;
  }

  void Pump() { backend.DoEvents(); }

  static HWND H(const toolkit::Control& control) {
    auto* peer = dynamic_cast<toolkit::win32::ControlPeerBase*>(control.Peer());
    return peer ? peer->Window() : nullptr;
  }
  static HWND H(const toolkit::Form& form) { return reinterpret_cast<HWND>(form.hWnd()); }

  // Get Exchange Rates pressed as a user presses it.
  void GetRates() {
    internet.body = kTwoRowPage;
    SendMessageW(H(frm->cmdGet), BM_CLICK, 0, 0);
    Pump();
  }

  // A click in the middle of a list's row.
  static void ClickRow(HWND list, int row) {
    RECT item;
    SendMessageW(list, LB_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    const LPARAM at = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
    SendMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageW(list, WM_LBUTTONUP, 0, at);
  }

  // A key as the loop delivers it, to the focused control.
  void Key(WPARAM key, bool shift = false) {
    BYTE state[256];
    GetKeyboardState(state);
    state[VK_SHIFT] = shift ? 0x80 : 0;
    SetKeyboardState(state);
    PostMessageW(GetFocus(), WM_KEYDOWN, key, 1);
    Pump();
    state[VK_SHIFT] = 0;
    SetKeyboardState(state);
  }

  std::string FocusedName() const {
    for (toolkit::Form* form : {static_cast<toolkit::Form*>(frm.get()), static_cast<toolkit::Form*>(about.get())})
      for (const auto& control : form->Controls())
        if (control->Peer() && H(*control) == GetFocus()) return control->Name();
    return "(none)";
  }

  std::vector<Box> shown;
  UINT_PTR timer = 0;
  toolkit::win32::Win32Backend backend{{GetModuleHandleW(nullptr), app::WindowsResourceNumbers()}};
  toolkit::Application app{backend, {u"Quillon", 1, 0, 0, u"C:\\Program Files\\Quillon"}};
  main_window::ConverterSettings settings;
  std::unique_ptr<about::FrmAbout> about;
  std::unique_ptr<main_window::FrmConverter> frm;
};

// Every control where its design puts it, in pixels at 96 dpi, relative to
// its container; autosized labels keep their top left corner.
void ExpectDesignedGeometry(const toolkit::Form& form) {
  for (const auto& control : form.Controls()) {
    if (control->GetKind() == toolkit::Kind::Line) continue;
    auto* peer = dynamic_cast<toolkit::win32::ControlPeerBase*>(control->Peer());
    ASSERT_NE(peer, nullptr) << control->Name();
    RECT r;
    GetWindowRect(peer->Window(), &r);
    MapWindowPoints(HWND_DESKTOP, GetParent(peer->Window()), reinterpret_cast<POINT*>(&r), 2);
    // To the nearest pixel: 15 twips each.
    const auto px = [](int twips) { return static_cast<LONG>(std::lround(twips / 15.0)); };
    const toolkit::Rect& d = control->Geometry();
    EXPECT_EQ(r.left, px(d.left)) << control->Name();
    EXPECT_EQ(r.top, px(d.top)) << control->Name();
    if (control->Design().autoSize) continue;
    EXPECT_EQ(r.right - r.left, px(d.width)) << control->Name();
    EXPECT_EQ(r.bottom - r.top, px(d.height)) << control->Name();
  }
}

TEST_F(Win32BackendTest, WindowsHaveTheirDesignedSizeStylesAndPlaces) {
  about->Show();
  Pump();
  RECT client;
  GetClientRect(H(*frm), &client);
  EXPECT_EQ(client.right, 480);
  EXPECT_EQ(client.bottom, 344);
  EXPECT_EQ(WindowText(H(*frm)), u"Quillon");
  EXPECT_EQ(WindowText(H(*about)), u"About Quillon");
  ExpectDesignedGeometry(*frm);
  ExpectDesignedGeometry(*about);

  // Both start centred in the work area.
  RECT area;
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
  for (HWND window : {H(*frm), H(*about)}) {
    RECT frame;
    GetWindowRect(window, &frame);
    EXPECT_NEAR((frame.left + frame.right) / 2, (area.left + area.right) / 2, 1);
    EXPECT_NEAR((frame.top + frame.bottom) / 2, (area.top + area.bottom) / 2, 1);
  }

  struct Row {
    const char* name;
    HWND window;
    std::u16string windowClass;
    LONG_PTR required, forbidden;
  };
  const Row rows[] = {
      {"main window", H(*frm), u"quillonform", WS_THICKFRAME | WS_MINIMIZEBOX | WS_SYSMENU, WS_MAXIMIZEBOX},
      {"About window", H(*about), u"quillonform", WS_SYSMENU, WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX},
      {"page box", H(frm->rtbMain), u"edit", ES_MULTILINE | WS_HSCROLL | WS_VSCROLL, 0},
      {"amount", H(frm->txtAmount), u"edit", WS_TABSTOP, ES_MULTILINE},
      {"currency list", H(frm->lstCurrency), u"listbox", LBS_NOTIFY | WS_TABSTOP, LBS_SORT},
      {"status line", H(frm->lblCount), u"static", SS_NOPREFIX, 0},
      {"result line", H(frm->lblValue), u"static", SS_NOPREFIX | SS_CENTER, 0},
      {"first option", H(frm->Option1), u"button", BS_AUTORADIOBUTTON | WS_GROUP, 0},
      {"second option", H(frm->Option2), u"button", BS_AUTORADIOBUTTON, WS_GROUP},
      {"frame", H((*frm)["Frame2"]), u"button", BS_GROUPBOX, 0},
      {"button", H(frm->cmdGet), u"button", WS_TABSTOP, BS_DEFPUSHBUTTON},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(ClassOf(row.window), row.windowClass) << row.name;
    const LONG_PTR style = GetWindowLongPtrW(row.window, GWL_STYLE);
    EXPECT_EQ(style & row.required, row.required) << row.name;
    EXPECT_EQ(style & row.forbidden, 0) << row.name;
  }
  EXPECT_EQ(SendMessageW(H(frm->lstSymbol), LB_GETCOUNT, 0, 0), 22);

  // A tool tip for every control whose design has one, once the mouse has
  // moved over a control.
  SendMessageW(H(frm->cmdGet), WM_MOUSEMOVE, 0, MAKELPARAM(1, 1));
  SendMessageW(H((*about)["Command1"]), WM_MOUSEMOVE, 0, MAKELPARAM(1, 1));
  for (const toolkit::Form* form : {static_cast<toolkit::Form*>(frm.get()), static_cast<toolkit::Form*>(about.get())}) {
    const auto designed = std::count_if(form->Controls().begin(), form->Controls().end(),
                                        [](const auto& c) { return !c->Design().toolTip.empty(); });
    const HWND tips = dynamic_cast<toolkit::win32::Win32FormPeer*>(form->Peer())->ToolTips();
    EXPECT_EQ(SendMessageW(tips, TTM_GETTOOLCOUNT, 0, 0), designed) << form->Name();
  }
}

// Edges lie outside the client area, which borderless controls leave unpainted.
TEST_F(Win32BackendTest, BorderedControlsDrawTheirEdges) {
  about->Show();
  Pump();
  struct Row {
    const char* name;
    HWND window;
  };
  const Row rows[] = {
      {"amount", H(frm->txtAmount)},
      {"currency list", H(frm->lstCurrency)},
      {"bordered picture", H((*about)["picIcon"])},
  };
  for (const Row& row : rows) {
    RedrawWindow(row.window, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_UPDATENOW);
    HDC dc = GetWindowDC(row.window);
    const COLORREF corner = GetPixel(dc, 0, 0);
    ReleaseDC(row.window, dc);
    // A window's surface starts black: an edge never painted reads so.
    EXPECT_NE(corner, RGB(0, 0, 0)) << row.name;
  }
}

// Where controls overlap, pictures lie over labels, and of two labels the
// earlier row of the design lies in front.
TEST_F(Win32BackendTest, OverlappingControlsStackAsDesigned) {
  about->Show();
  Pump();
  struct Row {
    const char* name;
    const toolkit::Control& upper;
    const toolkit::Control& lower;
  };
  const Row rows[] = {
      {"title picture over the banner", (*frm)["Image1"], (*frm)["Label2"]},
      {"euro picture over the banner", (*frm)["Image2"], (*frm)["Label2"]},
      {"count line over the banner", frm->lblCount, (*frm)["Label2"]},
      {"donate picture over its note", (*about)["Image2"], (*about)["lblDisclaimer"]},
  };
  for (const Row& row : rows) {
    bool above = false;
    for (HWND w = GetWindow(H(row.lower), GW_HWNDPREV); w && !above; w = GetWindow(w, GW_HWNDPREV))
      above = w == H(row.upper);
    EXPECT_TRUE(above) << row.name;
  }
}

// A caption's text drawn in `font` at most `width` pixels wide: its extent.
RECT Extent(HFONT font, const std::u16string& text, int width, UINT format) {
  HDC dc = CreateCompatibleDC(nullptr);
  const HGDIOBJ old = SelectObject(dc, font);
  RECT box{0, 0, width, 0};
  DrawTextW(dc, reinterpret_cast<const wchar_t*>(text.c_str()), -1, &box, DT_CALCRECT | format);
  SelectObject(dc, old);
  DeleteDC(dc);
  return box;
}

TEST_F(Win32BackendTest, EveryCaptionFitsItsControlAt96And144Dpi) {
  about->Show();
  Pump();
  // What a control of each kind keeps for itself beside its caption, at 96 dpi:
  // a button's edges, an option's circle, a frame's corners. A label sized to
  // its text may come out up to a sixteenth wider than designed.
  const auto margin = [](toolkit::Kind kind) {
    switch (kind) {
      case toolkit::Kind::CommandButton: return 6;
      case toolkit::Kind::OptionButton: return 18;
      case toolkit::Kind::Frame: return 12;
      default: return 0;
    }
  };
  for (const UINT dpi : {96u, 144u}) {
    for (const toolkit::Form* form : {static_cast<toolkit::Form*>(frm.get()), static_cast<toolkit::Form*>(about.get())}) {
      for (const auto& control : form->Controls()) {
        const toolkit::Kind kind = control->GetKind();
        if (control->Caption().empty() || (margin(kind) == 0 && kind != toolkit::Kind::Label)) continue;
        const HFONT font = backend.ControlFont(*control, dpi);
        if (dpi == 96) {
          EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(H(*control), WM_GETFONT, 0, 0)), font);
        }
        const std::string what = control->Name() + " at " + std::to_string(dpi) + " dpi";
        const toolkit::Rect& d = control->Design().rect;
        const int width = toolkit::win32::Px(d.width, dpi), height = toolkit::win32::Px(d.height, dpi);
        if (kind != toolkit::Kind::Label) {
          const int room = width - MulDiv(margin(kind), static_cast<int>(dpi), 96);
          EXPECT_LE(Extent(font, control->Caption(), room, DT_SINGLELINE).right, room) << what;
        } else if (control->Design().autoSize) {
          const int room = width + width / 16;
          EXPECT_LE(Extent(font, control->Caption(), room, DT_SINGLELINE | DT_NOPREFIX).right, room) << what;
        } else {
          const RECT box = Extent(font, control->Caption(), width, DT_WORDBREAK | DT_NOPREFIX);
          EXPECT_LE(box.right, width) << what;
          // No more lines than the label has room for; one always shows.
          const LONG line = Extent(font, u"X", width, DT_SINGLELINE).bottom;
          EXPECT_LE(box.bottom / line, std::max<LONG>(1, height / line)) << what;
        }
      }
    }
  }
}

TEST_F(Win32BackendTest, AFaceWiderThanTheDesignsIsTakenNarrower) {
  // The designs' face draws this sentence in 479 pixels at 96 dpi; a face
  // that draws it more than 3% wider is not taken.
  struct Row {
    const char* family;
    UINT dpi;
  };
  for (const Row& row : {Row{"MS Shell Dlg", 96}, Row{"MS Shell Dlg", 144}, Row{"DejaVu Sans", 96},
                         Row{"DejaVu Sans", 144}}) {
    const RECT box =
        Extent(backend.FontFor({row.family, 8}, row.dpi),
               u"The Quick Brown Fox Jumps Over \"The\" Lazy Dog, and the quick brown fox jumps over the lazy dog.",
               10000, DT_SINGLELINE | DT_NOPREFIX);
    EXPECT_LE(box.right, 494 * static_cast<int>(row.dpi) / 96) << row.family << " " << row.dpi;
  }
}

TEST_F(Win32BackendTest, PicturesAreTheDrawingNearestTheDensityWithTheirTransparency) {
  for (const auto& [resource, number] : app::WindowsResourceNumbers()) {
    if (resource.find("/pictures/") == std::string::npos || resource.find("@2x") != std::string::npos) continue;
    const auto plain = backend.PictureFor({resource}, 96);
    const auto dense = backend.PictureFor({resource}, 144);
    ASSERT_NE(plain.image, nullptr) << resource;
    ASSERT_NE(dense.image, nullptr) << resource;
    EXPECT_EQ(dense.density, 2) << resource;
    const SIZE one = toolkit::win32::ImageSize(plain.image), two = toolkit::win32::ImageSize(dense.image);
    EXPECT_EQ(two.cx, 2 * one.cx) << resource;
    EXPECT_EQ(two.cy, 2 * one.cy) << resource;
  }
  // The Donate picture's corners are transparent: they show what lies beneath.
  about->Show();
  Pump();
  const HWND donate = H((*about)["Image2"]);
  RedrawWindow(donate, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
  HDC dc = GetDC(donate);
  const COLORREF corner = GetPixel(dc, 0, 0);
  ReleaseDC(donate, dc);
  EXPECT_EQ(corner, dynamic_cast<toolkit::win32::ControlPeerBase*>((*about)["Image2"].Peer())->Background());
}

TEST_F(Win32BackendTest, AWindowMovedToADenserScreenIsLaidOutAgainForIt) {
  const auto dpiChanged = [&](UINT dpi) {
    RECT frame;
    GetWindowRect(H(*frm), &frame);
    SendMessageW(H(*frm), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&frame));
    Pump();
  };
  dpiChanged(144);
  RECT client;
  GetClientRect(H(*frm), &client);
  EXPECT_EQ(client.right, 720);
  EXPECT_EQ(client.bottom, 516);
  for (const toolkit::Control* control : {static_cast<toolkit::Control*>(&frm->cmdGet), static_cast<toolkit::Control*>(&frm->lstCurrency)}) {
    RECT r;
    GetWindowRect(H(*control), &r);
    EXPECT_EQ(r.right - r.left, toolkit::win32::Px(control->Geometry().width, 144)) << control->Name();
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(H(*control), WM_GETFONT, 0, 0)), backend.ControlFont(*control, 144))
        << control->Name();
  }
  dpiChanged(96);
  ExpectDesignedGeometry(*frm);
}

// What a screen reader reads of a control's window.
struct Read {
  std::u16string name, description;
  LONG role = 0, state = 0;
};

Read ReadAccessible(HWND window) {
  Read read;
  IAccessible* object = nullptr;
  if (FAILED(AccessibleObjectFromWindow(window, OBJID_CLIENT, __uuidof(IAccessible), reinterpret_cast<void**>(&object))))
    return read;
  VARIANT self;
  self.vt = VT_I4;
  self.lVal = CHILDID_SELF;
  BSTR text = nullptr;
  if (object->get_accName(self, &text) == S_OK && text) read.name = reinterpret_cast<const char16_t*>(text);
  SysFreeString(text);
  text = nullptr;
  if (object->get_accDescription(self, &text) == S_OK && text) read.description = reinterpret_cast<const char16_t*>(text);
  SysFreeString(text);
  VARIANT value;
  VariantInit(&value);
  if (SUCCEEDED(object->get_accRole(self, &value)) && value.vt == VT_I4) read.role = value.lVal;
  VariantInit(&value);
  if (SUCCEEDED(object->get_accState(self, &value)) && value.vt == VT_I4) read.state = value.lVal;
  object->Release();
  return read;
}

TEST_F(Win32BackendTest, ScreenReadersReadTheModelsNamesAndDescriptionsAndPassOverDecorations) {
  about->Show();
  Pump();
  struct Row {
    const toolkit::Control& control;
    std::u16string name, description;
    LONG role;
    bool outOfSight = false;  // below the designed client area
  };
  const Row rows[] = {
      {frm->txtAmount, u"Enter Amount", u"", ROLE_SYSTEM_TEXT},
      {frm->lstCurrency, u"Country Currencies", u"", ROLE_SYSTEM_LIST},
      {frm->cmdGet, u"Get Exchange Rates", u"Get Current Rates", ROLE_SYSTEM_PUSHBUTTON},
      {frm->Option2, u"From Euros To Selected Currency", u"", ROLE_SYSTEM_RADIOBUTTON},
      {frm->lblCount, frm->lblCount.Caption(), u"", ROLE_SYSTEM_STATICTEXT},
      {(*about)["Command1"], u"Join the Brimlow mailing list", u"Join our mailing list", ROLE_SYSTEM_PUSHBUTTON},
      {frm->cmdConvert, u"Convert", u"Convert Currency", ROLE_SYSTEM_PUSHBUTTON, true},
      {frm->lstSymbol, u"Currency Symbols", u"", ROLE_SYSTEM_LIST, true},
  };
  for (const Row& row : rows) {
    const Read read = ReadAccessible(H(row.control));
    EXPECT_EQ(read.name, row.name) << row.control.Name();
    EXPECT_EQ(read.description, row.description) << row.control.Name();
    EXPECT_EQ(read.role, row.role) << row.control.Name();
    EXPECT_EQ(read.state & STATE_SYSTEM_INVISIBLE, 0) << row.control.Name();
    EXPECT_EQ((read.state & STATE_SYSTEM_OFFSCREEN) != 0, row.outOfSight) << row.control.Name();
  }
  // Enlarged, the main window uncovers them.
  RECT frame;
  GetWindowRect(H(*frm), &frame);
  SetWindowPos(H(*frm), nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top + 300,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  Pump();
  EXPECT_EQ(ReadAccessible(H(frm->cmdConvert)).state & STATE_SYSTEM_OFFSCREEN, 0);
  // Read when asked: the chosen option, the status line's new text.
  EXPECT_NE(ReadAccessible(H(frm->Option1)).state & STATE_SYSTEM_CHECKED, 0);
  EXPECT_EQ(ReadAccessible(H(frm->Option2)).state & STATE_SYSTEM_CHECKED, 0);
  frm->lblCount.SetCaption(u"Rates for today");
  EXPECT_EQ(ReadAccessible(H(frm->lblCount)).name, u"Rates for today");
  for (const toolkit::Form* form : {static_cast<toolkit::Form*>(frm.get()), static_cast<toolkit::Form*>(about.get())}) {
    for (const auto& control : form->Controls()) {
      if (!control->Design().decorative) continue;
      const Read read = ReadAccessible(H(*control));
      EXPECT_EQ(read.role, ROLE_SYSTEM_GRAPHIC) << control->Name();
      EXPECT_NE(read.state & STATE_SYSTEM_INVISIBLE, 0) << control->Name();
      EXPECT_EQ(read.name, u"") << control->Name();
    }
  }
}

TEST_F(Win32BackendTest, WhatTheModelSetsTheControlsShow) {
  GetRates();
  const HWND list = H(frm->lstCurrency);
  ASSERT_EQ(SendMessageW(list, LB_GETCOUNT, 0, 0), frm->lstCurrency.ListCount());
  for (int i = 0; i < frm->lstCurrency.ListCount(); ++i) {
    wchar_t item[128] = {};
    SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(item));
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(item)), frm->lstCurrency.List(i));
  }
  EXPECT_EQ(WindowText(H(frm->lblCount)), frm->lblCount.Caption());
  EXPECT_EQ(WindowText(H(frm->lblCount)).rfind(u"Rates for ", 0), 0u);

  frm->lstCurrency.SetListIndex(1);
  EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), 1);
  frm->txtAmount.SetText(u"250");
  EXPECT_EQ(WindowText(H(frm->txtAmount)), u"250");
  EXPECT_EQ(WindowText(H(frm->lblValue)), frm->lblValue.Caption());
  frm->Option2.SetValue(true);
  EXPECT_EQ(SendMessageW(H(frm->Option2), BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(SendMessageW(H(frm->Option1), BM_GETCHECK, 0, 0), BST_UNCHECKED);
  frm->lstCurrency.SetListIndex(-1);
  EXPECT_EQ(SendMessageW(list, LB_GETCURSEL, 0, 0), LB_ERR);
  frm->lstCurrency.Clear();
  EXPECT_EQ(SendMessageW(list, LB_GETCOUNT, 0, 0), 0);
}

TEST_F(Win32BackendTest, UserInputReachesTheModelOnceAndEchoesAreIgnored) {
  GetRates();
  int changes = 0;
  const auto change = frm->txtAmount.Change;
  frm->txtAmount.Change = [&] {
    ++changes;
    change();
  };

  ClickRow(H(frm->lstCurrency), 1);
  EXPECT_EQ(frm->lstCurrency.ListIndex(), 1);
  EXPECT_EQ(frm->ActiveControl(), &frm->lstCurrency);
  EXPECT_EQ(frm->lblValue.Caption(), u"0.01  Euros");

  SendMessageW(H(frm->Option2), BM_CLICK, 0, 0);
  EXPECT_TRUE(frm->Option2.IsChosen());
  EXPECT_FALSE(frm->Option1.IsChosen());
  EXPECT_EQ(SendMessageW(H(frm->Option1), BM_GETCHECK, 0, 0), BST_UNCHECKED);

  const HWND amount = H(frm->txtAmount);
  SendMessageW(amount, EM_SETSEL, 0, -1);
  SendMessageW(amount, WM_CHAR, L'4', 1);
  EXPECT_EQ(frm->txtAmount.GetText(), u"4");
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(frm->lblValue.Caption().substr(0, 8), u"725.00  ");

  // The model's own change reaches the control without coming back as typing.
  frm->txtAmount.SetText(u"2");
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(WindowText(amount), u"2");

  // A picture that acts when clicked: Space and Enter press it, once each.
  about->Show();
  Pump();
  struct Row {
    const char* picture;
    WPARAM key;
  };
  for (const Row& row : {Row{"picIcon", VK_SPACE}, Row{"Image2", VK_RETURN}}) {
    const auto opened = shell.calls.size();
    (*about)[row.picture].SetFocus();
    Key(row.key);
    EXPECT_EQ(shell.calls.size(), opened + 1) << row.picture;
  }

  // The close box unloads both windows and ends the program.
  about->Show();
  SendMessageW(H(*frm), WM_CLOSE, 0, 0);
  EXPECT_FALSE(frm->Loaded());
  EXPECT_FALSE(about->Loaded());
  EXPECT_TRUE(app.Ended());
}

TEST_F(Win32BackendTest, TabFollowsTheTabIndex) {
  GetRates();
  ClickRow(H(frm->lstCurrency), 0);
  frm->cmdGet.SetFocus();
  std::vector<std::string> visited{FocusedName()};
  for (int i = 0; i < 7; ++i) {
    Key(VK_TAB);
    visited.push_back(FocusedName());
  }
  // Of the two options only the chosen one takes a place, as in a dialog;
  // containers and controls out of sight take none.
  const std::vector<std::string> chain{"cmdGet",   "Option1",  "txtAmount",   "cmdCodes",
                                       "cmdAbout", "cmdClose", "lstCurrency", "cmdGet"};
  EXPECT_EQ(visited, chain);
  Key(VK_TAB, true);
  EXPECT_EQ(FocusedName(), "lstCurrency");
}

TEST_F(Win32BackendTest, AnArrowInTheOptionGroupMovesAndChooses) {
  GetRates();
  ClickRow(H(frm->lstCurrency), 0);
  frm->Option1.SetFocus();
  Key(VK_DOWN);
  EXPECT_EQ(FocusedName(), "Option2");
  EXPECT_TRUE(frm->Option2.IsChosen());
}

TEST_F(Win32BackendTest, AccessKeysPressTheirControls) {
  GetRates();
  ClickRow(H(frm->lstCurrency), 0);
  struct Row {
    wchar_t letter;
    const char* focused;
  };
  for (const Row& row : {Row{L'o', "cmdCodes"}, Row{L'C', "cmdConvert"}, Row{L'a', "cmdAbout"}}) {
    PostMessageW(GetFocus(), WM_SYSCHAR, row.letter, 1 << 29);
    Pump();
    EXPECT_EQ(frm->ActiveControl()->Name(), row.focused) << static_cast<char>(row.letter);
  }
  EXPECT_EQ(shell.calls.size(), 1u);  // Codes opened
  EXPECT_TRUE(IsWindowVisible(H(*about)));
  EXPECT_TRUE(shown.empty());
}

TEST_F(Win32BackendTest, MessageBoxesAreOwnedTitledAndGiveTheFocusBack) {
  int gotFocus = 0;
  const auto handler = frm->txtAmount.GotFocus;
  frm->txtAmount.GotFocus = [&] {
    ++gotFocus;
    handler();
  };
  // The user clicks into the amount before there are rates.
  SetFocus(H(frm->txtAmount));
  Pump();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].title, u"Quillon");
  EXPECT_EQ(shown[0].owner, H(*frm));
  EXPECT_EQ(gotFocus, 1);
  EXPECT_EQ(GetFocus(), H(frm->cmdGet));
  EXPECT_EQ(frm->ActiveControl(), &frm->cmdGet);

  struct Row {
    const char* name;
    int style;
    LPCWSTR icon;
  };
  for (const Row& row : {Row{"plain", toolkit::msgbox::kOkOnly, nullptr}, Row{"critical", toolkit::msgbox::kCritical, IDI_HAND},
                         Row{"exclamation", toolkit::msgbox::kExclamation, IDI_EXCLAMATION},
                         Row{"information", toolkit::msgbox::kInformation, IDI_ASTERISK}}) {
    shown.clear();
    EXPECT_EQ(app.MsgBox(u"Text & more", row.style), toolkit::msgbox::kOk);
    ASSERT_EQ(shown.size(), 1u) << row.name;
    EXPECT_EQ(shown[0].text, u"Text & more") << row.name;
    EXPECT_EQ(shown[0].icon, row.icon ? LoadIconW(nullptr, row.icon) : nullptr) << row.name;
    EXPECT_EQ(GetFocus(), H(frm->cmdGet)) << row.name;
  }
}

// The cursor the user sees, also when asked from the download's thread.
HCURSOR ShownCursor() {
  CURSORINFO info{};
  info.cbSize = sizeof info;
  return GetCursorInfo(&info) ? info.hCursor : nullptr;
}

TEST_F(Win32BackendTest, HourglassWhileBusy) {
  HCURSOR during = nullptr;
  std::u16string statusDuring;
  internet.onOpenUrl = [&] {
    SendMessageW(H(frm->lstCurrency), WM_SETCURSOR, reinterpret_cast<WPARAM>(H(frm->lstCurrency)),
                 MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    during = ShownCursor();
    statusDuring = WindowText(H(frm->lblCount));
  };
  GetRates();
  EXPECT_EQ(during, LoadCursorW(nullptr, IDC_WAIT));
  EXPECT_EQ(statusDuring, u"Downloading Current Exchange Rates");
  SendMessageW(H(frm->lstCurrency), WM_SETCURSOR, reinterpret_cast<WPARAM>(H(frm->lstCurrency)),
               MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  EXPECT_NE(GetCursor(), LoadCursorW(nullptr, IDC_WAIT));
}

TEST_F(Win32BackendTest, TheWindowAnswersWhileTheDownloadStallsAndTypingWaitsForIt) {
  GetRates();
  ClickRow(H(frm->lstCurrency), 0);
  const HWND amount = H(frm->txtAmount);
  const std::u16string fetched = frm->lblCount.Caption();
  const struct {
    const char* name;
    std::function<void()> support::FakeInternet::*stall;
    std::u16string status;
    WORD key;
  } rows[] = {
      {"the reachability check", &support::FakeInternet::onCheck, fetched, '7'},
      {"the download", &support::FakeInternet::onOpenUrl, u"Downloading Current Exchange Rates", '0'},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    SetFocus(amount);
    SendMessageW(amount, EM_SETSEL, 0, -1);
    Pump();
    const std::u16string before = frm->txtAmount.GetText();
    BOOL hung = TRUE;
    std::u16string statusDuring, amountDuring;
    internet.*row.stall = [&] {
      // A key typed during the stall, as the keyboard delivers it.
      INPUT key[2] = {};
      key[0].type = key[1].type = INPUT_KEYBOARD;
      key[0].ki.wVk = key[1].ki.wVk = row.key;
      key[1].ki.dwFlags = KEYEVENTF_KEYUP;
      SendInput(2, key, sizeof(INPUT));
      // The system calls a window hung that has not taken its messages for 5 s.
      Sleep(8000);
      hung = IsHungAppWindow(H(*frm));
      statusDuring = WindowText(H(frm->lblCount));
      amountDuring = WindowText(amount);
    };
    // The handler itself: a click on the button would take the focus from the amount.
    frm->cmdGet_Click();
    Pump();
    internet.*row.stall = nullptr;
    EXPECT_FALSE(hung);
    EXPECT_EQ(statusDuring, row.status);
    EXPECT_EQ(amountDuring, before) << "the key was handled during the stall";
    EXPECT_EQ(frm->txtAmount.GetText(), std::u16string(1, char16_t(row.key))) << "the key was lost";
    EXPECT_EQ(frm->lblCount.Caption(), fetched);
  }
}

TEST_F(Win32BackendTest, PendingInputRunsInDoEvents) {
  PostMessageW(H(frm->Option2), BM_CLICK, 0, 0);
  EXPECT_FALSE(frm->Option2.IsChosen());
  app.DoEvents();
  EXPECT_TRUE(frm->Option2.IsChosen());
}

TEST_F(Win32BackendTest, PicturesIconsAndTheHandComeFromTheResources) {
  for (const auto& [resource, number] : app::WindowsResourceNumbers()) {
    if (resource.find("/pictures/") != std::string::npos) {
      EXPECT_NE(backend.DecodedPicture({resource}), nullptr) << resource;
    }
  }
  EXPECT_NE(SendMessageW(H(*frm), WM_GETICON, ICON_BIG, 0), 0);
  about->Show();
  Pump();
  EXPECT_NE(SendMessageW(H(*about), WM_GETICON, ICON_SMALL, 0), 0);

  // Over a link the pointer becomes the hand of resource 101.
  const HWND link = H((*about)["Command1"]);
  SendMessageW(link, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
  EXPECT_EQ((*about)["Command1"].MousePointer(), toolkit::mouse::kCustom);
  SendMessageW(link, WM_SETCURSOR, reinterpret_cast<WPARAM>(link), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  const HCURSOR hand = backend.Cursor({app::kWindowsHandCursor});
  ASSERT_NE(hand, nullptr);
  EXPECT_EQ(GetCursor(), hand);
}

}  // namespace
