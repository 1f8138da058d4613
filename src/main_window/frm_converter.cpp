#include "main_window/frm_converter.h"

#include <utility>
#include <vector>

#include "platform/path.h"
#include "rates/page_contract.h"
#include "runtime/text.h"

using toolkit::Alignment;
using toolkit::Color;
using toolkit::ControlDesign;
using toolkit::Kind;

namespace main_window {

const std::u16string kStartupHint = u"Click \"Get Exchange Rates\" for Current Rates";

namespace {

constexpr Color kWhite{255, 255, 255};
constexpr Color kGrey{128, 128, 128};
constexpr Color kGreen{0, 128, 0};

}  // namespace

// Like a designer's file, the design names only what differs from the defaults.
toolkit::FormDesign WindowDesign() {
  return {.name = "frmConverter",
          .caption = u"Quillon",
          .clientWidth = 7200,
          .clientHeight = 5160,
          .maxButton = false,
          .icon = {":/quillon/icons/main.ico"}};
}

// The window's design, in the order the designer lists it. Rows below the
// client area (Top 5160 and more) are working controls the user never needs
// to see; enlarging the window uncovers them. Tab passes them by, so it never
// lands out of sight and the focus starts on Get Exchange Rates.
std::vector<ControlDesign> ControlsDesign(const runtime::NumberLocale& locale) {
  const toolkit::Text one = runtime::FormatTwoDecimals(1, locale);
  // The page lists these currencies first, in this order.
  std::vector<toolkit::Text> symbols;
  for (std::string_view code : rates::kSymbolCodes) symbols.push_back(u"(" + runtime::FromUtf8(code) + u")");
  return {
      {.name = "cmdConvert", .kind = Kind::CommandButton, .rect = {4440, 6120, 1215, 350}, .tabIndex = 20,
       .tabStop = false, .caption = u"&Convert", .toolTip = u"Convert Currency"},
      {.name = "lstSymbol", .kind = Kind::ListBox, .rect = {2520, 7200, 2175, 1425}, .tabIndex = 0,
       .tabStop = false, .items = symbols, .accessibleName = u"Currency Symbols"},
      {.name = "rtbMain", .kind = Kind::TextBox, .rect = {5040, 7080, 2055, 1695}, .tabIndex = 12,
       .tabStop = false, .multiLine = true, .scrollBars = true, .accessibleName = u"Rates Page"},
      {.name = "Frame2", .kind = Kind::Frame, .rect = {3000, 1200, 4095, 3855}, .tabIndex = 11,
       .caption = u"Convert Currency"},
      {.name = "Picture1", .kind = Kind::PictureBox, .container = "Frame2", .rect = {120, 240, 3855, 3495},
       .tabIndex = 15},
      {.name = "cmdCodes", .kind = Kind::CommandButton, .container = "Picture1", .rect = {0, 3150, 1215, 350},
       .tabIndex = 5, .caption = u"C&odes", .toolTip = u"Currency Codes"},
      {.name = "cmdClose", .kind = Kind::CommandButton, .container = "Picture1", .rect = {2640, 3150, 1215, 350},
       .tabIndex = 7, .caption = u"&Exit"},
      {.name = "cmdAbout", .kind = Kind::CommandButton, .container = "Picture1", .rect = {1320, 3150, 1215, 350},
       .tabIndex = 6, .caption = u"&About", .toolTip = u"About Quillon"},
      {.name = "Option1", .kind = Kind::OptionButton, .container = "Picture1", .rect = {480, 240, 3015, 255},
       .tabIndex = 2, .caption = u"From Selected Currency To Euros", .value = true},
      {.name = "Option2", .kind = Kind::OptionButton, .container = "Picture1", .rect = {480, 600, 3015, 255},
       .tabIndex = 3, .caption = u"From Euros To Selected Currency"},
      {.name = "txtAmount", .kind = Kind::TextBox, .container = "Picture1", .rect = {1440, 1320, 1575, 285},
       .tabIndex = 4, .caption = one, .accessibleName = u"Enter Amount"},
      {.name = "Frame3", .kind = Kind::Frame, .container = "Picture1", .rect = {0, 2100, 3855, 855},
       .tabIndex = 16, .caption = u"Exchange Rate"},
      {.name = "lblValue", .kind = Kind::Label, .container = "Frame3", .rect = {120, 360, 3600, 195},
       .tabIndex = 17, .caption = one, .alignment = Alignment::Center, .selectable = true},
      {.name = "Label1", .kind = Kind::Label, .container = "Picture1", .rect = {240, 1365, 960, 195},
       .tabIndex = 18, .caption = u"Enter Amount", .autoSize = true},
      {.name = "lstRate", .kind = Kind::ListBox, .rect = {120, 7200, 2175, 1425}, .tabIndex = 9,
       .tabStop = false, .accessibleName = u"Rates"},
      {.name = "Frame1", .kind = Kind::Frame, .rect = {120, 1200, 2775, 3855}, .tabIndex = 10,
       .caption = u"Country Currencies"},
      {.name = "Picture2", .kind = Kind::PictureBox, .container = "Frame1", .rect = {180, 3360, 2415, 460},
       .tabIndex = 19, .tabStop = false},
      {.name = "cmdGet", .kind = Kind::CommandButton, .container = "Picture2", .rect = {70, 30, 2295, 350},
       .tabIndex = 1, .caption = u"&Get Exchange Rates", .toolTip = u"Get Current Rates"},
      {.name = "lstCurrency", .kind = Kind::ListBox, .container = "Frame1", .rect = {120, 285, 2535, 2985},
       .tabIndex = 8, .accessibleName = u"Country Currencies"},
      {.name = "lblCurr", .kind = Kind::Label, .rect = {2400, 6240, 405, 195}, .tabIndex = 21,
       .caption = u"Euros", .autoSize = true},
      {.name = "Line2", .kind = Kind::Line, .rect = {0, 990, 7200, 0}, .foreColor = kWhite},
      {.name = "Line1", .kind = Kind::Line, .rect = {0, 975, 7200, 0}, .foreColor = kGrey},
      {.name = "Image2", .kind = Kind::Image, .rect = {360, 120, 720, 720},
       .picture = {":/quillon/pictures/euro48.png"}, .decorative = true},
      {.name = "lblCount", .kind = Kind::Label, .rect = {2280, 675, 3285, 195}, .tabIndex = 14,
       .caption = kStartupHint, .foreColor = kGreen, .alignment = Alignment::Center, .autoSize = true},
      {.name = "Image1", .kind = Kind::Image, .rect = {2040, 0, 3645, 615},
       .picture = {":/quillon/pictures/title.jpg"}, .accessibleName = u"Quillon"},
      {.name = "Label2", .kind = Kind::Label, .rect = {0, 0, 7215, 975}, .tabIndex = 13, .backColor = kWhite,
       .decorative = true},
  };
}

FrmConverter::FrmConverter(toolkit::Application& app, const platform::Services& services, ConverterSettings settings,
                           toolkit::Form* about)
    : toolkit::Form(app, WindowDesign(), ControlsDesign(settings.locale)),
      lblCount(Get<toolkit::Label>("lblCount")),
      lblValue(Get<toolkit::Label>("lblValue")),
      lblCurr(Get<toolkit::Label>("lblCurr")),
      txtAmount(Get<toolkit::TextBox>("txtAmount")),
      rtbMain(Get<toolkit::TextBox>("rtbMain")),
      lstCurrency(Get<toolkit::ListBox>("lstCurrency")),
      lstRate(Get<toolkit::ListBox>("lstRate")),
      lstSymbol(Get<toolkit::ListBox>("lstSymbol")),
      Option1(Get<toolkit::OptionButton>("Option1")),
      Option2(Get<toolkit::OptionButton>("Option2")),
      cmdGet(Get<toolkit::CommandButton>("cmdGet")),
      cmdConvert(Get<toolkit::CommandButton>("cmdConvert")),
      cmdCodes(Get<toolkit::CommandButton>("cmdCodes")),
      cmdAbout(Get<toolkit::CommandButton>("cmdAbout")),
      cmdClose(Get<toolkit::CommandButton>("cmdClose")),
      services_(services),
      settings_(std::move(settings)),
      about_(about) {
  Initialize = [this] { Form_Initialize(); };
  Load = [this] { Form_Load(); };
  Unload = [this](std::int16_t& cancel) { Form_Unload(cancel); };
  cmdCodes.Click = [this] { cmdCodes_Click(); };
  cmdAbout.Click = [this] { cmdAbout_Click(); };
  cmdClose.Click = [this] { cmdClose_Click(); };
  cmdGet.Click = [this] { cmdGet_Click(); };
  cmdConvert.Click = [this] { cmdConvert_Click(); };
  lstCurrency.Click = [this] { lstCurrency_Click(); };
  Option1.Click = [this] { Option1_Click(); };
  Option2.Click = [this] { Option2_Click(); };
  txtAmount.Change = [this] { txtAmount_Change(); };
  txtAmount.GotFocus = [this] { txtAmount_GotFocus(); };
}

void FrmConverter::Form_Initialize() { App().InitCommonControls(); }

void FrmConverter::Form_Load() {
  Show();
  lblCount.SetCaption(kStartupHint);
}

void FrmConverter::Form_Unload(std::int16_t& /*cancel*/) {
  // Closing the main window closes the others too; they may not cancel it.
  for (toolkit::Form* form : App().Forms()) form->UnloadForm();
}

void FrmConverter::cmdCodes_Click() {
  const auto hwnd = hWnd();
  // The page lies beside the executable; a missing page is the browser's to report.
  const std::u16string file = App().Path() + platform::kPathSeparator + u"Codes.htm";
  services_.shell->ShellExecuteA(hwnd, u"open", file, u"", u"", platform::kSwShowNormal);
}

void FrmConverter::cmdAbout_Click() {
  if (about_) about_->Show();
}

void FrmConverter::cmdClose_Click() { UnloadForm(); }

std::u16string FrmConverter::RatesUrl() const {
  return settings_.ratesUrl.empty() ? kRatesUrl : settings_.ratesUrl;
}

void FrmConverter::ShowResult(double value) {
  lblValue.SetCaption(runtime::FormatTwoDecimals(value, settings_.locale) + u"  " + lblCurr.Caption());
}

}  // namespace main_window
