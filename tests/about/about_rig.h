#pragma once
// The About window on the headless backend, with a main window beside it so
// that closing the About window does not end the program.
#include <string>
#include <vector>

#include "about/frm_about.h"
#include "support/fake_system.h"
#include "support/recording_backend.h"
#include "toolkit/application.h"

struct AboutRig : support::FakeSystem {
  static inline const toolkit::Picture kHand{":/quillon/cursors/hand.png", 6, 0};

  // `real` replaces the fakes, for tests on a platform's real services.
  explicit AboutRig(toolkit::AppInfo info = {u"Quillon", 1, 0, 0, u"/opt/quillon"},
                    const platform::Services* real = nullptr)
      : app(backend, std::move(info)), main(app, MainDesign(), {}), about(app, real ? *real : services) {
    app.RegisterCursor(101, kHand);
    main.Show();
    about.Show();
  }

  static toolkit::FormDesign MainDesign() {
    toolkit::FormDesign design;
    design.name = "frmConverter";
    return design;
  }

  void PressSystemInfo() { about["Command4"].UserClick(); }
  std::vector<std::u16string> Started() const {
    std::vector<std::u16string> lines;
    for (const auto& s : programs.started) lines.push_back(s.commandLine);
    return lines;
  }

  support::RecordingBackend backend;
  toolkit::Application app;
  toolkit::Form main;
  about::FrmAbout about;
};
