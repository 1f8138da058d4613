#pragma once
// The main window on the headless backend, with a scripted internet session.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "main_window/frm_converter.h"
#include "runtime/text.h"
#include "support/fake_system.h"
#include "support/recording_backend.h"
#include "toolkit/application.h"

namespace main_window_test {

inline std::string Utf8(const std::u16string& s) { return runtime::ToUtf8(s); }

// Two rows in the shape of the rates page, with its date line.
inline const std::string kTwoRowPage =
    "<p>Rates using values from Friday, 4 December 2026<BR></p>"
    "<tr><td>&nbsp;&nbsp;&nbsp;&nbsp;<img>US Dollar <font size=\"-1\">(USD)</font></td>"
    "<td><a href=\"/r/USD.html\">1.5</a></td></tr>"
    "<tr><td>&nbsp;&nbsp;&nbsp;&nbsp;<img>Japanese Yen <font size=\"-1\">(JPY)</font></td>"
    "<td><a href=\"/r/JPY.html\">181.25</a></td></tr>";

class MainWindowTest : public ::testing::Test, protected support::FakeSystem {
 protected:
  MainWindowTest() {
    settings.locale = {u'.', u','};
    settings.ratesUrl = u"http://127.0.0.1:9/cgi-bin/cgicalc.cgi?value=1&base=EUR";
  }

  void Start() {
    app = std::make_unique<toolkit::Application>(backend, toolkit::AppInfo{u"Quillon", 1, 0, 0, u"/opt/quillon"});
    about = std::make_unique<toolkit::Form>(*app, toolkit::FormDesign{.name = "frmAbout"}, std::vector<toolkit::ControlDesign>{});
    frm = std::make_unique<main_window::FrmConverter>(*app, services, settings, about.get());
    frm->Show();
  }

  void FetchRates(const std::string& page = kTwoRowPage) {
    internet.body = page;
    frm->cmdGet_Click();
  }

  support::RecordingBackend backend;
  main_window::ConverterSettings settings;
  std::unique_ptr<toolkit::Application> app;
  std::unique_ptr<toolkit::Form> about;
  std::unique_ptr<main_window::FrmConverter> frm;
};

}  // namespace main_window_test
