// Text assist: a full 27 x 132 page of text written with WRTXT through the
// data stream manager (extended-attribute planes, so 2-byte line lengths;
// two pages that differ at every position, taken in turn), and the text
// record of a page whose every row changed (textSendAid with the host
// waiting for it). Counters: pages/s and the heap allocations per record
// (every operator new of the process is counted; a record needs none).
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "datastream/DataStreamManager.h"
#include "datastream/HostInterface.h"
#include "display/DisplayBag.h"
#include "display/NullRendering.h"
#include "keyboard/TAXlate.h"

#include "bench/AllocationCounter.h"

namespace {

constexpr unsigned int kBufferSize = 3696;

DisplayCharacteristics Wide() {
  DisplayCharacteristics c;
  c.word[5] = (kBufferSize << 16) | (27u << 8) | 132u;
  c.word[1] |= 0x01000000u;  // 27 x 132 capable
  return c;
}

struct Station {
  Station()
      : rendering(kBufferSize, 27, 132),
        screen(kBufferSize),
        display(nullptr, &rendering, &host, &tax, Wide(), screen.data()) {
    tax.setKeyboardType(0xB0);  // the word-processing options
  }
  uint32_t run(const std::vector<unsigned char>& r) {
    unsigned int unlocked = 0;
    const uint32_t sense = display.dataStreamManager().dsm(DataStreamManager::kRecord, r.data(),
                                                           static_cast<uint32_t>(r.size()), unlocked);
    display.postDatastreamProcessing();
    return sense;
  }
  NullRendering rendering;
  HostInterface host;
  TAXlate tax;
  std::vector<unsigned char> screen;
  DisplayBag display;
};

void Put16(std::vector<unsigned char>& v, unsigned int n) {
  v.push_back(static_cast<unsigned char>(n >> 8));
  v.push_back(static_cast<unsigned char>(n));
}

// DFTXT with extended-attribute planes and one scale line.
std::vector<unsigned char> Setup() {
  return {0x04, 0xF3, 0x00, 0x07, 0xD9, 0x34, 0x00, 0x00, 0xC0,
          0x00, 0x0F, 0xD9, 0x35, 0x00, 0x00, 0x00, 0x00, 0x07, 0x00, 0x01, 0x02, 0x01, 0x82, 0x02};
}

// WRTXT of rows 3..26, 132 characters each, the cursor at row 3 column 2.
std::vector<unsigned char> Page(unsigned int variant) {
  static const unsigned char glyphs[] = {0xC1, 0xC2, 0xC3, 0xC4, 0xC5, 0x40, 0xD1, 0xD2, 0xD3, 0xE2, 0xE3, 0x40,
                                         0xF1, 0xF2, 0xF3, 0x4B, 0x6B, 0x40};
  std::vector<unsigned char> f = {0x00, 0x00, 0xD9, 0x36, 0x00, 0x80, 0x00, 0x08, 0x00, 0x03, 0x00, 0x02};
  for (unsigned int row = 3; row <= 26; ++row) {
    Put16(f, 2 + 13 + 132);
    const unsigned char lcd[13] = {0x80, 0x02, 0x00, static_cast<unsigned char>(row), 0, 0, 0,
                                   0x00, static_cast<unsigned char>(row), 0, 0, 0, 1};
    f.insert(f.end(), lcd, lcd + 13);
    for (unsigned int c = 0; c < 132; ++c) f.push_back(glyphs[(row * 5 + c + variant * 7) % sizeof glyphs]);
  }
  f[0] = static_cast<unsigned char>(f.size() >> 8);
  f[1] = static_cast<unsigned char>(f.size());
  std::vector<unsigned char> r = {0x04, 0xF3};
  r.insert(r.end(), f.begin(), f.end());
  return r;
}

void BM_TextWrite27x132(benchmark::State& state) {
  Station s;
  const std::vector<std::vector<unsigned char>> pages = {Page(0), Page(1)};
  for (const auto& r : {Setup(), pages[0], pages[1]}) {
    if (const uint32_t sense = s.run(r)) {
      state.SkipWithError(("refused with sense " + std::to_string(sense)).c_str());
      return;
    }
  }
  const unsigned long before = HeapAllocations();
  size_t next = 0, bytes = 0, refused = 0;
  for (auto _ : state) {
    const auto& page = pages[next];
    next ^= 1;
    refused += s.run(page) != 0;
    bytes += page.size();
  }
  if (refused) state.SkipWithError("a page was refused");
  // The last page is on the screen.
  const unsigned char* row26 = s.screen.data() + 25 * 132;
  if (row26[0] != pages[next ^ 1][pages[next ^ 1].size() - 132]) state.SkipWithError("the page is not shown");
  state.SetBytesProcessed(static_cast<int64_t>(bytes));
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
  state.counters["allocations/record"] =
      static_cast<double>(HeapAllocations() - before) / static_cast<double>(state.iterations());
  state.counters["us/page"] = benchmark::Counter(static_cast<double>(state.iterations()) * 1e-6,
                                                 benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_TextSendAidEveryRowChanged(benchmark::State& state) {
  Station s;
  for (const auto& r : {Setup(), Page(0)}) {
    if (const uint32_t sense = s.run(r)) {
      state.SkipWithError(("refused with sense " + std::to_string(sense)).c_str());
      return;
    }
  }
  TextSession& t = *s.display.textSession();
  const unsigned long before = HeapAllocations();
  for (auto _ : state) {
    for (unsigned int i = 0; i < t.rows; ++i) t.lineTable[i].ctl |= line_ctl::kChanged;
    t.modes |= text_mode::kHostWaits;
    t.modes &= ~text_mode::kAidPending;
    t.textSendAid(t.cursorPos, 0xF1);
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
  state.counters["allocations/record"] =
      static_cast<double>(HeapAllocations() - before) / static_cast<double>(state.iterations());
}

BENCHMARK(BM_TextWrite27x132);
BENCHMARK(BM_TextSendAidEveryRowChanged);

}  // namespace

BENCHMARK_MAIN();
