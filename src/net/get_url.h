#pragma once
// The GetUrl module: the page download.
#include <string>

#include "platform/internet.h"

namespace net {

// A response body as it came, before it becomes text.
struct Body {
  std::string bytes;
  std::string charset;  // of the response's Content-Type, lower-cased, or ""
};

// The body of an HTTP GET of `url`, empty when the address cannot be opened.
Body GetUrlBody(platform::Internet& internet, const std::u16string& url);

// The body as text: UTF-8 when the charset says so, otherwise Windows-1252.
std::u16string BodyText(const Body& body);

// The body of an HTTP GET of `url` as text, or the empty text when the address
// cannot be opened. The status is not looked at: an error page is a body too.
std::u16string GetUrlText(platform::Internet& internet, const std::u16string& url);

}  // namespace net
