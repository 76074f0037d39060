// Host records through the data stream manager of a 24 x 80 station over a
// device that draws nothing: a sign-on-like screen of 60 address and text
// fragments, and 200 short fragments, each followed by the station's
// post-record processing.
#include <benchmark/benchmark.h>

#include <vector>

#include "datastream/DataStreamManager.h"
#include "datastream/HostInterface.h"
#include "display/DisplayBag.h"
#include "display/NullRendering.h"
#include "keyboard/TAXlate.h"

namespace {

struct Station {
  Station()
      : rendering(3696, 24, 80),
        screen(3696),
        display(nullptr, &rendering, &host, &tax, DisplayCharacteristics(), screen.data()) {}
  NullRendering rendering;
  HostInterface host;
  TAXlate tax;
  std::vector<unsigned char> screen;
  DisplayBag display;
};

// Clear unit, Write to Display, `fragments` SBA + text runs of `length`
// EBCDIC letters, an insert cursor.
std::vector<unsigned char> Screen(unsigned int fragments, unsigned int length) {
  std::vector<unsigned char> r = {0x04, 0x40, 0x04, 0x11, 0x00, 0x08};
  for (unsigned int i = 0; i < fragments; ++i) {
    const unsigned int at = (i * 1919u / fragments);
    r.insert(r.end(), {0x11, static_cast<unsigned char>(at / 80 + 1),
                       static_cast<unsigned char>(at % 80 + 1)});
    for (unsigned int k = 0; k < length && at + k < 1920; ++k)
      r.push_back(static_cast<unsigned char>(0xC1 + k % 9));
  }
  r.insert(r.end(), {0x13, 0x06, 0x14});
  return r;
}

void Run(benchmark::State& state, const std::vector<unsigned char>& record) {
  Station s;
  DataStreamManager& m = s.display.dataStreamManager();
  for (auto _ : state) {
    unsigned int unlocked = 0;
    benchmark::DoNotOptimize(m.dsm(DataStreamManager::kRecord, record.data(),
                                   static_cast<uint32_t>(record.size()), unlocked));
    s.display.postDatastreamProcessing();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * record.size()));
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
}

void BM_SignOnScreen(benchmark::State& state) { Run(state, Screen(60, 12)); }
void BM_ShortFragments(benchmark::State& state) { Run(state, Screen(200, 3)); }

BENCHMARK(BM_SignOnScreen);
BENCHMARK(BM_ShortFragments);

}  // namespace

BENCHMARK_MAIN();
