// The program the Windows tests start: it tells them how it was started.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

int main() {
  const char* mark = std::getenv("QUILLON_CHILD_MARK");
  if (mark == nullptr) return 1;
  char folder[MAX_PATH] = "";
  GetCurrentDirectoryA(MAX_PATH, folder);
  // Written aside and renamed, so a waiting test never reads half a report.
  const std::string partial = std::string(mark) + ".part";
  std::FILE* out = std::fopen(partial.c_str(), "wb");
  if (out == nullptr) return 1;
  std::fprintf(out, "%s\n%s\n", GetCommandLineA(), folder);
  std::fclose(out);
  return MoveFileA(partial.c_str(), mark) ? 0 : 1;
}
