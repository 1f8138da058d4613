#pragma once
// An https site on 127.0.0.1 whose certificate is made when it starts and
// signed by itself, so no client trusts it.
#include <atomic>
#include <memory>
#include <string>

namespace hardening_test {

class TlsSite {
 public:
  explicit TlsSite(std::string body);
  ~TlsSite();
  TlsSite(const TlsSite&) = delete;
  TlsSite& operator=(const TlsSite&) = delete;

  std::u16string Url16() const;
  int Requests() const;  // requests that got past the handshake

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace hardening_test
