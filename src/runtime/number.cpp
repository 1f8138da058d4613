#include "runtime/number.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <system_error>

namespace runtime {
namespace {

bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

bool IsValBlank(char16_t c) { return c == u' ' || c == u'\t' || c == u'\n'; }

bool IsTrimBlank(char16_t c) {
  return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n' || c == u'\v' || c == u'\f';
}

// A scanned decimal number kept as its significant digits and the power of ten
// of the first one. The converter then only ever sees "d.ddde<small>", so a
// text with thousands of leading zeros or a giant exponent cannot trip it.
struct Decimal {
  bool negative = false;
  std::string digits;         // no leading or trailing zeros; empty for zero
  std::int64_t exponent = 0;  // power of ten of digits[0]
};

struct Scan {
  Decimal number;
  std::size_t length = 0;  // code units taken; 0 when the text starts with no number
  bool tookDecimal = false;   // the decimal separator is part of the number
  bool tookGrouping = false;  // so is a grouping separator
};

// Beyond this an exponent changes nothing (the value is already 0 or infinite);
// capping it keeps the arithmetic below far from overflow.
constexpr std::int64_t kExponentCap = 1'000'000'000'000;

// Sign, digits (grouping separators allowed between two integer digits),
// decimal separator, digits, exponent. Stops at the first unit that cannot
// continue the number.
Scan ScanDecimal(std::u16string_view s, char16_t decimal, char16_t grouping) {
  Scan out;
  Decimal& d = out.number;
  const std::size_t n = s.size();
  std::size_t i = 0;
  if (i < n && (s[i] == u'+' || s[i] == u'-')) {
    d.negative = s[i] == u'-';
    ++i;
  }
  std::size_t mantissaDigits = 0;
  std::int64_t integerDigits = 0;  // integer digits from the first significant one on
  while (i < n) {
    const char16_t c = s[i];
    if (IsDigit(c)) {
      ++mantissaDigits;
      if (!d.digits.empty() || c != u'0') {
        d.digits.push_back(static_cast<char>(c));
        ++integerDigits;
      }
      ++i;
    } else if (grouping != 0 && c == grouping && mantissaDigits > 0 && i + 1 < n && IsDigit(s[i + 1])) {
      out.tookGrouping = true;
      ++i;
    } else {
      break;
    }
  }
  std::int64_t fractionZeros = 0;  // zeros after the point before the first significant digit
  bool sawDecimal = false;
  if (i < n && s[i] == decimal) {
    sawDecimal = true;
    std::size_t j = i + 1;
    while (j < n && IsDigit(s[j])) {
      ++mantissaDigits;
      if (d.digits.empty() && s[j] == u'0') {
        ++fractionZeros;
      } else {
        d.digits.push_back(static_cast<char>(s[j]));
      }
      ++j;
    }
    i = j;  // only kept when there is a digit somewhere: checked just below
  }
  if (mantissaDigits == 0) return {};
  out.tookDecimal = sawDecimal;

  std::int64_t exponent = 0;
  if (i < n && (s[i] == u'e' || s[i] == u'E')) {
    std::size_t j = i + 1;
    bool negative = false;
    if (j < n && (s[j] == u'+' || s[j] == u'-')) {
      negative = s[j] == u'-';
      ++j;
    }
    if (j < n && IsDigit(s[j])) {
      while (j < n && IsDigit(s[j])) {
        if (exponent < kExponentCap) exponent = exponent * 10 + (s[j] - u'0');
        ++j;
      }
      if (negative) exponent = -exponent;
      i = j;
    }
  }
  out.length = i;

  while (!d.digits.empty() && d.digits.back() == '0') d.digits.pop_back();
  if (d.digits.empty()) return out;
  d.exponent = (integerDigits > 0 ? integerDigits - 1 : -(fractionZeros + 1)) + exponent;
  return out;
}

struct Converted {
  double value = 0;
  bool overflow = false;
};

Converted ToDouble(const Decimal& d) {
  const double zero = d.negative ? -0.0 : 0.0;
  if (d.digits.empty()) return {zero, false};
  // The largest double is below 1e309 and the smallest above 1e-325.
  if (d.exponent > 400) return {0, true};
  if (d.exponent < -400) return {zero, false};
  std::string text;
  if (d.negative) text.push_back('-');
  text.push_back(d.digits[0]);
  if (d.digits.size() > 1) {
    text.push_back('.');
    text.append(d.digits, 1);
  }
  text.push_back('e');
  text += std::to_string(d.exponent);
  double value = 0;
  // from_chars rounds exactly and ignores the C library's locale.
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value,
                                         std::chars_format::scientific);
  (void)end;
  if (ec == std::errc::result_out_of_range) {
    if (d.exponent >= 0) return {0, true};
    return {zero, false};
  }
  return {value, false};
}

int RadixDigit(char16_t c, int base) {
  int v = -1;
  if (c >= u'0' && c <= u'9') v = c - u'0';
  else if (c >= u'a' && c <= u'f') v = c - u'a' + 10;
  else if (c >= u'A' && c <= u'F') v = c - u'A' + 10;
  return v < base ? v : -1;
}

// `s` follows the ampersand. The value takes the narrowest of the signed 16- or
// 32-bit types whose unsigned range holds it, so &HFFFF is -1 and &H10000 is
// 65536; leading zeros do not count. A digit that would carry the value past
// 32 bits ends the number.
double RadixValue(std::u16string_view s) {
  if (s.empty()) return 0;
  int base = 0;
  if (s[0] == u'h' || s[0] == u'H') base = 16;
  if (s[0] == u'o' || s[0] == u'O') base = 8;
  if (base == 0) return 0;
  std::uint64_t v = 0;
  for (std::size_t i = 1; i < s.size(); ++i) {
    const int digit = RadixDigit(s[i], base);
    if (digit < 0) break;
    const std::uint64_t next = v * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(digit);
    if (next > 0xFFFFFFFFu) break;
    v = next;
  }
  if (v <= 0xFFFFu) return static_cast<std::int16_t>(static_cast<std::uint16_t>(v));
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(v));
}

