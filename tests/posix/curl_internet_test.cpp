// The libcurl session through net::GetUrlText, against loopback servers.
#include "platform/posix/curl_internet.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "net/get_url.h"
#include "runtime/text.h"
#include "support/loopback_site.h"

namespace {

using namespace std::chrono_literals;
using platform::DownloadLimits;
using platform::posix::CurlInternet;
using support::ClosedPort;
using support::LoopbackSite;
using support::Reply;
using support::SilentListener;

// Short limits keep the failure cases fast.
DownloadLimits Quick() {
  DownloadLimits limits;
  limits.connectTimeout = 1000ms;
  limits.stallTimeout = 1000ms;
  return limits;
}

std::string Bytes(std::size_t n) {
  std::string s;
  for (std::size_t i = 0; i < n; ++i) s += static_cast<char>('!' + i % 90);
  return s;
}

std::u16string Text(const std::string& ascii) { return runtime::FromUtf8(ascii); }

std::u16string Local(int port, const std::string& scheme = "http") {
  return Text(scheme + "://127.0.0.1:" + std::to_string(port) + "/cgi-bin/cgicalc.cgi?value=1&base=EUR");
}

TEST(CurlGetUrlText, BodiesArriveExactlyWhateverTheirSizeAndDelivery) {
  CurlInternet net(Quick());
  LoopbackSite site;
  const struct {
    const char* name;
    std::size_t size;
    bool chunked;
    std::vector<std::size_t> pieces;
  } rows[] = {
      {"empty", 0, false, {}}, {"empty, chunked", 0, true, {}}, {"one byte", 1, false, {}},
      {"one short of a read buffer", 255, false, {}}, {"one read buffer", 256, false, {}},
      {"one read buffer, one chunk", 256, true, {256}}, {"one over a read buffer", 257, false, {}},
      {"uneven chunks", 1000, true, {1, 7, 300, 2, 999}}, {"in pieces", 1000, false, {13}},
      {"large, chunked", 70000, true, {4096, 1, 17, 8000}},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    site.SetReply(Reply{.body = Bytes(row.size), .chunked = row.chunked, .pieces = row.pieces});
    EXPECT_EQ(net::GetUrlText(net, site.Url16()), Text(Bytes(row.size)));
  }
  EXPECT_EQ(site.Requests().size(), std::size(rows));
}

struct Address {
  const char* name;
  std::u16string url;
};
// Addresses that neither call can use; .example names never resolve.
const Address kUnusable[] = {{"empty", u""}, {"not a url", u"not a url"}, {"no host", u"http://"},
                             {"not http", u"file:///etc/hostname"},
                             {"unresolvable", u"http://rates.quillon.example/cgi-bin/cgicalc.cgi?value=1&base=EUR"}};

TEST(CurlGetUrlText, AnAddressItCannotFetchGivesTheEmptyText) {
  CurlInternet net(Quick());
  ClosedPort closed;
  LoopbackSite plain(Reply{.body = "plain"});
  std::vector<Address> rows = {{"refused", Local(closed.Port())},
                               {"https on a plain server fails the handshake", Local(plain.Port(), "https")}};
  rows.insert(rows.end(), std::begin(kUnusable), std::end(kUnusable));
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(net::GetUrlText(net, row.url), u"");
  }
}

