#pragma once
// Reading the rates page: the row scan and the delimited-text extraction.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace rates {

struct RateRow {
  std::u16string name;
  std::u16string rate;
};

// The text between the first `open` at or after `start` and the next `close`
// after it, or the empty text when either is missing. compare: 0 binary, 1 text.
std::u16string ExtractBetween(std::int32_t start, std::u16string_view text, std::u16string_view open,
                              std::u16string_view close, std::int32_t compare);

// Every currency row of the page text (quotes already removed), in page order.
// A row marker without its name, link and rate after it ends the scan: a half
// row would leave the name and rate lists of different lengths. At most
// `maxRows` rows are read.
std::vector<RateRow> ScanRatePage(std::u16string_view page, std::size_t maxRows = SIZE_MAX);

// The page's date text, or the empty text when it has no date line.
std::u16string PageDate(std::u16string_view page);

}  // namespace rates
