#include "tls_site.h"

#include <httplib.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <thread>

#include "runtime/text.h"

namespace hardening_test {

namespace {

struct KeyDeleter {
  void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};
struct CertDeleter {
  void operator()(X509* cert) const { X509_free(cert); }
};
using Key = std::unique_ptr<EVP_PKEY, KeyDeleter>;
using Cert = std::unique_ptr<X509, CertDeleter>;

// Valid for an hour and naming 127.0.0.1 as its address, so the only thing
// wrong with it is that nobody vouches for it.
Cert SelfSigned(EVP_PKEY* key) {
  Cert cert(X509_new());
  if (!cert) throw std::runtime_error("X509_new failed");
  X509* c = cert.get();
  X509_set_version(c, 2);
  ASN1_INTEGER_set(X509_get_serialNumber(c), 1);
  X509_gmtime_adj(X509_getm_notBefore(c), -60);
  X509_gmtime_adj(X509_getm_notAfter(c), 3600);
  X509_set_pubkey(c, key);
  X509_NAME* name = X509_get_subject_name(c);
  X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_ASC, reinterpret_cast<const unsigned char*>("127.0.0.1"), -1, -1, 0);
  X509_set_issuer_name(c, name);
  X509V3_CTX ctx;
  X509V3_set_ctx_nodb(&ctx);
  X509V3_set_ctx(&ctx, c, c, nullptr, nullptr, 0);
  X509_EXTENSION* san = X509V3_EXT_conf_nid(nullptr, &ctx, NID_subject_alt_name, "IP:127.0.0.1");
  if (!san || !X509_add_ext(c, san, -1)) throw std::runtime_error("subjectAltName failed");
  X509_EXTENSION_free(san);
  if (X509_sign(c, key, EVP_sha256()) == 0) throw std::runtime_error("X509_sign failed");
  return cert;
}

}  // namespace

struct TlsSite::Impl {
  Key key{EVP_EC_gen("P-256")};
  Cert cert = key ? SelfSigned(key.get()) : nullptr;
  httplib::SSLServer server{cert.get(), key.get()};
  std::atomic<int> requests{0};
  int port = 0;
  std::atomic<bool> finished{false};
  std::thread thread;
  std::string certificateFile;
};

TlsSite::TlsSite(std::string body, std::string redirectTo) : impl_(std::make_unique<Impl>()) {
  Impl& impl = *impl_;
  if (!impl.key || !impl.server.is_valid()) throw std::runtime_error("tls site: no key or certificate");
  impl.server.Get(".*", [&impl, body, redirectTo](const httplib::Request&, httplib::Response& res) {
    ++impl.requests;
    if (!redirectTo.empty()) {
      res.set_redirect(redirectTo);
      return;
    }
    res.set_content(body, "text/html; charset=iso-8859-1");
  });
  impl.port = impl.server.bind_to_any_port("127.0.0.1");
  if (impl.port <= 0) throw std::runtime_error("tls site: no free port");
  impl.thread = std::thread([&impl] {
    impl.server.listen_after_bind();
    impl.finished = true;
  });
}

TlsSite::~TlsSite() {
  // stop() does nothing until the accept loop runs.
  while (!impl_->server.is_running() && !impl_->finished) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  impl_->server.stop();
  impl_->thread.join();
  if (!impl_->certificateFile.empty()) std::remove(impl_->certificateFile.c_str());
}

std::u16string TlsSite::Url16() const {
  return runtime::FromUtf8("https://127.0.0.1:" + std::to_string(impl_->port) + "/cgi-bin/cgicalc.cgi?value=1&base=EUR");
}

int TlsSite::Requests() const { return impl_->requests; }

std::string TlsSite::CertificateFile() const {
  const std::string path = (std::filesystem::temp_directory_path() /
                            ("quillon-tls-site-" + std::to_string(impl_->port) + ".pem")).string();
  std::FILE* file = std::fopen(path.c_str(), "w");
  if (!file) throw std::runtime_error("tls site: cannot write " + path);
  const int written = PEM_write_X509(file, impl_->cert.get());
  std::fclose(file);
  if (written != 1) throw std::runtime_error("tls site: cannot write " + path);
  impl_->certificateFile = path;
  return path;
}

}  // namespace hardening_test
