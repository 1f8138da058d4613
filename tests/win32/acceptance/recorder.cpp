// Stands in for a program the windows start (a browser, the System
// Information tool): writes its own path and command line to the file
// QUILLON_RECORD names, then ends.
#include <windows.h>

#include <cstdio>
#include <cwchar>

int wmain() {
  wchar_t record[MAX_PATH] = {}, self[MAX_PATH] = {};
  if (!GetEnvironmentVariableW(L"QUILLON_RECORD", record, MAX_PATH)) return 1;
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  FILE* out = _wfopen(record, L"w, ccs=UTF-8");
  if (!out) return 1;
  std::fwprintf(out, L"%ls\n%ls\n", self, GetCommandLineW());
  std::fclose(out);
  return 0;
}
