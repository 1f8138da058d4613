// quillon-rates-site: turns the central bank's reference-rates feed into the
// rates page Quillon reads, as a file (page) or over HTTP (serve).
#include <cstring>
#include <iostream>
#include <string>

#include "commands.h"
#include "listen.h"

namespace {

using site::Number;
using site::Usage;

int Page(int argc, char** argv) {
  std::string feed, out;
  for (int i = 2; i < argc; i += 2) {
    const std::string arg = argv[i];
    if (i + 1 >= argc) Usage(("missing value after " + arg).c_str());
    if (arg == "--feed") {
      feed = argv[i + 1];
    } else if (arg == "--out") {
      out = argv[i + 1];
    } else {
      Usage(("unknown option " + arg).c_str());
    }
  }
  if (feed.empty()) Usage("--feed is required");
  return site::RunPage(feed, out, site::DefaultLimits(), std::cerr);
}

int Serve(int argc, char** argv) {
  site::ServeOptions o;
  for (int i = 2; i < argc; i += 2) {
    const std::string arg = argv[i];
    if (i + 1 >= argc) Usage(("missing value after " + arg).c_str());
    const char* value = argv[i + 1];
    if (arg == "--feed") {
      o.feed = value;
    } else if (arg == "--listen") {
      o.host = value;
    } else if (arg == "--port") {
      o.port = Number(value, 0, 65535, "bad --port");
    } else if (arg == "--port-file") {
      o.portFile = value;
    } else if (arg == "--refresh-minutes") {
      o.refreshMinutes = Number(value, 1, 7 * 24 * 60, "bad --refresh-minutes");
    } else if (arg == "--state-dir") {
      o.stateDir = value;
    } else {
      Usage(("unknown option " + arg).c_str());
    }
  }
  if (o.feed.empty()) Usage("--feed is required");
  site::BlockStopSignals();
  return site::RunServe(o);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && std::strcmp(argv[1], "page") == 0) return Page(argc, argv);
  if (argc >= 2 && std::strcmp(argv[1], "serve") == 0) return Serve(argc, argv);
  site::BlockStopSignals();
  return site::RunTestSite(argc, argv);
}
