#pragma once
// What the fuzz targets share: a check that stops the run with a message the
// crash report keeps, and the bytes-to-text helpers the targets start from.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace fuzz {

[[noreturn]] inline void Fail(const char* file, int line, const char* what) {
  std::fprintf(stderr, "%s:%d: invariant broken: %s\n", file, line, what);
  std::abort();
}

// Each byte pair is one code unit, low byte first; an odd last byte is dropped.
inline std::u16string Units(const std::uint8_t* data, std::size_t size) {
  std::u16string out(size / 2, u'\0');
  for (std::size_t i = 0; i < out.size(); ++i) {
    out[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
  }
  return out;
}

inline std::string_view Bytes(const std::uint8_t* data, std::size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

// ASCII text of a code-unit string, for handing to the C library; '?' stands
// for anything wider, which no reference parse accepts.
inline std::string Narrow(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char16_t c : text) out.push_back(c < 0x80 ? static_cast<char>(c) : '?');
  return out;
}

inline bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The longest prefix of the form  [+-] digits [. digits] [(e|E) [+-] digits]
// with at least one mantissa digit; empty when there is none.
inline std::string DecimalPrefix(const std::string& s) {
  std::size_t i = 0;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
  std::size_t digits = 0;
  while (i < s.size() && IsDigit(s[i])) ++i, ++digits;
  if (i < s.size() && s[i] == '.') {
    ++i;
    while (i < s.size() && IsDigit(s[i])) ++i, ++digits;
  }
  if (digits == 0) return {};
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    std::size_t j = i + 1;
    if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
    if (j < s.size() && IsDigit(s[j])) {
      while (j < s.size() && IsDigit(s[j])) ++j;
      i = j;
    }
  }
  return s.substr(0, i);
}

}  // namespace fuzz

#define FUZZ_CHECK(condition) \
  ((condition) ? (void)0 : ::fuzz::Fail(__FILE__, __LINE__, #condition))
