#include "commands.h"

#include <sys/resource.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <thread>

#include "feed.h"
#include "files.h"
#include "http.h"
#include "listen.h"
#include "service.h"

namespace site {

constexpr const char* kUsage =
    "usage: quillon-rates-site page --feed URL|FILE [--out FILE]\n"
    "       quillon-rates-site serve --feed URL|FILE [--listen ADDRESS] [--port N] [--port-file F]\n"
    "                                [--refresh-minutes M] [--state-dir DIR]\n"
    "       quillon-rates-site --help | --version\n";

[[noreturn]] void Usage(const char* why) {
  std::cerr << "quillon-rates-site: " << why << "\n" << kUsage;
  std::exit(2);
}

[[noreturn]] void Help() {
  std::cout << "quillon-rates-site: the rates page Quillon reads, from the euro reference-rates feed.\n"
            << kUsage
            << "\npage writes the page of the feed's newest day to --out (standard output without it).\n"
               "serve fetches the feed every --refresh-minutes and serves the page over HTTP.\n"
               "--feed takes an http:// or https:// address, a file:// URL or a path.\n"
               "See quillon-rates-site(1).\n"
            << std::flush;
  std::exit(0);
}

[[noreturn]] void Version() {
  std::cout << "quillon-rates-site " << QUILLON_VERSION << "\n" << std::flush;
  std::exit(0);
}

int Number(const char* text, int low, int high, const char* what) {
  char* end = nullptr;
  const long value = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || value < low || value > high) Usage(what);
  return static_cast<int>(value);
}

void ForEachOption(int argc, char** argv, int first,
                   const std::function<bool(const std::string& name, const char* value)>& take) {
  for (int i = first; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) Help();
  }
  for (int i = first; i < argc; i += 2) {
    const std::string name = argv[i];
    if (i + 1 >= argc) Usage(("missing value after " + name).c_str());
    if (!take(name, argv[i + 1])) Usage(("unknown option " + name).c_str());
  }
}

int RunPage(const std::string& feed, const std::string& out, const FetchLimits& limits, std::ostream& err) {
  try {
    const std::string page = BuildPage(Fetch(feed, {}, limits).body).html;
    if (out.empty()) {
      std::cout << page << std::flush;
      if (!std::cout) throw Unusable("cannot write the page to standard output");
    } else {
      // The same bytes stay untouched, so the web server's Last-Modified
      // and ETag, and every cache, keep holding.
      std::string existing;
      // A larger file differs anyway, so the page's own size caps the read.
      if (!ReadWholeFile(out, page.size(), existing) || existing != page) ReplaceFile(out, page);
    }
    return 0;
  } catch (const Unusable& e) {
    err << "quillon-rates-site: " << e.what() << "\n";
    return 1;
  }
}

namespace {

// Every connection takes two descriptors (the library's and the head
// deadline's copy); the soft limit is often 1024 while the hard one is not.
void RaiseOpenFileLimit(const ServerLimits& limits) {
  rlimit files{};
  if (getrlimit(RLIMIT_NOFILE, &files) != 0) return;
  const rlim_t wanted = 2 * static_cast<rlim_t>(limits.connections) + 64;
  if (files.rlim_cur >= wanted) return;
  files.rlim_cur = files.rlim_max == RLIM_INFINITY ? wanted : std::min(wanted, files.rlim_max);
  setrlimit(RLIMIT_NOFILE, &files);
}

}  // namespace

int RunServe(const ServeOptions& options, const std::function<bool(std::chrono::milliseconds)>& waitForStop) {
  auto log = [](const std::string& line) { std::cerr << "quillon-rates-site: " << line << std::endl; };
  RaiseOpenFileLimit(options.server);
  RatesService service(options.feed, options.stateDir, options.fetch, log);
  service.LoadState();
  HttpServer server(service, options.server, log);
  try {
    const int port = server.Start(options.host, options.port);
    // A script polling for the file never reads half a number.
    if (!options.portFile.empty()) ReplaceFile(options.portFile, std::to_string(port) + "\n");
    std::cout << port << std::endl;
  } catch (const Unusable& e) {
    log(e.what());
    return 1;
  }
  StopFlag stop;
  std::thread refresher([&] {
    const std::chrono::minutes every{options.refreshMinutes};
    do {
      service.Refresh();
    } while (!stop.WaitFor(every));
  });
  const int status = KeepServing(server, waitForStop, log);
  // A fetch in progress ends at once rather than at its own time limit.
  service.Cancel();
  stop.Stop();
  refresher.join();
  server.Stop();
  return status;
}

}  // namespace site
