// quillon_test_sites -- <command...>
// Starts the loopback sites, runs the command with QUILLON_SITES naming them
// ("name=port;..."), stops the sites and exits with the command's status.
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "support/loopback_site.h"

using namespace std::chrono_literals;
using support::LoopbackSite;
using support::Reply;

namespace {

std::string Pattern(std::size_t size) {
  std::string body(size, '\0');
  for (std::size_t i = 0; i < size; ++i) body[i] = static_cast<char>('a' + i % 26);
  return body;
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc < 3 || std::strcmp(argv[1], "--") != 0) {
    std::fprintf(stderr, "usage: %s -- command...\n", argv[0]);
    return 2;
  }

  std::map<std::string, std::unique_ptr<LoopbackSite>> sites;
  auto add = [&](const std::string& name, Reply reply) { sites[name] = std::make_unique<LoopbackSite>(reply); };
  add("page", {.body = "<html>caf\xE9 1.0</html>"});
  add("utf8", {.contentType = "text/html; charset=utf-8", .body = "caf\xC3\xA9 \xE2\x82\xAC"});
  add("utf8quoted", {.contentType = "text/html; charset=\"UTF-8\"", .body = "caf\xC3\xA9"});
  add("utf8bare", {.contentType = "text/html;charset=utf8", .body = "caf\xC3\xA9"});
  add("nocharset", {.contentType = "text/html", .body = "caf\xE9"});
  add("notype", {.contentType = "", .body = "caf\xE9"});
  add("chunked", {.body = Pattern(700), .chunked = true, .pieces = {1, 7, 300}});
  add("error", {.status = 404, .body = "<html>not here</html>"});
  add("empty", {.body = ""});
  add("exact256", {.body = Pattern(256)});
  add("big", {.body = Pattern(5000)});
  add("stall", {.body = Pattern(100), .stallAfter = 10});
  add("drip", {.body = Pattern(400), .pieces = {1}, .drip = 50ms});
  add("slow", {.body = "late", .delay = 5s});
  // r<n> is n + 1 redirects away from "page".
  std::string next = sites["page"]->Url();
  for (int i = 0; i <= 10; ++i) {
    const std::string name = "r" + std::to_string(i);
    add(name, {.redirectTo = next});
    next = sites[name]->Url();
  }
  add("loop", {.redirectTo = "/cgi-bin/cgicalc.cgi?value=1&base=EUR"});
  add("toftp", {.redirectTo = "ftp://127.0.0.1/rates"});
  add("nolocation", {.status = 302, .body = "moved nowhere"});
  add("feed", {.contentType = "text/xml", .body = support::ReadTestData("eurofxref-daily-2023-12-29.xml")});

  support::ClosedPort closed;
  support::SilentListener silent;
  std::string list = "closed=" + std::to_string(closed.Port()) + ";silent=" + std::to_string(silent.Port());
  for (const auto& [name, site] : sites) list += ";" + name + "=" + std::to_string(site->Port());
  ::setenv("QUILLON_SITES", list.c_str(), 1);

  const pid_t child = ::fork();
  if (child == 0) {
    // Ends with us: a test run killed on its time-out leaves no program behind.
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    ::execvp(argv[2], argv + 2);
    std::perror(argv[2]);
    ::_exit(127);
  }
  if (child < 0) {
    std::perror("fork");
    return 1;
  }
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  for (auto& [name, site] : sites) site->Stop();
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}
