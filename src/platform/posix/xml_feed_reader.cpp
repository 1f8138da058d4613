#include "platform/posix/xml_feed_reader.h"

#include <libxml/parser.h>
#include <libxml/xmlreader.h>

#include <chrono>
#include <climits>
#include <memory>
#include <optional>

namespace platform::posix {

namespace {

struct ReaderFree {
  void operator()(xmlTextReader* reader) const { xmlFreeTextReader(reader); }
};

std::string_view View(const xmlChar* text) {
  return text != nullptr ? std::string_view(reinterpret_cast<const char*>(text)) : std::string_view();
}

std::optional<std::string> Attribute(xmlTextReader* reader, const char* name) {
  xmlChar* raw = xmlTextReaderGetAttribute(reader, BAD_CAST name);
  if (raw == nullptr) return std::nullopt;
  std::string value(reinterpret_cast<const char*>(raw));
  xmlFree(raw);
  return value;
}

// The parser's first complaint, kept instead of printed.
void KeepError(void* context, xmlError* error) {
  auto* why = static_cast<std::string*>(context);
  if (!why->empty() || error == nullptr || error->level < XML_ERR_ERROR) return;
  std::string message = error->message != nullptr ? error->message : "unknown error";
  while (!message.empty() && (message.back() == '\n' || message.back() == ' ')) message.pop_back();
  *why = "not well-formed XML (line " + std::to_string(error->line) + "): " + message;
}

}  // namespace

bool XmlFeedReader::ReadNewestDay(std::string_view document, rates::Day& day, std::string& why) {
  if (document.size() > static_cast<std::size_t>(INT_MAX)) {
    why = "the document is too large";
    return false;
  }
  xmlInitParser();
  // No network, no DTD loaded, no entity substituted; complaints are kept,
  // not printed.
  const int options = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_NOCDATA;
  std::unique_ptr<xmlTextReader, ReaderFree> reader(
      xmlReaderForMemory(document.data(), static_cast<int>(document.size()), "feed.xml", nullptr, options));
  if (!reader) {
    why = "out of memory for the XML parser";
    return false;
  }
  std::string parserWhy;
  xmlTextReaderSetStructuredErrorHandler(reader.get(), KeepError, &parserWhy);

  const auto today = std::chrono::floor<std::chrono::days>(std::chrono::system_clock::now());
  rates::FeedWalk walk(today);
  int status = 0;
  while ((status = xmlTextReaderRead(reader.get())) == 1) {
    const int type = xmlTextReaderNodeType(reader.get());
    // The published documents declare no DTD; one that does is not one of
    // them, and its entities are never looked at.
    if (type == XML_READER_TYPE_DOCUMENT_TYPE) {
      walk.Refuse("the document declares a DOCTYPE");
      break;
    }
    if (type != XML_READER_TYPE_ELEMENT) continue;
    rates::FeedWalk::Element element;
    element.depth = xmlTextReaderDepth(reader.get());
    element.namespaceUri = View(xmlTextReaderConstNamespaceUri(reader.get()));
    element.localName = View(xmlTextReaderConstLocalName(reader.get()));
    std::optional<std::string> time, currency, rate;
    if (rates::FeedWalk::IsCube(element.namespaceUri, element.localName)) {
      time = Attribute(reader.get(), "time");
      currency = Attribute(reader.get(), "currency");
      rate = Attribute(reader.get(), "rate");
      element.time = time ? &*time : nullptr;
      element.currency = currency ? &*currency : nullptr;
      element.rate = rate ? &*rate : nullptr;
    }
    if (!walk.Start(element)) break;
  }
  if (status < 0 || !parserWhy.empty()) {
    walk.Refuse(parserWhy.empty() ? "not well-formed XML" : parserWhy);
  }
  return walk.Finish(day, why);
}

}  // namespace platform::posix
