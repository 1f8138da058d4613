// The program the Windows tests start in place of a browser or the System
// Information tool: it writes its own path, its command line and its working
// folder, one a line, to the file QUILLON_CHILD_MARK names, then ends.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

int main() {
  const char* mark = std::getenv("QUILLON_CHILD_MARK");
  if (mark == nullptr) return 1;
  char self[MAX_PATH] = "", folder[MAX_PATH] = "";
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  GetCurrentDirectoryA(MAX_PATH, folder);
  // Written aside and renamed, so a waiting test never reads half a report.
  const std::string partial = std::string(mark) + ".part";
  std::FILE* out = std::fopen(partial.c_str(), "wb");
  if (out == nullptr) return 1;
  std::fprintf(out, "%s\n%s\n%s\n", self, GetCommandLineA(), folder);
  std::fclose(out);
  return MoveFileA(partial.c_str(), mark) ? 0 : 1;
}
