#pragma once
// Number operations of the language runtime: the amount's leading-number parse,
// the rate's locale parse and the two-decimal format. None of them reads the C
// library's global locale: the user's separators come in as a value.
#include <optional>
#include <string>
#include <string_view>

namespace rt {

struct NumberLocale {
  char16_t decimal = u'.';
  char16_t grouping = u',';  // 0 when the locale groups no digits
};

// Leading-number parse: blanks (space, tab, line feed) removed first, then the
// longest prefix that is a number; 0 when there is none. Period is the decimal
// point in every locale. Also reads &H (hex) and &O (octal) prefixes: a value
// up to 0xFFFF is read as a signed 16-bit number (&HFFFF is -1), a larger one as
// signed 32-bit (&HFFFFFFFF is -1); a digit that would pass 32 bits ends the
// number. A decimal number beyond the double range gives +-infinity.
double Val(std::u16string_view text);

// Locale parse: the whole text, less leading and trailing blanks (spaces, tabs,
// line breaks), must be one number in the locale's conventions; nullopt
// otherwise. Grouping separators may stand between any two digits of the
// integer part. A number beyond the double range is a failure too: no rate
// can be that large, so the page is wrong.
std::optional<double> ParseLocaleNumber(std::u16string_view text, const NumberLocale& locale);

// "0.00" format: half away from zero on the value's 15-significant-digit
// decimal form, leading minus, no grouping, the locale's decimal separator.
// A value that rounds to zero prints "0.00" without a sign.
std::u16string FormatTwoDecimals(double value, const NumberLocale& locale);

}  // namespace rt
