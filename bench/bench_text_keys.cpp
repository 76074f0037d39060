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

Bytes Field(unsigned char type, const Bytes& data) {
  const unsigned int n = static_cast<unsigned int>(data.size()) + 4;
  Bytes f{static_cast<unsigned char>(n >> 8), static_cast<unsigned char>(n), 0xD9, type};
  f.insert(f.end(), data.begin(), data.end());
  return f;
}

// Margins at columns 2 and 78, a centre stop at 30 and a decimal stop at
// 60; rows 3..23: "WORDS AND MORE" tab "CENTRED" tab "1234.56" and a
// carrier return.
Bytes Page() {
  const Bytes scale{0x00, 0x00, 0x00, 0x00, 11, 0x00, 0x01, 2, 1, 30, 5, 60, 6, 78, 2};
  const Bytes text{0x00, 0xE6, 0xD6, 0xD9, 0xC4, 0xE2, 0x40, 0xC1, 0xD5, 0xC4, 0x40, 0xD4, 0xD6, 0xD9, 0xC5,
                   0x05, 0xC3, 0xC5, 0xD5, 0xE3, 0xD9, 0xC5, 0xC4, 0x05, 0xF1, 0xF2, 0xF3, 0xF4, 0x4B, 0xF5,
                   0xF6, 0x03};
  Bytes lines;
  for (unsigned int r = 3; r <= 23; ++r) {
    const Bytes lcd{0x80, 2, 0, static_cast<unsigned char>(r), 0, 0, 0, 0, static_cast<unsigned char>(r), 0, 0, 0,
                    1};
    lines.push_back(static_cast<unsigned char>(1 + lcd.size() + text.size()));
    lines.insert(lines.end(), lcd.begin(), lcd.end());
    lines.insert(lines.end(), text.begin(), text.end());
  }
  Bytes wrtxt{0x00, 0x80, 0x00, 0x08, 0x00, 0x03, 0x00, 0x02};
  wrtxt.insert(wrtxt.end(), lines.begin(), lines.end());
  Bytes record{0x04, 0xF3};
  for (const Bytes& f : {Field(0x34, Bytes{0x00, 0x00, 0x80}), Field(0x35, scale), Field(0x36, wrtxt)})
    record.insert(record.end(), f.begin(), f.end());
  return record;
}

void BM_TextInsertKeys(benchmark::State& state) {
  Station s;
  const Bytes page = Page();
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
