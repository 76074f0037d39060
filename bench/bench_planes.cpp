// Full-screen plane writes flushed to a device that draws nothing, and a
// full save and restore of the planes. The "allocs" counter is the number of
// heap allocations per iteration: the write and output path must have none.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <vector>

#include "datastream/qrnIStream.h"
#include "datastream/qrnOStream.h"
#include "tests/support/SaveStreamImage.h"
#include "display/DisplayCharacteristics.h"
#include "display/DisplayControlData.h"
#include "display/DisplayIndicators.h"
#include "display/ECBScreenBuffer.h"
#include "display/PresentationSpaceScreenBuffer.h"
#include "display/NullRendering.h"
#include "display/StationServices.h"

#include "bench/AllocationCounter.h"

namespace {
constexpr unsigned int kRows = 27, kColumns = 132, kSize = 3696;

// Draws nothing; work buffers come from one static block, so the write
// and output path allocates nothing.
class BenchRendering : public NullRendering {
 public:
  BenchRendering() : NullRendering(kSize, kRows, kColumns) {}
  unsigned long updates = 0;
  unsigned char* getScreenWorkBuffer() override { return work_; }
  void updateAllPlanes(const unsigned char* c, unsigned int, unsigned int n,
                       const CharacterBufferImplementation*, unsigned int, unsigned int,
                       const CharacterBufferImplementation*, unsigned int, unsigned int,
                       const CharacterBufferImplementation*, unsigned int, unsigned int) override {
    benchmark::DoNotOptimize(c);
    updates += n;
  }
  void updatePresentationSpacePlane(const unsigned char* b, unsigned int, unsigned int,
                                    unsigned int n) override {
    benchmark::DoNotOptimize(b);
    updates += n;
  }
  void updatePresentationSpaceCompressed(const unsigned char*, unsigned int n,
                                         unsigned int) override {
    updates += n;
  }
  void* WsGetBuffer(unsigned int) override { return work_; }
  void WsFreeBuffer(void*) override {}

 private:
  unsigned char work_[kSize * 2];
};

class BenchStation : public StationServices {
 public:
  BenchStation()
      : psBytes(kSize),
        words(kSize),
        controlData(this),
        ps(this, kSize, kRows, kColumns, 1, psBytes.data()),
        primary(this, kSize, kRows, kColumns, words.data()),
        secondary(this, kSize, kRows, kColumns, words.data()),
        colour(this, kSize, kRows, kColumns, words.data(), 1) {}
  BenchRendering rendering;
  DisplayCharacteristics characteristics;
  unsigned int flagsA = 0, flagsB = 0;
  std::vector<unsigned char> psBytes;
  std::vector<unsigned short> words;
  DisplayControlData controlData;
  DisplayIndicators indicators;
  PresentationSpaceScreenBuffer ps;
  PrimaryECBScreenBuffer primary;
  SecondaryECBScreenBuffer secondary;
  ColorECBScreenBuffer colour;

