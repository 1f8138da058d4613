// serve as a client on the internet meets it: raw bytes in, statuses out,
// and whether the connection stays; the page kept for ordinary clients while
// others hold connections; a listener that cannot go away unnoticed.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>
#include <gtest/gtest.h>
#include <regex>
#include <thread>

#include "http.h"
#include "listen.h"
#include "service.h"
#include "support/loopback_site.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

const std::string kPage = "/cgi-bin/cgicalc.cgi";

struct Response {
  int status = 0;
  std::string head;
  std::string body;
  bool Has(const std::string& field) const { return head.find("\r\n" + field) != std::string::npos; }
};

// A client on a raw socket, from any loopback address.
class Raw {
 public:
  Raw(int port, const char* from = "127.0.0.1", bool connectNow = true) : port_(port) {
    fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in local{AF_INET, 0, {}, {}};
    inet_pton(AF_INET, from, &local.sin_addr);
    bind(fd_, reinterpret_cast<sockaddr*>(&local), sizeof local);
    if (connectNow) Connect();
  }
  ~Raw() { close(fd_); }
  // Needs no new descriptor, so it works where making the socket would not.
  void Connect() {
    sockaddr_in server{AF_INET, htons(static_cast<std::uint16_t>(port_)), {}, {}};
    inet_pton(AF_INET, "127.0.0.1", &server.sin_addr);
    connected_ = connect(fd_, reinterpret_cast<sockaddr*>(&server), sizeof server) == 0;
  }
  bool Connected() const { return connected_; }

  // What the server does not read may reset the connection: that is its
  // answer too, so write errors are not failures here.
  void Send(const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
      const ssize_t n = send(fd_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
      if (n <= 0) return;
      done += static_cast<std::size_t>(n);
    }
  }

  // Up to count whole responses; a HEAD's response has no body.
  std::vector<Response> Read(std::size_t count, bool head = false, std::chrono::milliseconds wait = 5s) {
    std::vector<Response> out;
    const auto until = Clock::now() + wait;
    while (out.size() < count) {
      const auto end = buffer_.find("\r\n\r\n");
      if (end != std::string::npos) {
        Response r;
        r.head = buffer_.substr(0, end + 2);
        r.status = std::atoi(r.head.c_str() + r.head.find(' ') + 1);
        std::size_t length = 0;
        std::smatch m;
        static const std::regex contentLength("\r\nContent-Length: (\\d+)\r\n", std::regex::icase);
        if (!head && r.status != 304 && std::regex_search(r.head, m, contentLength)) length = std::stoul(m[1]);
        if (buffer_.size() >= end + 4 + length) {
          r.body = buffer_.substr(end + 4, length);
          buffer_.erase(0, end + 4 + length);
          out.push_back(r);
          continue;
        }
      }
      if (!Fill(until)) break;
    }
    return out;
  }

  // True when the server closed the connection (end of stream or reset).
  bool ClosedWithin(std::chrono::milliseconds wait) {
    const auto until = Clock::now() + wait;
    while (Fill(until)) {
    }
    return closed_;
  }

 private:
  bool Fill(Clock::time_point until) {
    if (closed_) return false;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now()).count();
    pollfd p{fd_, POLLIN, 0};
    if (left <= 0 || poll(&p, 1, static_cast<int>(left)) <= 0) return false;
    char chunk[65536];
    const ssize_t n = recv(fd_, chunk, sizeof chunk, 0);
    if (n <= 0) {
      closed_ = true;
      return false;
    }
    buffer_.append(chunk, static_cast<std::size_t>(n));
    return true;
  }

  int port_;
  int fd_ = -1;
  bool connected_ = false;
  bool closed_ = false;
  std::string buffer_;
};

