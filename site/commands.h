// The program's modes, callable from tests with their own limits.
#pragma once

#include <functional>
#include <ostream>
#include <string>

#include "fetch.h"

namespace site {

inline constexpr const char* kTestPagePath = "/cgi-bin/cgicalc.cgi";

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
};
int RunServe(const ServeOptions& options);

// The fixed-page modes (--page FILE ...).
int RunTestSite(int argc, char** argv);

[[noreturn]] void Usage(const char* why);
// Walks "--name value" pairs from argv[first]; take returns false for an
// unknown name. Usage ends the program on a missing value or unknown name.
void ForEachOption(int argc, char** argv, int first,
                   const std::function<bool(const std::string& name, const char* value)>& take);
int Number(const char* text, int low, int high, const char* what);

}  // namespace site
