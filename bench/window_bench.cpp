// The main window on the headless backend: one keystroke's conversion, and
// one Get Exchange Rates click on the real libcurl session against the
// loopback rates site named by QUILLON_BENCH_URL (skipped when unset).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "main_window/frm_converter.h"
#include "platform/posix/curl_internet.h"
#include "runtime/text.h"
#include "support/fake_internet.h"
#include "support/recording_backend.h"
#include "toolkit/application.h"

namespace {

std::string SamplePage() {
  std::ifstream in(QUILLON_SAMPLE_PAGE, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

struct Window {
  explicit Window(platform::Internet& internet, std::u16string url = u"") {
    services.internet = &internet;
    settings.locale = {u'.', u','};
    settings.ratesUrl = std::move(url);
    app = std::make_unique<tk::Application>(backend, tk::AppInfo{u"Quillon", 1, 0, 0, u"/opt/quillon"});
    frm = std::make_unique<quillon::FrmConverter>(*app, services, settings, nullptr);
    frm->Show();
  }
  fakes::RecordingBackend backend;
  platform::Services services;
  quillon::ConverterSettings settings;
  std::unique_ptr<tk::Application> app;
  std::unique_ptr<quillon::FrmConverter> frm;
};

// From the amount box's Change to the result line written: the leading-number
// parse, the rate's locale parse, the arithmetic and the two-decimal format.
void BM_Keystroke(benchmark::State& state) {
  fakes::FakeInternet internet;
  internet.body = SamplePage();
  Window w(internet);
  w.frm->cmdGet.UserClick();
  w.frm->lstCurrency.UserSelect(3);
  if (state.range(0) == 1) w.frm->Option2.UserChoose();
  const std::u16string amounts[] = {u"125.5", u"125.55"};
  std::size_t i = 0;
  for (auto _ : state) {
    w.frm->txtAmount.UserTyped(amounts[i++ & 1]);
    benchmark::DoNotOptimize(w.frm->lblValue.Caption().data());
  }
  if (!w.backend.messages.empty() || w.frm->lblValue.Caption().empty()) state.SkipWithError("the conversion failed");
  state.SetLabel(rt::ToUtf8(w.frm->lblValue.Caption()));
}
BENCHMARK(BM_Keystroke)->Arg(0)->Arg(1)->ArgName("out_of_euros");

// The whole click: the reachability test, the GET, decoding, the quote
// removal, the scan and both lists filled.
void BM_GetClick(benchmark::State& state) {
  const char* url = std::getenv("QUILLON_BENCH_URL");
  if (!url || !*url) {
    state.SkipWithError("QUILLON_BENCH_URL is not set (bench/run sets it)");
    return;
  }
  platform::CurlInternet internet;
  Window w(internet, rt::FromUtf8(url));
  for (auto _ : state) {
    w.frm->cmdGet.UserClick();
    if (w.frm->lstCurrency.ListCount() == 0 || !w.backend.messages.empty()) {
      state.SkipWithError("the click listed nothing");
      break;
    }
  }
  state.counters["rows"] = w.frm->lstCurrency.ListCount();
}
BENCHMARK(BM_GetClick)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
