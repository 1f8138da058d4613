// quillon-rates-site: turns the central bank's reference-rates feed into the
// rates page Quillon reads, as a file (page) or over HTTP (serve).
#include <iostream>
#include <string>

#include "commands.h"
#include "listen.h"

namespace {

using site::Number;
using site::Usage;

int Page(int argc, char** argv) {
  std::string feed, out;
  site::ForEachOption(argc, argv, 2, [&](const std::string& name, const char* value) {
    if (name == "--feed") {
      feed = value;
    } else if (name == "--out") {
      out = value;
    } else {
      return false;
    }
    return true;
  });
  if (feed.empty()) Usage("--feed is required");
  return site::RunPage(feed, out, site::DefaultLimits(), std::cerr);
}

int Serve(int argc, char** argv) {
  site::ServeOptions o;
  site::ForEachOption(argc, argv, 2, [&](const std::string& name, const char* value) {
    if (name == "--feed") {
      o.feed = value;
    } else if (name == "--listen") {
      o.host = value;
    } else if (name == "--port") {
      o.port = Number(value, 0, 65535, "bad --port");
    } else if (name == "--port-file") {
      o.portFile = value;
    } else if (name == "--refresh-minutes") {
      o.refreshMinutes = Number(value, 1, 7 * 24 * 60, "bad --refresh-minutes");
    } else if (name == "--state-dir") {
      o.stateDir = value;
    } else {
      return false;
    }
    return true;
  });
  if (o.feed.empty()) Usage("--feed is required");
  site::BlockStopSignals();
  return site::RunServe(o, site::WaitForStopSignal);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) Usage("a mode is required");
  const std::string mode = argv[1];
  if (mode == "page") return Page(argc, argv);
  if (mode == "serve") return Serve(argc, argv);
  if (mode == "--help" || mode == "-h") site::Help();
  if (mode == "--version") site::Version();
  Usage(("unknown mode " + mode).c_str());
}
