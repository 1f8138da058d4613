// The program's modes, callable from tests with their own limits.
#pragma once

#include <chrono>
#include <functional>
#include <ostream>
#include <string>

#include "fetch.h"
#include "http.h"

namespace site {

// Writes the page of the feed's newest day to out (a path, or stdout when
// empty). 0 when written; 1 with one line on err when the feed is unusable,
// and then out is as it was.
int RunPage(const std::string& feed, const std::string& out, const FetchLimits& limits, std::ostream& err);

struct ServeOptions {
  std::string feed;
  std::string host = "127.0.0.1";
  int port = 8080;
  std::string portFile;
  int refreshMinutes = 60;
  std::string stateDir;
  FetchLimits fetch = DefaultLimits();
  ServerLimits server;
};
// Serves until waitForStop says a stop came (0), or until the listener goes
// away (1). Each log line goes to standard error.
int RunServe(const ServeOptions& options, const std::function<bool(std::chrono::milliseconds)>& waitForStop);

// Ends the program: the usage on standard error with status 2, or on
// standard output with status 0 when it was asked for.
[[noreturn]] void Usage(const char* why);
[[noreturn]] void Help();
[[noreturn]] void Version();
// Walks "--name value" pairs from argv[first]; take returns false for an
// unknown name. --help and -h anywhere answer with the usage; a missing
// value or an unknown name ends the program with Usage.
void ForEachOption(int argc, char** argv, int first,
                   const std::function<bool(const std::string& name, const char* value)>& take);
int Number(const char* text, int low, int high, const char* what);

}  // namespace site
