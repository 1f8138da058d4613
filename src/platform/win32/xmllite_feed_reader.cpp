#include "platform/win32/xmllite_feed_reader.h"

#include <windows.h>
#include <objidl.h>
#include <xmllite.h>

#include <chrono>
#include <climits>
#include <cstdio>
#include <memory>
#include <optional>
#include <vector>

#include "runtime/text.h"

namespace platform::win32 {

namespace {

using CreateXmlReaderCall = HRESULT(WINAPI*)(REFIID, void**, IMalloc*);
using CreateMemStreamCall = IStream*(WINAPI*)(const BYTE*, UINT);

struct XmlLite {
  CreateXmlReaderCall createReader = nullptr;
  CreateMemStreamCall createStream = nullptr;
};

template <typename Call>
Call Find(const wchar_t* library, const char* name) {
  // From the system folder only: a DLL of that name beside the program or in
  // the working folder is never the parser.
  wchar_t folder[MAX_PATH];
  const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return nullptr;
  const HMODULE module = LoadLibraryW((std::wstring(folder, length) + L"\\" + library).c_str());
  if (module == nullptr) return nullptr;
  return reinterpret_cast<Call>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// Loaded at the first document and kept: start-up maps nothing new.
const XmlLite& Loaded() {
  static const XmlLite api{Find<CreateXmlReaderCall>(L"xmllite.dll", "CreateXmlReader"),
                           Find<CreateMemStreamCall>(L"shlwapi.dll", "SHCreateMemStream")};
  return api;
}

struct Release {
  void operator()(IUnknown* object) const { object->Release(); }
};

std::string Utf8(const WCHAR* text, UINT length) {
  if (text == nullptr) return {};
  return runtime::ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(text), length));
}

std::string LocalName(IXmlReader& reader) {
  const WCHAR* text = nullptr;
  UINT length = 0;
  return SUCCEEDED(reader.GetLocalName(&text, &length)) ? Utf8(text, length) : std::string();
}

std::string NamespaceUri(IXmlReader& reader) {
  const WCHAR* text = nullptr;
  UINT length = 0;
  return SUCCEEDED(reader.GetNamespaceUri(&text, &length)) ? Utf8(text, length) : std::string();
}

std::string Value(IXmlReader& reader) {
  const WCHAR* text = nullptr;
  UINT length = 0;
  return SUCCEEDED(reader.GetValue(&text, &length)) ? Utf8(text, length) : std::string();
}

struct Place {
  UINT line = 0, column = 0;
  bool operator==(const Place&) const = default;
};

Place Where(IXmlReader& reader) {
  Place place;
  reader.GetLineNumber(&place.line);
  reader.GetLinePosition(&place.column);
  return place;
}

bool IsEmptyValue(IXmlReader& reader) {
  const WCHAR* text = nullptr;
  UINT length = 0;
  return FAILED(reader.GetValue(&text, &length)) || length == 0;
}

std::string NotWellFormed(UINT line, const std::string& what) {
  return "not well-formed XML (line " + std::to_string(line == 0 ? 1 : line) + "): " + what;
}

// XmlLite gives a code, not a message: the two a feed meets most get words.
std::string ParserReason(HRESULT result, UINT line) {
  if (result == static_cast<HRESULT>(WC_E_DTDPROHIBITED)) return "the document declares a DOCTYPE";
  if (result == static_cast<HRESULT>(MX_E_INPUTEND)) return NotWellFormed(line, "the document ends too soon");
  char code[24];
  std::snprintf(code, sizeof code, "error 0x%08lX", static_cast<unsigned long>(result));
  return NotWellFormed(line, code);
}

}  // namespace

