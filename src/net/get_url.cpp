#include "net/get_url.h"

#include <array>
#include <cstdint>
#include <utility>

#include "runtime/text.h"

namespace net {

namespace {

constexpr std::uint32_t kReadSize = 256;

bool IsUtf8(const std::string& charset) {
  // "utf8" is a common misspelling that servers send.
  return charset == "utf-8" || charset == "utf8";
}

}  // namespace

Body GetUrlBody(platform::Internet& internet, const std::u16string& url) {
  std::string bytes;
  std::string charset;
  platform::HInternet request = 0;
  const platform::HInternet root =
      internet.InternetOpenA(u"vb wininet", platform::kInternetOpenTypeDirect, u"", u"", 0);
  if (root != 0) {
    request = internet.InternetOpenUrlA(root, url, u"", 0, platform::kInternetFlagNoCacheWrite, 0);
    if (request != 0) {
      std::array<char, kReadSize> buffer{};
      for (;;) {
        std::uint32_t count = 0;
        internet.InternetReadFile(request, buffer.data(), kReadSize, count);
        // A count beyond the buffer can only come from a failed read.
        if (count == 0 || count > kReadSize) break;
        bytes.append(buffer.data(), count);
      }
      charset = internet.ResponseCharset(request);
    }
  }
  if (request != 0) internet.InternetCloseHandle(request);
  if (root != 0) internet.InternetCloseHandle(root);

  return {std::move(bytes), std::move(charset)};
}

std::u16string BodyText(const Body& body) {
  // The interface promises lower case; a lenient check costs nothing.
  return IsUtf8(runtime::LowerAscii(body.charset)) ? runtime::FromUtf8(body.bytes)
                                                   : runtime::FromWindows1252(body.bytes);
}

// Bytes are decoded once, after the last read: a read may end inside a
// multi-byte sequence.
std::u16string GetUrlText(platform::Internet& internet, const std::u16string& url) {
  return BodyText(GetUrlBody(internet, url));
}

}  // namespace net
