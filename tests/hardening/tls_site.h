#pragma once
// An https site on 127.0.0.1 whose certificate is made when it starts and
// signed by itself, so no client trusts it unless told to.
#include <atomic>
#include <memory>
#include <string>

namespace hardening_test {

class TlsSite {
 public:
  // A non-empty `redirectTo` answers every request with a redirect there.
  explicit TlsSite(std::string body, std::string redirectTo = {});
  ~TlsSite();
  TlsSite(const TlsSite&) = delete;
  TlsSite& operator=(const TlsSite&) = delete;

  std::u16string Url16() const;
  int Requests() const;  // requests that got past the handshake
  // A PEM file of the site's certificate, for a client that trusts it; it
  // goes with the site.
  std::string CertificateFile() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace hardening_test
