#pragma once
// The character that joins a folder and a name in this platform's paths.

namespace platform {

#ifdef _WIN32
inline constexpr char16_t kPathSeparator = u'\\';
#else
inline constexpr char16_t kPathSeparator = u'/';
#endif

}  // namespace platform
