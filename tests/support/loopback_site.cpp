#include "support/loopback_site.h"

#include <arpa/inet.h>
#include <httplib.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <fstream>
#include <iterator>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "runtime/text.h"

namespace testsupport {

namespace {

constexpr const char* kLoopback = "127.0.0.1";

// Lets every waiting answer give up at once when the site stops, so the
// server's worker threads can be joined.
struct StopSignal {
  std::mutex mutex;
  std::condition_variable cv;
  bool stopping = false;

  // False when the site stopped during the wait.
  bool WaitFor(std::chrono::milliseconds duration) {
    std::unique_lock lock(mutex);
    return !cv.wait_for(lock, duration, [this] { return stopping; });
  }
  void WaitForever() {
    std::unique_lock lock(mutex);
    cv.wait(lock, [this] { return stopping; });
  }
  void Raise() {
    {
      std::lock_guard lock(mutex);
      stopping = true;
    }
    cv.notify_all();
  }
};

// Writes one reply's body step by step, as the server asks for more.
class BodyWriter {
 public:
  BodyWriter(Reply reply, std::shared_ptr<StopSignal> stop)
      : reply_(std::move(reply)), stop_(std::move(stop)) {}

  bool Step(std::size_t offset, httplib::DataSink& sink) {
    const std::string& body = reply_.body;
    if (reply_.dropAfter && offset >= *reply_.dropAfter) return false;
    if (reply_.stallAfter && offset >= *reply_.stallAfter && !stalled_) {
      if (reply_.stallFor.count() == 0) {
        stop_->WaitForever();
        return false;
      }
      if (!stop_->WaitFor(reply_.stallFor)) return false;
      stalled_ = true;
    }
    if (offset >= body.size()) {
      sink.done();
      return true;
    }
    if (piecesSent_ > 0 && reply_.drip.count() > 0 && !stop_->WaitFor(reply_.drip)) return false;

    std::size_t limit = body.size();
    if (reply_.dropAfter) limit = std::min(limit, *reply_.dropAfter);
    if (reply_.stallAfter && !stalled_) limit = std::min(limit, *reply_.stallAfter);
    std::size_t size = limit - offset;
    if (!reply_.pieces.empty()) {
      const std::size_t index = std::min(piecesSent_, reply_.pieces.size() - 1);
      if (reply_.pieces[index] > 0) size = std::min(size, reply_.pieces[index]);
    }
    ++piecesSent_;
    return sink.write(body.data() + offset, size);
  }

 private:
  Reply reply_;
  std::shared_ptr<StopSignal> stop_;
  std::size_t piecesSent_ = 0;
  bool stalled_ = false;
};

bool NeedsWriter(const Reply& r) {
  return r.chunked || !r.pieces.empty() || r.drip.count() > 0 || r.stallAfter || r.dropAfter;
}

sockaddr_in LoopbackAddress() {
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = 0;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return addr;
}

// A TCP socket bound to a free port of 127.0.0.1; returns the port.
int BindFreePort(int& fd) {
  fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) throw std::runtime_error("socket failed");
  sockaddr_in addr = LoopbackAddress();
  socklen_t len = sizeof addr;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0) {
    ::close(fd);
    fd = -1;
    throw std::runtime_error("bind to 127.0.0.1 failed");
  }
  return ntohs(addr.sin_port);
}

}  // namespace

std::string RecordedRequest::Header(const std::string& name) const {
  const std::string wanted = rt::LowerAscii(name);
  for (const auto& [key, value] : headers) {
    if (rt::LowerAscii(key) == wanted) return value;
  }
  return {};
}

struct LoopbackSite::Impl {
  httplib::Server server;
  std::shared_ptr<StopSignal> stop = std::make_shared<StopSignal>();
  mutable std::mutex mutex;
  Reply reply;
  std::vector<RecordedRequest> requests;
  int port = 0;
  std::atomic<bool> finished{false};
  std::thread thread;

