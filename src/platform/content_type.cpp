#include "platform/content_type.h"

#include "runtime/text.h"

namespace platform {

using runtime::LowerAscii;

std::string_view TrimHeaderSpace(std::string_view s) {
  const auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!s.empty() && isSpace(s.front())) s.remove_prefix(1);
  while (!s.empty() && isSpace(s.back())) s.remove_suffix(1);
  return s;
}

std::string CharsetOf(std::string_view contentType) {
  std::size_t from = contentType.find(';');
  while (from != std::string_view::npos) {
    const std::size_t next = contentType.find(';', from + 1);
    std::string_view param = contentType.substr(from + 1, next == std::string_view::npos
                                                              ? std::string_view::npos
                                                              : next - from - 1);
    const std::size_t eq = param.find('=');
    if (eq != std::string_view::npos && LowerAscii(TrimHeaderSpace(param.substr(0, eq))) == "charset") {
      std::string_view value = TrimHeaderSpace(param.substr(eq + 1));
      if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
        value = value.substr(1, value.size() - 2);
      }
      return LowerAscii(TrimHeaderSpace(value));
    }
    from = next;
  }
  return {};
}

}  // namespace platform
