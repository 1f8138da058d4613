#pragma once
// Helpers of the Windows platform tests: the loopback sites' ports, a scratch
// folder in the prefix's temporary folder, and the files the test child writes.
#include <windows.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <thread>

namespace wintest {

// The sites of quillon_test_sites, from the QUILLON_SITES it hands us.
inline std::map<std::string, int> Sites() {
  std::map<std::string, int> ports;
  const char* list = std::getenv("QUILLON_SITES");
  std::stringstream in(list ? list : "");
  std::string item;
  while (std::getline(in, item, ';')) {
    const auto eq = item.find('=');
    if (eq != std::string::npos) ports[item.substr(0, eq)] = std::stoi(item.substr(eq + 1));
  }
  return ports;
}

inline std::u16string SiteUrl(const std::string& name) {
  static const auto sites = Sites();
  const auto it = sites.find(name);
  const std::string port = it == sites.end() ? "1" : std::to_string(it->second);
  const std::string url = "http://127.0.0.1:" + port + "/cgi-bin/cgicalc.cgi?value=1&base=EUR";
  return std::u16string(url.begin(), url.end());
}

inline std::u16string Wide(const std::string& ascii) { return std::u16string(ascii.begin(), ascii.end()); }

// A folder of its own under the temporary folder, removed with what it holds.
class ScratchFolder {
 public:
  ScratchFolder() {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    static int serial = 0;
    path_ = std::string(temp) + "quillon-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++serial);
    CreateDirectoryA(path_.c_str(), nullptr);
  }
  ~ScratchFolder() { Remove(path_); }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "\\" + name; }

  void Write(const std::string& name, const std::string& bytes, DWORD attributes = 0) const {
    std::ofstream(*this / name, std::ios::binary) << bytes;
    if (attributes != 0) SetFileAttributesA((*this / name).c_str(), attributes);
  }

 private:
  static void Remove(const std::string& path) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((path + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
      do {
        const std::string name = found.cFileName;
        if (name == "." || name == "..") continue;
        const std::string child = path + "\\" + name;
        SetFileAttributesA(child.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
          Remove(child);
        } else {
          DeleteFileA(child.c_str());
        }
      } while (FindNextFileA(search, &found));
      FindClose(search);
    }
    RemoveDirectoryA(path.c_str());
  }

  std::string path_;
};

// The test child (quillon_test_child.exe) writes its path, its command line
// and its working folder, one a line, to the file QUILLON_CHILD_MARK names.
struct ChildReport {
  bool arrived = false;
  std::string program;
  std::string commandLine;
  std::string folder;
};

inline void ExpectChildAt(const std::string& markFile) {
  DeleteFileA(markFile.c_str());
  SetEnvironmentVariableA("QUILLON_CHILD_MARK", markFile.c_str());
}

// Started programs run on their own; their report is waited for, not timed.
inline ChildReport WaitForChild(const std::string& markFile) {
  ChildReport report;
  for (int i = 0; i < 300 && GetFileAttributesA(markFile.c_str()) == INVALID_FILE_ATTRIBUTES; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  std::ifstream in(markFile, std::ios::binary);
  if (!in) return report;
  report.arrived = true;
  std::getline(in, report.program);
  std::getline(in, report.commandLine);
  std::getline(in, report.folder);
  return report;
}

// The folder of this test program, where the child lies beside it.
inline std::string ChildProgram() {
  char path[MAX_PATH];
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string self(path, length);
  return self.substr(0, self.rfind('\\')) + "\\quillon_test_child.exe";
}

}  // namespace wintest
