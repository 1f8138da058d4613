#pragma once
// The parts of an HTTP Content-Type value that the page download reads; the
// same on every platform, so a page decodes alike wherever it is fetched.
#include <string>
#include <string_view>

namespace platform {

// Without the blanks (space, tab, CR, LF) at either end.
std::string_view TrimHeaderSpace(std::string_view s);

// The charset parameter of a Content-Type value, lower-cased and unquoted;
// "" when there is none.
std::string CharsetOf(std::string_view contentType);

}  // namespace platform
