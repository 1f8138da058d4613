// Page bytes to text and back: UTF-8 and Windows-1252 decoding never produce
// broken UTF-16, valid UTF-8 survives the round trip byte for byte, and text
// with lone surrogates comes back with each of them replaced.
#include <cstdint>
#include <string>

#include "fuzz_check.h"
#include "runtime/text.h"

namespace {

// Well-formed UTF-8 as the standard defines it: shortest forms only, no
// surrogates, nothing past U+10FFFF.
bool IsValidUtf8(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size()) {
    const auto c = static_cast<unsigned char>(s[i]);
    std::size_t extra = 0;
    unsigned char low = 0x80, high = 0xBF;
    if (c < 0x80) {
      ++i;
      continue;
    } else if (c >= 0xC2 && c <= 0xDF) {
      extra = 1;
    } else if (c >= 0xE0 && c <= 0xEF) {
      extra = 2;
      if (c == 0xE0) low = 0xA0;
      if (c == 0xED) high = 0x9F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      extra = 3;
      if (c == 0xF0) low = 0x90;
      if (c == 0xF4) high = 0x8F;
    } else {
      return false;
    }
    if (i + extra >= s.size()) return false;
    for (std::size_t k = 1; k <= extra; ++k) {
      const auto b = static_cast<unsigned char>(s[i + k]);
      const unsigned char lo = k == 1 ? low : 0x80;
      const unsigned char hi = k == 1 ? high : 0xBF;
      if (b < lo || b > hi) return false;
    }
    i += extra + 1;
  }
  return true;
}

bool IsHigh(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLow(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

bool IsWellFormed(std::u16string_view s) {
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (IsHigh(s[i])) {
      if (i + 1 >= s.size() || !IsLow(s[i + 1])) return false;
      ++i;
    } else if (IsLow(s[i])) {
      return false;
    }
  }
  return true;
}

std::u16string ReplaceLoneSurrogates(std::u16string_view s) {
  std::u16string out(s);
  for (std::size_t i = 0; i < out.size(); ++i) {
    if (IsHigh(out[i]) && i + 1 < out.size() && IsLow(out[i + 1])) {
      ++i;
    } else if (IsHigh(out[i]) || IsLow(out[i])) {
      out[i] = 0xFFFD;
    }
  }
  return out;
}

void CheckAsciiKept(std::string_view bytes, std::u16string_view text) {
  // Every decoder passes a page that is all ASCII through unchanged.
  for (const char b : bytes) {
    if (static_cast<unsigned char>(b) >= 0x80) return;
  }
  FUZZ_CHECK(text.size() == bytes.size());
  for (std::size_t i = 0; i < bytes.size(); ++i) FUZZ_CHECK(text[i] == static_cast<char16_t>(bytes[i]));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes = fuzz::Bytes(data, size);

  const std::u16string utf8 = runtime::FromUtf8(bytes);
  FUZZ_CHECK(utf8.size() <= bytes.size());
  FUZZ_CHECK(IsWellFormed(utf8));
  CheckAsciiKept(bytes, utf8);
  const std::string back = runtime::ToUtf8(utf8);
  FUZZ_CHECK(IsValidUtf8(back));
  if (IsValidUtf8(bytes)) {
    FUZZ_CHECK(back == bytes);
  } else {
    FUZZ_CHECK(utf8.find(u'\xFFFD') != std::u16string::npos);
  }
  FUZZ_CHECK(runtime::FromUtf8(back) == utf8);

  const std::u16string cp1252 = runtime::FromWindows1252(bytes);
  FUZZ_CHECK(cp1252.size() == bytes.size());
  FUZZ_CHECK(IsWellFormed(cp1252));
  CheckAsciiKept(bytes, cp1252);
  const std::string cp1252Utf8 = runtime::ToUtf8(cp1252);
  FUZZ_CHECK(IsValidUtf8(cp1252Utf8));
  FUZZ_CHECK(runtime::FromUtf8(cp1252Utf8) == cp1252);

  // The same bytes read as UTF-16, lone surrogates and all.
  const std::u16string units = fuzz::Units(data, size);
  const std::string unitsUtf8 = runtime::ToUtf8(units);
  FUZZ_CHECK(IsValidUtf8(unitsUtf8));
  FUZZ_CHECK(runtime::FromUtf8(unitsUtf8) == ReplaceLoneSurrogates(units));
  return 0;
}
