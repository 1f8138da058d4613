#pragma once
// What the hardening tests share: rows in the rates page's shape, and the
// checks that a Get Exchange Rates click left the window sound and usable.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <string>

#include "main_window/fixture.h"

namespace hardening_test {

inline const std::string kMarker = "nbsp;&nbsp;&nbsp;&nbsp;";

// One row as the rates page writes it: the name starts five characters after
// the marker and ends two before "font"; the rate is the link's text.
inline std::string Row(const std::string& name, const std::string& rate) {
  return "<tr><td>&" + kMarker + "<wbr>" + name + " <font size=\"-1\">(X)</font></td><td><a href=\"/h/X.html\">" +
         rate + "</a></td></tr>\n";
}

inline const std::string kDateLine = "<p>calculated using values from Friday, 4 December 2026<BR></p>\n";

class HardeningTest : public main_window_test::MainWindowTest {
 protected:
  // Clicks Get Exchange Rates as the user does, so an exception escaping the
  // handler would show as a message box rather than end the test.
  std::chrono::milliseconds ClickGet() {
    const auto start = std::chrono::steady_clock::now();
    frm->cmdGet.UserClick();
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start);
  }

  // The state every click must end in, whatever the page held. A click that
  // lists nothing says so once and puts the start-up hint back; the message
  // is taken, so what follows counts its own.
  void ExpectSoundAfterClick(int expectedRows) {
    EXPECT_EQ(frm->lstCurrency.ListCount(), expectedRows);
    EXPECT_EQ(frm->lstRate.ListCount(), frm->lstCurrency.ListCount()) << "the lists must pair up";
    EXPECT_EQ(frm->lstCurrency.ListIndex(), -1);
    EXPECT_EQ(app->MousePointer(), toolkit::mouse::kDefault) << "the cursor must be back to default";
    ASSERT_FALSE(backend.pointerHistory.empty());
    EXPECT_EQ(backend.pointerHistory.back(), toolkit::mouse::kDefault);
    if (expectedRows == 0) {
      EXPECT_EQ(frm->lblCount.Caption(), main_window::kStartupHint);
      ASSERT_EQ(backend.messages.size(), 1u);
      EXPECT_EQ(backend.messages[0].text, u"Can't Connect to Server, please try again later     ");
      EXPECT_EQ(backend.messages[0].style, toolkit::msgbox::kCritical);
      backend.messages.clear();
    }
    EXPECT_TRUE(backend.messages.empty()) << "first message: "
                                          << (backend.messages.empty() ? "" : main_window_test::Utf8(backend.messages[0].text));
  }

  // Picks the first currency and types an amount, out of Euros when asked;
  // the result line is what the user then reads.
  std::u16string ConvertFirst(const std::u16string& amount, bool outOfEuros = false) {
    frm->lstCurrency.UserSelect(0);
    if (outOfEuros) frm->Option2.UserChoose();
    else frm->Option1.UserChoose();
    frm->txtAmount.UserTyped(amount);
    return frm->lblValue.Caption();
  }

  static void Report(const char* what, std::chrono::milliseconds blocked) {
    std::printf("[ blocked  ] %s: %lld ms\n", what, static_cast<long long>(blocked.count()));
  }
};

}  // namespace hardening_test
