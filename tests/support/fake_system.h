#pragma once
// Every operating-system service faked, wired into one Services value that a
// window under test receives. A test may still replace any of them.
#include "platform/services.h"
#include "support/fake_internet.h"
#include "support/fakes.h"

namespace support {

struct FakeSystem {
  FakeSystem() = default;
  // `services` points into this object.
  FakeSystem(const FakeSystem&) = delete;
  FakeSystem& operator=(const FakeSystem&) = delete;

  FakeInternet internet;
  RecordingShell shell;
  FakeRegistry registry;
  RecordingProgramStarter programs;
  FakeFiles files;
  platform::Services services{
      .internet = &internet, .shell = &shell, .registry = &registry, .programs = &programs, .files = &files};
};

}  // namespace support
