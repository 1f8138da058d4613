// Quillon on Windows: the main window on the native backend with the Win32 services.
// First: it brings in windows.h without its MessageBox macro, which would
// rename the toolkit's MessageBox in the headers below.
#include "toolkit/win32/win32_backend.h"

#include <cstdlib>
#include <string>

#include "about/frm_about.h"
#include "main_window/frm_converter.h"
#include "platform/user_locale.h"
#include "platform/win32/win_file_lookup.h"
#include "platform/win32/win_program_starter.h"
#include "platform/win32/win_registry.h"
#include "platform/win32/win_shell.h"
#include "platform/win32/wininet_internet.h"
#include "platform/win32/xmllite_feed_reader.h"
#include "app/win_idle_probe.h"
#include "app/win_resources.h"
#include "toolkit/application.h"

namespace app {

namespace {

std::u16string Environment(const wchar_t* name) {
  const DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
  if (size == 0) return {};
  std::wstring value(size, L'\0');
  value.resize(GetEnvironmentVariableW(name, value.data(), size));
  return {value.begin(), value.end()};
}

}  // namespace

int Run(HINSTANCE instance) {
  platform::win32::WinInetInternet internet;
  platform::win32::WinShell shell;
  platform::win32::WinRegistry registry;
  platform::win32::WinProgramStarter programs;
  platform::win32::WinFileLookup files;
  platform::win32::XmlLiteFeedReader feeds;

  const platform::Services services{.internet = &internet,
                                    .shell = &shell,
                                    .registry = &registry,
                                    .programs = &programs,
                                    .files = &files,
                                    .feeds = &feeds};

  main_window::ConverterSettings settings;
  settings.locale = platform::UserNumberLocale();
  settings.ratesUrl = Environment(L"QUILLON_RATES_URL");

  toolkit::win32::Win32Backend backend({.module = instance, .numbers = WindowsResourceNumbers()});
  toolkit::Application app(backend, {.title = u"Quillon",
                                .major = QUILLON_VERSION_MAJOR,
                                .minor = QUILLON_VERSION_MINOR,
                                .revision = QUILLON_VERSION_PATCH,
                                .path = platform::win32::ProgramFolder()});
  app.RegisterCursor(about::FrmAbout::kHandCursor, {kWindowsHandCursor});

  about::FrmAbout about(app, services);
  main_window::FrmConverter converter(app, services, settings, &about);
  converter.Show();
  if (IdleProbeWanted()) {
    RunUntilIdle([&] { app.DoEvents(); });
    return 0;
  }
  return app.Run();
}

}  // namespace app

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) { return app::Run(instance); }
