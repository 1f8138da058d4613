// Prints the program's windows as one JSON object: every visible form window
// and message box with its controls, read through the window manager's calls
// only (EnumWindows, EnumChildWindows, WM_GETTEXT, LB_GETTEXT, GetWindowRect).
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

std::string Json(const std::wstring& text) {
  std::string out = "\"";
  for (wchar_t c : text) {
    if (c == L'"' || c == L'\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c >= 0x20 && c < 0x7f) {
      out += static_cast<char>(c);
    } else {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(c));
      out += escape;
    }
  }
  return out + "\"";
}

// A window that does not answer (its program stopped in a box) must not stop the reader.
LRESULT Ask(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  DWORD_PTR result = 0;
  SendMessageTimeoutW(window, message, wParam, lParam, SMTO_ABORTIFHUNG, 2000, &result);
  return static_cast<LRESULT>(result);
}

std::wstring TextOf(HWND window) {
  if (!window) return {};
  const auto length = Ask(window, WM_GETTEXTLENGTH, 0, 0);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  text.resize(static_cast<std::size_t>(
      Ask(window, WM_GETTEXT, static_cast<WPARAM>(length + 1), reinterpret_cast<LPARAM>(text.data()))));
  return text;
}

// Windows of the program under test only: other processes of the prefix
// have windows of their own.
bool OfTheProgram(HWND window) {
  DWORD id = 0;
  GetWindowThreadProcessId(window, &id);
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id);
  if (!process) return false;
  wchar_t path[MAX_PATH] = {};
  DWORD size = MAX_PATH;
  const bool named = QueryFullProcessImageNameW(process, 0, path, &size);
  CloseHandle(process);
  const std::wstring image(path, size);
  return named && image.size() >= 12 && _wcsicmp(image.c_str() + image.size() - 12, L"\\quillon.exe") == 0;
}

std::wstring ClassOf(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return name;
}

std::wstring NameOf(HWND window) {
  wchar_t name[128] = {};
  const auto atom = static_cast<ATOM>(reinterpret_cast<ULONG_PTR>(GetPropW(window, L"QuillonControl")));
  if (atom) GlobalGetAtomNameW(atom, name, 128);
  return name;
}

std::string Rect(RECT r) {
  return "[" + std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right - r.left) + "," +
         std::to_string(r.bottom - r.top) + "]";
}

struct Walk {
  HWND top;
  HWND focus;
  std::vector<std::string> controls;
};

BOOL CALLBACK Child(HWND window, LPARAM param) {
  auto& walk = *reinterpret_cast<Walk*>(param);
  RECT r;
  GetWindowRect(window, &r);
  // Relative to the form's client area, where a click lands.
  MapWindowPoints(HWND_DESKTOP, walk.top, reinterpret_cast<POINT*>(&r), 2);
  const std::wstring kind = ClassOf(window);
  std::string item = "{\"name\":" + Json(NameOf(window)) + ",\"class\":" + Json(kind) + ",\"text\":" +
                     Json(TextOf(window)) + ",\"focused\":" + (window == walk.focus ? "true" : "false") + ",\"rect\":" + Rect(r);
  if (_wcsicmp(kind.c_str(), L"ListBox") == 0) {
    const auto count = Ask(window, LB_GETCOUNT, 0, 0);
    item += ",\"items\":[";
    for (LRESULT i = 0; i < count; ++i) {
      std::wstring text(static_cast<std::size_t>(Ask(window, LB_GETTEXTLEN, i, 0)) + 1, L'\0');
      text.resize(static_cast<std::size_t>(Ask(window, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text.data()))));
      item += (i ? "," : "") + Json(text);
    }
    item += "],\"selected\":" + std::to_string(Ask(window, LB_GETCURSEL, 0, 0)) +
            ",\"itemHeight\":" + std::to_string(Ask(window, LB_GETITEMHEIGHT, 0, 0)) +
            ",\"topIndex\":" + std::to_string(Ask(window, LB_GETTOPINDEX, 0, 0));
  } else if (_wcsicmp(kind.c_str(), L"Button") == 0) {
    item += std::string(",\"checked\":") + (Ask(window, BM_GETCHECK, 0, 0) == BST_CHECKED ? "true" : "false");
  }
  walk.controls.push_back(item + "}");
  return TRUE;
}

BOOL CALLBACK TopLevel(HWND window, LPARAM param) {
  auto& out = *reinterpret_cast<std::vector<std::string>*>(param);
  const std::wstring kind = ClassOf(window);
  if (!IsWindowVisible(window) || (kind != L"QuillonForm" && kind != L"#32770") || !OfTheProgram(window)) return TRUE;
  GUITHREADINFO thread{};
  thread.cbSize = sizeof thread;
  GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &thread);
  Walk walk{window, thread.hwndFocus, {}};
  EnumChildWindows(window, Child, reinterpret_cast<LPARAM>(&walk));
  RECT client;
  GetClientRect(window, &client);
  MapWindowPoints(window, HWND_DESKTOP, reinterpret_cast<POINT*>(&client), 2);
  std::string controls;
  for (const auto& c : walk.controls) controls += (controls.empty() ? "" : ",") + c;
  out.push_back("{\"class\":" + Json(kind) + ",\"title\":" + Json(TextOf(window)) + ",\"active\":" +
                (thread.hwndActive == window ? "true" : "false") + ",\"client\":" + Rect(client) +
                ",\"owner\":" + Json(TextOf(GetWindow(window, GW_OWNER))) + ",\"controls\":[" + controls + "]}");
  return TRUE;
}

}  // namespace

int main() {
  std::vector<std::string> windows;
  EnumWindows(TopLevel, reinterpret_cast<LPARAM>(&windows));
  std::string out = "[";
  for (const auto& w : windows) out += (out.size() > 1 ? "," : "") + w;
  std::printf("%s]\n", out.c_str());
  return 0;
}