  Rendering* getRendering() override { return &rendering; }
  const DisplayCharacteristics& getDisplayCharacteristics() const override {
    return characteristics;
  }
  unsigned int& modeFlagsA() override { return flagsA; }
  unsigned int& modeFlagsB() override { return flagsB; }
  unsigned int getASDLanguage() const override { return 0; }
  PresentationSpaceScreenBuffer* getPresentationSpace() override { return &ps; }
  PrimaryECBScreenBuffer* getPrimaryECBPlane() override { return &primary; }
  SecondaryECBScreenBuffer* getSecondaryECBPlane() override { return &secondary; }
  ColorECBScreenBuffer* getColorECBPlane() override { return &colour; }
  DisplayControlData* getDisplayControlData() override { return &controlData; }
  DisplayIndicators* getDisplayIndicators() override { return &indicators; }
  AreaOfScreen* getNonBypassArea(unsigned int) override { return nullptr; }
  bool fieldStartsAt(unsigned int) override { return false; }
  bool fieldLiesIn(unsigned int, unsigned int) override { return false; }
  void markFieldForMovedAttribute(unsigned int) override {}
  bool getFirstAndLastEntryFieldOffsetForScreenRefresh(unsigned int&, unsigned int&) override {
    return false;
  }
  void getEntryFieldRange(EntryField*, unsigned int&, unsigned int&) override {}
  unsigned int mirrorOffsetInArea(AreaOfScreen*, unsigned int o) override { return o; }
  void enterArea(AreaOfScreen*) override {}
  int gainFocus(AreaOfScreen*) override { return 0; }
  void loseFocus(AreaOfScreen*) override {}
  int interruptShaping(AreaOfScreen*) override { return 0; }
  int moveCursorThroughArea(AreaOfScreen*, unsigned int) override { return 0; }
  int checkBeforeAid(AreaOfScreen*, unsigned char) override { return 0; }
  AreaOfScreen* getCurrentArea() override { return nullptr; }
  void enterErrorState(unsigned int) override {}
  void enterTwoMouseEventState(unsigned int, unsigned int) override {}
  void exitTwoMouseEventState() override {}
  void writeOperatorErrorToScreen() override {}
  void postAidCode(unsigned char) override {}
  int aidType(unsigned char) override { return 1; }
  void outputChanges() override {
    ps.outputMultiplePlanesChanges(&primary, &secondary, &colour);
  }
};

enum Mode { Normal, Extended, Reversed };

void WriteFullScreen(benchmark::State& state, Mode mode) {
  BenchStation st;
  if (mode == Reversed) st.flagsB |= 0x01000000u;
  unsigned char rowA[kColumns], rowB[kColumns];
  for (unsigned int c = 0; c < kColumns; ++c) {
    rowA[c] = static_cast<unsigned char>(0xC1 + c % 9);
    rowB[c] = static_cast<unsigned char>(0xD1 + c % 9);
  }
  bool flip = false;
  const unsigned long startAllocations = HeapAllocations();
  for (auto _ : state) {
    const unsigned char* row = flip ? rowA : rowB;
    for (unsigned int r = 0; r < kRows; ++r) {
      st.ps.writeData(row, kColumns, r * kColumns);
      if (mode == Extended) {
        for (unsigned int c = 0; c < kColumns; c += 4) {
          st.primary.writeCharacter(r * kColumns + c, flip ? 0x84 : 0x85);
          st.colour.writeCharacter(r * kColumns + c, flip ? 0x82 : 0x8A);
        }
      }
    }
    st.outputChanges();
    flip = !flip;
  }
  state.counters["allocs"] = benchmark::Counter(
      static_cast<double>(HeapAllocations() - startAllocations),
      benchmark::Counter::kAvgIterations);
  state.SetBytesProcessed(state.iterations() * kRows * kColumns);
}

void BM_WriteFullScreenNormal(benchmark::State& s) { WriteFullScreen(s, Normal); }
void BM_WriteFullScreenExtended(benchmark::State& s) { WriteFullScreen(s, Extended); }
void BM_WriteFullScreenReversed(benchmark::State& s) { WriteFullScreen(s, Reversed); }
BENCHMARK(BM_WriteFullScreenNormal);
BENCHMARK(BM_WriteFullScreenExtended);
BENCHMARK(BM_WriteFullScreenReversed);

void BM_SaveRestorePlanes(benchmark::State& state) {
  BenchStation a, b;
  for (unsigned int i = 0; i < kRows * kColumns; ++i) {
    a.ps.writeCharacter(i, static_cast<unsigned char>(i % 5 ? 0x40 : 0xC1 + i % 9));
    if (i % 11 == 0) a.primary.writeCharacter(i, 0x84);
  }
  std::vector<unsigned char> buf(20000);
  const unsigned long startAllocations = HeapAllocations();
  for (auto _ : state) {
    qrnOStream out;
    BeginSaveStream(&out, buf.data(), buf.size());
    a.ps.savePresentationSpace(&out, 0);
    a.primary.saveAllECBPlanes(&out);
    EndSaveStream(&out);
    qrnIStream in(buf.data(), out.lengthOfData());
    if (in.checkFCS() || b.ps.restorePresentationSpace(&in) ||
        b.primary.restoreAllECBPlanes(&in))
      state.SkipWithError("restore refused");
    benchmark::DoNotOptimize(b.psBytes.data());
  }
  state.counters["allocs"] = benchmark::Counter(
      static_cast<double>(HeapAllocations() - startAllocations),
      benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_SaveRestorePlanes);
}  // namespace

BENCHMARK_MAIN();
