// quillon-rates-site: the feed read, the page written or left alone, and the
// served page kept whatever the feed server does.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <thread>

#include "commands.h"
#include "feed.h"
#include "files.h"
#include "runtime/text.h"
#include "service.h"
#include "support/loopback_site.h"
#include "support/temp_tree.h"

namespace {

namespace fs = std::filesystem;
using support::LoopbackSite;
using support::ReadAll;
using support::Reply;
using support::TempTree;

const char* const kSampleFeed = "eurofxref-daily-2023-12-29.xml";

std::string Document(const std::string& days, const std::string& prolog = "") {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n" + prolog +
         "<gesmes:Envelope xmlns:gesmes=\"http://www.gesmes.org/xml/2002-08-01\" "
         "xmlns=\"http://www.ecb.int/vocabulary/2002-08-01/eurofxref\">\n"
         "<gesmes:subject>Reference rates</gesmes:subject>\n<Cube>" +
         days + "</Cube>\n</gesmes:Envelope>\n";
}

std::string DayOf(const std::string& date, const std::vector<std::pair<std::string, std::string>>& rates) {
  std::string day = "<Cube time='" + date + "'>";
  for (const auto& [code, rate] : rates) day += "<Cube currency='" + code + "' rate='" + rate + "'/>";
  return day + "</Cube>";
}

std::string WithRate(const std::string& code, const std::string& rate) {
  return Document(DayOf("2023-12-29", {{"USD", "1.1050"}, {code, rate}}));
}

site::FetchLimits TestLimits() {
  site::FetchLimits limits = site::DefaultLimits();
  // Short enough for a quick run, long enough for a loaded machine.
  limits.overallTimeout = std::chrono::seconds(8);
  limits.stallTimeout = std::chrono::seconds(4);
  return limits;
}

// -- bad input --------------------------------------------------------------

struct BadInput {
  const char* name;
  Reply reply;      // how the feed server answers
  bool loop = false;  // redirect to itself
  std::string reason;  // part of the one-line reason
  bool asFile = true;  // also given to page as a local file
  std::size_t padding = 0;  // a comment this long before the end, made when the row runs
};

Reply ReplyOf(const BadInput& row) {
  Reply reply = row.reply;
  if (row.padding > 0) {
    const std::string end = "</gesmes:Envelope>\n";
    reply.body.insert(reply.body.size() - end.size(), "<!--" + std::string(row.padding, 'x') + "-->");
  }
  return reply;
}

std::vector<BadInput> BadInputs() {
  const std::string sample = support::ReadTestData(kSampleFeed);
  const std::string loops =
      "<!DOCTYPE gesmes:Envelope [<!ENTITY a \"&b;&b;\"><!ENTITY b \"&a;&a;\">]>\n";
  std::string laughs = "<!DOCTYPE gesmes:Envelope [<!ENTITY l0 \"lol\">";
  for (int i = 1; i < 10; ++i) {
    laughs += "<!ENTITY l" + std::to_string(i) + " \"" + [&] {
      std::string ten;
      for (int j = 0; j < 10; ++j) ten += "&l" + std::to_string(i - 1) + ";";
      return ten;
    }() + "\">";
  }
  laughs += "]>\n";
  const std::string day = DayOf("2023-12-29", {{"USD", "1.1050"}});
  const std::string plain = "is not a plain positive decimal";
  return {
      {"MalformedXml", {.body = "<gesmes:Envelope><Cube></gesmes:Envelope>"}, false, "not well-formed XML"},
      {"TruncatedDocument", {.body = sample.substr(0, sample.size() / 2)}, false, "not well-formed XML"},
      {"HtmlErrorPageWithStatus200",
       {.contentType = "text/html",
        .body = "<!DOCTYPE html>\n<html><head><title>Service unavailable</title></head>\n"
                "<body><p>Please try again later.<br></body></html>\n"},
       false,
       "not well-formed XML"},
      {"XhtmlPageWithStatus200",
       {.body = "<html xmlns=\"http://www.w3.org/1999/xhtml\"><body><p>Maintenance</p></body></html>"},
       false,
       "no reference-rates Cube"},
      {"NoDay", {.body = Document("")}, false, "holds no day"},
      {"EmptyCube", {.body = Document("<Cube time='2023-12-29'></Cube>")}, false, "has no rates"},
      {"DuplicateCurrency",
       {.body = Document(DayOf("2023-12-29", {{"USD", "1.1050"}, {"JPY", "156.33"}, {"USD", "1.1051"}}))},
       false,
       "USD appears twice"},
      {"RateZero", {.body = WithRate("GBP", "0")}, false, plain},
      {"RateNegative", {.body = WithRate("GBP", "-1")}, false, plain},
      {"RateExponent", {.body = WithRate("GBP", "1e3")}, false, plain},
      {"RateNaN", {.body = WithRate("GBP", "NaN")}, false, plain},
      {"RateLeadingSpace", {.body = WithRate("GBP", " 1.5")}, false, plain},
      {"RateDecimalComma", {.body = WithRate("GBP", "1,5")}, false, plain},
      {"CodeLowerCase", {.body = WithRate("gbp", "0.86905")}, false, "is not three letters A-Z"},
      {"CodeFourLetters", {.body = WithRate("GBPX", "0.86905")}, false, "is not three letters A-Z"},
      {"DateNotADate", {.body = Document(DayOf("2023-02-30", {{"USD", "1.1050"}}))}, false, "is not a date"},
      {"DuplicateDay",
       {.body = Document(DayOf("2023-12-29", {{"USD", "1.1050"}}) + DayOf("2023-12-29", {{"USD", "1.2"}}))},
       false,
       "day 2023-12-29 appears twice"},
      {"DayFarAhead", {.body = Document(DayOf("2099-01-02", {{"USD", "1.1050"}}))}, false, "later than tomorrow"},
      {"YearZero", {.body = Document(DayOf("0000-01-03", {{"USD", "1.1050"}}))}, false, "before the first reference"},
      // A reason is one line of valid UTF-8 even when the quoted text is cut.
      {"LongCodeCutInsideACharacter",
       {.body = WithRate(std::string(39, 'A') + "\xe2\x82\xac", "1.5")},
       false,
       std::string(39, 'A') + "..."},
      {"TwentyMiBDocument",
       {.body = Document(day), .chunked = true, .pieces = {1u << 16}},
       false,
       "larger than 8 MiB",
       true,
       20u << 20},
      {"RecursiveEntities", {.body = Document(day + "<Cube>&a;</Cube>", loops)}, false, "entity reference loop"},
      {"ExponentialEntities", {.body = Document(day + "<Cube>&l9;</Cube>", laughs)}, false, "not well-formed XML"},
      {"DoctypeWithUnusedEntity",
       {.body = Document(day, "<!DOCTYPE gesmes:Envelope [<!ENTITY x \"y\">]>\n")},
       false,
       "declares a DOCTYPE"},
      // No byte for the stall time, measured as no byte rather than as an
      // average rate, is what ends these two.
      {"ServerStallsBeforeAnswering", {.body = sample, .delay = std::chrono::seconds(30)}, false, "no byte for 4 s",
       false},
      {"ServerStallsMidDocument", {.body = sample, .stallAfter = 200}, false, "no byte for 4 s", false},
      {"ServerDrips",
       {.body = sample, .pieces = {1}, .drip = std::chrono::milliseconds(300)},
       false,
       "timed out",
       false},
      {"RedirectLoop", {.status = 302}, true, "too many redirects", false},
      {"ServerError", {.status = 500, .body = sample}, false, "HTTP status 500", false},
  };
}

void PrintTo(const BadInput& row, std::ostream* out) { *out << row.name; }

class BadFeed : public testing::TestWithParam<BadInput> {
 protected:
  void Serve(LoopbackSite& feedSite) {
    Reply reply = ReplyOf(GetParam());
    if (GetParam().loop) reply.redirectTo = feedSite.Url("/eurofxref-daily.xml");
    feedSite.SetReply(reply);
  }
};

// page: exit 1 with one line, and the page file exactly as it was.
TEST_P(BadFeed, PageLeavesTheLastGoodPageAlone) {
  const BadInput& row = GetParam();
  TempTree dir;
  const fs::path out = dir.root() / "cgicalc.html";
  const std::string before = "the last good page\n";
  { std::ofstream(out, std::ios::binary) << before; }

  LoopbackSite feedSite;
  Serve(feedSite);
  std::vector<std::string> sources = {feedSite.Url("/eurofxref-daily.xml")};
  if (row.asFile) {
    const fs::path local = dir.root() / "feed.xml";
    std::ofstream(local, std::ios::binary) << ReplyOf(row).body;
    sources.push_back(local.string());
  }
  for (const std::string& source : sources) {
    SCOPED_TRACE(source);
    std::ostringstream err;
    EXPECT_EQ(site::RunPage(source, out.string(), TestLimits(), err), 1);
    const std::string line = err.str();
    EXPECT_NE(line.find(row.reason), std::string::npos) << line;
    EXPECT_EQ(std::count(line.begin(), line.end(), '\n'), 1) << line;
    EXPECT_EQ(line.rfind("quillon-rates-site: ", 0), 0u) << line;
    EXPECT_EQ(ReadAll(out), before);
  }
  std::vector<std::string> expected = {"cgicalc.html"};
  if (row.asFile) expected.push_back("feed.xml");
  EXPECT_EQ(dir.Names(), expected) << "a temporary file was left behind";
}

// serve: the page and the kept feed stay, the reason reaches the log and /health.
TEST_P(BadFeed, ServeKeepsTheLastGoodPage) {
  const BadInput& row = GetParam();
  TempTree state;
  const std::string good = support::ReadTestData(kSampleFeed);
  LoopbackSite feedSite(Reply{.contentType = "text/xml", .body = good});
  std::vector<std::string> log;
  site::RatesService service(feedSite.Url("/eurofxref-daily.xml"), state.root().string(), TestLimits(),
                             [&](const std::string& line) { log.push_back(line); });
  service.Refresh();
  const auto page = service.Current();
  ASSERT_NE(page, nullptr) << (log.empty() ? "" : log.back());

  Serve(feedSite);
  service.Refresh();
  EXPECT_EQ(service.Current(), page);
  ASSERT_FALSE(log.empty());
  EXPECT_NE(log.back().find(row.reason), std::string::npos) << log.back();
  EXPECT_EQ(log.back().find('\n'), std::string::npos) << log.back();
  const std::string health = service.Health();
  EXPECT_NE(health.find("\"status\": \"stale\""), std::string::npos) << health;
  EXPECT_NE(health.find("\"rates_date\": \"2023-12-29\""), std::string::npos) << health;
  EXPECT_NE(health.find(row.reason), std::string::npos) << health;
  // Valid UTF-8 goes through a decode and an encode unchanged.
  EXPECT_EQ(runtime::ToUtf8(runtime::FromUtf8(log.back())), log.back()) << "the log line is not UTF-8";
  EXPECT_EQ(runtime::ToUtf8(runtime::FromUtf8(health)), health) << "the health document is not UTF-8";
  EXPECT_EQ(ReadAll(state.root() / "feed.xml"), good);
}

INSTANTIATE_TEST_SUITE_P(Rows, BadFeed, testing::ValuesIn(BadInputs()),
                         [](const testing::TestParamInfo<BadInput>& info) { return info.param.name; });

TEST(PageFile, AnUnwritableTargetIsAReasonNotAHalfFile) {
  TempTree dir;
  const fs::path feed = fs::path(QUILLON_TEST_DATA) / kSampleFeed;
  struct Row {
    const char* name;
    fs::path out;
    const char* reason;
  } rows[] = {
      {"missing folder", dir.root() / "absent" / "cgicalc.html", "cannot write in"},
      {"target is a folder", dir.root(), "cannot replace"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    std::ostringstream err;
    EXPECT_EQ(site::RunPage(feed.string(), row.out.string(), TestLimits(), err), 1);
    EXPECT_NE(err.str().find(row.reason), std::string::npos) << err.str();
    EXPECT_TRUE(dir.Names().empty()) << "a temporary file was left behind";
  }
}

// -- the page -----------------------------------------------------------------

struct Row {
  std::string name, code, rate;
  bool operator==(const Row&) const = default;
};
std::ostream& operator<<(std::ostream& out, const Row& r) { return out << r.code << " " << r.name << " " << r.rate; }

// Rows as a browser's reader sees the table, not through the desktop's scan.
std::vector<Row> TableRows(const std::string& page) {
  static const std::regex row(
      "<tr><td>&nbsp;&nbsp;&nbsp;&nbsp;<wbr>([^<]*) <font-code>\\(([A-Z]{3})\\)</font-code></td>"
      "<td class=\"rate\"><a href=\"[^\"]*\">([^<]*)</a></td></tr>");
  std::vector<Row> rows;
  for (auto it = std::sregex_iterator(page.begin(), page.end(), row); it != std::sregex_iterator(); ++it) {
    rows.push_back({(*it)[1], (*it)[2], (*it)[3]});
  }
  return rows;
}

TEST(Page, RowsNamesAndRateTextsOfTheSampleFeed) {
  TempTree dir;
  const fs::path out = dir.root() / "cgicalc.html";
  std::ostringstream err;
  ASSERT_EQ(site::RunPage((fs::path(QUILLON_TEST_DATA) / kSampleFeed).string(), out.string(), TestLimits(), err), 0)
      << err.str();
  const std::string page = ReadAll(out);
  const std::vector<Row> rows = TableRows(page);
  ASSERT_EQ(rows.size(), 30u);
  // The symbol list's currencies first, in its order; LKR and TWD are not
  // in the feed. Then the others as the feed lists them.
  const std::vector<std::string> codes = {"USD", "AUD", "BRL", "GBP", "CAD", "CNY", "DKK", "HKD", "INR", "JPY",
                                          "MYR", "MXN", "NZD", "NOK", "SGD", "ZAR", "KRW", "SEK", "CHF", "THB",
                                          "BGN", "CZK", "HUF", "PLN", "RON", "ISK", "TRY", "IDR", "ILS", "PHP"};
  for (std::size_t i = 0; i < codes.size(); ++i) EXPECT_EQ(rows[i].code, codes[i]) << "row " << i;
  const Row expected[] = {
      {"US Dollar", "USD", "1.1050"},           {"British Pound", "GBP", "0.86905"},
      {"Icelandic Króna", "ISK", "150.50"},     {"Hungarian Forint", "HUF", "382.80"},
      {"Indonesian Rupiah", "IDR", "17079.71"}, {"South Korean Won", "KRW", "1433.66"},
  };
  for (const Row& want : expected) {
    EXPECT_NE(std::find(rows.begin(), rows.end(), want), rows.end()) << want;
  }
  for (const char* text : {"<title>1 Euro in other currencies, Friday, 29 December 2023</title>",
                           "Euro foreign exchange reference rates, European Central Bank",
                           "using values from Friday, 29 December 2023<BR>", "<meta charset=\"utf-8\">",
                           "<!DOCTYPE html>\n<html lang=\"en\">"}) {
    EXPECT_NE(page.find(text), std::string::npos) << text;
  }
}

TEST(Feed, TheNewestDayOfAManyDayDocument) {
  const std::string days = DayOf("2023-12-28", {{"USD", "1.1114"}}) + DayOf("2023-12-29", {{"USD", "1.1050"}}) +
                           DayOf("2023-12-27", {{"USD", "1.1065"}});
  const site::Day day = site::ReadFeed(Document(days));
  EXPECT_EQ(day.date, "2023-12-29");
  ASSERT_EQ(day.rates.size(), 1u);
  EXPECT_EQ(day.rates[0].text, "1.1050");
}

// -- serve ----------------------------------------------------------------------

TEST(Serve, AskingAgainWithTheValidatorsOfTheLastGoodFetch) {
  TempTree state;
  LoopbackSite feedSite(Reply{.contentType = "text/xml",
                              .body = support::ReadTestData(kSampleFeed),
                              .headers = {{"ETag", "\"feed-1\""}, {"Last-Modified", "Fri, 29 Dec 2023 15:00:00 GMT"}}});
  std::vector<std::string> log;
  site::RatesService service(feedSite.Url("/d.xml"), state.root().string(), TestLimits(),
                             [&](const std::string& line) { log.push_back(line); });
  service.Refresh();
  const auto page = service.Current();
  ASSERT_NE(page, nullptr);
  feedSite.SetReply(Reply{.status = 304, .contentType = ""});
  service.Refresh();
  EXPECT_EQ(service.Current(), page);
  EXPECT_NE(service.Health().find("\"status\": \"ok\""), std::string::npos) << service.Health();
  const auto requests = feedSite.Requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].Header("If-None-Match"), "");
  EXPECT_EQ(requests[1].Header("If-None-Match"), "\"feed-1\"");
  EXPECT_EQ(requests[1].Header("If-Modified-Since"), "Fri, 29 Dec 2023 15:00:00 GMT");

