#pragma once
// The main window: the rate table, the conversion, and the three buttons of
// its own. Handlers keep the names of the events they serve.
#include <cstdint>
#include <string>
#include <vector>

#include "net/get_url.h"
#include "platform/services.h"
#include "runtime/number.h"
#include "toolkit/application.h"
#include "toolkit/form.h"

namespace main_window {

// The central bank's daily reference rates; QUILLON_RATES_URL replaces it
// with a rates page or a copy of a feed (see the README).
inline const std::u16string kRatesUrl = u"https://www.ecb.europa.eu/stats/eurofxref/eurofxref-daily.xml";

// What the user and the environment chose for the main window.
struct ConverterSettings {
  runtime::NumberLocale locale{};  // the result's number conventions
  std::u16string ratesUrl;    // empty: kRatesUrl
};

class FrmConverter : public toolkit::Form {
 public:
  // `about` is the About window that cmdAbout shows; null leaves the button inert.
  FrmConverter(toolkit::Application& app, const platform::Services& services, ConverterSettings settings,
               toolkit::Form* about);

  // Handlers, public so that tests and other handlers can call them as routines.
  void Form_Initialize();
  void Form_Load();
  void Form_Unload(std::int16_t& cancel);
  void cmdCodes_Click();
  void cmdAbout_Click();
  void cmdClose_Click();
  void cmdGet_Click();
  void cmdConvert_Click();
  void lstCurrency_Click();
  void Option1_Click();
  void Option2_Click();
  void txtAmount_Change();
  void txtAmount_GotFocus();

  toolkit::Label& lblCount;
  toolkit::Label& lblValue;
  toolkit::Label& lblCurr;
  toolkit::TextBox& txtAmount;
  toolkit::TextBox& rtbMain;
  toolkit::ListBox& lstCurrency;
  toolkit::ListBox& lstRate;
  toolkit::ListBox& lstSymbol;
  toolkit::OptionButton& Option1;
  toolkit::OptionButton& Option2;
  toolkit::CommandButton& cmdGet;
  toolkit::CommandButton& cmdConvert;
  toolkit::CommandButton& cmdCodes;
  toolkit::CommandButton& cmdAbout;
  toolkit::CommandButton& cmdClose;

 private:
  // Sends the user to Get Exchange Rates or to the currency list, with a
  // message, while either is missing.
  bool RatesAndSelectionReady();
  // The amount as typed, read with the user's decimal separator.
  double Amount() const;
  // The result line: the value with two decimals, then the result's currency.
  void ShowResult(double value);
  std::u16string RatesUrl() const;
  // The rates page a download gives: a reference-rates feed becomes the page
  // written for its newest day; a refused feed gives no page at all.
  std::u16string RatesPageText(const net::Body& body) const;

  platform::Services services_;
  ConverterSettings settings_;
  toolkit::Form* about_;
  bool tooLargeTold_ = false;  // the too-large message was shown for the result standing
};

// The window's design, also read by the benchmark that builds the same
// widgets without the model. The fixed amounts it shows ("1.00") take the
// locale's decimal separator.
toolkit::FormDesign WindowDesign();
std::vector<toolkit::ControlDesign> ControlsDesign(const runtime::NumberLocale& locale = {});

// The start-up hint of the status line.
extern const std::u16string kStartupHint;

}  // namespace main_window
