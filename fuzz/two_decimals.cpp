// The "0.00" format on any double: the shape is always [-]digits, separator,
// two digits; the text lies within half a hundredth of the value; a sign is
// shown only for a negative value that does not round to zero; and exact
// halves round away from zero.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fuzz_check.h"
#include "runtime/number.h"

namespace {

constexpr char16_t kSeparators[] = {u'.', u',', u'\u066B'};

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

void CheckShape(const std::u16string& s, double value, char16_t separator) {
  if (std::isnan(value)) {
    FUZZ_CHECK(s == u"NaN");
    return;
  }
  if (std::isinf(value)) {
    FUZZ_CHECK(s == (value < 0 ? u"-Infinity" : u"Infinity"));
    return;
  }
  const bool minus = !s.empty() && s[0] == u'-';
  const std::size_t first = minus ? 1 : 0;
  FUZZ_CHECK(s.size() >= first + 4);
  const std::size_t sep = s.size() - 3;
  FUZZ_CHECK(s[sep] == separator);
  FUZZ_CHECK(IsDigit(s[sep + 1]) && IsDigit(s[sep + 2]));
  for (std::size_t i = first; i < sep; ++i) FUZZ_CHECK(IsDigit(s[i]));
  FUZZ_CHECK(sep - first == 1 || s[first] != u'0');  // no leading zeros

  std::string plain;
  for (const char16_t c : s) plain.push_back(c == separator ? '.' : static_cast<char>(c));
  // Read wider than double: the largest doubles round up past DBL_MAX.
  const long double shown = std::strtold(plain.c_str(), nullptr);
  FUZZ_CHECK(!minus || (value < 0 && shown != 0));
  FUZZ_CHECK(minus || value >= 0 || shown == 0);
  // Rounding to 15 significant digits first moves the value by at most half
  // a unit of the 15th digit.
  FUZZ_CHECK(std::fabs(shown - static_cast<long double>(value)) <= 0.005L + std::fabs(value) * 6e-15L);
}

std::u16string Digits(std::uint64_t n) {
  const std::string s = std::to_string(n);
  return std::u16string(s.begin(), s.end());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 9) return 0;
  const char16_t separator = kSeparators[data[0] % 3];
  const runtime::NumberLocale locale{separator, 0};
  double value = 0;
  std::memcpy(&value, data + 1, sizeof value);

  const std::u16string s = runtime::FormatTwoDecimals(value, locale);
  CheckShape(s, value, separator);
  if (!std::isnan(value)) {
    const std::u16string negated = runtime::FormatTwoDecimals(-value, locale);
    const bool zero = s == std::u16string(u"0") + separator + u"00";
    if (zero) FUZZ_CHECK(negated == s);
    else if (value > 0) FUZZ_CHECK(negated == u"-" + s);
  }

  // n + 1/8 and n + 3/8 are exact in binary and below 15 digits: their
  // hundredths end in a true half, which goes away from zero.
  std::uint32_t word = 0;
  std::memcpy(&word, data + 1, sizeof word);
  const std::uint64_t n = word % 1'000'000'000u;
  const double eighth = static_cast<double>(n) + 0.125;
  FUZZ_CHECK(runtime::FormatTwoDecimals(eighth, locale) == Digits(n) + separator + u"13");
  FUZZ_CHECK(runtime::FormatTwoDecimals(-eighth, locale) == u"-" + Digits(n) + separator + u"13");
  FUZZ_CHECK(runtime::FormatTwoDecimals(static_cast<double>(n) + 0.375, locale) == Digits(n) + separator + u"38");
  return 0;
}
