#include "page.h"

#include <unicode/ucurr.h>
#include <unicode/ustring.h>

#include <algorithm>
#include <chrono>
#include <iterator>

namespace site {

const char* const kSymbolOrder[22] = {"USD", "AUD", "BRL", "GBP", "CAD", "CNY", "DKK", "HKD",
                                      "INR", "JPY", "MYR", "MXN", "NZD", "NOK", "SGD", "ZAR",
                                      "KRW", "LKR", "SEK", "CHF", "TWD", "THB"};

namespace {

constexpr const char* kSource = "Euro foreign exchange reference rates, European Central Bank";

std::string Escape(const std::string& text) {
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

std::string Lower(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

// The symbol list's codes in its order, then the rest in the feed's order.
std::vector<const Rate*> RowOrder(const Day& day) {
  std::vector<const Rate*> rows;
  for (const char* code : kSymbolOrder) {
    auto it = std::find_if(day.rates.begin(), day.rates.end(), [&](const Rate& r) { return r.code == code; });
    if (it != day.rates.end()) rows.push_back(&*it);
  }
  for (const Rate& r : day.rates) {
    if (std::find(std::begin(kSymbolOrder), std::end(kSymbolOrder), r.code) == std::end(kSymbolOrder)) {
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
  const int year = std::stoi(isoDate.substr(0, 4));
  const unsigned month = static_cast<unsigned>(std::stoi(isoDate.substr(5, 2)));
  const unsigned day = static_cast<unsigned>(std::stoi(isoDate.substr(8, 2)));
  const std::chrono::year_month_day date{std::chrono::year{year}, std::chrono::month{month}, std::chrono::day{day}};
  const std::chrono::weekday weekday{std::chrono::sys_days{date}};
  return std::string(kWeekdays[weekday.c_encoding()]) + ", " + std::to_string(day) + " " + kMonths[month - 1] + " " +
         std::to_string(year);
}

std::string CurrencyName(const std::string& code) {
  UChar isoCode[4] = {static_cast<UChar>(code[0]), static_cast<UChar>(code[1]), static_cast<UChar>(code[2]), 0};
  UBool isChoiceFormat = false;
  int32_t length = 0;
  UErrorCode status = U_ZERO_ERROR;
  const UChar* name = ucurr_getName(isoCode, "en", UCURR_LONG_NAME, &isChoiceFormat, &length, &status);
  if (U_FAILURE(status) || name == nullptr) return code;
  char utf8[256];
  int32_t written = 0;
  status = U_ZERO_ERROR;
  u_strToUTF8(utf8, sizeof utf8, &written, name, length, &status);
  if (U_FAILURE(status) || status == U_STRING_NOT_TERMINATED_WARNING) return code;
  return std::string(utf8, static_cast<std::size_t>(written));
}

// Each row carries, in this order and nothing between them, what Quillon's
// scan looks for: four no-break spaces and five skipped characters (<wbr>),
// the name, two characters and "font" (the code's element), a link whose
// address ends in "html" right before its ">", the rate, "</a>".
std::string RenderPage(const Day& day) {
  const std::string date = LongDate(day.date);
  std::string page;
  page.reserve(4096 + day.rates.size() * 320);
  page += "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n";
  page += "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n";
  page += "<title>1 Euro in other currencies, " + Escape(date) + "</title>\n";
  page +=
      "<style>\n"
      "body { font-family: sans-serif; margin: 1em auto; max-width: 32em; padding: 0 1em; }\n"
      "table { border-collapse: collapse; width: 100%; }\n"
      "th, td { padding: 0.2em 0.4em; border-bottom: 1px solid #ddd; }\n"
      "th { text-align: left; } td.rate, th.rate { text-align: right; }\n"
      "font-code { color: #666; font-size: smaller; }\n"
      "</style>\n</head>\n<body>\n";
  page += "<h1>1 Euro in other currencies</h1>\n";
  page += "<p>" + std::string(kSource) + ", using values from " + Escape(date) + "<BR>\n";
  page += "Published around 16:00 CET on every working day; each rate links to its history.</p>\n";
  page += "<table>\n<thead><tr><th>Currency</th><th class=\"rate\">1 EUR =</th></tr></thead>\n<tbody>\n";
  for (const Rate* rate : RowOrder(day)) {
    const std::string code = Escape(rate->code);
    page += "<tr><td>&nbsp;&nbsp;&nbsp;&nbsp;<wbr>" + Escape(CurrencyName(rate->code)) + " <font-code>(" + code +
            ")</font-code></td><td class=\"rate\"><a href=\"https://www.ecb.europa.eu/stats/policy_and_exchange_rates/"
            "euro_reference_exchange_rates/html/eurofxref-graph-" +
            Escape(Lower(rate->code)) + ".en.html\">" + Escape(rate->text) + "</a></td></tr>\n";
  }
  page += "</tbody>\n</table>\n";
  page += "<p>Source: <a href=\"https://www.ecb.europa.eu/stats/policy_and_exchange_rates/"
          "euro_reference_exchange_rates/html/index.en.html\">" +
          std::string(kSource) + "</a>. Rates are for information only.</p>\n";
  page += "</body>\n</html>\n";
  return page;
}

}  // namespace site
