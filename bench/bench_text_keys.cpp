// Text assist: data keys typed in insert mode into a full page whose scale
// line has a centre and a decimal tab stop (every row holds tabbed text
// under both stops), through the keystroke objects of the display station,
// as the keyboard dispatches them. Words spill as rows fill up; when the
// page has no room left (an operator error) it is written again, outside the
// timing. Counters: the 50th and 99th percentile of the time per key, in
// microseconds, over 10,000 keys.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <vector>

#include "datastream/DataStreamManager.h"
#include "datastream/HostInterface.h"
#include "display/DisplayBag.h"
#include "display/NullRendering.h"
#include "keyboard/FunctionWord.h"
#include "keyboard/InObjGen.h"
#include "keyboard/TAXlate.h"
#include "bench/TextKeysPage.h"

namespace {

using Bytes = std::vector<unsigned char>;

struct Station {
  Station() : rendering(c.bufferSize(), c.rows(), c.columns()), screen(c.bufferSize()),
              display(nullptr, &rendering, &host, &tax, c, screen.data()) {
    tax.setKeyboardType(0xB0);  // the word-processing options
  }
  void run(const Bytes& r) {
    unsigned int unlocked = 0;
    display.dataStreamManager().dsm(DataStreamManager::kRecord, r.data(), static_cast<uint32_t>(r.size()),
                                    unlocked);
    display.postDatastreamProcessing();
  }
  void key(FunctionWord w) { display.inObjGen().processKeystrokeEvent(&display, &w); }
  DisplayCharacteristics c;
  NullRendering rendering;
  HostInterface host;
  TAXlate tax;
  Bytes screen;
  DisplayBag display;
};

void BM_TextInsertKeys(benchmark::State& state) {
  Station s;
  const Bytes page = TextKeysPage();
  std::vector<double> times;
  times.reserve(10000);
  unsigned int reloads = 0;
  for (auto _ : state) {
    times.clear();
    unsigned int n = 0;
    auto load = [&] {
      s.run(page);
      s.key(FunctionWord{3, 1});  // insert mode
      s.display.textSession()->moveCursor(2 * 80 + 1, Plane0);
    };
    load();
    while (times.size() < 10000) {
      // Words of five letters and a blank.
      const FunctionWord w = (++n % 6) ? FunctionWord{10, static_cast<unsigned char>(0xC1 + n % 9)}
                                       : FunctionWord{11, 0x40};
      const auto t0 = std::chrono::steady_clock::now();
      s.key(w);
      const auto t1 = std::chrono::steady_clock::now();
      times.push_back(std::chrono::duration<double, std::micro>(t1 - t0).count());
      TextSession* t = s.display.textSession();
      if (t->errorFlag() || t->keyboardLocked()) {
        ++reloads;
        load();
      }
    }
  }
  std::sort(times.begin(), times.end());
  state.counters["p50_us"] = times[times.size() / 2];
  state.counters["p99_us"] = times[times.size() * 99 / 100];
  state.counters["page_reloads"] = reloads;
}
BENCHMARK(BM_TextInsertKeys)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
BENCHMARK_MAIN();
