// Get Exchange Rates clicks in a fresh process, on the program's own session
// (libcurl loaded as a module at the first click):
//
//   click_bench MODULE URL CLICKS window     the Qt window, on $DISPLAY
//   click_bench MODULE URL CLICKS headless   no screen: download and scan only
//
// Prints one line per click: milliseconds from the click until the window is
// idle again (the Qt loop about to wait for input; headless, the handler's
// return), and the rows listed.
#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>

#include "main_window/frm_converter.h"
#include "platform/posix/lazy_internet.h"
#include "quillon_resources.h"
#include "runtime/text.h"
#include "toolkit/application.h"
#include "support/recording_backend.h"
#include "toolkit/qt/qt_backend.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point since) {
  return std::chrono::duration<double, std::milli>(Clock::now() - since).count();
}

struct Setup {
  Setup(const char* module, const char* url) : network(module), internet(network), feeds(network) {
    services.internet = &internet;
    services.feeds = &feeds;
    settings.locale = {u'.', u','};
    settings.ratesUrl = runtime::FromUtf8(url);
  }
  platform::posix::LazyModule network;
  platform::posix::LazyInternet internet;
  platform::posix::LazyFeedReader feeds;
  platform::Services services;
  main_window::ConverterSettings settings;
};

int Headless(Setup& s, int clicks) {
  support::RecordingBackend backend;
  toolkit::Application app(backend, {u"Quillon", 1, 0, 0, u"/opt/quillon"});
  main_window::FrmConverter frm(app, s.services, s.settings, nullptr);
  frm.Show();
  for (int i = 0; i < clicks; ++i) {
    const auto start = Clock::now();
    frm.cmdGet.UserClick();
    std::printf("%.3f %d\n", Ms(start), frm.lstCurrency.ListCount());
  }
  return backend.messages.empty() ? 0 : 1;
}

int Window(Setup& s, int clicks, int argc, char* argv[]) {
  QApplication qapp(argc, argv);
  QuillonInitResources();
  toolkit::qt::QtBackend backend;
  toolkit::Application app(backend, {u"Quillon", 1, 0, 0, u"/opt/quillon"});
  main_window::FrmConverter frm(app, s.services, s.settings, nullptr);
  frm.Show();

  int done = 0;
  bool timing = false;
  Clock::time_point start;
  auto* dispatcher = QAbstractEventDispatcher::instance();
  std::function<void()> click = [&] {
    start = Clock::now();
    frm.cmdGet.UserClick();
    timing = true;
  };
  QObject::connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, [&] {
    if (!timing) return;
    timing = false;
    std::printf("%.3f %d\n", Ms(start), frm.lstCurrency.ListCount());
    std::fflush(stdout);
    if (++done == clicks) {
      frm.UnloadForm();
      return;
    }
    QTimer::singleShot(200, click);
  });
  // Clicked once the window is up and settled, as a user would.
  QTimer::singleShot(500, click);
  return app.Run();
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: click_bench MODULE URL CLICKS window|headless\n");
    return 2;
  }
  Setup setup(argv[1], argv[2]);
  const int clicks = std::atoi(argv[3]);
  if (std::string(argv[4]) == "headless") return Headless(setup, clicks);
  return Window(setup, clicks, argc, argv);
}
