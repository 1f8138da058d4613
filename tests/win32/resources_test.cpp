// The resources of the executable (resources/quillon.rc), linked into this
// test program and read back with the calls the program uses.
#include <gtest/gtest.h>

#include <windows.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "quillon_rc.h"

namespace {

std::string ResourceBytes(int id, LPCSTR type) {
  HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(id), type);
  if (found == nullptr) return {};
  const void* data = LockResource(LoadResource(nullptr, found));
  return std::string(static_cast<const char*>(data), SizeofResource(nullptr, found));
}

std::string FileBytes(const std::string& name) {
  std::ifstream in(std::string(QUILLON_RESOURCES) + "/" + name, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(Resources, CursorIsTheHandPointingAtItsHotSpot) {
  HCURSOR hand = LoadCursorA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(QUILLON_CURSOR_HAND));
  ASSERT_NE(hand, nullptr);
  ICONINFO info{};
  ASSERT_TRUE(GetIconInfo(hand, &info));
  EXPECT_FALSE(info.fIcon);
  EXPECT_EQ(info.xHotspot, 6u);
  EXPECT_EQ(info.yHotspot, 0u);
  if (info.hbmMask) DeleteObject(info.hbmMask);
  if (info.hbmColor) DeleteObject(info.hbmColor);
}

TEST(Resources, IconsHoldThreeSizesInTwoDepths) {
  // A group icon's directory: 6-byte header, then 14-byte entries.
  for (int id : {QUILLON_ICON_MAIN, QUILLON_ICON_ABOUT}) {
    const std::string group = ResourceBytes(id, MAKEINTRESOURCEA(14) /* RT_GROUP_ICON */);
    ASSERT_GE(group.size(), 6u) << id;
    const int count = static_cast<unsigned char>(group[4]);
    ASSERT_EQ(count, 6) << id;
    std::vector<std::pair<int, int>> frames;  // size, bits per pixel
    for (int i = 0; i < count; ++i) {
      const auto* entry = reinterpret_cast<const unsigned char*>(group.data() + 6 + 14 * i);
      frames.emplace_back(entry[0], entry[6] | entry[7] << 8);
    }
    const std::vector<std::pair<int, int>> expected{{48, 8}, {32, 8}, {16, 8}, {48, 32}, {32, 32}, {16, 32}};
    EXPECT_EQ(frames, expected) << id;
    for (int size : {16, 32, 48}) {
      HANDLE icon = LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), IMAGE_ICON, size, size, 0);
      EXPECT_NE(icon, nullptr) << id << " at " << size;
      if (icon) DestroyIcon(static_cast<HICON>(icon));
    }
  }
}

TEST(Resources, PicturesAreTheFilesAsTheyAre) {
  const std::pair<int, const char*> rows[] = {
      {QUILLON_PICTURE_BRIMLOW, "pictures/brimlow.png"},
      {QUILLON_PICTURE_DONATE, "pictures/donate.gif"},
      {QUILLON_PICTURE_EURO48, "pictures/euro48.png"},
      {QUILLON_PICTURE_TITLE, "pictures/title.jpg"},
  };
  for (const auto& [id, file] : rows) {
    const std::string bytes = FileBytes(file);
    ASSERT_FALSE(bytes.empty()) << file;
    EXPECT_EQ(ResourceBytes(id, MAKEINTRESOURCEA(10) /* RT_RCDATA */), bytes) << file;
  }
}

TEST(Resources, TheProgramsVersionRecordNamesItsProductMakerAndVersion) {
  const std::string path = QUILLON_EXE;
  const std::wstring program(path.begin(), path.end());
  DWORD ignored = 0;
  std::vector<char> record(GetFileVersionInfoSizeW(program.c_str(), &ignored));
  ASSERT_FALSE(record.empty()) << path;
  ASSERT_TRUE(GetFileVersionInfoW(program.c_str(), 0, static_cast<DWORD>(record.size()), record.data()));

  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(record.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
  EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
  EXPECT_EQ(fixed->dwFileVersionLS, 0u);
  EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
  EXPECT_EQ(fixed->dwProductVersionLS, 0u);

  const std::pair<const wchar_t*, std::wstring> rows[] = {
      {L"FileVersion", L"1.00"},
      {L"ProductVersion", L"1.00"},
      {L"FileDescription", L"Get Current Exchange Rates"},
      {L"ProductName", L"Quillon"},
      {L"InternalName", L"Quillon"},
      {L"CompanyName", L"Brimlow 2000"},
  };
  for (const auto& [name, value] : rows) {
    const std::wstring key = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
    wchar_t* text = nullptr;
    ASSERT_TRUE(VerQueryValueW(record.data(), key.c_str(), reinterpret_cast<void**>(&text), &length)) << path;
    EXPECT_EQ(std::wstring(text), value);
  }
}

TEST(Resources, ManifestAsksForCommonControls6AndPerMonitorDpi) {
  const std::string manifest = ResourceBytes(1, MAKEINTRESOURCEA(24) /* RT_MANIFEST */);
  for (const char* part : {"name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"", ">true/pm<",
                           ">PerMonitorV2, PerMonitor<", "level=\"asInvoker\""}) {
    EXPECT_NE(manifest.find(part), std::string::npos) << part;
  }
}

}  // namespace
