#pragma once
// Reference-rates documents for the tests of both systems' readers: the
// usable ones with what the window lists for them, and the ones every reader
// refuses. Written for the tests; the rates are made up in the documents'
// shape unless the sample feed of tests/data is used.
#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

namespace feeds {

inline const std::string kDeclaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
inline const std::string kEnvelopeStart =
    "<gesmes:Envelope xmlns:gesmes=\"http://www.gesmes.org/xml/2002-08-01\" "
    "xmlns=\"http://www.ecb.int/vocabulary/2002-08-01/eurofxref\">\n"
    "<gesmes:subject>Reference rates</gesmes:subject>\n<Cube>\n";
inline const std::string kEnvelopeEnd = "</Cube>\n</gesmes:Envelope>\n";

inline std::string Document(const std::string& days, const std::string& doctype = "") {
  return kDeclaration + doctype + kEnvelopeStart + days + kEnvelopeEnd;
}

// One day on one line, double quotes: the 90-day document's shape.
inline std::string Day(const std::string& date, const std::string& rates) {
  return "<Cube time=\"" + date + "\">" + rates + "</Cube>\n";
}

inline std::string Rate(const std::string& code, const std::string& rate) {
  return "<Cube currency=\"" + code + "\" rate=\"" + rate + "\"/>";
}

struct Good {
  const char* name;
  std::string document;
  std::size_t rows;
  std::string longDate;
  std::string firstName;  // the first row: the symbol list's first currency in the feed
  std::string firstRate;
};

inline std::vector<Good> GoodFeeds(const std::string& sampleDaily) {
  const std::string usd = Rate("USD", "1.1050"), jpy = Rate("JPY", "163.21"), bgn = Rate("BGN", "1.9558");
  return {
      {"the daily document: tabs, single quotes", sampleDaily, 30, "Friday, 29 December 2023", "US Dollar", "1.1050"},
      {"the 90-day shape: a byte-order mark, the newest day second",
       "\xEF\xBB\xBF" + Document(Day("2026-12-03", Rate("USD", "1.0999") + jpy) + Day("2026-12-04", usd + jpy + bgn) +
                                 Day("2026-12-02", Rate("USD", "1.0987"))),
       3, "Friday, 4 December 2026", "US Dollar", "1.1050"},
      {"a currency since withdrawn, no symbol-list currency",
       Document(Day("2014-12-31", Rate("LTL", "3.4528") + Rate("RUB", "72.337"))), 2, "Wednesday, 31 December 2014",
       "Lithuanian Litas", "3.4528"},
  };
}

struct Bad {
  const char* name;
  std::string document;
  std::string contentType = "text/xml";
};

inline std::vector<Bad> BadFeeds(const std::string& sampleDaily) {
  const std::string day = Day("2023-12-29", Rate("USD", "1.1050"));
  std::string manyDays;
  // 100,000 days from the first day on: most of them lie ahead.
  for (int i = 0; i < 100000; ++i) {
    const int year = 1999 + i / 288, month = 1 + i / 24 % 12, dayOfMonth = 4 + i % 24;
    char date[16];
    std::snprintf(date, sizeof date, "%04d-%02d-%02d", year, month, dayOfMonth);
    manyDays += Day(date, Rate("USD", "1.1"));
  }
  return {
      {"a truncated feed", sampleDaily.substr(0, sampleDaily.size() / 2)},
      {"an empty body", ""},
      {"a login page with status 200",
       "<!DOCTYPE html>\n<html><head><title>Sign in to the network</title></head>\n"
       "<body><form action=\"/login\"><input name=\"user\"></form></body></html>\n",
       "text/html; charset=utf-8"},
      {"a DOCTYPE", Document(day, "<!DOCTYPE gesmes:Envelope>\n")},
      {"an external entity",
       Document(Day("2023-12-29", Rate("USD", "&rate;")), "<!DOCTYPE gesmes:Envelope [<!ENTITY rate SYSTEM \"file:///etc/hostname\">]>\n")},
      {"recursive entities",
       Document(Day("2023-12-29", Rate("USD", "&a;")),
                "<!DOCTYPE gesmes:Envelope [<!ENTITY a \"&b;&b;\"><!ENTITY b \"&a;&a;\">]>\n")},
      {"a negative rate", Document(Day("2023-12-29", Rate("USD", "1.1050") + Rate("JPY", "-156.33")))},
      {"a rate with a decimal comma", Document(Day("2023-12-29", Rate("USD", "1,1050")))},
      {"a code of two letters", Document(Day("2023-12-29", Rate("USD", "1.1050") + Rate("US", "1.2")))},
      {"a day with no rates", Document(Day("2023-12-29", "") + Day("2023-12-28", Rate("USD", "1.1")))},
      {"100,000 days", Document(manyDays)},
  };
}

}  // namespace feeds
