#include "commands.h"

#include <cstdlib>
#include <iostream>

#include "feed.h"
#include "files.h"
#include "http.h"
#include "listen.h"
#include "rates/page_writer.h"

namespace site {

[[noreturn]] void Usage(const char* why) {
  std::cerr << "quillon-rates-site: " << why << "\n"
            << "usage: quillon-rates-site page --feed FILE|URL [--out FILE]\n"
               "       quillon-rates-site serve --feed URL|FILE [--listen ADDRESS] [--port N] [--port-file F]\n"
               "                                [--refresh-minutes M] [--state-dir DIR]\n"
               "       quillon-rates-site --page FILE [--port N] [--port-file F] [--delay-ms N] [--status N]\n";
  std::exit(2);
}

int Number(const char* text, int low, int high, const char* what) {
  char* end = nullptr;
  const long value = std::strtol(text, &end, 10);
  if (end == text || *end != '\0' || value < low || value > high) Usage(what);
  return static_cast<int>(value);
}

void ForEachOption(int argc, char** argv, int first,
                   const std::function<bool(const std::string& name, const char* value)>& take) {
  for (int i = first; i < argc; i += 2) {
    const std::string name = argv[i];
    if (i + 1 >= argc) Usage(("missing value after " + name).c_str());
    if (!take(name, argv[i + 1])) Usage(("unknown option " + name).c_str());
  }
}

int RunPage(const std::string& feed, const std::string& out, const FetchLimits& limits, std::ostream& err) {
  try {
    const std::string page = rates::RenderPage(ReadFeed(Fetch(feed, {}, limits).body));
    if (out.empty()) {
      std::cout << page << std::flush;
      if (!std::cout) throw Unusable("cannot write the page to standard output");
    } else {
      // The same bytes stay untouched, so the web server's Last-Modified
      // and ETag, and every cache, keep holding.
      std::string existing;
      if (!ReadWholeFile(out, existing) || existing != page) ReplaceFile(out, page);
    }
    return 0;
  } catch (const Unusable& e) {
    err << "quillon-rates-site: " << e.what() << "\n";
    return 1;
  }
}

int RunServe(const ServeOptions& options) {
  auto log = [](const std::string& line) { std::cerr << "quillon-rates-site: " << line << std::endl; };
  RatesService service(options.feed, options.stateDir, DefaultLimits(), log);
  service.LoadState();
  httplib::Server server;
  SetUpServer(server, service);
  const std::chrono::minutes every{options.refreshMinutes};
  return ServeUntilStopped(server, options.host, options.port, options.portFile, [&](StopFlag& stop) {
    do {
      service.Refresh();
    } while (!stop.WaitFor(every));
  });
}

}  // namespace site