// The test connects and sends nothing; schemes other than http and https are
// not its to answer.
TEST(CurlInternetSession, ReachabilityIsAPlainConnectionToHostAndPort) {
  CurlInternet net(Quick());
  LoopbackSite site;
  SilentListener silent;
  ClosedPort closed;
  const struct {
    const char* name;
    std::u16string url;
    bool reachable;
  } rows[] = {
      {"http", site.Url16(), true},
      {"https on a plain server: no handshake is attempted", Local(site.Port(), "https"), true},
      {"a server that accepts and never answers", Local(silent.Port()), true},
      {"ftp", Local(site.Port(), "ftp"), false},
      {"refused", Local(closed.Port()), false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(net.InternetCheckConnectionA(row.url, 1, 0) != 0, row.reachable);
  }
  for (const auto& row : kUnusable) EXPECT_EQ(net.InternetCheckConnectionA(row.url, 1, 0), 0) << row.name;
  EXPECT_TRUE(site.Requests().empty());
}

// Once the final response's headers are in, the request opens whatever
// becomes of the body (a stall ends it the same way: see the failing-network
// tests, which run the slow cases).
TEST(CurlInternetSession, AConnectionDroppedAfterTheHeadersKeepsWhatArrived) {
  CurlInternet net(Quick());
  const auto root = net.InternetOpenA(u"vb wininet", 1, u"", u"", 0);
  const struct {
    const char* name;
    bool chunked;
    std::size_t dropAfter;
  } rows[] = {{"mid-body", false, 500}, {"mid-body, chunked", true, 500}, {"right after the headers", false, 0}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    LoopbackSite site(Reply{.body = Bytes(1000), .chunked = row.chunked, .pieces = {100}, .dropAfter = row.dropAfter});
    const auto request = net.InternetOpenUrlA(root, site.Url16(), u"", 0, 0x04000000, 0);
    ASSERT_NE(request, 0u);
    std::string body;
    char buffer[256];
    std::uint32_t count = 0;
    do {
      ASSERT_TRUE(net.InternetReadFile(request, buffer, sizeof buffer, count));
      body.append(buffer, count);
    } while (count > 0);
    EXPECT_EQ(body, Bytes(row.dropAfter));
    EXPECT_TRUE(net.InternetCloseHandle(request));
  }
  EXPECT_TRUE(net.InternetCloseHandle(root));
}

TEST(CurlGetUrlText, Windows1252IsTheDefaultDecoding) {
  CurlInternet net(Quick());
  std::string high;
  for (int b = 0x80; b <= 0xFF; ++b) high += static_cast<char>(b);
  for (const char* type : {"text/html; charset=iso-8859-1", "text/html", ""}) {
    LoopbackSite site(Reply{.contentType = type, .body = "x" + high});
    const std::u16string text = net::GetUrlText(net, site.Url16());
    ASSERT_EQ(text.size(), 129u) << type;
    EXPECT_EQ(text[1], u'\u20AC') << type;    // 0x80
    EXPECT_EQ(text[0x1A], u'\u2122') << type; // 0x99
    EXPECT_EQ(text[0x20], u'\u0178') << type; // 0x9F
    EXPECT_EQ(text[0x6A], u'\u00E9') << type; // 0xE9
  }
}

TEST(CurlGetUrlText, AUtf8PageDecodesEvenWhenACharacterIsSplitAcrossChunks) {
  CurlInternet net(Quick());
  Reply reply;
  reply.contentType = "text/html; Charset=\"UTF-8\"";
  reply.body = "1 \xE2\x82\xAC = 1.1689 US Dollar, 0.8747 \xC2\xA3";
  reply.chunked = true;
  reply.pieces = {3, 1, 1};  // the Euro sign arrives in three chunks
  LoopbackSite site(reply);
  EXPECT_EQ(net::GetUrlText(net, site.Url16()), u"1 \u20AC = 1.1689 US Dollar, 0.8747 \u00A3");
}

TEST(CurlInternetSession, ReportsTheCharsetOfTheFinalResponseLowerCased) {
  CurlInternet net(Quick());
  LoopbackSite site;
  const auto root = net.InternetOpenA(u"vb wininet", 1, u"", u"", 0);
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"text/html; charset=ISO-8859-1", "iso-8859-1"},
      {"text/html;charset=\"UTF-8\"", "utf-8"},
      {"text/html; format=flowed; CHARSET = Windows-1252 ", "windows-1252"},
      {"text/html", ""},
  };
  for (const auto& [type, charset] : cases) {
    site.SetReply(Reply{.contentType = type, .body = "x"});
    const auto request = net.InternetOpenUrlA(root, site.Url16(), u"", 0, 0x04000000, 0);
    ASSERT_NE(request, 0u);
    EXPECT_EQ(net.ResponseCharset(request), charset) << type;
    net.InternetCloseHandle(request);
  }
  net.InternetCloseHandle(root);
}

TEST(CurlInternetSession, SendsTheAgentDirectlyWithNoExtraHeadersWhateverTheProxySettings) {
  ClosedPort proxy;
  const std::string proxyUrl = "http://127.0.0.1:" + std::to_string(proxy.Port());
  const std::vector<const char*> names = {"http_proxy", "HTTP_PROXY", "https_proxy", "ALL_PROXY", "all_proxy"};
  for (const char* name : names) setenv(name, proxyUrl.c_str(), 1);
  unsetenv("no_proxy");
  unsetenv("NO_PROXY");

  CurlInternet net(Quick());
  LoopbackSite site(Reply{.body = "direct"});
  const std::u16string text = net::GetUrlText(net, site.Url16());
  for (const char* name : names) unsetenv(name);

  EXPECT_EQ(text, u"direct");
  const auto requests = site.Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].method, "GET");
  EXPECT_EQ(requests[0].target, "/cgi-bin/cgicalc.cgi?value=1&base=EUR");
  EXPECT_EQ(requests[0].Header("User-Agent"), "vb wininet");
  for (const auto& [name, value] : requests[0].headers) {
    // httplib adds the peer's address to what it received.
    if (name == "REMOTE_ADDR" || name == "REMOTE_PORT" || name == "LOCAL_ADDR" || name == "LOCAL_PORT") continue;
    EXPECT_TRUE(name == "Host" || name == "User-Agent" || name == "Accept") << name << ": " << value;
  }
}