  // A restart without network serves the kept feed, and asks with its validators.
  support::ClosedPort down;
  site::RatesService restarted("http://127.0.0.1:" + std::to_string(down.Port()) + "/d.xml", state.root().string(),
                               TestLimits(), [&](const std::string& line) { log.push_back(line); });
  restarted.LoadState();
  ASSERT_NE(restarted.Current(), nullptr);
  EXPECT_EQ(restarted.Current()->html, page->html);
  EXPECT_EQ(restarted.Current()->etag, page->etag);
  restarted.Refresh();
  EXPECT_EQ(restarted.Current()->html, page->html);
  EXPECT_NE(restarted.Health().find("\"status\": \"stale\""), std::string::npos) << restarted.Health();
}

// What sits where the kept feed should be: refused with its reason, never
// read whole; the same path given to page is refused alike.
TEST(KeptFeed, OnlyARegularFileUnderTheCapIsRead) {
  using Make = void (*)(const fs::path&);
  struct Row {
    const char* name;
    Make make;
    const char* reason;
  } rows[] = {
      {"a folder", [](const fs::path& p) { fs::create_directory(p); }, "is not a regular file"},
      {"a FIFO", [](const fs::path& p) { ASSERT_EQ(mkfifo(p.c_str(), 0644), 0); }, "is not a regular file"},
      {"a link to /dev/zero", [](const fs::path& p) { fs::create_symlink("/dev/zero", p); }, "is not a regular file"},
      {"9 MiB", [](const fs::path& p) {
         std::ofstream{p};
         fs::resize_file(p, 9u << 20);
       }, "is larger than 8 MiB"},
  };
  support::ClosedPort down;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    TempTree state;
    const fs::path kept = state.root() / "feed.xml";
    row.make(kept);
    std::vector<std::string> log;
    site::RatesService service("http://127.0.0.1:" + std::to_string(down.Port()) + "/d.xml", state.root().string(),
                               TestLimits(), [&](const std::string& line) { log.push_back(line); });
    service.LoadState();
    EXPECT_EQ(service.Current(), nullptr);
    ASSERT_EQ(log.size(), 1u);
    EXPECT_NE(log[0].find(row.reason), std::string::npos) << log[0];
    service.Refresh();
    EXPECT_EQ(log.back().rfind("no page to serve yet: ", 0), 0u) << log.back();

    std::ostringstream err;
    EXPECT_EQ(site::RunPage(kept.string(), "", TestLimits(), err), 1);
    EXPECT_NE(err.str().find(row.reason), std::string::npos) << err.str();
  }
}

