#pragma once
// The designs name their pictures by resource path; the Windows executable
// numbers them (quillon.rc).
#include <map>
#include <string>

#include "quillon_rc.h"

namespace app {

inline const std::map<std::string, int>& WindowsResourceNumbers() {
  static const std::map<std::string, int> numbers{
      {":/quillon/icons/main.ico", QUILLON_ICON_MAIN},
      {":/quillon/icons/about.ico", QUILLON_ICON_ABOUT},
      {":/quillon/cursors/hand.cur", QUILLON_CURSOR_HAND},
      {":/quillon/pictures/brimlow.png", QUILLON_PICTURE_BRIMLOW},
      {":/quillon/pictures/donate.gif", QUILLON_PICTURE_DONATE},
      {":/quillon/pictures/euro48.png", QUILLON_PICTURE_EURO48},
      {":/quillon/pictures/title.jpg", QUILLON_PICTURE_TITLE},
      {":/quillon/pictures/brimlow@2x.png", QUILLON_PICTURE_BRIMLOW_2X},
      {":/quillon/pictures/donate@2x.gif", QUILLON_PICTURE_DONATE_2X},
      {":/quillon/pictures/euro48@2x.png", QUILLON_PICTURE_EURO48_2X},
      {":/quillon/pictures/title@2x.jpg", QUILLON_PICTURE_TITLE_2X},
  };
  return numbers;
}

// The About window's hand, as the program registers it.
inline const char kWindowsHandCursor[] = ":/quillon/cursors/hand.cur";

}  // namespace app
