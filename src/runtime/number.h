#pragma once
// Number operations of the language runtime: the amount's leading-number parse,
// the locale parse, the rate page's own number form and the two-decimal format.
// None of them reads the C library's global locale: the user's separators come
// in as a value.
#include <optional>
#include <string>
#include <string_view>

namespace runtime {

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

// The amount's parse in the user's locale: where the locale's decimal
// separator is not the period, a leading number that holds that separator (or
// a grouping separator other than the period) is read with the locale's
// separators, "1.234,5" as 1234.5 in German; any other text reads as Val reads
// it, so "1.5" is 1.5 everywhere. With the period as decimal separator: Val.
double LocaleVal(std::u16string_view text, const NumberLocale& locale);

// Locale parse: the whole text, less leading and trailing blanks (spaces, tabs,
// line breaks), must be one number in the locale's conventions; nullopt
// otherwise. Grouping separators may stand between any two digits of the
// integer part. A number beyond the double range is a failure too: no rate
// can be that large, so the page is wrong.
std::optional<double> ParseLocaleNumber(std::u16string_view text, const NumberLocale& locale);

// The rates page's own number form, the same whoever reads it: digits with
// commas allowed between them, then optionally a period and digits, blanks
// around; no sign, no exponent, nothing else. nullopt otherwise.
std::optional<double> ParsePageNumber(std::u16string_view text);

// "0.00" format: half away from zero on the value's 15-significant-digit
// decimal form, leading minus, no grouping, the locale's decimal separator.
// A value that rounds to zero prints "0.00" without a sign.
std::u16string FormatTwoDecimals(double value, const NumberLocale& locale);

}  // namespace runtime
