// The amount's leading-number parse: blanks never matter, text after the
// number never matters, a decimal prefix reads as the C library reads it, and
// a radix prefix gives a whole number of 16 or 32 bits; the locale's reading
// differs only for a text that holds the locale's marks.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz_check.h"
#include "runtime/number.h"
#include "runtime/text.h"

namespace {

void CheckRadix(const std::uint8_t* data, std::size_t size) {
  if (size < 4) return;
  const std::uint32_t n = data[0] | (data[1] << 8) | (data[2] << 16) | (static_cast<std::uint32_t>(data[3]) << 24);
  static const char kHex[] = "0123456789ABCDEF";
  std::u16string hex = u"&H", oct = u"&o";
  for (int shift = 28; shift >= 0; shift -= 4) hex.push_back(static_cast<char16_t>(kHex[(n >> shift) & 0xF]));
  for (int shift = 30; shift >= 0; shift -= 3) oct.push_back(static_cast<char16_t>(u'0' + ((n >> shift) & 7)));
  const double expected = n <= 0xFFFF ? static_cast<double>(static_cast<std::int16_t>(n))
                                       : static_cast<double>(static_cast<std::int32_t>(n));
  FUZZ_CHECK(runtime::Val(hex) == expected);
  FUZZ_CHECK(runtime::Val(oct) == expected);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::u16string text = runtime::FromWindows1252(fuzz::Bytes(data, size));
  const double value = runtime::Val(text);
  FUZZ_CHECK(!std::isnan(value));
  FUZZ_CHECK(runtime::Val(text + u"x") == value);

  std::u16string spaced = text;
  spaced.insert(size > 0 ? data[0] % (text.size() + 1) : 0, size % 2 ? u" \t" : u"\n");
  FUZZ_CHECK(runtime::Val(spaced) == value);

  std::u16string kept;
  for (const char16_t c : text) {
    if (c != u' ' && c != u'\t' && c != u'\n') kept.push_back(c);
  }
  if (!kept.empty() && kept[0] == u'&') {
    FUZZ_CHECK(value == std::trunc(value));
    FUZZ_CHECK(value >= -2147483648.0 && value <= 4294967295.0);
  } else {
    const std::string prefix = fuzz::DecimalPrefix(fuzz::Narrow(kept));
    const double expected = prefix.empty() ? 0.0 : std::strtod(prefix.c_str(), nullptr);
    FUZZ_CHECK(value == expected);
    FUZZ_CHECK(std::signbit(value) == std::signbit(expected));
  }
  CheckRadix(data, size);

  // In a comma locale a text with none of the locale's marks reads as above.
  for (const runtime::NumberLocale locale :
       {runtime::NumberLocale{u',', u'.'}, runtime::NumberLocale{u',', u'\u00A0'},
        runtime::NumberLocale{u',', u'\u202F'}}) {
    const double read = runtime::LocaleVal(text, locale);
    FUZZ_CHECK(!std::isnan(read));
    if (text.find(locale.decimal) == std::u16string::npos && text.find(locale.grouping) == std::u16string::npos) {
      FUZZ_CHECK(read == value);
      FUZZ_CHECK(std::signbit(read) == std::signbit(value));
    }
  }
  return 0;
}
