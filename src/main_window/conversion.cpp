#include <cmath>

#include "main_window/frm_converter.h"
#include "runtime/number.h"

namespace quillon {

namespace {

const std::u16string kRatesMissing =
    u"You must first Get the Current Exchange Rates     \r\n(Requires Interent Connection)";
const std::u16string kNoSelection = u"Please select a currency     ";

}  // namespace

void FrmConverter::cmdConvert_Click() {
  if (!(rt::Val(txtAmount.GetText()) > 0)) return;
  if (!RatesAndSelectionReady()) return;
  const bool intoEuros = Option1.IsChosen();
  const double amount = rt::Val(txtAmount.GetText());
  const int index = lstCurrency.ListIndex();
  const std::u16string rateText = lstRate.List(index);
  const std::u16string name = lstCurrency.List(index);

  // A rate the page got wrong must not take the result line with it: say so
  // and leave the last good result standing.
  const auto rate = rt::ParseLocaleNumber(rateText, settings_.locale);
  if (!rate || !std::isfinite(*rate)) {
    App().MsgBox(u"The rate given for " + name + u" is not a number: \"" + rateText + u"\"",
                 tk::msgbox::kExclamation);
    return;
  }
  if (intoEuros && *rate == 0) {
    App().MsgBox(u"The rate given for " + name + u" is zero, so nothing converts into Euros: \"" + rateText + u"\"",
                 tk::msgbox::kExclamation);
    return;
  }
  const double result = intoEuros ? amount / *rate : *rate * amount;
  if (!std::isfinite(result)) {
    App().MsgBox(u"The result is too large to show (rate given for " + name + u": \"" + rateText + u"\")",
                 tk::msgbox::kExclamation);
    return;
  }
  ShowResult(rt::FormatTwoDecimals(result, settings_.locale));
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
  ShowResult(u"1.00");
  cmdConvert_Click();
}

void FrmConverter::Option2_Click() {
  lblCurr.SetCaption(lstCurrency.List(lstCurrency.ListIndex()));
  ShowResult(u"1.00");
  cmdConvert_Click();
}

void FrmConverter::txtAmount_Change() {
  cmdConvert_Click();
  if (!(rt::Val(txtAmount.GetText()) > 0)) ShowResult(u"0.00");
}

void FrmConverter::txtAmount_GotFocus() { RatesAndSelectionReady(); }

bool FrmConverter::RatesAndSelectionReady() {
  // Resetting the amount raises its Change, which converts once more and so
  // shows the message a second time unless the amount was "1.00" already.
  if (lstCurrency.ListCount() <= 0) {
    App().MsgBox(kRatesMissing, tk::msgbox::kInformation);
    txtAmount.SetText(u"1.00");
    cmdGet.SetFocus();
    return false;
  }
  if (lstCurrency.ListIndex() < 0) {
    App().MsgBox(kNoSelection, tk::msgbox::kExclamation);
    lstCurrency.SetFocus();
    return false;
  }
  return true;
}

}  // namespace quillon
