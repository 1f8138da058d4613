#include "toolkit/win32/win32_util.h"

#include <string>

namespace toolkit::win32 {

int Px(int twips, UINT dpi) { return MulDiv(twips, static_cast<int>(dpi), 1440); }
int Twips(int pixels, UINT dpi) { return MulDiv(pixels, 1440, static_cast<int>(dpi)); }
COLORREF ToColorRef(const Color& c) { return RGB(c.r, c.g, c.b); }

UINT DpiOf(HWND window) {
  const UINT dpi = window ? GetDpiForWindow(window) : 0;
  return dpi ? dpi : USER_DEFAULT_SCREEN_DPI;
}

Text WindowText(HWND window) {
  const int length = GetWindowTextLengthW(window);
  std::wstring buffer(static_cast<std::size_t>(length) + 1, L'\0');
  const int got = GetWindowTextW(window, buffer.data(), length + 1);
  return Text(reinterpret_cast<const char16_t*>(buffer.data()), static_cast<std::size_t>(got));
}

}  // namespace toolkit::win32
