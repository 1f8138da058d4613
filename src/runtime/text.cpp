#include "runtime/text.h"

#include <algorithm>
#include <array>

namespace rt {
namespace {

char16_t FoldCase(char16_t c) {
  // Text comparison folds the letters a page can hold in its markup; the ASCII
  // and Latin-1 letters are the ones that matter for the delimiters we search.
  if (c < 0x80) return LowerAscii(c);
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 32;
  return c;
}

}  // namespace

std::int32_t InStr(std::int32_t start, std::u16string_view text, std::u16string_view find,
                   Compare compare) {
  if (start < 1) start = 1;
  const auto len = static_cast<std::int64_t>(text.size());
  if (start > len + 1) return 0;
  if (find.empty()) return start;
  const std::size_t from = static_cast<std::size_t>(start - 1);
  if (compare == Compare::Binary) {
    const auto pos = text.find(find, from);
    return pos == std::u16string_view::npos ? 0 : static_cast<std::int32_t>(pos + 1);
  }
  const auto it = std::search(text.begin() + static_cast<std::ptrdiff_t>(from), text.end(),
                              find.begin(), find.end(),
                              [](char16_t a, char16_t b) { return FoldCase(a) == FoldCase(b); });
  return it == text.end() ? 0 : static_cast<std::int32_t>(it - text.begin() + 1);
}

std::u16string Mid(std::u16string_view text, std::int32_t start, std::int32_t length) {
  if (start < 1) start = 1;
  const auto from = static_cast<std::size_t>(start - 1);
  if (from >= text.size() || length == 0) return {};
  const std::size_t count = length < 0 ? std::u16string_view::npos : static_cast<std::size_t>(length);
  return std::u16string(text.substr(from, count));
}

std::u16string Replace(std::u16string_view text, std::u16string_view find, std::u16string_view with) {
  if (find.empty()) return std::u16string(text);
  std::u16string out;
  out.reserve(text.size());
  std::size_t at = 0;
  for (;;) {
    const auto hit = text.find(find, at);
    if (hit == std::u16string_view::npos) break;
    out.append(text.substr(at, hit - at));
    out.append(with);
    at = hit + find.size();
  }
  out.append(text.substr(at));
  return out;
}

std::string LowerAscii(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = LowerAscii(c);
  return out;
}

std::u16string LowerAscii(std::u16string_view text) {
  std::u16string out(text);
  for (char16_t& c : out) c = LowerAscii(c);
  return out;
}

std::u16string FromUtf8(std::string_view in) {
  std::u16string out;
  out.reserve(in.size());
  const auto* s = reinterpret_cast<const unsigned char*>(in.data());
  const std::size_t n = in.size();
  std::size_t i = 0;
  while (i < n) {
    const unsigned char c = s[i];
    char32_t cp = 0xFFFD;
    std::size_t extra = 0;
    char32_t min = 0;
    if (c < 0x80) {
      cp = c;
    } else if ((c & 0xE0) == 0xC0) {
      cp = c & 0x1F; extra = 1; min = 0x80;
    } else if ((c & 0xF0) == 0xE0) {
      cp = c & 0x0F; extra = 2; min = 0x800;
    } else if ((c & 0xF8) == 0xF0) {
      cp = c & 0x07; extra = 3; min = 0x10000;
    } else {
      out.push_back(0xFFFD);
      ++i;
      continue;
    }
    std::size_t j = 1;
    for (; j <= extra; ++j) {
      if (i + j >= n || (s[i + j] & 0xC0) != 0x80) break;
      cp = (cp << 6) | (s[i + j] & 0x3F);
    }
    if (j <= extra) {  // truncated sequence: replace what was consumed
      out.push_back(0xFFFD);
      i += j;
      continue;
    }
    i += extra + 1;
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) cp = 0xFFFD;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
  }
  return out;
}

std::string ToUtf8(std::u16string_view in) {
  std::string out;
  out.reserve(in.size());
  for (std::size_t i = 0; i < in.size(); ++i) {
    char32_t cp = in[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < in.size() && in[i + 1] >= 0xDC00 && in[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (in[i + 1] - 0xDC00);
      ++i;
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;
    }
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
  return out;
}

std::u16string FromWindows1252(std::string_view bytes) {
  // 0x80-0x9F are the code page's printable extras; the five holes map to the
  // C1 control of the same value, so no byte is lost.
  static constexpr std::array<char16_t, 32> kHigh = {
      0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
      0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
  std::u16string out;
  out.resize(bytes.size());
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const auto b = static_cast<unsigned char>(bytes[i]);
    out[i] = (b >= 0x80 && b <= 0x9F) ? kHigh[b - 0x80] : static_cast<char16_t>(b);
  }
  return out;
}

}  // namespace rt
