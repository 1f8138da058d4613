#pragma once
// A scripted internet session: a reachability answer and one page body, read
// back in pieces of the size the caller asks for.
#include <cstring>
#include <functional>
#include <map>
#include <string>

#include "platform/internet.h"

namespace support {

class FakeInternet : public platform::Internet {
 public:
  bool reachable = true;
  bool openFails = false;
  std::string body;
  std::string charset;
  int checks = 0;
  int opens = 0;
  std::u16string lastUrl;
  std::u16string lastAgent;
  std::uint32_t lastOpenUrlFlags = 0;
  int openHandles = 0;
  std::function<void()> onOpenUrl;  // runs inside the download
  std::function<void()> onCheck;    // runs inside the reachability check

  platform::HInternet InternetOpenA(const std::u16string& agent, std::uint32_t, const std::u16string&,
                                    const std::u16string&, std::uint32_t) override {
    lastAgent = agent;
    ++openHandles;
    return 1;
  }
  platform::HInternet InternetOpenUrlA(platform::HInternet, const std::u16string& url, const std::u16string&,
                                       std::uint32_t, std::uint32_t flags, std::uintptr_t) override {
    ++opens;
    lastUrl = url;
    lastOpenUrlFlags = flags;
    if (onOpenUrl) onOpenUrl();
    if (openFails) return 0;
    offset_ = 0;
    ++openHandles;
    return 2;
  }
  bool InternetReadFile(platform::HInternet, void* buffer, std::uint32_t toRead, std::uint32_t& read) override {
    const std::size_t left = body.size() - offset_;
    read = static_cast<std::uint32_t>(left < toRead ? left : toRead);
    std::memcpy(buffer, body.data() + offset_, read);
    offset_ += read;
    return true;
  }
  bool InternetCloseHandle(platform::HInternet) override {
    --openHandles;
    return true;
  }
  std::int32_t InternetCheckConnectionA(const std::u16string& url, std::uint32_t, std::uint32_t) override {
    ++checks;
    lastUrl = url;
    if (onCheck) onCheck();
    return reachable ? 1 : 0;
  }
  std::string ResponseCharset(platform::HInternet) override { return charset; }

 private:
  std::size_t offset_ = 0;
};

}  // namespace support
