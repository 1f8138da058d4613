// quillon-test-site: one fixed page file on 127.0.0.1, optionally slow or
// with another status, for the acceptance suite, the desktop's tests and the
// benchmarks. Not shipped.
//   quillon-test-site --page FILE [--port N] [--port-file F] [--delay-ms N] [--status N]
#include <httplib.h>
#include <sys/socket.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <thread>

#include "feed.h"
#include "files.h"
#include "http.h"
#include "listen.h"

namespace {

constexpr const char* kContentType = "text/html; charset=iso-8859-1";

struct Options {
  std::string page;
  int port = 0;
  std::string portFile;
  int delayMs = 0;
  int status = 200;
};

[[noreturn]] void Usage(const std::string& why) {
  std::cerr << "quillon-test-site: " << why << "\n"
            << "usage: quillon-test-site --page FILE [--port N] [--port-file F] [--delay-ms N] [--status N]\n";
  std::exit(2);
}

int Number(const std::string& text, int low, int high, const std::string& name) {
  char* end = nullptr;
  const long value = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || value < low || value > high) Usage("bad " + name);
  return static_cast<int>(value);
}

Options Parse(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; i += 2) {
    const std::string name = argv[i];
    if (i + 1 >= argc) Usage("missing value after " + name);
    const std::string value = argv[i + 1];
    if (name == "--page") {
      o.page = value;
    } else if (name == "--port") {
      o.port = Number(value, 0, 65535, name);
    } else if (name == "--port-file") {
      o.portFile = value;
    } else if (name == "--delay-ms") {
      o.delayMs = Number(value, 0, 600'000, name);
    } else if (name == "--status") {
      o.status = Number(value, 100, 599, name);
    } else {
      Usage("unknown option " + name);
    }
  }
  if (o.page.empty()) Usage("--page is required");
  return o;
}

}  // namespace

int main(int argc, char** argv) {
  site::BlockStopSignals();
  const Options options = Parse(argc, argv);
  std::ifstream in(options.page, std::ios::binary);
  if (!in) {
    std::cerr << "quillon-test-site: cannot read " << options.page << "\n";
    return 2;
  }
  const std::string page{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};

  httplib::Server server;
  server.new_task_queue = [] { return new httplib::ThreadPool(64); };
  server.set_tcp_nodelay(true);
  server.Get(site::kPagePath, [&](const httplib::Request&, httplib::Response& res) {
    if (options.delayMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(options.delayMs));
    res.status = options.status;
    res.set_content(page, kContentType);
  });
  server.set_logger([](const httplib::Request& req, const httplib::Response& res) {
    std::cerr << req.method << " " << req.target << " " << res.status << "\n";
  });

  // Debian's compiled cpp-httplib listens with a backlog of 5, so a burst of
  // clients would wait for SYN retries; listening again only raises it. The
  // last socket made is the bound one.
  int listening = -1;
  server.set_socket_options([&listening](socket_t socket) {
    httplib::default_socket_options(socket);
    listening = socket;
  });
  const int port = options.port == 0 ? server.bind_to_any_port("127.0.0.1")
                                     : (server.bind_to_port("127.0.0.1", options.port) ? options.port : -1);
  if (port <= 0) {
    std::cerr << "quillon-test-site: cannot listen on 127.0.0.1:" << options.port << "\n";
    return 1;
  }
  server.set_socket_options(httplib::default_socket_options);
  ::listen(listening, SOMAXCONN);
  if (!options.portFile.empty()) {
    try {
      site::ReplaceFile(options.portFile, std::to_string(port) + "\n");
    } catch (const site::Unusable& e) {
      std::cerr << "quillon-test-site: " << e.what() << "\n";
      return 1;
    }
  }
  std::cout << port << std::endl;

  std::atomic<bool> finished{false};
  std::thread serving([&server, &finished] {
    server.listen_after_bind();
    finished = true;
  });
  while (!site::WaitForStopSignal(std::chrono::seconds(1))) {
  }
  // stop() does nothing until the accept loop has started.
  while (!server.is_running() && !finished) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  server.stop();
  serving.join();
  return 0;
}