TEST(CurlInternetSession, PassesHeadersGivenToTheRequest) {
  CurlInternet net(Quick());
  LoopbackSite site;
  const auto root = net.InternetOpenA(u"agent 2", 1, u"", u"", 0);
  const auto request = net.InternetOpenUrlA(root, site.Url16(), u"X-One: 1\r\nX-Two: 2\r\nX-Three: 3",
                                            20, 0, 0);
  ASSERT_NE(request, 0u);
  net.InternetCloseHandle(root);
  const auto requests = site.Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].Header("User-Agent"), "agent 2");
  EXPECT_EQ(requests[0].Header("X-One"), "1");
  EXPECT_EQ(requests[0].Header("X-Two"), "2");
  EXPECT_EQ(requests[0].Header("X-Three"), "");  // beyond the given length
}

TEST(CurlInternetSession, RedirectsAreFollowedToTheirEndButNotForever) {
  CurlInternet net(Quick());
  LoopbackSite target(Reply{.body = "the rates"});
  LoopbackSite hop(Reply{.status = 301, .body = "moved", .redirectTo = target.Url("/rates.html")});
  LoopbackSite first(Reply{.body = "see other", .redirectTo = hop.Url()});
  EXPECT_EQ(net::GetUrlText(net, first.Url16()), u"the rates");
  ASSERT_EQ(target.Requests().size(), 1u);
  EXPECT_EQ(target.Requests()[0].target, "/rates.html");
  EXPECT_EQ(target.Requests()[0].Header("User-Agent"), "vb wininet");

  // A chain that never ends, or ends nowhere, opens no request at all.
  const auto root = net.InternetOpenA(u"vb wininet", 1, u"", u"", 0);
  LoopbackSite loop;
  loop.SetReply(Reply{.body = "again", .redirectTo = loop.Url("/again")});
  EXPECT_EQ(net.InternetOpenUrlA(root, loop.Url16(), u"", 0, 0x04000000, 0), 0u);
  EXPECT_EQ(loop.Requests().size(), 11u);  // the first request and ten redirects

  ClosedPort closed;
  LoopbackSite nowhere(Reply{.body = "gone", .redirectTo = "http://127.0.0.1:" + std::to_string(closed.Port()) + "/"});
  EXPECT_EQ(net.InternetOpenUrlA(root, nowhere.Url16(), u"", 0, 0x04000000, 0), 0u);
  EXPECT_EQ(net::GetUrlText(net, nowhere.Url16()), u"");
  net.InternetCloseHandle(root);
}

TEST(CurlInternetSession, ABodyOverTheCapIsCutAtTheCap) {
  DownloadLimits limits = Quick();
  limits.maxBodyBytes = 1000;
  CurlInternet net(limits);
  for (bool chunked : {false, true}) {
    Reply reply;
    reply.body = Bytes(5000);
    reply.chunked = chunked;
    reply.pieces = {333};
    LoopbackSite site(reply);
    EXPECT_EQ(net::GetUrlText(net, site.Url16()), Text(reply.body.substr(0, 1000))) << chunked;
  }
  LoopbackSite exact(Reply{.body = Bytes(1000)});
  EXPECT_EQ(net::GetUrlText(net, exact.Url16()).size(), 1000u);
}

// Closing a root closes its requests too.
TEST(CurlInternetSession, AHandleNeverGivenOrClosedIsRefused) {
  CurlInternet net(Quick());
  LoopbackSite site(Reply{.body = "abc"});
  const auto root = net.InternetOpenA(u"vb wininet", 1, u"", u"", 0);
  ASSERT_NE(root, 0u);
  const auto request = net.InternetOpenUrlA(root, site.Url16(), u"", 0, 0, 0);
  ASSERT_NE(request, 0u);
  EXPECT_NE(request, root);
  char buffer[2];
  std::uint32_t count = 0;
  for (const std::string piece : {"ab", "c", ""}) {
    EXPECT_TRUE(net.InternetReadFile(request, buffer, 2, count));
    EXPECT_EQ(std::string(buffer, count), piece);
  }
  EXPECT_TRUE(net.InternetCloseHandle(root));
  const struct {
    const char* name;
    platform::HInternet handle;
  } rows[] = {{"never given", 12345}, {"a request of a closed root", request}, {"a closed root", root}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(net.InternetOpenUrlA(row.handle, site.Url16(), u"", 0, 0, 0), 0u);
    count = 7;
    EXPECT_FALSE(net.InternetReadFile(row.handle, buffer, 2, count));
    EXPECT_EQ(count, 0u);
    EXPECT_FALSE(net.InternetCloseHandle(row.handle));
    EXPECT_EQ(net.ResponseCharset(row.handle), "");
  }
}

}  // namespace
