#pragma once
// English currency names by ISO 4217 code, generated from CLDR data at build
// time on the build machine, so that no program needs ICU to show them.
#include <span>
#include <string>
#include <string_view>

namespace rates {

struct CurrencyNameEntry {
  std::string_view code;
  std::string_view name;  // UTF-8
};

// Every code the table knows, in code order.
std::span<const CurrencyNameEntry> CurrencyNames();

// The English name of a currency, or the code itself when the table has none.
std::string CurrencyName(std::string_view code);

}  // namespace rates