std::u16string WithoutValBlanks(std::u16string_view text) {
  std::u16string s;
  s.reserve(text.size());
  for (const char16_t c : text) {
    if (!IsValBlank(c)) s.push_back(c);
  }
  return s;
}

double LeadingValue(const Scan& scan) {
  if (scan.length == 0) return 0;
  const Converted c = ToDouble(scan.number);
  if (c.overflow) {
    return scan.number.negative ? -std::numeric_limits<double>::infinity()
                                : std::numeric_limits<double>::infinity();
  }
  return c.value;
}

}  // namespace

double Val(std::u16string_view text) {
  const std::u16string s = WithoutValBlanks(text);
  if (!s.empty() && s[0] == u'&') return RadixValue(std::u16string_view(s).substr(1));
  return LeadingValue(ScanDecimal(s, u'.', 0));
}

double LocaleVal(std::u16string_view text, const NumberLocale& locale) {
  if (locale.decimal == u'.') return Val(text);
  const std::u16string s = WithoutValBlanks(text);
  if (!s.empty() && s[0] == u'&') return Val(text);
  const char16_t grouping = locale.grouping == locale.decimal ? char16_t{0} : locale.grouping;
  const Scan scan = ScanDecimal(s, locale.decimal, grouping);
  // A period reads as the period parse reads it, a grouping period included:
  // only a number that needs the locale's own marks is read the locale's way.
  const bool needsLocale = scan.tookDecimal || (scan.tookGrouping && grouping != u'.');
  return needsLocale ? LeadingValue(scan) : Val(text);
}