bool XmlLiteFeedReader::ReadNewestDay(std::string_view document, rates::Day& day, std::string& why) {
  if (document.size() > UINT_MAX) {
    why = "the document is too large";
    return false;
  }
  // Also keeps the smallest inputs from Wine's parser, which stops the
  // program on some of them (an assertion) instead of refusing them.
  if (!rates::NamesRatesVocabulary(document)) {
    why = "the document does not name the reference-rates vocabulary";
    return false;
  }
  const XmlLite& api = Loaded();
  if (api.createReader == nullptr || api.createStream == nullptr) {
    why = "the system's XML parser (xmllite.dll) is missing";
    return false;
  }
  std::unique_ptr<IStream, Release> stream(
      api.createStream(reinterpret_cast<const BYTE*>(document.data()), static_cast<UINT>(document.size())));
  IXmlReader* created = nullptr;
  if (!stream || FAILED(api.createReader(__uuidof(IXmlReader), reinterpret_cast<void**>(&created), nullptr))) {
    why = "out of memory for the XML parser";
    return false;
  }
  std::unique_ptr<IXmlReader, Release> reader(created);
  // No DTD read and no resolver: no entity is substituted, nothing fetched.
  if (FAILED(reader->SetProperty(XmlReaderProperty_DtdProcessing, DtdProcessing_Prohibit)) ||
      FAILED(reader->SetProperty(XmlReaderProperty_XmlResolver, 0)) || FAILED(reader->SetInput(stream.get()))) {
    why = "the XML parser refused its settings";
    return false;
  }

  const auto today = std::chrono::floor<std::chrono::days>(std::chrono::system_clock::now());
  rates::FeedWalk walk(today);
  // Where each open element starts. Kept here so that an end of input inside
  // an element is refused whatever the parser makes of it: half a feed never
  // reaches the lists.
  std::vector<Place> open;
  bool rootSeen = false;
  XmlNodeType type = XmlNodeType_None;
  HRESULT result = S_OK;
  // Every node takes at least one byte of input; more nodes than bytes
  // means the parser has stopped moving.
  std::size_t nodes = 0;
  while ((result = reader->Read(&type)) == S_OK) {
    // Wine's parser meets an end of input inside an element with endless
    // empty whitespace, or with end tags of its own placed where their start
    // tags are, instead of an error.
    if (++nodes > document.size() + 16 || (type == XmlNodeType_Whitespace && IsEmptyValue(*reader)) ||
        (type == XmlNodeType_EndElement && (open.empty() || open.back() == Where(*reader)))) {
      result = static_cast<HRESULT>(MX_E_INPUTEND);
      break;
    }
    if (type == XmlNodeType_DocumentType) {
      walk.Refuse("the document declares a DOCTYPE");
      break;
    }
    if (type == XmlNodeType_EndElement) open.pop_back();
    if (type != XmlNodeType_Element) continue;
    rootSeen = true;
    if (!reader->IsEmptyElement()) open.push_back(Where(*reader));
    UINT depth = 0;
    reader->GetDepth(&depth);
    const std::string namespaceUri = NamespaceUri(*reader), localName = LocalName(*reader);
    rates::FeedWalk::Element element;
    element.depth = static_cast<int>(depth);
    element.namespaceUri = namespaceUri;
    element.localName = localName;
    std::optional<std::string> time, currency, rate;
    if (rates::FeedWalk::IsCube(namespaceUri, localName)) {
      for (HRESULT at = reader->MoveToFirstAttribute(); at == S_OK; at = reader->MoveToNextAttribute()) {
        if (!NamespaceUri(*reader).empty()) continue;  // xmlns and prefixed attributes
        const std::string name = LocalName(*reader);
        if (name == "time") time = Value(*reader);
        if (name == "currency") currency = Value(*reader);
        if (name == "rate") rate = Value(*reader);
      }
      reader->MoveToElement();
      element.time = time ? &*time : nullptr;
      element.currency = currency ? &*currency : nullptr;
      element.rate = rate ? &*rate : nullptr;
    }
    if (!walk.Start(element)) break;
  }
  UINT line = 0;
  reader->GetLineNumber(&line);
  if (FAILED(result)) {
    walk.Refuse(ParserReason(result, line));
  } else if (result == S_FALSE && !rootSeen) {
    walk.Refuse(NotWellFormed(line, "the document has no root element"));
  } else if (result == S_FALSE && !open.empty()) {
    walk.Refuse(NotWellFormed(line, "the document ends inside an element"));
  }
  return walk.Finish(day, why);
}

}  // namespace platform::win32
