#include <cstdio>

#include "main_window/frm_converter.h"
#include "rates/page_writer.h"
#include "rates/scan.h"
#include "runtime/text.h"

namespace main_window {

namespace {

const std::u16string kCantConnect = u"Can't Connect to Server, please try again later     ";

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

std::u16string FrmConverter::RatesPageText(const net::Body& body) const {
  if (!rates::NamesRatesVocabulary(body.bytes)) return net::BodyText(body);
  rates::Day day;
  std::string why = "no XML reader";
  if (services_.feeds != nullptr && services_.feeds->ReadNewestDay(body.bytes, day, why)) {
    return runtime::FromUtf8(rates::RenderPage(day));
  }
  // The window says only that no rates came; the reason is for whoever looks.
  std::fprintf(stderr, "quillon: the rates feed was refused: %s\n", why.c_str());
  return {};
}

void FrmConverter::cmdGet_Click() {
  const std::u16string url = RatesUrl();
  // Off the user-interface thread too: a connection that is slow to open
  // would otherwise hang the window as a stalled download would.
  const bool reachable = App().Offload([&] {
    return services_.internet->InternetCheckConnectionA(url, platform::kFlagIccForceConnection, 0) != 0;
  });
  if (!reachable) {
    App().MsgBox(kCantConnect, toolkit::msgbox::kCritical);
    return;
  }
  lblCount.SetCaption(u"Downloading Current Exchange Rates");
  App().DoEvents();  // paint the status before the download blocks the window

  BusyCursor busy(App());
  lstCurrency.Clear();
  lstRate.Clear();
  rtbMain.SetText(u"");
  // The download, and the reading of a feed, run off the user-interface
  // thread, so the window keeps answering.
  rtbMain.SetText(App().Offload([&] { return RatesPageText(net::GetUrlBody(*services_.internet, url)); }));
  rtbMain.SetText(runtime::Replace(rtbMain.GetText(), u"\"", u""));

  const std::u16string& page = rtbMain.GetText();
  // A longer page is read as far as a list holds.
  for (const rates::RateRow& row : rates::ScanRatePage(page, toolkit::ListBox::kMaxItems)) {
    lstCurrency.AddItem(row.name);
    lstRate.AddItem(row.rate);
  }
  busy.Restore();

  // Nothing usable came (no answer, an error or login page, a refused feed):
  // the window goes back to how it was before the click and says so, instead
  // of "Rates for " over empty lists.
  if (lstCurrency.ListCount() == 0) {
    lblCount.SetCaption(kStartupHint);
    App().MsgBox(kCantConnect, toolkit::msgbox::kCritical);
    return;
  }
  lblCount.SetCaption(u"Rates for " + rates::PageDate(rtbMain.GetText()));
}

}  // namespace main_window
