// The test modes: one fixed page file on 127.0.0.1, optionally slow or with
// another status, for the acceptance suite and the desktop's tests.
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <thread>

#include "commands.h"
#include "http.h"
#include "listen.h"

namespace site {
namespace {

constexpr const char* kTestContentType = "text/html; charset=iso-8859-1";

struct Options {
  std::string page;
  int port = 0;
  std::string portFile;
  int delayMs = 0;
  int status = 200;
};

Options Parse(int argc, char** argv) {
  Options o;
  ForEachOption(argc, argv, 1, [&](const std::string& name, const char* value) {
    if (name == "--page") {
      o.page = value;
    } else if (name == "--port") {
      o.port = Number(value, 0, 65535, "bad --port");
    } else if (name == "--port-file") {
      o.portFile = value;
    } else if (name == "--delay-ms") {
      o.delayMs = Number(value, 0, 600'000, "bad --delay-ms");
    } else if (name == "--status") {
      o.status = Number(value, 100, 599, "bad --status");
    } else {
      return false;
    }
    return true;
  });
  if (o.page.empty()) Usage("--page is required");
  return o;
}

}  // namespace

int RunTestSite(int argc, char** argv) {
  const Options options = Parse(argc, argv);
  std::ifstream in(options.page, std::ios::binary);
  if (!in) {
    std::cerr << "quillon-rates-site: cannot read " << options.page << "\n";
    return 2;
  }
  const std::string page{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};

  httplib::Server server;
  server.Get(kPagePath, [&](const httplib::Request&, httplib::Response& res) {
    if (options.delayMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(options.delayMs));
    res.status = options.status;
    res.set_content(page, kTestContentType);
  });
  server.set_logger([](const httplib::Request& req, const httplib::Response& res) {
    std::cerr << req.method << " " << req.target << " " << res.status << "\n";
  });
  return ServeUntilStopped(server, "127.0.0.1", options.port, options.portFile);
}

}  // namespace site