std::optional<double> ParseLocaleNumber(std::u16string_view text, const NumberLocale& locale) {
  while (!text.empty() && IsTrimBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsTrimBlank(text.back())) text.remove_suffix(1);
  if (text.empty()) return std::nullopt;
  // A locale whose two separators coincide could not tell them apart.
  const char16_t grouping = locale.grouping == locale.decimal ? char16_t{0} : locale.grouping;
  const Scan scan = ScanDecimal(text, locale.decimal, grouping);
  if (scan.length == 0 || scan.length != text.size()) return std::nullopt;
  const Converted c = ToDouble(scan.number);
  if (c.overflow) return std::nullopt;
  return c.value;
}

std::optional<double> ParsePageNumber(std::u16string_view text) {
  std::size_t i = 0;
  while (i < text.size() && IsTrimBlank(text[i])) ++i;
  auto digit = [&](std::size_t at) { return at < text.size() && IsDigit(text[at]); };
  if (!digit(i)) return std::nullopt;
  for (; i < text.size(); ++i) {
    if (digit(i)) continue;
    if (text[i] == u',' && digit(i + 1) && digit(i - 1)) continue;
    break;
  }
  if (i < text.size() && text[i] == u'.') {
    if (!digit(++i)) return std::nullopt;
    while (digit(i)) ++i;
  }
  while (i < text.size() && IsTrimBlank(text[i])) ++i;
  if (i != text.size()) return std::nullopt;
  return ParseLocaleNumber(text, NumberLocale{u'.', u','});
}

std::u16string FormatTwoDecimals(double value, const NumberLocale& locale) {
  if (std::isnan(value)) return u"NaN";
  if (std::isinf(value)) return value < 0 ? u"-Infinity" : u"Infinity";

  // Round to 15 significant digits first, so 1.005 (stored as 1.00499999...)
  // rounds like the text the user sees.
  char buf[64];
  const auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::scientific, 14);
  const std::string sci(buf, res.ptr);  // "d.dddddddddddddde+XX"
  const std::size_t e = sci.find('e');
  std::string digits = sci.substr(0, 1) + sci.substr(2, e - 2);
  int exponent = 0;
  std::size_t at = e + 1;
  const bool negativeExponent = sci[at] == '-';
  if (sci[at] == '+' || sci[at] == '-') ++at;
  std::from_chars(sci.data() + at, sci.data() + sci.size(), exponent);
  if (negativeExponent) exponent = -exponent;

  // `hundredths` becomes the digits of |value| * 100, rounded half away from zero.
  const int keep = exponent + 3;
  const int have = static_cast<int>(digits.size());
  std::string hundredths;
  if (keep <= 0) {
    hundredths = (keep == 0 && digits[0] >= '5') ? "1" : "0";
  } else if (keep >= have) {
    hundredths = digits + std::string(static_cast<std::size_t>(keep - have), '0');
  } else {
    hundredths = digits.substr(0, static_cast<std::size_t>(keep));
    if (digits[static_cast<std::size_t>(keep)] >= '5') {
      int i = keep - 1;
      for (; i >= 0; --i) {
        if (hundredths[static_cast<std::size_t>(i)] == '9') {
          hundredths[static_cast<std::size_t>(i)] = '0';
        } else {
          ++hundredths[static_cast<std::size_t>(i)];
          break;
        }
      }
      if (i < 0) hundredths.insert(hundredths.begin(), '1');
    }
  }
  const std::size_t firstNonZero = hundredths.find_first_not_of('0');
  const bool isZero = firstNonZero == std::string::npos;
  hundredths.erase(0, isZero ? hundredths.size() : firstNonZero);
  if (hundredths.size() < 3) hundredths.insert(0, 3 - hundredths.size(), '0');

  std::u16string out;
  out.reserve(hundredths.size() + 2);
  // "-0.00" would read as a loss where there is none.
  if (value < 0 && !isZero) out.push_back(u'-');
  for (std::size_t i = 0; i < hundredths.size(); ++i) {
    if (i == hundredths.size() - 2) out.push_back(locale.decimal);
    out.push_back(static_cast<char16_t>(hundredths[i]));
  }
  return out;
}

}  // namespace runtime
