#include <cmath>

#include "main_window/frm_converter.h"
#include "runtime/number.h"

namespace main_window {

namespace {

const std::u16string kRatesMissing =
    u"You must first Get the Current Exchange Rates     \r\n(Requires Interent Connection)";
const std::u16string kNoSelection = u"Please select a currency     ";

}  // namespace

double FrmConverter::Amount() const { return runtime::LocaleVal(txtAmount.GetText(), settings_.locale); }

void FrmConverter::cmdConvert_Click() {
  if (!(Amount() > 0)) {
    tooLargeTold_ = false;
    return;
  }
  if (!RatesAndSelectionReady()) return;
  const bool intoEuros = Option1.IsChosen();
  const double amount = Amount();
  const int index = lstCurrency.ListIndex();
  const std::u16string rateText = lstRate.List(index);
  const std::u16string name = lstCurrency.List(index);

  // A rate the page got wrong must not take the result line with it: say so
  // and leave the last good result standing.
  // The page writes "1,463.12" whoever reads it; only the result line
  // follows the user's locale.
  const auto rate = runtime::ParsePageNumber(rateText);
  if (!rate || !std::isfinite(*rate)) {
    App().MsgBox(u"The rate given for " + name + u" is not a number: \"" + rateText + u"\"",
                 toolkit::msgbox::kExclamation);
    return;
  }
  if (intoEuros && *rate == 0) {
    App().MsgBox(u"The rate given for " + name + u" is zero, so nothing converts into Euros: \"" + rateText + u"\"",
                 toolkit::msgbox::kExclamation);
    return;
  }
  const double result = intoEuros ? amount / *rate : *rate * amount;
  if (!std::isfinite(result)) {
    // No stale result under the message: the line reads as for an amount
    // that converts to nothing. Told once while the result stays too large,
    // or every further digit would bring the message back.
    ShowResult(0);
    if (tooLargeTold_) return;
    tooLargeTold_ = true;
    App().MsgBox(u"The result is too large to show (rate given for " + name + u": \"" + rateText + u"\")",
                 toolkit::msgbox::kExclamation);
    return;
  }
  tooLargeTold_ = false;
  ShowResult(result);
}

void FrmConverter::lstCurrency_Click() {
  const bool fromEuros = Option2.IsChosen();
  const int index = lstCurrency.ListIndex();
  // The codes list holds 22 currencies; a longer page has names without a code.
  lstSymbol.SetListIndex(index < lstSymbol.ListCount() ? index : -1);
  lblCurr.SetCaption(fromEuros ? lstCurrency.List(index) : u"Euros");
  cmdConvert_Click();
}

void FrmConverter::Option1_Click() {
  lblCurr.SetCaption(u"Euros");
  ShowResult(1);
  cmdConvert_Click();
}

void FrmConverter::Option2_Click() {
  lblCurr.SetCaption(lstCurrency.List(lstCurrency.ListIndex()));
  ShowResult(1);
  cmdConvert_Click();
}

void FrmConverter::txtAmount_Change() {
  cmdConvert_Click();
  if (!(Amount() > 0)) ShowResult(0);
}

void FrmConverter::txtAmount_GotFocus() { RatesAndSelectionReady(); }

bool FrmConverter::RatesAndSelectionReady() {
  // Resetting the amount raises its Change, which converts once more and so
  // shows the message a second time unless the amount was "1.00" already.
  if (lstCurrency.ListCount() <= 0) {
    App().MsgBox(kRatesMissing, toolkit::msgbox::kInformation);
    txtAmount.SetText(runtime::FormatTwoDecimals(1, settings_.locale));
    cmdGet.SetFocus();
    return false;
  }
  if (lstCurrency.ListIndex() < 0) {
    App().MsgBox(kNoSelection, toolkit::msgbox::kExclamation);
    lstCurrency.SetFocus();
    return false;
  }
  return true;
}

}  // namespace main_window
