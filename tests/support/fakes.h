#pragma once
// Fakes of the platform services that record what the windows asked of them.
#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/file_lookup.h"
#include "platform/program_starter.h"
#include "platform/registry.h"
#include "platform/shell.h"

namespace support {

class RecordingShell : public platform::Shell {
 public:
  struct Call {
    platform::WindowHandle hwnd;
    std::u16string operation, file, parameters, directory;
    std::int32_t showCommand;
  };
  std::intptr_t ShellExecuteA(platform::WindowHandle hwnd, const std::u16string& operation,
                              const std::u16string& file, const std::u16string& parameters,
                              const std::u16string& directory, std::int32_t showCommand) override;
  std::vector<Call> calls;
  std::intptr_t result = 42;  // above 32: the shell started something
};

// Values by key, name, type and bytes under any root. Key and value names
// match exactly. A key exists when a value lies in it. Every open, query and
// close is recorded.
class FakeRegistry : public platform::Registry {
 public:
  struct Value {
    std::uint32_t type;
    std::vector<std::uint8_t> bytes;
  };
  struct Open {
    std::u16string key;
    std::uint32_t samDesired;
  };

  // A text value, stored with a final zero byte unless `withZero` is false.
  void SetText(const std::u16string& key, const std::u16string& name, const std::string& utf8, bool withZero = true);
  void Set(const std::u16string& key, const std::u16string& name, std::uint32_t type, std::vector<std::uint8_t> bytes);

  std::int32_t RegOpenKeyExA(platform::HKey root, const std::u16string& subKey, std::uint32_t options,
                             std::uint32_t samDesired, platform::HKey& result) override;
  std::int32_t RegQueryValueExA(platform::HKey key, const std::u16string& valueName, std::uint32_t reserved,
                                std::uint32_t& type, std::uint8_t* data, std::uint32_t& dataSize) override;
  std::int32_t RegCloseKey(platform::HKey key) override;

  // Like the machine's hive for a user without administrator rights: any
  // right beyond reading is refused with access denied.
  bool readOnly = false;

  std::vector<Open> opens;  // every open asked for, granted or not
  std::vector<std::u16string> queries;  // "key\name" of every query
  int closes = 0;
  std::size_t OpenHandles() const { return handles_.size(); }

 private:
  std::map<std::u16string, std::map<std::u16string, Value>> keys_;
  std::map<platform::HKey, std::u16string> handles_;
  platform::HKey next_ = 0x1000;
};

// Starts the command lines named in `programs`; any other throws StartFailed.
class RecordingProgramStarter : public platform::ProgramStarter {
 public:
  struct Launch {
    std::u16string commandLine;
    int windowStyle;
  };
  void Start(const std::u16string& commandLine, int windowStyle) override;
  std::set<std::u16string> programs;
  std::vector<Launch> attempts;  // every start asked for
  std::vector<Launch> started;   // the ones that succeeded
};

// A file system that holds exactly the paths in `files`, all normal files.
// Paths match as given: no folder separators are folded.
class FakeFiles : public platform::FileLookup {
 public:
  std::u16string Dir(const std::u16string& path, int attributes) override;
  std::set<std::u16string> files;
  std::vector<std::u16string> searches;
};

}  // namespace support
