#pragma once
// One day of the central bank's reference rates, and the rules a day must
// keep before anything shows it.
#include <chrono>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace rates {

struct Rate {
  std::string code;  // three letters A-Z
  std::string text;  // the document's own text, a plain positive decimal
};

struct Day {
  std::string date;         // YYYY-MM-DD, a real calendar date
  std::vector<Rate> rates;  // in the document's order, no code twice
};

// The first day the reference rates were published.
inline constexpr std::chrono::year_month_day kFirstDay{std::chrono::year{1999}, std::chrono::January,
                                                       std::chrono::day{4}};

// The vocabulary of a reference-rates document: its rates are Cube elements
// of this namespace.
inline constexpr std::string_view kRatesNamespace = "http://www.ecb.int/vocabulary/2002-08-01/eurofxref";

bool IsIsoDate(std::string_view text);
// The date of a text of IsIsoDate's shape, YYYY-MM-DD; check ok() unless
// IsIsoDate said yes.
std::chrono::year_month_day CalendarDate(std::string_view isoDate);
bool IsCurrencyCode(std::string_view text);
// Digits with at most one inner period, not all zeros: what the desktop
// program reads back in any locale without surprises.
bool IsPlainPositiveDecimal(std::string_view text);

// A text for a one-line reason: in quotes, cut after 40 bytes at a character
// boundary, control characters shown as "?". `text` is UTF-8.
std::string Quoted(std::string_view text);

// True when a downloaded document speaks the reference-rates vocabulary; an
// XML reader then decides whether it is a usable one.
bool NamesRatesVocabulary(std::string_view document);

// The walk of a reference-rates document, shared by every XML reader: the
// reader reports each element where it starts, and the walk keeps the newest
// day and the first reason to refuse the document. Days are checked as they
// come, so a document of any length is read in one pass and little memory.
class FeedWalk {
 public:
  // Days after `today`'s tomorrow are refused: no published day lies there.
  explicit FeedWalk(std::chrono::sys_days today);

  struct Element {
    int depth = 0;  // the root is 0
    std::string_view namespaceUri;
    std::string_view localName;
    // Null when the element has no such attribute (attributes without a namespace).
    const std::string* time = nullptr;
    const std::string* currency = nullptr;
    const std::string* rate = nullptr;
  };
  // False once the document is refused; the reader may stop then.
  bool Start(const Element& element);
  // The reader's own refusal (not well-formed, a DOCTYPE): the first reason stays.
  void Refuse(std::string why);
  // After the last element: the newest day, or false with the reason.
  bool Finish(Day& day, std::string& why);

  // Whether an element is one the walk reads: readers need no attributes of the others.
  static bool IsCube(std::string_view namespaceUri, std::string_view localName);

 private:
  bool CloseDay();

  std::chrono::sys_days tomorrow_;
  std::string why_;
  std::string rootName_;
  bool ratesSeen_ = false;  // an outer Cube was met
  bool inRates_ = false;    // inside the outer Cube of the root
  bool inNewest_ = false;   // inside a day newer than every day before it
  std::set<std::string> dates_;
  std::set<std::string> codes_;
  Day current_;
  Day newest_;
};

}  // namespace rates