class Serving : public testing::Test {
 protected:
  void Start(site::ServerLimits limits = {}, const std::string& feed = "") {
    const std::string source = feed.empty() ? (fs::path(QUILLON_TEST_DATA) / "eurofxref-daily-2023-12-29.xml").string() : feed;
    service_ = std::make_unique<site::RatesService>(source, "", site::DefaultLimits(), [](const std::string&) {});
    service_->Refresh();
    server_ = std::make_unique<site::HttpServer>(*service_, limits, [this](const std::string& line) {
      std::lock_guard lock(mutex_);
      log_.push_back(line);
    });
    port_ = server_->Start("127.0.0.1", 0);
  }
  std::string Get(const std::string& target, const std::string& fields = "") {
    return "GET " + target + " HTTP/1.1\r\nHost: rates\r\n" + fields + "\r\n";
  }

  // The server's thread writes the log until the server is gone, so the log
  // is declared first and destroyed last.
  std::mutex mutex_;
  std::vector<std::string> log_;
  std::unique_ptr<site::RatesService> service_;
  std::unique_ptr<site::HttpServer> server_;
  int port_ = 0;
};

struct Exchange {
  const char* name;
  std::string bytes;  // {etag} stands for the page's entity tag
  std::vector<int> statuses;
  bool closes;
  bool head = false;
};

TEST_F(Serving, RawRequestsAndTheirAnswers) {
  Start();
  const auto page = service_->Current();
  ASSERT_NE(page, nullptr);
  const std::string get = Get(kPage + "?value=1&base=EUR");
  std::string flood = "GET /health HTTP/1.1\r\nHost: rates\r\n";
  for (int i = 0; i < 200; ++i) flood += "X-Field-" + std::to_string(i) + ": x\r\n";
  const Exchange rows[] = {
      {"one GET", get, {200}, false},
      {"pipelined pair", get + Get("/health"), {200, 200}, false},
      {"HEAD", "HEAD " + kPage + " HTTP/1.1\r\nHost: rates\r\n\r\n", {200}, false, true},
      {"304 for the same tag", Get(kPage, "If-None-Match: {etag}\r\n"), {304}, false},
      {"304 then a pipelined GET", Get(kPage, "If-None-Match: {etag}\r\n") + get, {304, 200}, false},
      {"other path", Get("/index.html"), {404}, false},
      {"POST with a 100 MB length, no body sent",
       "POST " + kPage + " HTTP/1.1\r\nHost: rates\r\nContent-Length: 100000000\r\n\r\n", {405}, true},
      {"PUT, body under way", "PUT /health HTTP/1.1\r\nHost: rates\r\nContent-Length: 10\r\n\r\nabc", {405}, true},
      {"200 header fields", flood + "\r\n", {431}, true},
      {"one 64 KiB header field", "GET /health HTTP/1.1\r\nHost: rates\r\nX-Big: " + std::string(64 << 10, 'x') + "\r\n\r\n",
       {431}, true},
      {"HTTP/1.0 without keep-alive", "GET /health HTTP/1.0\r\n\r\n", {200}, true},
  };
  for (const Exchange& row : rows) {
    SCOPED_TRACE(row.name);
    Raw client(port_);
    ASSERT_TRUE(client.Connected());
    client.Send(std::regex_replace(row.bytes, std::regex("\\{etag\\}"), page->etag));
    const std::vector<Response> got = client.Read(row.statuses.size(), row.head);
    std::vector<int> statuses;
    for (const Response& r : got) {
      statuses.push_back(r.status);
      EXPECT_TRUE(r.Has("Date: ")) << r.head;
      if (r.status == 304) {
        // RFC 9110 15.4.5 and 8.6: the validators, no content metadata, no
        // length but the 200's.
        EXPECT_TRUE(r.Has("ETag: " + page->etag)) << r.head;
        EXPECT_FALSE(r.Has("Content-Type:")) << r.head;
        EXPECT_FALSE(r.Has("Content-Length:") && !r.Has("Content-Length: " + std::to_string(page->html.size())))
            << r.head;
      }
      if (r.status == 405) {
        EXPECT_TRUE(r.Has("Allow: GET, HEAD")) << r.head;
      }
      if (row.head) {
        EXPECT_TRUE(r.Has("Content-Length: " + std::to_string(page->html.size()))) << r.head;
      }
    }
    EXPECT_EQ(statuses, row.statuses);
    if (row.closes) {
      EXPECT_TRUE(client.ClosedWithin(3s));
    } else {
      // Still open, and nothing stray in the stream: the next request is
      // answered as the first would be.
      client.Send(Get("/health"));
      const auto next = client.Read(1);
      ASSERT_EQ(next.size(), 1u);
      EXPECT_EQ(next[0].status, 200);
    }
  }
  // The library's own refusals reach the log, each on one line.
  std::lock_guard lock(mutex_);
  for (const std::string& line : log_) EXPECT_EQ(line.find('\n'), std::string::npos) << line;
}

