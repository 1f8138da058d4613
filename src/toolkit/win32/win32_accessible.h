#pragma once
// The model's accessible names and descriptions, through the system's accessibility.
#include <windows.h>
#undef MessageBox  // the model's, not the system headers' ANSI/wide switch

#include "toolkit/controls.h"

namespace toolkit::win32 {

// WM_GETOBJECT of a control's window: the client object, with the model's
// name and description. False leaves the message to the system.
bool AnswerGetObject(HWND window, WPARAM wParam, LPARAM lParam, const Control& control, LRESULT& result);

}  // namespace toolkit::win32
