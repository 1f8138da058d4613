// Quillon: the main window on the Qt backend with the Linux services.
#include <QApplication>
#include <cstdlib>
#include <cstring>

#include "about/frm_about.h"
#include "app/exit_when_idle.h"
#include "app/session_end.h"
#include "app/system_info_hive.h"
#include "main_window/frm_converter.h"
#include "platform/posix/hive_registry.h"
#include "platform/posix/lazy_internet.h"
#include "platform/posix/posix_file_lookup.h"
#include "platform/posix/posix_program_starter.h"
#include "platform/posix/xdg_shell.h"
#include "platform/user_locale.h"
#include "quillon_resources.h"
#include "runtime/text.h"
#include "toolkit/application.h"
#include "toolkit/qt/qt_backend.h"

int main(int argc, char* argv[]) {
  QApplication qapp(argc, argv);
  QApplication::setApplicationName("Quillon");
  QApplication::setApplicationVersion(QUILLON_VERSION);
  QApplication::setDesktopFileName("quillon");
  QuillonInitResources();
  app::ExitWhenIdle exitWhenIdle;
  if (const char* probe = std::getenv("QUILLON_EXIT_WHEN_IDLE"); probe && std::strcmp(probe, "1") == 0) {
    qapp.installEventFilter(&exitWhenIdle);
  }

  // Read before Qt or anything else can touch the process locale.
  const runtime::NumberLocale locale = platform::UserNumberLocale();

  platform::posix::LazyModule network(
      (QCoreApplication::applicationDirPath() + u'/' + QString::fromUtf8(platform::posix::kInternetModuleName)).toStdString());
  platform::posix::LazyInternet internet(network);
  platform::posix::LazyFeedReader feeds(network);
  platform::posix::XdgShell shell;
  platform::posix::HiveRegistry registry = app::MachineHive();
  platform::posix::PosixProgramStarter programs;
  platform::posix::PosixFileLookup files;

  platform::Services services;
  services.internet = &internet;
  services.shell = &shell;
  services.registry = &registry;
  services.programs = &programs;
  services.files = &files;
  services.feeds = &feeds;

  main_window::ConverterSettings settings;
  settings.locale = locale;
  if (const char* url = std::getenv("QUILLON_RATES_URL"); url && *url) settings.ratesUrl = runtime::FromUtf8(url);

  toolkit::qt::QtBackend backend;
  toolkit::Application app(backend, {.title = u"Quillon",
                                .major = QUILLON_VERSION_MAJOR,
                                .minor = QUILLON_VERSION_MINOR,
                                .revision = QUILLON_VERSION_PATCH,
                                .path = QCoreApplication::applicationDirPath().toStdU16String()});
  app.RegisterCursor(about::FrmAbout::kHandCursor, {":/quillon/cursors/hand.png", kHandHotSpotX, kHandHotSpotY});

  about::FrmAbout about(app, services);
  main_window::FrmConverter converter(app, services, settings, &about);
  converter.Show();
  // Unloading a form that is not loaded does nothing.
  const auto unloadMain = [&] { converter.UserClose(); };
  app::SessionEnd sessionEnd(unloadMain);
  const int status = app.Run();
  // Qt may end the loop itself when the session dies.
  unloadMain();
  return status;
}
