#include "rates/day.h"

#include <utility>

namespace rates {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int Digits(std::string_view text) {
  int value = 0;
  for (char c : text) value = value * 10 + (c - '0');
  return value;
}

std::chrono::sys_days DayOf(std::string_view isoDate) { return std::chrono::sys_days{CalendarDate(isoDate)}; }

std::string IsoDate(std::chrono::year_month_day day) {
  char text[11];
  const int year = static_cast<int>(day.year());
  const unsigned month = static_cast<unsigned>(day.month());
  const unsigned d = static_cast<unsigned>(day.day());
  text[0] = static_cast<char>('0' + year / 1000 % 10);
  text[1] = static_cast<char>('0' + year / 100 % 10);
  text[2] = static_cast<char>('0' + year / 10 % 10);
  text[3] = static_cast<char>('0' + year % 10);
  text[4] = '-';
  text[5] = static_cast<char>('0' + month / 10);
  text[6] = static_cast<char>('0' + month % 10);
  text[7] = '-';
  text[8] = static_cast<char>('0' + d / 10);
  text[9] = static_cast<char>('0' + d % 10);
  text[10] = '\0';
  return text;
}

}  // namespace

std::chrono::year_month_day CalendarDate(std::string_view isoDate) {
  return {std::chrono::year{Digits(isoDate.substr(0, 4))},
          std::chrono::month{static_cast<unsigned>(Digits(isoDate.substr(5, 2)))},
          std::chrono::day{static_cast<unsigned>(Digits(isoDate.substr(8, 2)))}};
}

bool IsIsoDate(std::string_view text) {
  if (text.size() != 10 || text[4] != '-' || text[7] != '-') return false;
  for (std::size_t i : {0, 1, 2, 3, 5, 6, 8, 9}) {
    if (!IsDigit(text[i])) return false;
  }
  return CalendarDate(text).ok();
}

bool IsCurrencyCode(std::string_view text) {
  if (text.size() != 3) return false;
  for (char c : text) {
    if (c < 'A' || c > 'Z') return false;
  }
  return true;
}

bool IsPlainPositiveDecimal(std::string_view text) {
  if (text.empty() || text.size() > 32) return false;
  std::size_t periods = 0;
  bool nonZero = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '.') {
      if (++periods > 1 || i == 0 || i + 1 == text.size()) return false;
    } else if (!IsDigit(c)) {
      return false;
    } else if (c != '0') {
      nonZero = true;
    }
  }
  return nonZero;
}

std::string Quoted(std::string_view text) {
  constexpr std::size_t kMost = 40;
  std::size_t cut = text.size();
  if (cut > kMost) {
    cut = kMost;
    // Never end inside a character: a log line and a JSON text must stay UTF-8.
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
  }
  std::string out = "\"";
  for (char c : text.substr(0, cut)) out += (static_cast<unsigned char>(c) < 0x20 || c == 0x7F ? '?' : c);
  return out + (cut < text.size() ? "...\"" : "\"");
}

bool NamesRatesVocabulary(std::string_view document) { return document.find(kRatesNamespace) != std::string_view::npos; }

FeedWalk::FeedWalk(std::chrono::sys_days today) : tomorrow_(today + std::chrono::days{1}) {}

bool FeedWalk::IsCube(std::string_view namespaceUri, std::string_view localName) {
  return localName == "Cube" && namespaceUri == kRatesNamespace;
}

void FeedWalk::Refuse(std::string why) {
  if (why_.empty()) why_ = std::move(why);
}

bool FeedWalk::CloseDay() {
  if (!inNewest_) return why_.empty();
  inNewest_ = false;
  if (current_.rates.empty()) {
    Refuse("the day " + current_.date + " has no rates");
    return false;
  }
  newest_ = std::move(current_);
  current_ = {};
  return why_.empty();
}

bool FeedWalk::Start(const Element& e) {
  if (!why_.empty()) return false;
  const bool cube = IsCube(e.namespaceUri, e.localName);
  if (e.depth == 0) {
    rootName_ = e.localName;
    return true;
  }
  if (e.depth <= 2 && !CloseDay()) return false;
  if (e.depth == 1) {
    inRates_ = cube;
    ratesSeen_ = ratesSeen_ || cube;
    return true;
  }
  if (e.depth == 2) {
    if (!inRates_ || !cube || e.time == nullptr) return true;
    const std::string& date = *e.time;
    if (!IsIsoDate(date)) {
      Refuse("day " + Quoted(date) + " is not a date YYYY-MM-DD");
    } else if (DayOf(date) < std::chrono::sys_days{kFirstDay}) {
      Refuse("day " + date + " is before the first reference rates of " + IsoDate(kFirstDay));
    } else if (DayOf(date) > tomorrow_) {
      Refuse("day " + date + " is later than tomorrow");
    } else if (!dates_.insert(date).second) {
      Refuse("day " + date + " appears twice");
    } else if (newest_.date.empty() || date > newest_.date) {
      inNewest_ = true;
      current_ = {date, {}};
      codes_.clear();
    }
    return why_.empty();
  }
  if (e.depth == 3 && inNewest_ && cube) {
    const std::string& date = current_.date;
    Rate r;
    if (e.currency == nullptr) {
      Refuse("a rate of " + date + " has no currency");
    } else if (r.code = *e.currency; !IsCurrencyCode(r.code)) {
      Refuse("currency code " + Quoted(r.code) + " is not three letters A-Z");
    } else if (e.rate == nullptr) {
      Refuse(r.code + " has no rate");
    } else if (r.text = *e.rate; !IsPlainPositiveDecimal(r.text)) {
      Refuse("rate " + Quoted(r.text) + " of " + r.code + " is not a plain positive decimal");
    } else if (!codes_.insert(r.code).second) {
      Refuse("currency " + r.code + " appears twice on " + date);
    } else {
      current_.rates.push_back(std::move(r));
    }
  }
  return why_.empty();
}

bool FeedWalk::Finish(Day& day, std::string& why) {
  CloseDay();
  if (why_.empty() && !ratesSeen_) {
    why_ = "no reference-rates Cube in the document (root element " + Quoted(rootName_) + ")";
  }
  if (why_.empty() && newest_.date.empty()) why_ = "the document holds no day of rates";
  if (!why_.empty()) {
    why = why_;
    return false;
  }
  day = newest_;
  return true;
}

}  // namespace rates