  void Answer(const httplib::Request& req, httplib::Response& res) {
    Reply r;
    {
      std::lock_guard lock(mutex);
      RecordedRequest recorded;
      recorded.method = req.method;
      recorded.target = req.target;
      recorded.headers.insert(req.headers.begin(), req.headers.end());
      requests.push_back(std::move(recorded));
      r = reply;
    }
    if (r.delay.count() > 0 && !stop->WaitFor(r.delay)) {
      res.status = 503;
      return;
    }

    res.status = r.status;
    if (!r.redirectTo.empty()) {
      if (r.status < 300 || r.status > 399) res.status = 302;
      res.set_header("Location", r.redirectTo);
    }
    for (const auto& [name, value] : r.headers) res.set_header(name, value);

    if (!NeedsWriter(r)) {
      res.set_content(r.body, r.contentType);
    } else {
      auto writer = std::make_shared<BodyWriter>(r, stop);
      if (r.chunked) {
        res.set_chunked_content_provider(r.contentType, [writer](std::size_t offset, httplib::DataSink& sink) {
          return writer->Step(offset, sink);
        });
      } else {
        res.set_content_provider(
            r.body.size(), r.contentType,
            [writer](std::size_t offset, std::size_t, httplib::DataSink& sink) {
              return writer->Step(offset, sink);
            });
      }
    }
    // An empty type leaves the server's own default.
    if (r.contentType.empty()) res.headers.erase("Content-Type");
  }
};

LoopbackSite::LoopbackSite(Reply reply) : impl_(std::make_unique<Impl>()) {
  Impl& impl = *impl_;
  impl.reply = std::move(reply);
  // Pieces must leave as separate segments, or the drip and chunk tests
  // would only test the kernel's coalescing.
  impl.server.set_tcp_nodelay(true);
  impl.server.set_keep_alive_max_count(1);
  impl.server.Get(".*", [&impl](const httplib::Request& req, httplib::Response& res) {
    impl.Answer(req, res);
  });
  impl.port = impl.server.bind_to_any_port(kLoopback);
  if (impl.port <= 0) throw std::runtime_error("loopback site: no free port");
  // Connections queue in the listen backlog until the thread accepts them.
  impl.thread = std::thread([&impl] {
    impl.server.listen_after_bind();
    impl.finished = true;
  });
}

LoopbackSite::~LoopbackSite() { Stop(); }

int LoopbackSite::Port() const { return impl_->port; }

std::string LoopbackSite::Url(const std::string& target) const {
  return "http://127.0.0.1:" + std::to_string(impl_->port) + target;
}

std::u16string LoopbackSite::Url16(const std::string& target) const {
  return rt::FromUtf8(Url(target));
}

void LoopbackSite::SetReply(Reply reply) {
  std::lock_guard lock(impl_->mutex);
  impl_->reply = std::move(reply);
}

std::vector<RecordedRequest> LoopbackSite::Requests() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->requests;
}

void LoopbackSite::Stop() {
  Impl& impl = *impl_;
  if (!impl.thread.joinable()) return;
  impl.stop->Raise();
  // stop() is a no-op until the accept loop runs, so wait for it to start.
  while (!impl.server.is_running() && !impl.finished) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  impl.server.stop();
  impl.thread.join();
}

ClosedPort::ClosedPort() { port_ = BindFreePort(fd_); }

ClosedPort::~ClosedPort() {
  if (fd_ >= 0) ::close(fd_);
}

SilentListener::SilentListener() {
  port_ = BindFreePort(fd_);
  if (::listen(fd_, 16) != 0) {
    ::close(fd_);
    throw std::runtime_error("listen failed");
  }
}

SilentListener::~SilentListener() {
  if (fd_ >= 0) ::close(fd_);
}

std::string ReadTestData(const std::string& name) {
  const std::string path = std::string(QUILLON_TEST_DATA) + "/" + name;
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("missing test data: " + path);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace testsupport
