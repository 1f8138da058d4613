#pragma once
// The GetUrl module: the page download.
#include <string>

#include "platform/internet.h"

namespace net {

// The body of an HTTP GET of `url` as text, or the empty text when the address
// cannot be opened. The status is not looked at: an error page is a body too.
std::u16string GetUrlText(platform::Internet& internet, const std::u16string& url);

}  // namespace net