TEST_F(Serving, ThePageWithItsCachingHeadersAndHealth) {
  Start();
  Raw client(port_);
  client.Send(Get(kPage + "?value=5&base=USD") + Get("/health"));
  const auto got = client.Read(2);
  ASSERT_EQ(got.size(), 2u);
  EXPECT_TRUE(got[0].Has("Content-Type: text/html; charset=utf-8")) << got[0].head;
  EXPECT_TRUE(got[0].Has("Cache-Control: public, max-age=300")) << got[0].head;
  EXPECT_TRUE(std::regex_search(got[0].head, std::regex("\r\nETag: \"[0-9a-f]{16}\"\r\n"))) << got[0].head;
  EXPECT_TRUE(std::regex_search(got[0].head, std::regex("\r\nLast-Modified: [A-Z][a-z]{2}, \\d\\d [A-Z][a-z]{2} "
                                                        "\\d{4} \\d\\d:\\d\\d:\\d\\d GMT\r\n")))
      << got[0].head;
  EXPECT_EQ(got[0].body, service_->Current()->html);
  EXPECT_TRUE(std::regex_match(got[1].body, std::regex("\\{\"status\": \"ok\", \"rates_date\": \"2023-12-29\", "
                                                       "\"last_good_fetch\": \"[0-9T:Z-]{20}\", "
                                                       "\"last_error\": null, \"not_kept\": null\\}\n")))
      << got[1].body;
}

TEST_F(Serving, NoPageBeforeTheFirstGoodFeed) {
  support::ClosedPort down;
  Start({}, "http://127.0.0.1:" + std::to_string(down.Port()) + "/d.xml");
  Raw client(port_);
  client.Send(Get(kPage) + Get("/health"));
  const auto got = client.Read(2);
  ASSERT_EQ(got.size(), 2u);
  EXPECT_EQ(got[0].status, 503);
  EXPECT_TRUE(got[0].Has("Retry-After: 60")) << got[0].head;
  EXPECT_EQ(got[1].status, 503);
  EXPECT_NE(got[1].body.find("\"status\": \"no rates\""), std::string::npos) << got[1].body;
  EXPECT_NE(got[1].body.find("Couldn't connect"), std::string::npos) << got[1].body;
}

