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
// point in every locale. Also reads &H (hex) and &O (octal) prefixes.
double Val(std::u16string_view text);

// Locale parse: the whole text, less leading and trailing blanks, must be one
// number in the locale's conventions; nullopt otherwise.
std::optional<double> ParseLocaleNumber(std::u16string_view text, const NumberLocale& locale);

// "0.00" format: half away from zero on the value's 15-significant-digit
// decimal form, leading minus, no grouping, the locale's decimal separator.
std::u16string FormatTwoDecimals(double value, const NumberLocale& locale);

}  // namespace rt
