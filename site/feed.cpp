#include "feed.h"

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <chrono>
#include <memory>
#include <set>

namespace site {
namespace {

constexpr const char* kRatesNamespace = "http://www.ecb.int/vocabulary/2002-08-01/eurofxref";

struct DocFree {
  void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
};
struct CtxtFree {
  void operator()(xmlParserCtxt* ctxt) const { xmlFreeParserCtxt(ctxt); }
};

bool IsCube(const xmlNode* node) {
  return node->type == XML_ELEMENT_NODE && xmlStrEqual(node->name, BAD_CAST "Cube") && node->ns != nullptr &&
         xmlStrEqual(node->ns->href, BAD_CAST kRatesNamespace);
}

// False when the element has no such attribute.
bool Attribute(const xmlNode* node, const char* name, std::string& value) {
  xmlChar* raw = xmlGetNoNsProp(node, BAD_CAST name);
  if (raw == nullptr) return false;
  value = reinterpret_cast<const char*>(raw);
  xmlFree(raw);
  return true;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool IsDate(const std::string& text) {
  if (text.size() != 10 || text[4] != '-' || text[7] != '-') return false;
  for (std::size_t i : {0, 1, 2, 3, 5, 6, 8, 9}) {
    if (!IsDigit(text[i])) return false;
  }
  const std::chrono::year_month_day day{std::chrono::year{std::stoi(text.substr(0, 4))},
                                        std::chrono::month{static_cast<unsigned>(std::stoi(text.substr(5, 2)))},
                                        std::chrono::day{static_cast<unsigned>(std::stoi(text.substr(8, 2)))}};
  return day.ok();
}

bool IsCode(const std::string& text) {
  if (text.size() != 3) return false;
  for (char c : text) {
    if (c < 'A' || c > 'Z') return false;
  }
  return true;
}

// Digits with at most one inner period, not all zeros: what the desktop
// program reads back in any locale without surprises.
bool IsPlainPositiveDecimal(const std::string& text) {
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

std::string Quoted(const std::string& text) {
  std::string out = "\"";
  for (char c : text.substr(0, 40)) out += (static_cast<unsigned char>(c) < 0x20 ? '?' : c);
  return out + (text.size() > 40 ? "...\"" : "\"");
}

Day ReadDay(const xmlNode* cube, const std::string& date) {
  Day day{date, {}};
  std::set<std::string> seen;
  for (const xmlNode* rate = cube->children; rate != nullptr; rate = rate->next) {
    if (!IsCube(rate)) continue;
    Rate r;
    if (!Attribute(rate, "currency", r.code)) throw Unusable("a rate of " + date + " has no currency");
    if (!IsCode(r.code)) throw Unusable("currency code " + Quoted(r.code) + " is not three letters A-Z");
    if (!Attribute(rate, "rate", r.text)) throw Unusable(r.code + " has no rate");
    if (!IsPlainPositiveDecimal(r.text)) {
      throw Unusable("rate " + Quoted(r.text) + " of " + r.code + " is not a plain positive decimal");
    }
    if (!seen.insert(r.code).second) throw Unusable("currency " + r.code + " appears twice on " + date);
    day.rates.push_back(std::move(r));
  }
  if (day.rates.empty()) throw Unusable("the day " + date + " has no rates");
  return day;
}

}  // namespace

Day ReadFeed(std::string_view document) {
  if (document.size() > kMaxFeedBytes) {
    throw Unusable("the document is larger than " + std::to_string(kMaxFeedBytes >> 20) + " MiB");
  }
  xmlInitParser();
  std::unique_ptr<xmlParserCtxt, CtxtFree> ctxt(xmlNewParserCtxt());
  if (!ctxt) throw Unusable("out of memory for the XML parser");
  // No network, no external DTD, no entity substitution; errors are taken
  // from the context instead of being printed.
  const int options = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_NOCDATA;
  std::unique_ptr<xmlDoc, DocFree> doc(xmlCtxtReadMemory(ctxt.get(), document.data(), static_cast<int>(document.size()),
                                                         "feed.xml", nullptr, options));
  if (!doc || !ctxt->wellFormed) {
    const xmlError* error = xmlCtxtGetLastError(ctxt.get());
    std::string why = error != nullptr && error->message != nullptr ? error->message : "unknown error";
    while (!why.empty() && (why.back() == '\n' || why.back() == ' ')) why.pop_back();
    const int line = error != nullptr ? error->line : 0;
    throw Unusable("not well-formed XML (line " + std::to_string(line) + "): " + why);
  }
  // The published documents declare no DTD; one that does is not one of
  // them, and its entities are never looked at.
  if (doc->intSubset != nullptr || doc->extSubset != nullptr) throw Unusable("the document declares a DOCTYPE");

  const xmlNode* root = xmlDocGetRootElement(doc.get());
  const xmlNode* outer = nullptr;
  for (const xmlNode* n = root != nullptr ? root->children : nullptr; n != nullptr; n = n->next) {
    if (IsCube(n)) {
      outer = n;
      break;
    }
  }
  if (outer == nullptr) {
    const std::string rootName = root != nullptr ? reinterpret_cast<const char*>(root->name) : "";
    throw Unusable("no reference-rates Cube in the document (root element " + Quoted(rootName) + ")");
  }
  // Newest first is how the documents come, but the latest date decides.
  const xmlNode* newest = nullptr;
  std::string newestDate;
  for (const xmlNode* n = outer->children; n != nullptr; n = n->next) {
    std::string date;
    if (!IsCube(n) || !Attribute(n, "time", date)) continue;
    if (!IsDate(date)) throw Unusable("day " + Quoted(date) + " is not a date YYYY-MM-DD");
    if (newest == nullptr || date > newestDate) {
      newest = n;
      newestDate = date;
    }
  }
  if (newest == nullptr) throw Unusable("the document holds no day of rates");
  return ReadDay(newest, newestDate);
}

}  // namespace site
