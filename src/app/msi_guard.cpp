// The Windows Installer package's check before it removes Quillon: a running
// Quillon would keep its files. The same test as the setup program's, so both
// refuse alike: the main window, found by its class and title.
#include <windows.h>

#include <msi.h>
#include <msiquery.h>

extern "C" __declspec(dllexport) UINT __stdcall RefuseWhileRunning(MSIHANDLE install) {
  if (FindWindowW(L"QuillonForm", L"Quillon") == nullptr) return ERROR_SUCCESS;
  // Shown by a package with a user interface; a quiet one only fails.
  PMSIHANDLE record = MsiCreateRecord(0);
  MsiRecordSetStringW(record, 0, L"Quillon is running. Close it, then try again.");
  MsiProcessMessage(install, INSTALLMESSAGE(INSTALLMESSAGE_ERROR | MB_OK | MB_ICONSTOP), record);
  return ERROR_INSTALL_FAILURE;
}
