#pragma once
// Conversions at the edge between the forms model and Win32.
#include <windows.h>
#undef MessageBox  // the model's, not the system headers' ANSI/wide switch

#include "toolkit/types.h"

namespace toolkit::win32 {

// Twips to pixels and back at a window's dots per inch (1440 twips an inch).
int Px(int twips, UINT dpi);
int Twips(int pixels, UINT dpi);
UINT DpiOf(HWND window);
COLORREF ToColorRef(const Color& color);
// The model's UTF-16 text as the system's wide string; both are UTF-16 here.
inline const wchar_t* Wide(const Text& text) { return reinterpret_cast<const wchar_t*>(text.c_str()); }
// The window's text as the model's; empty for a window no longer there.
Text WindowText(HWND window);

}  // namespace toolkit::win32
