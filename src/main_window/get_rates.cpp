#include "main_window/frm_converter.h"
#include "main_window/rate_page.h"
#include "net/get_url.h"
#include "runtime/text.h"

namespace main_window {

namespace {

// Puts the screen's cursor back however the download ends.
class BusyCursor {
 public:
  explicit BusyCursor(toolkit::Application& app) : app_(app) { app_.SetMousePointer(toolkit::mouse::kHourglass); }
  ~BusyCursor() { Restore(); }
  void Restore() {
    if (busy_) app_.SetMousePointer(toolkit::mouse::kDefault);
    busy_ = false;
  }
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;

 private:
  toolkit::Application& app_;
  bool busy_ = true;
};

}  // namespace

void FrmConverter::cmdGet_Click() {
  const std::u16string url = RatesUrl();
  if (services_.internet->InternetCheckConnectionA(url, platform::kFlagIccForceConnection, 0) == 0) {
    App().MsgBox(u"Can't Connect to Server, please try again later     ", toolkit::msgbox::kCritical);
    return;
  }
  lblCount.SetCaption(u"Downloading Current Exchange Rates");
  App().DoEvents();  // paint the status before the download blocks the window

  BusyCursor busy(App());
  lstCurrency.Clear();
  lstRate.Clear();
  rtbMain.SetText(u"");
  rtbMain.SetText(App().Offload([&] { return net::GetUrlText(*services_.internet, url); }));
  rtbMain.SetText(runtime::Replace(rtbMain.GetText(), u"\"", u""));

  const std::u16string& page = rtbMain.GetText();
  // A longer page is read as far as a list holds.
  for (const RateRow& row : ScanRatePage(page, toolkit::ListBox::kMaxItems)) {
    lstCurrency.AddItem(row.name);
    lstRate.AddItem(row.rate);
  }
  busy.Restore();

  const std::u16string date = ExtractBetween(1, rtbMain.GetText(), u"using values from ", u"<BR>", 1);
  lblCount.SetCaption(u"Rates for " + date);
}

}  // namespace main_window
