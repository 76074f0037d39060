// Save Screen and Restore Screen of a full 27 x 132 display station with
// 256 units of fields, run as host records through the data stream manager.
// Counters: "allocs" heap allocations (operator new) per operation,
// "workBuffers" display work buffers taken per operation, "imageBytes" the
// size of the image.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <vector>

#include "datastream/DataStreamManager.h"
#include "datastream/DsmSense.h"
#include "datastream/HostInterface.h"
#include "display/DisplayBag.h"
#include "display/EntryField.h"
#include "display/NullRendering.h"
#include "keyboard/TAXlate.h"

#include "bench/AllocationCounter.h"

namespace {

class CountingRendering : public NullRendering {
 public:
  using NullRendering::NullRendering;
  void* WsGetBuffer(unsigned int size) override {
    ++workBuffers;
    return NullRendering::WsGetBuffer(size);
  }
  unsigned long workBuffers = 0;
};

// Keeps the image the station sends.
class KeepingHost : public HostInterface {
 public:
  int sendDataToHost(unsigned char* data, unsigned int n, Rendering* rendering, unsigned int) override {
    image.assign(data, data + n);
    rendering->WsFreeBuffer(data);
    return 0;
  }
  std::vector<unsigned char> image;
};

DisplayCharacteristics Wide() {
  DisplayCharacteristics c;
  c.word[1] |= 0x01000000u;  // 27 x 132
  c.word[5] = (3696u << 16) | (27u << 8) | 132u;
  return c;
}

struct WideStation {
  WideStation()
      : rendering(3696, 27, 132), screen(3696), display(nullptr, &rendering, &host, &tax, Wide(), screen.data()) {
    host.setDisplayObjectPtr(&display);
    display.changeScreenSize(27, 132);
    display.dataStreamManager().addresses().loadScreenSizeStuff();
  }
  ~WideStation() { host.setDisplayObjectPtr(nullptr); }

  // Text on every row, colour attributes, and 256 fields of 8 positions
  // 13 apart with data in them.
  void fill() {
    PresentationSpaceScreenBuffer& ps = display.presentationSpace();
    for (unsigned int i = 0; i < 27u * 132u; ++i)
      ps.writeCharacter(i, static_cast<unsigned char>(i % 7 ? 0xC1 + i % 9 : 0x40));
    FormatTable& t = display.formatTable();
    for (unsigned int i = 0; i < 256; ++i) {
      ps.writeCharacter(i * 13, 0x24);
      EntryField* e = static_cast<EntryField*>(t.createField(kLTRField, nullptr, 0));
      t.createEntryFieldSegment(e, i * 13 + 1, i * 13 + 8, 1);
      if (i % 3 == 0) e->setFlags(Field::kMDT);
    }
    t.validateFormatTable(nullptr);
  }

  uint32_t run(const std::vector<unsigned char>& r) {
    unsigned int unlocked = 0;
    return display.dataStreamManager().dsm(DataStreamManager::kRecord, r.data(), static_cast<uint32_t>(r.size()),
                                           unlocked);
  }

  CountingRendering rendering;
  KeepingHost host;
  TAXlate tax;
  std::vector<unsigned char> screen;
  DisplayBag display;
};

const std::vector<unsigned char> kSave = {0x04, 0x02};

void BM_SaveFullWideStation(benchmark::State& state) {
  WideStation s;
  s.fill();
  const unsigned long allocations = HeapAllocations(), buffers = s.rendering.workBuffers;
  for (auto _ : state) {
    if (s.run(kSave) != dsm_sense::kAnswered) {
      state.SkipWithError("save refused");
      break;
    }
    benchmark::DoNotOptimize(s.host.image.data());
  }
  state.counters["allocs"] = benchmark::Counter(static_cast<double>(HeapAllocations() - allocations),
                                                benchmark::Counter::kAvgIterations);
  state.counters["workBuffers"] = benchmark::Counter(static_cast<double>(s.rendering.workBuffers - buffers),
                                                     benchmark::Counter::kAvgIterations);
  state.counters["imageBytes"] = static_cast<double>(s.host.image.size());
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_SaveFullWideStation);

void BM_RestoreFullWideStation(benchmark::State& state) {
  WideStation a, b;
  a.fill();
  if (a.run(kSave) != dsm_sense::kAnswered) {
    state.SkipWithError("save refused");
    return;
  }
  const std::vector<unsigned char> image = a.host.image;
  const unsigned long allocations = HeapAllocations(), buffers = b.rendering.workBuffers;
  for (auto _ : state) {
    if (b.run(image) != dsm_sense::kAccepted) {
      state.SkipWithError("restore refused");
      break;
    }
    benchmark::DoNotOptimize(b.screen.data());
  }
  state.counters["allocs"] = benchmark::Counter(static_cast<double>(HeapAllocations() - allocations),
                                                benchmark::Counter::kAvgIterations);
  state.counters["workBuffers"] = benchmark::Counter(static_cast<double>(b.rendering.workBuffers - buffers),
                                                     benchmark::Counter::kAvgIterations);
  state.counters["imageBytes"] = static_cast<double>(image.size());
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RestoreFullWideStation);

}  // namespace

BENCHMARK_MAIN();
