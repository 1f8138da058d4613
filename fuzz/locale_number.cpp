// The rate's locale parse in a handful of locales: what it accepts is a whole
// number in that locale's writing and reads as the C library reads the same
// number; a plain number is never refused; blanks around it never matter; and
// a value it formats with two decimals reads back.
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz_check.h"
#include "runtime/number.h"
#include "runtime/text.h"

namespace {

constexpr std::array<runtime::NumberLocale, 8> kLocales = {{
    {u'.', u','},       // English
    {u',', u'.'},       // German
    {u',', u'\u00A0'},  // French, no-break space
    {u'.', 0},          // no grouping
    {u'.', u'\''},      // Swiss
    {u'.', u'.'},       // both the same: grouping is ignored
    {u',', u' '},       // a plain space, which trimming also removes
    {u',', u'\u2019'},  // right single quote, from byte 0x92
}};

bool IsBlank(char16_t c) {
  return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\v' || c == u'\f';
}

// The whole text is one decimal number, as the C library writes it.
bool IsPlainNumber(const std::string& s) {
  return !s.empty() && fuzz::DecimalPrefix(s).size() == s.size();
}

std::u16string_view Trim(std::u16string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

// The trimmed text with its grouping separators taken out and its decimal
// separator written as a period; empty when a separator stands anywhere but
// between two digits of the integer part.
std::string Canonical(std::u16string_view trimmed, const runtime::NumberLocale& locale) {
  const char16_t grouping = locale.grouping == locale.decimal ? char16_t{0} : locale.grouping;
  std::string out;
  bool inInteger = true;
  for (std::size_t i = 0; i < trimmed.size(); ++i) {
    const char16_t c = trimmed[i];
    if (grouping != 0 && c == grouping) {
      const bool between = inInteger && i > 0 && i + 1 < trimmed.size() && trimmed[i - 1] < 0x80 &&
                           fuzz::IsDigit(static_cast<char>(trimmed[i - 1])) && trimmed[i + 1] < 0x80 &&
                           fuzz::IsDigit(static_cast<char>(trimmed[i + 1]));
      if (!between) return {};
      continue;
    }
    if (c == locale.decimal) {
      out.push_back('.');
      inInteger = false;
      continue;
    }
    if (c == u'.' || c >= 0x80) return {};  // a period that is not the separator
    if (c == u'e' || c == u'E') inInteger = false;
    out.push_back(static_cast<char>(c));
  }
  return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const runtime::NumberLocale& locale = kLocales[data[0] % kLocales.size()];
  const std::u16string text = runtime::FromWindows1252(fuzz::Bytes(data + 1, size - 1));
  const std::optional<double> value = runtime::ParseLocaleNumber(text, locale);

  const std::optional<double> padded = runtime::ParseLocaleNumber(u" \t" + text + u"\r\n ", locale);
  FUZZ_CHECK(padded.has_value() == value.has_value());
  if (value) FUZZ_CHECK(*padded == *value);

  const std::u16string_view trimmed = Trim(text);
  const std::string canonical = Canonical(trimmed, locale);
  if (value) {
    FUZZ_CHECK(std::isfinite(*value));
    FUZZ_CHECK(IsPlainNumber(canonical));
    FUZZ_CHECK(std::strtod(canonical.c_str(), nullptr) == *value);
  }
  // Nothing but digits, signs, exponent letters and the decimal separator:
  // refused only when it is not a number or lies beyond the double range.
  const bool noGrouping = locale.grouping == 0 || locale.grouping == locale.decimal ||
                          trimmed.find(locale.grouping) == std::u16string_view::npos;
  if (noGrouping && IsPlainNumber(canonical) && !value) {
    FUZZ_CHECK(std::isinf(std::strtod(canonical.c_str(), nullptr)));
  }

  if (value && std::fabs(*value) < 1e15) {
    const std::u16string shown = runtime::FormatTwoDecimals(*value, locale);
    const std::optional<double> reread = runtime::ParseLocaleNumber(shown, locale);
    FUZZ_CHECK(reread.has_value());
    FUZZ_CHECK(std::fabs(*reread - *value) <= 0.005 + std::fabs(*value) * 1e-14);
  }
  return 0;
}
