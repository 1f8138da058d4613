#pragma once
// Where the system-information tool is recorded, both under HKEY_LOCAL_MACHINE:
// the tool's own path, or the folder that holds MSINFO32.EXE. On Linux the
// program fills the first in a hive of its own (app/).
namespace about {

inline constexpr char16_t kToolKey[] = u"SOFTWARE\\Microsoft\\Shared Tools\\MSINFO";
inline constexpr char16_t kToolValue[] = u"PATH";
inline constexpr char16_t kFolderKey[] = u"SOFTWARE\\Microsoft\\Shared Tools Location";
inline constexpr char16_t kFolderValue[] = u"MSINFO";

}  // namespace about
