#pragma once
// Text crossing a ...A call goes over in the system's ANSI code page.
#include <string>
#include <string_view>

namespace platform::win32 {

// Characters the code page lacks become its default character ('?').
std::string ToAnsi(std::u16string_view text);
std::u16string FromAnsi(std::string_view bytes);

// For a call's optional text argument: null for the empty text.
inline const char* OrNull(const std::string& text) { return text.empty() ? nullptr : text.c_str(); }

// The system's text for an error code of GetLastError, without its line break.
std::string ErrorText(unsigned long error);

}  // namespace platform::win32
