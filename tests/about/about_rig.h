#pragma once
// The About window on the headless backend, with a main window beside it so
// that closing the About window does not end the program.
#include <string>
#include <vector>

#include "about/frm_about.h"
#include "support/fakes.h"
#include "support/recording_backend.h"
#include "toolkit/application.h"

struct AboutRig {
  static inline const tk::Picture kHand{":/quillon/cursors/hand.png", 6, 0};

  // `services` replaces the fakes, for tests on a platform's real services.
  explicit AboutRig(tk::AppInfo info = {u"Quillon", 1, 0, 0, u"/opt/quillon"},
                    const platform::Services* services = nullptr)
      : app(backend, std::move(info)), main(app, MainDesign(), {}), about(app, services ? *services : Services()) {
    app.RegisterCursor(101, kHand);
    main.Show();
    about.Show();
  }

  static tk::FormDesign MainDesign() {
    tk::FormDesign design;
    design.name = "frmConverter";
    return design;
  }
  platform::Services Services() {
    platform::Services services;
    services.shell = &shell;
    services.registry = &registry;
    services.programs = &programs;
    services.files = &files;
    return services;
  }

  void PressSystemInfo() { about["Command4"].UserClick(); }
  std::vector<std::u16string> Started() const {
    std::vector<std::u16string> lines;
    for (const auto& s : programs.started) lines.push_back(s.commandLine);
    return lines;
  }
  std::vector<std::u16string> Messages() const {
    std::vector<std::u16string> texts;
    for (const auto& m : backend.messages) texts.push_back(m.text);
    return texts;
  }

  fakes::RecordingBackend backend;
  tk::Application app;
  fakes::RecordingShell shell;
  fakes::FakeRegistry registry;
  fakes::RecordingProgramStarter programs;
  fakes::FakeFiles files;
  tk::Form main;
  FrmAbout about;
};
