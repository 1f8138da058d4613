// quillon-rates-site: serves one rates page on 127.0.0.1 for demos and
// acceptance runs, so Quillon can be tried without the real rates site.
#include <httplib.h>
#include <signal.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <thread>

namespace {

constexpr const char* kPagePath = "/cgi-bin/cgicalc.cgi";
constexpr const char* kContentType = "text/html; charset=iso-8859-1";

struct Options {
  std::string page;
  int port = 0;
  std::string portFile;
  int delayMs = 0;
  int status = 200;
};

[[noreturn]] void Usage(const char* why) {
  std::cerr << "quillon-rates-site: " << why << "\n"
            << "usage: quillon-rates-site --page FILE [--port N] [--port-file F] [--delay-ms N] "
               "[--status N]\n";
  std::exit(2);
}

int Number(const char* text, int low, int high, const char* what) {
  char* end = nullptr;
  const long value = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || value < low || value > high) Usage(what);
  return static_cast<int>(value);
}

Options Parse(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (i + 1 >= argc) Usage(("missing value after " + arg).c_str());
    const char* value = argv[++i];
    if (arg == "--page") {
      o.page = value;
    } else if (arg == "--port") {
      o.port = Number(value, 0, 65535, "bad --port");
    } else if (arg == "--port-file") {
      o.portFile = value;
    } else if (arg == "--delay-ms") {
      o.delayMs = Number(value, 0, 600'000, "bad --delay-ms");
    } else if (arg == "--status") {
      o.status = Number(value, 100, 599, "bad --status");
    } else {
      Usage(("unknown option " + arg).c_str());
    }
  }
  if (o.page.empty()) Usage("--page is required");
  return o;
}

// Written under a temporary name first, so a script polling for the file
// never reads half a number.
bool WritePortFile(const std::string& path, int port) {
  const std::string temporary = path + ".tmp";
  {
    std::ofstream out(temporary, std::ios::trunc);
    if (!(out << port << "\n")) return false;
  }
  return std::rename(temporary.c_str(), path.c_str()) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  const Options options = Parse(argc, argv);

  std::ifstream in(options.page, std::ios::binary);
  if (!in) {
    std::cerr << "quillon-rates-site: cannot read " << options.page << "\n";
    return 2;
  }
  const std::string page{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};

  // Block the stop signals before any thread starts, so only sigwait below
  // receives them and the server is stopped from an ordinary thread.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGTERM);
  sigaddset(&stopSignals, SIGINT);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

  httplib::Server server;
  server.Get(kPagePath, [&](const httplib::Request&, httplib::Response& res) {
    if (options.delayMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(options.delayMs));
    res.status = options.status;
    res.set_content(page, kContentType);
  });
  server.set_logger([](const httplib::Request& req, const httplib::Response& res) {
    std::cerr << req.method << " " << req.target << " " << res.status << "\n";
  });

  int port = options.port;
  if (port == 0) {
    port = server.bind_to_any_port("127.0.0.1");
  } else if (!server.bind_to_port("127.0.0.1", port)) {
    port = -1;
  }
  if (port <= 0) {
    std::cerr << "quillon-rates-site: cannot listen on 127.0.0.1:" << options.port << "\n";
    return 1;
  }
  if (!options.portFile.empty() && !WritePortFile(options.portFile, port)) {
    std::cerr << "quillon-rates-site: cannot write " << options.portFile << "\n";
    return 1;
  }
  std::cout << port << std::endl;

  std::atomic<bool> finished{false};
  std::thread serving([&server, &finished] {
    server.listen_after_bind();
    finished = true;
  });
  int received = 0;
  sigwait(&stopSignals, &received);
  // stop() does nothing until the accept loop has started.
  while (!server.is_running() && !finished) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  server.stop();
  serving.join();
  return 0;
}
