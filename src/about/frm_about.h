#pragma once
// The About window: title and version, the maker's pages, the hand cursor over
// the links, and the launcher of the system-information tool (sys_info.cpp).
#include <string>

#include "platform/registry.h"
#include "platform/services.h"
#include "toolkit/application.h"
#include "toolkit/form.h"

namespace about {

class FrmAbout : public toolkit::Form {
 public:
  // The maker's site; the link targets are pages of it.
  static constexpr char16_t kSite[] = u"http://www.brimlow.example";
  static constexpr char16_t kMailingListPage[] = u"http://www.brimlow.example/Pages/ListBot.html";
  static constexpr char16_t kDonationPage[] = u"http://www.brimlow.example/Pages/Donate.htm";
  static constexpr char16_t kUnavailable[] = u"System Information Is Unavailable At This Time";
  // The hand shown over the links.
  static constexpr int kHandCursor = 101;

  FrmAbout(toolkit::Application& app, const platform::Services& services);

  // Finds the system-information tool in the registry and starts it, or says
  // that it cannot. No failure leaves it.
  void StartSysInfo();

  // The controls the handlers use, found once when the window is made.
  toolkit::Label& lblTitle;
  toolkit::Label& lblVersion;
  toolkit::PictureBox& picIcon;
  toolkit::Image& Image2;
  toolkit::CommandButton& Command1;
  toolkit::CommandButton& Command2;
  toolkit::CommandButton& Command3;
  toolkit::CommandButton& Command4;

  // Reads one registry value as text into `keyVal`. False, with `keyVal`
  // emptied, when the key or value cannot be read; a value of a type other
  // than text or number leaves `keyVal` as it was. Throws for a value that
  // holds no bytes at all.
  bool GetKeyValue(platform::HKey keyRoot, const std::u16string& keyName, const std::u16string& subKeyRef,
                   std::u16string& keyVal);

 private:
  void Form_Load();
  void Command1_Click();
  void Command2_Click();
  void Command3_Click();
  void Command4_Click();
  void picIcon_Click();
  void Image2_Click();
  void Command1_MouseMove(int button, int shift, float x, float y);
  void Command2_MouseMove(int button, int shift, float x, float y);
  void Image2_MouseMove(int button, int shift, float x, float y);

  void OpenPage(const std::u16string& target);
  void ShowHand(toolkit::Control& control);

  platform::Services services_;
};

}  // namespace about