TEST(Serve, APageThatCannotBeKeptIsServedAndHealthSaysSo) {
  TempTree dir;
  const fs::path notAFolder = dir.Write("state", "a file where the state folder should be\n");
  std::vector<std::string> log;
  site::RatesService service((fs::path(QUILLON_TEST_DATA) / kSampleFeed).string(), notAFolder.string(),
                             TestLimits(), [&](const std::string& line) { log.push_back(line); });
  service.Refresh();
  ASSERT_NE(service.Current(), nullptr);
  const std::string health = service.Health();
  EXPECT_NE(health.find("\"status\": \"degraded\""), std::string::npos) << health;
  EXPECT_NE(health.find("\"not_kept\": \"cannot write in " + notAFolder.string()), std::string::npos) << health;
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.back().rfind("the feed is served but not kept: ", 0), 0u) << log.back();
}

TEST(Page, ALocalFeedByPathOrByFileUrl) {
  TempTree dir;
  const fs::path feed = dir.Write("a feed.xml", support::ReadTestData(kSampleFeed));
  const std::string path = feed.string();
  const std::string escaped = std::regex_replace(path, std::regex(" "), "%20");
  std::string first;
  for (const std::string& source : {path, "file://" + escaped, "file://localhost" + escaped}) {
    SCOPED_TRACE(source);
    const fs::path out = dir.root() / "cgicalc.html";
    fs::remove(out);
    std::ostringstream err;
    EXPECT_EQ(site::RunPage(source, out.string(), TestLimits(), err), 0) << err.str();
    const std::string page = ReadAll(out);
    EXPECT_NE(page.find("using values from Friday, 29 December 2023"), std::string::npos);
    if (first.empty()) first = page;
    EXPECT_EQ(page, first);
  }
}

// A stop request does not wait for a fetch that has stalled.
TEST(Serve, AStopEndsAFetchInProgressAtOnce) {
  LoopbackSite feedSite(Reply{.body = support::ReadTestData(kSampleFeed), .delay = std::chrono::seconds(30)});
  site::ServeOptions options;
  options.feed = feedSite.Url("/eurofxref-daily.xml");
  options.port = 0;
  const auto started = std::chrono::steady_clock::now();
  std::chrono::steady_clock::time_point asked;
  auto waitForStop = [&](std::chrono::milliseconds wait) {
    std::this_thread::sleep_for(std::min(wait, std::chrono::milliseconds(50)));
    if (feedSite.Requests().empty() || std::chrono::steady_clock::now() - started < std::chrono::seconds(1)) {
      return false;
    }
    asked = std::chrono::steady_clock::now();
    return true;
  };
  EXPECT_EQ(site::RunServe(options, waitForStop), 0);
  EXPECT_LT(std::chrono::steady_clock::now() - asked, std::chrono::seconds(2));
  EXPECT_EQ(feedSite.Requests().size(), 1u);
}

}  // namespace
