#include "rates/currency_names.h"

#include <algorithm>

namespace rates {

namespace {

constexpr CurrencyNameEntry kNames[] = {
#include "rates/currency_names.inc"
};

}  // namespace

std::span<const CurrencyNameEntry> CurrencyNames() { return kNames; }

std::string CurrencyName(std::string_view code) {
  const auto it = std::lower_bound(std::begin(kNames), std::end(kNames), code,
                                   [](const CurrencyNameEntry& e, std::string_view c) { return e.code < c; });
  return std::string(it != std::end(kNames) && it->code == code ? it->name : code);
}

}  // namespace rates
