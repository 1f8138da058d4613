#include <windows.h>

#include <string>

#include "platform/user_locale.h"
#include "platform/win32/ansi.h"

namespace platform {

namespace {

// One separator of a locale; 0 when it has none (or more than one character,
// which no single-character separator can stand for).
char16_t Separator(const wchar_t* locale, LCTYPE which) {
  wchar_t text[8]{};
  const int length = GetLocaleInfoEx(locale, which, text, 8);
  return length == 2 ? static_cast<char16_t>(text[0]) : u'\0';
}

runtime::NumberLocale SeparatorsOf(const wchar_t* locale) {
  runtime::NumberLocale result;
  const char16_t decimal = Separator(locale, LOCALE_SDECIMAL);
  if (decimal == 0) return {u'.', u','};
  result.decimal = decimal;
  result.grouping = Separator(locale, LOCALE_STHOUSAND);
  return result;
}

}  // namespace

runtime::NumberLocale NumberLocaleFromName(const std::string& localeName) {
  const std::u16string name = win32::FromAnsi(localeName);
  return SeparatorsOf(reinterpret_cast<const wchar_t*>(name.c_str()));
}

runtime::NumberLocale UserNumberLocale() { return SeparatorsOf(LOCALE_NAME_USER_DEFAULT); }

}  // namespace platform
