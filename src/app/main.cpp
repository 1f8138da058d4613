// Quillon: the main window on the Qt backend with the Linux services.
#include <QApplication>
#include <cstdlib>
#include <cstring>

#include "about/frm_about.h"
#include "app/exit_when_idle.h"
#include "main_window/frm_converter.h"
#include "platform/posix/curl_internet.h"
#include "platform/posix/hive_registry.h"
#include "platform/posix/posix_files.h"
#include "platform/posix/spawn_program.h"
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
  ExitWhenIdle exitWhenIdle;
  if (const char* probe = std::getenv("QUILLON_EXIT_WHEN_IDLE"); probe && std::strcmp(probe, "1") == 0) {
    qapp.installEventFilter(&exitWhenIdle);
  }

  // Read before Qt or anything else can touch the process locale.
  const rt::NumberLocale locale = platform::UserNumberLocale();

  platform::CurlInternet internet;
  platform::XdgShell shell;
  platform::HiveRegistry registry = platform::HiveRegistry::ForThisMachine();
  platform::SpawnProgram programs;
  platform::PosixFiles files;

  platform::Services services;
  services.internet = &internet;
  services.shell = &shell;
  services.registry = &registry;
  services.programs = &programs;
  services.files = &files;

  quillon::ConverterSettings settings;
  settings.locale = locale;
  if (const char* url = std::getenv("QUILLON_RATES_URL"); url && *url) settings.ratesUrl = rt::FromUtf8(url);

  tk::QtBackend backend;
  tk::Application app(backend, {.title = u"Quillon",
                                .major = QUILLON_VERSION_MAJOR,
                                .minor = QUILLON_VERSION_MINOR,
                                .revision = QUILLON_VERSION_PATCH,
                                .path = QCoreApplication::applicationDirPath().toStdU16String()});
  app.RegisterCursor(FrmAbout::kHandCursor, {":/quillon/cursors/hand.png", kHandHotSpotX, kHandHotSpotY});

  FrmAbout about(app, services);
  quillon::FrmConverter converter(app, services, settings, &about);
  converter.Show();
  return app.Run();
}