// One address holding its whole share and one more, idle or dripping a
// byte at a time: its extra connection is refused, an ordinary client is
// answered at once, and the held ones go at the head deadline.
TEST_F(Serving, OrdinaryClientsAreAnsweredWhileConnectionsAreHeld) {
  site::ServerLimits limits;
  limits.connections = 64;
  limits.perAddress = 8;
  limits.headerTimeout = 3s;
  Start(limits);
  std::vector<std::unique_ptr<Raw>> held;
  for (unsigned i = 0; i <= limits.perAddress; ++i) {
    held.push_back(std::make_unique<Raw>(port_, "127.0.0.2"));
    ASSERT_TRUE(held.back()->Connected());
    if (i % 2 == 0) held.back()->Send("G");
  }
  EXPECT_TRUE(held.back()->ClosedWithin(2s)) << "the connection over the per-address limit was kept";

  const auto asked = Clock::now();
  Raw ordinary(port_);
  ordinary.Send(Get(kPage));
  const auto got = ordinary.Read(1, false, 2s);
  ASSERT_EQ(got.size(), 1u) << "no answer within 2 s";
  EXPECT_EQ(got[0].status, 200);
  EXPECT_LT(Clock::now() - asked, 2s);

  for (std::size_t i = 0; i + 1 < held.size(); ++i) {
    held[i]->Send("E");
    EXPECT_TRUE(held[i]->ClosedWithin(5s)) << "connection " << i << " outlived the head deadline";
  }
}

// An accept that fails for want of descriptors is retried: the port keeps
// answering once descriptors are free again.
TEST_F(Serving, TheListenerOutlivesAnAcceptFailure) {
  Start();
  // Its socket exists before the limit drops; it connects after, so the
  // server's accept meets the limit with no connection open. (With one open,
  // the library stops accepting until a connection closes.)
  Raw waiting(port_, "127.0.0.1", false);
  rlimit before{};
  getrlimit(RLIMIT_NOFILE, &before);
  // A new descriptor takes the lowest free number: with the limit there,
  // none can be made.
  const int lowestFree = open("/dev/null", O_RDONLY | O_CLOEXEC);
  close(lowestFree);
  rlimit none = before;
  none.rlim_cur = static_cast<rlim_t>(lowestFree);
  setrlimit(RLIMIT_NOFILE, &none);
  waiting.Connect();
  waiting.Send(Get("/health"));
  std::this_thread::sleep_for(300ms);
  setrlimit(RLIMIT_NOFILE, &before);

  const auto got = waiting.Read(1, false, 5s);
  ASSERT_EQ(got.size(), 1u);
  EXPECT_EQ(got[0].status, 200);
  Raw later(port_);
  later.Send(Get("/health"));
  const auto next = later.Read(1);
  std::lock_guard lock(mutex_);
  std::string said;
  for (const auto& line : log_) said += line + "\n";
  ASSERT_EQ(next.size(), 1u) << said;
  EXPECT_TRUE(server_->Listening());
  EXPECT_NE(said.find("Too many open files"), std::string::npos) << "no accept failed:\n" << said;
  // The library retries in a busy loop; its message is not repeated each time.
  EXPECT_LT(log_.size(), 10u) << said;
}

// A listening socket taken away without a stop request ends the serving loop
// with status 1 and a line saying why.
TEST_F(Serving, AListenerThatStopsEndsTheProcess) {
  Start();
  int listening = -1;
  for (const auto& entry : fs::directory_iterator("/proc/self/fd")) {
    const int fd = std::stoi(entry.path().filename().string());
    sockaddr_in address{};
    socklen_t size = sizeof address;
    int accepting = 0;
    socklen_t flagSize = sizeof accepting;
    if (getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) == 0 && address.sin_family == AF_INET &&
        ntohs(address.sin_port) == port_ &&
        getsockopt(fd, SOL_SOCKET, SO_ACCEPTCONN, &accepting, &flagSize) == 0 && accepting == 1) {
      listening = fd;
    }
  }
  ASSERT_GE(listening, 0);
  std::vector<std::string> lines;
  auto log = [&lines](const std::string& line) { lines.push_back(line); };
  const auto neverStop = [](std::chrono::milliseconds wait) {
    std::this_thread::sleep_for(wait);
    return false;
  };
  const int devNull = open("/dev/null", O_RDONLY | O_CLOEXEC);
  dup2(devNull, listening);
  close(devNull);
  EXPECT_EQ(site::KeepServing(*server_, neverStop, log), 1);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0].find("listening socket is gone"), std::string::npos) << lines[0];
}

}  // namespace
