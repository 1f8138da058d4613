#include "rates/page_writer.h"

#include <algorithm>
#include <chrono>
#include <iterator>

#include "rates/currency_names.h"
#include "rates/page_contract.h"

namespace rates {

namespace {

constexpr const char* kSource = "Euro foreign exchange reference rates, European Central Bank";

std::string Escape(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&#39;"; break;
      default: out += c;
    }
  }
  return out;
}

// A currency name as the row scan reads it back, with no entity left in the
// list: only what HTML cannot leave as it is gets escaped ("<", and an "&"
// that would start a character reference). "Trinidad & Tobago Dollar" stays.
std::string NameText(std::string_view name) {
  std::string out;
  for (std::size_t i = 0; i < name.size(); ++i) {
    const char c = name[i];
    const char next = i + 1 < name.size() ? name[i + 1] : ' ';
    const bool startsReference = (next >= 'a' && next <= 'z') || (next >= 'A' && next <= 'Z') ||
                                 (next >= '0' && next <= '9') || next == '#';
    if (c == '<') {
      out += "&lt;";
    } else if (c == '&' && startsReference) {
      out += "&amp;";
    } else {
      out += c;
    }
  }
  return out;
}

// The contract's marks are ASCII.
std::string Narrow(std::u16string_view text) { return std::string(text.begin(), text.end()); }

std::string Lower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

// The symbol list's codes in its order, then the rest in the feed's order.
std::vector<const Rate*> RowOrder(const Day& day) {
  std::vector<const Rate*> rows;
  for (std::string_view code : kSymbolCodes) {
    auto it = std::find_if(day.rates.begin(), day.rates.end(), [&](const Rate& r) { return r.code == code; });
    if (it != day.rates.end()) rows.push_back(&*it);
  }
  for (const Rate& r : day.rates) {
    if (std::find(std::begin(kSymbolCodes), std::end(kSymbolCodes), r.code) == std::end(kSymbolCodes)) {
      rows.push_back(&r);
    }
  }
  return rows;
}

}  // namespace

std::string LongDate(const std::string& isoDate) {
  static const char* const kWeekdays[] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
  static const char* const kMonths[] = {"January", "February", "March",     "April",   "May",      "June",
                                        "July",    "August",   "September", "October", "November", "December"};
  const std::chrono::year_month_day date = CalendarDate(isoDate);
  const int year = static_cast<int>(date.year());
  const unsigned month = static_cast<unsigned>(date.month());
  const unsigned day = static_cast<unsigned>(date.day());
  const std::chrono::weekday weekday{std::chrono::sys_days{date}};
  return std::string(kWeekdays[weekday.c_encoding()]) + ", " + std::to_string(day) + " " + kMonths[month - 1] + " " +
         std::to_string(year);
}

// Each row carries, in this order and nothing between them, what the row scan
// looks for: the marker after its "&", the skipped lead, the name, two
// characters and the end word (the code's element), a link whose address ends
// in "html" right before its ">" (the quote between them goes before the
// scan), the rate, the closing mark. The contract test reads it back.
std::string RenderPage(const Day& day) {
  static_assert(kRateOpen == u"html>" && kNameEnd == u"font", "the row below spells these out");
  const std::string date = Escape(LongDate(day.date));
  const std::string lead = "&" + Narrow(kRowMarker) + Narrow(kNameLead);
  std::string page;
  page.reserve(4096 + day.rates.size() * 320);
  page += "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n";
  page += "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n";
  page += "<title>1 Euro in other currencies, " + date + "</title>\n";
  page +=
      "<style>\n"
      "body { font-family: sans-serif; margin: 1em auto; max-width: 32em; padding: 0 1em; }\n"
      "table { border-collapse: collapse; width: 100%; }\n"
      "th, td { padding: 0.2em 0.4em; border-bottom: 1px solid #ddd; }\n"
      "th { text-align: left; } td.rate, th.rate { text-align: right; }\n"
      "font-code { color: #666; font-size: smaller; }\n"
      "</style>\n</head>\n<body>\n";
  page += "<h1>1 Euro in other currencies</h1>\n";
  page += "<p>" + std::string(kSource) + ", " + Narrow(kDateOpen) + date + Narrow(kDateClose) + "\n";
  page += "Published around 16:00 CET on every working day; each rate links to its history.</p>\n";
  page += "<table>\n<thead><tr><th>Currency</th><th class=\"rate\">1 EUR =</th></tr></thead>\n<tbody>\n";
  for (const Rate* rate : RowOrder(day)) {
    page += "<tr><td>" + lead + NameText(CurrencyName(rate->code)) + " <font-code>(" + Escape(rate->code) +
            ")</font-code></td><td class=\"rate\"><a href=\"https://www.ecb.europa.eu/stats/policy_and_exchange_rates/"
            "euro_reference_exchange_rates/html/eurofxref-graph-" +
            Escape(Lower(rate->code)) + ".en.html\">" + Escape(rate->text) + Narrow(kRateClose) + "</td></tr>\n";
  }
  page += "</tbody>\n</table>\n";
  page += "<p>Source: <a href=\"https://www.ecb.europa.eu/stats/policy_and_exchange_rates/"
          "euro_reference_exchange_rates/html/index.en.html\">" +
          std::string(kSource) + "</a>. Rates are for information only.</p>\n";
  page += "</body>\n</html>\n";
  return page;
}

}  // namespace rates
