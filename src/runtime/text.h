#pragma once
// Text operations of the language runtime. Text is UTF-16 code units; positions
// are 1-based and 0 means "not found", as the window code expects.
#include <cstdint>
#include <string>
#include <string_view>

namespace rt {

enum class Compare { Binary = 0, Text = 1 };

// Position of the first occurrence of `find` in `text` at or after `start`
// (1-based), or 0. An empty `find` is found at `start` while start lies within
// the text (or one past it).
std::int32_t InStr(std::int32_t start, std::u16string_view text, std::u16string_view find,
                   Compare compare = Compare::Binary);

// `length` code units of `text` from 1-based `start`; clipped to the text.
// A negative length is taken as "to the end".
std::u16string Mid(std::u16string_view text, std::int32_t start, std::int32_t length = -1);

// Every occurrence of `find` replaced by `with`, scanning left to right.
std::u16string Replace(std::u16string_view text, std::u16string_view find, std::u16string_view with);

// ASCII letters in lower case, everything else as it is: the names, headers
// and keys the system compares without case are ASCII by their own rules.
constexpr char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }
constexpr char16_t LowerAscii(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c; }
std::string LowerAscii(std::string_view text);
std::u16string LowerAscii(std::u16string_view text);

// Conversions at the edges of the system.
std::u16string FromUtf8(std::string_view utf8);   // invalid sequences become U+FFFD
std::string ToUtf8(std::u16string_view text);     // lone surrogates become U+FFFD
std::u16string FromWindows1252(std::string_view bytes);

}  // namespace rt
