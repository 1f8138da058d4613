#pragma once
// The start-up benchmark's probe on Windows, shared with its plain Win32
// floor: with QUILLON_EXIT_WHEN_IDLE=1, once the windows are painted and no
// message is left, "idle" goes to stdout and the program ends.
#include <windows.h>

#include <cstdlib>
#include <cstring>

namespace app {

inline bool IdleProbeWanted() {
  const char* wanted = std::getenv("QUILLON_EXIT_WHEN_IDLE");
  return wanted && std::strcmp(wanted, "1") == 0;
}

// `pump` handles what is queued; WM_PAINT comes after every other message,
// so an empty queue means painted.
template <typename Pump>
void RunUntilIdle(Pump pump) {
  do pump();
  while (GetQueueStatus(QS_ALLINPUT) != 0);
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), "idle\n", 5, &written, nullptr);
}

}  // namespace app
