// The row scan alone on synthetic pages: the time per row must not grow with
// the page, or a long page would freeze the window for longer than its size.
#include <benchmark/benchmark.h>

#include <string>

#include "rates/scan.h"
#include "runtime/text.h"

namespace {

// Rows shaped like the rates page's, with the page's own markup around them.
std::u16string Page(int rows) {
  std::string page = "<p>calculated using values from Friday, 4 December 2026<BR></p>\n<table>\n";
  for (int i = 0; i < rows; ++i) {
    const std::string code = std::to_string(i);
    page += "<tr><td>&nbsp;&nbsp;&nbsp;&nbsp;<wbr>Currency " + code +
            " <font size=-1 color=#666666>(C" + code + ")</font></td><td align=right>"
            "<a href=/cgi-bin/history.cgi/C" + code + ".html>1." + code + "</a></td></tr>\n";
  }
  page += "</table>\n";
  return runtime::FromWindows1252(page);
}

void BM_ScanRatePage(benchmark::State& state) {
  const int rows = static_cast<int>(state.range(0));
  const std::u16string page = Page(rows);
  for (auto _ : state) {
    auto scanned = rates::ScanRatePage(page);
    benchmark::DoNotOptimize(scanned.data());
    if (static_cast<int>(scanned.size()) != rows) state.SkipWithError("wrong row count");
  }
  state.SetItemsProcessed(state.iterations() * rows);
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(page.size() * sizeof(char16_t)));
  // Seconds per row: flat across the sizes means the scan is linear.
  state.counters["per_row"] = benchmark::Counter(static_cast<double>(rows),
                                                 benchmark::Counter::kIsIterationInvariantRate |
                                                     benchmark::Counter::kInvert);
}
BENCHMARK(BM_ScanRatePage)->Arg(1'000)->Arg(10'000)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

}  // namespace
