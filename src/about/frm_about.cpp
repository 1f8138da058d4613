#include "about/frm_about.h"

#include <string>

#include "runtime/text.h"

namespace about {

using toolkit::ControlDesign;
using toolkit::Kind;

namespace {

const toolkit::Font kPlain{.family = "MS Sans Serif", .points = 8};
const toolkit::Font kHeading{.family = "MS Sans Serif", .points = 9.75, .bold = true};
constexpr toolkit::Color kBlue{0, 0, 255};
constexpr toolkit::Color kBlack{0, 0, 0};

const toolkit::FormDesign& AboutWindow() {
  static const toolkit::FormDesign window{
      .name = "frmAbout",
      .caption = u"",  // set at load
      .clientWidth = 5730,
      .clientHeight = 3990,
      .border = toolkit::BorderStyle::FixedDialog,
      .minButton = false,
      .maxButton = false,
      .icon = {.resource = ":/quillon/icons/about.ico"},
      .font = kPlain,
  };
  return window;
}

// The window's layout, in twips, relative to each control's container.
const std::vector<ControlDesign>& AboutControls() {
  static const std::vector<ControlDesign> controls{
      // The box sizes itself to the 67 x 143 picture plus its single border.
      // The two pictures that act as links come after the buttons in the Tab
      // order, so the window opens with the focus on a button.
      {.name = "picIcon", .kind = Kind::PictureBox, .rect = {120, 120, 1065, 2205}, .tabIndex = 11,
       .toolTip = u"Brimlow Software", .font = kPlain, .autoSize = true, .border = true,
       .picture = {.resource = ":/quillon/pictures/brimlow.png"}},
      {.name = "lblTitle", .kind = Kind::Label, .rect = {1560, 240, 2805, 240}, .tabIndex = 1,
       .foreColor = kBlue, .font = kHeading},
      {.name = "lblVersion", .kind = Kind::Label, .rect = {1560, 600, 2325, 225}, .tabIndex = 2,
       .foreColor = kBlue, .font = kHeading},
      {.name = "Frame1", .kind = Kind::Frame, .rect = {120, 2405, 4095, 1455}, .tabIndex = 3, .font = kPlain},
      // Image2 covers the label's lower right corner: the note stays short.
      {.name = "lblDisclaimer", .kind = Kind::Label, .container = "Frame1", .rect = {120, 240, 3870, 1185},
       .tabIndex = 4,
       .caption = u"Quillon costs nothing. If it helps you, a small donation keeps it going.",
       .foreColor = kBlack, .font = kPlain},
      {.name = "Image2", .kind = Kind::Image, .container = "Frame1", .rect = {2880, 840, 930, 465}, .tabIndex = 12,
       .toolTip = u"Contribute to Freeware development", .font = kPlain,
       .picture = {.resource = ":/quillon/pictures/donate.gif"}},
      {.name = "Frame2", .kind = Kind::Frame, .rect = {1560, 840, 3975, 1095}, .tabIndex = 5, .font = kPlain},
      {.name = "lblDescription", .kind = Kind::Label, .container = "Frame2", .rect = {240, 160, 3555, 810},
       .tabIndex = 6,
       .caption = u"Quillon is Freeware.  Share it freely: it fetches today's Euro exchange rates and "
                  u"converts amounts.",
       .foreColor = kBlack, .font = kPlain},
      {.name = "Command1", .kind = Kind::CommandButton, .rect = {1560, 2040, 2295, 345}, .tabIndex = 7,
       .caption = u"&Join the Brimlow mailing list", .toolTip = u"Join our mailing list", .font = kPlain},
      {.name = "Command2", .kind = Kind::CommandButton, .rect = {4320, 2040, 1245, 345}, .tabIndex = 8,
       .caption = u"&Brimlow", .toolTip = u"Visit Brimlow 2000", .font = kPlain},
      {.name = "Command3", .kind = Kind::CommandButton, .rect = {4290, 2777, 1245, 345}, .tabIndex = 9,
       .caption = u"Clos&e", .toolTip = u"Close this window", .font = kPlain},
      {.name = "Command4", .kind = Kind::CommandButton, .rect = {4290, 3480, 1245, 345}, .tabIndex = 10,
       .caption = u"&System Info", .toolTip = u"Info about your computer", .font = kPlain},
      {.name = "Image1", .kind = Kind::Image, .rect = {4800, 120, 720, 720}, .font = kPlain,
       .picture = {.resource = ":/quillon/pictures/euro48.png"}, .decorative = true},
  };
  return controls;
}


std::u16string NumberText(int number) { return runtime::FromUtf8(std::to_string(number)); }

}  // namespace

FrmAbout::FrmAbout(toolkit::Application& app, const platform::Services& services)
    : toolkit::Form(app, AboutWindow(), AboutControls()),
      lblTitle(Get<toolkit::Label>("lblTitle")),
      lblVersion(Get<toolkit::Label>("lblVersion")),
      picIcon(Get<toolkit::PictureBox>("picIcon")),
      Image2(Get<toolkit::Image>("Image2")),
      Command1(Get<toolkit::CommandButton>("Command1")),
      Command2(Get<toolkit::CommandButton>("Command2")),
      Command3(Get<toolkit::CommandButton>("Command3")),
      Command4(Get<toolkit::CommandButton>("Command4")),
      services_(services) {
  Load = [this] { Form_Load(); };
  Command1.Click = [this] { Command1_Click(); };
  Command2.Click = [this] { Command2_Click(); };
  Command3.Click = [this] { Command3_Click(); };
  Command4.Click = [this] { Command4_Click(); };
  picIcon.Click = [this] { picIcon_Click(); };
  Image2.Click = [this] { Image2_Click(); };
  Command1.MouseMove = [this](int b, int s, float x, float y) { Command1_MouseMove(b, s, x, y); };
  Command2.MouseMove = [this](int b, int s, float x, float y) { Command2_MouseMove(b, s, x, y); };
  Image2.MouseMove = [this](int b, int s, float x, float y) { Image2_MouseMove(b, s, x, y); };
}

void FrmAbout::Form_Load() {
  SetCaption(u"About " + App().Title());
  lblVersion.SetCaption(u"Version " + NumberText(App().Major()) + u"." + NumberText(App().Minor()) + u"." +
                        NumberText(App().Revision()));
  lblTitle.SetCaption(App().Title());
}

void FrmAbout::OpenPage(const std::u16string& target) {
  // The directory "0" names no folder, so the page opens wherever the shell
  // would open it; the result tells the user nothing.
  services_.shell->ShellExecuteA(hWnd(), u"open", target, u"", u"0", platform::kSwShowNormal);
}

void FrmAbout::ShowHand(toolkit::Control& control) {
  control.SetMousePointer(toolkit::mouse::kCustom);
  control.SetMouseIcon(App().LoadResCursor(kHandCursor));
}

void FrmAbout::Command1_Click() { OpenPage(kMailingListPage); }
void FrmAbout::Command2_Click() { OpenPage(kSite); }
void FrmAbout::picIcon_Click() { OpenPage(kSite); }
void FrmAbout::Image2_Click() { OpenPage(kDonationPage); }
void FrmAbout::Command3_Click() { UnloadForm(); }
void FrmAbout::Command4_Click() { StartSysInfo(); }

void FrmAbout::Command1_MouseMove(int, int, float, float) { ShowHand(Command1); }
void FrmAbout::Command2_MouseMove(int, int, float, float) { ShowHand(Command2); }
void FrmAbout::Image2_MouseMove(int, int, float, float) { ShowHand(Image2); }

}  // namespace about
