#include "platform/user_locale.h"

#include <langinfo.h>
#include <locale.h>

#include <cstdlib>
#include <string_view>

#include "runtime/text.h"

namespace platform {
namespace {

bool IsCLocale(std::string_view name) {
  return name.empty() || name == "C" || name == "POSIX" || name.substr(0, 2) == "C.";
}

// One separator as nl_langinfo gives it: UTF-8 in a UTF-8 locale, one byte of a
// Latin code page otherwise (fr_FR.ISO-8859-1 gives 0xA0 alone). Nothing yields
// 0; a character outside the 16-bit plane is no usable separator either.
char16_t DecodeSeparator(const char* text) {
  if (text == nullptr || text[0] == '\0') return 0;
  const std::string_view bytes(text);
  const char16_t first = runtime::FromUtf8(bytes).front();
  // A lone high byte: Latin-1 maps it to the same code point.
  if (first == 0xFFFD && bytes.size() == 1) return static_cast<unsigned char>(bytes[0]);
  if (first == 0xFFFD || (first >= 0xD800 && first <= 0xDFFF)) return 0;
  return first;
}

struct LanguageSeparators {
  std::string_view language;
  runtime::NumberLocale separators;
};

// Used only when the locale is not installed, so the guess follows what the C
// library's own data says for the language's main country.
constexpr LanguageSeparators kByLanguage[] = {
    {"de", {u',', u'.'}},      {"es", {u',', u'.'}},      {"it", {u',', u'.'}},
    {"nl", {u',', u'.'}},      {"pt", {u',', u'.'}},      {"da", {u',', u'.'}},
    {"tr", {u',', u'.'}},      {"id", {u',', u'.'}},      {"el", {u',', u'.'}},
    {"ro", {u',', u'.'}},      {"fr", {u',', u'\u00A0'}}, {"sv", {u',', u'\u00A0'}},
    {"fi", {u',', u'\u00A0'}}, {"nb", {u',', u'\u00A0'}}, {"nn", {u',', u'\u00A0'}},
    {"no", {u',', u'\u00A0'}}, {"cs", {u',', u'\u00A0'}}, {"sk", {u',', u'\u00A0'}},
    {"ru", {u',', u'\u00A0'}}, {"uk", {u',', u'\u00A0'}}, {"pl", {u',', u'\u00A0'}},
    {"hu", {u',', u'\u00A0'}},
};

runtime::NumberLocale GuessFromLanguage(std::string_view name) {
  const std::size_t end = name.find_first_of("_.@-");
  const std::string language = runtime::LowerAscii(name.substr(0, end));
  // Switzerland writes 1'234.50 in each of its languages.
  if (end != std::string_view::npos && name.substr(end, 3) == "_CH" &&
      (language == "de" || language == "fr" || language == "it")) {
    return {u'.', u'\''};
  }
  for (const auto& entry : kByLanguage) {
    if (entry.language == language) return entry.separators;
  }
  return {u'.', u','};
}

}  // namespace

runtime::NumberLocale NumberLocaleFromName(const std::string& localeName) {
  if (IsCLocale(localeName)) return {u'.', u','};
  // A locale object of our own: setlocale would change the whole process,
  // which the toolkit owns.
  locale_t loc = newlocale(LC_NUMERIC_MASK, localeName.c_str(), static_cast<locale_t>(nullptr));
  if (loc == static_cast<locale_t>(nullptr)) return GuessFromLanguage(localeName);
  runtime::NumberLocale result;
  const char16_t decimal = DecodeSeparator(nl_langinfo_l(RADIXCHAR, loc));
  result.decimal = decimal != 0 ? decimal : u'.';
  result.grouping = DecodeSeparator(nl_langinfo_l(THOUSEP, loc));
  freelocale(loc);
  return result;
}

runtime::NumberLocale UserNumberLocale() {
  for (const char* variable : {"LC_ALL", "LC_NUMERIC", "LANG"}) {
    const char* value = std::getenv(variable);
    if (value != nullptr && value[0] != '\0') return NumberLocaleFromName(value);
  }
  return NumberLocaleFromName("C");
}

}  // namespace platform
