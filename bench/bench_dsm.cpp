// Host records through the data stream manager of a 24 x 80 station over a
// device that draws nothing: a sign-on-like screen of 60 address and text
// fragments, and 200 short fragments, each followed by the station's
// post-record processing; and a screen with a host window (border, title and
// footer) and programmable mouse buttons. The "allocs" counter is the number
// of heap allocations per record: there must be none.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <vector>

#include "datastream/DataStreamManager.h"
#include "datastream/HostInterface.h"
#include "display/DisplayBag.h"
#include "display/NullRendering.h"
#include "keyboard/TAXlate.h"

namespace {
std::atomic<unsigned long> gAllocations{0};
}

void* operator new(std::size_t n) {
  gAllocations.fetch_add(1, std::memory_order_relaxed);
  if (void* p = std::malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

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

// The sign-on screen with a 10 x 40 window at row 6, column 20 that has a
// border minor, a title and a footer, then mouse buttons 1 to 4 programmed.
std::vector<unsigned char> WindowScreen() {
  std::vector<unsigned char> r = Screen(60, 12);
  r.resize(r.size() - 3);  // without the insert cursor
  const std::vector<unsigned char> minors = {
      0x0D, 0x01, 0x80, 0x24, 0x3A, 0x4E, 0x60, 0x4E, 0x4F, 0x4F, 0x4E, 0x60, 0x4E,  // border
      0x0C, 0x10, 0x00, 0x22, 0x3C, 0x00, 0xD4, 0x85, 0x95, 0xA4, 0x40, 0xF1,          // title
      0x0A, 0x10, 0xA0, 0x00, 0x00, 0x00, 0xC6, 0xF3, 0x7E, 0xE7};                    // footer
  r.insert(r.end(), {0x11, 6, 20, 0x15, 0x00, static_cast<unsigned char>(9 + minors.size()), 0xD9,
                     0x51, 0x80, 0x00, 0x00, 10, 40});
  r.insert(r.end(), minors.begin(), minors.end());
  r.insert(r.end(), {0x15, 0x00, 0x17, 0xD9, 0x55, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0xF1,
                     0x80, 0x02, 0x03, 0x31, 0x40, 0x04, 0x00, 0x32, 0x10, 0x05, 0x00, 0xF3});
  r.insert(r.end(), {0x13, 8, 24});
  return r;
}

void Run(benchmark::State& state, const std::vector<unsigned char>& record) {
  Station s;
  DataStreamManager& m = s.display.dataStreamManager();
  {
    unsigned int unlocked = 0;
    if (m.dsm(DataStreamManager::kRecord, record.data(), static_cast<uint32_t>(record.size()),
              unlocked) != 0) {
      state.SkipWithError("record refused");
      return;
    }
    s.display.postDatastreamProcessing();
  }
  const unsigned long allocationsBefore = gAllocations.load();
  for (auto _ : state) {
    unsigned int unlocked = 0;
    benchmark::DoNotOptimize(m.dsm(DataStreamManager::kRecord, record.data(),
                                   static_cast<uint32_t>(record.size()), unlocked));
    s.display.postDatastreamProcessing();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * record.size()));
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
  state.counters["allocs"] = benchmark::Counter(
      static_cast<double>(gAllocations.load() - allocationsBefore) /
      static_cast<double>(state.iterations() ? state.iterations() : 1));
}

void BM_SignOnScreen(benchmark::State& state) { Run(state, Screen(60, 12)); }
void BM_ShortFragments(benchmark::State& state) { Run(state, Screen(200, 3)); }

BENCHMARK(BM_SignOnScreen);
void BM_WindowScreen(benchmark::State& state) { Run(state, WindowScreen()); }

BENCHMARK(BM_ShortFragments);
BENCHMARK(BM_WindowScreen);

}  // namespace

BENCHMARK_MAIN();
