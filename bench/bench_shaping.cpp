// Arabic shaping while typing into a right-to-left field as wide as a
// 27 x 132 screen: every keystroke goes through the input-object generator,
// the field's editing and the shaper. Replace mode types the whole field
// (the last key leaves it, ending the word); insert mode types at the
// field's right end with 100 letters already there (each of 24 keys moves
// them on). Counters: keystrokes/s and heap allocations per keystroke (every
// operator new of the process is counted; a keystroke needs none).
#include <benchmark/benchmark.h>

#include <vector>

#include "datastream/HostInterface.h"
#include "display/ASD.h"
#include "display/DisplayBag.h"
#include "display/EntryField.h"
#include "display/NullRendering.h"
#include "keyboard/FunctionWord.h"
#include "keyboard/TAXlate.h"

#include "bench/AllocationCounter.h"

namespace {

constexpr unsigned int kBufferSize = 3696;
constexpr unsigned int kFieldStart = 132 + 1, kFieldEnd = kFieldStart + 131;  // row 2, from its attribute on row 1

DisplayCharacteristics Wide() {
  DisplayCharacteristics c;
  c.word[5] = (kBufferSize << 16) | (27u << 8) | 132u;
  c.word[1] |= 0x01000000u;
  return c;
}

// Letters of several shape classes (beh, seen, ain, heh, yeh, reh, lam,
// alef), a blank and a digit, so that every rule of the shaper runs.
const unsigned char kLetters[] = {0x58, 0x77, 0x9A, 0x9A, 0xBF, 0xDC, 0x75, 0xB1, 0x56, 0x58, 0x40, 0xF1, 0x9A, 0xBB};

struct Station {
  Station()
      : rendering(kBufferSize, 27, 132),
        screen(kBufferSize),
        display(nullptr, &rendering, &host, &tax, Wide(), screen.data()) {
    FormatTable& t = display.formatTable();
    field = static_cast<EntryField*>(t.createField(kRTLField, nullptr, 0));
    t.createEntryFieldSegment(field, kFieldStart, kFieldEnd, 1);
    display.asd().setASDLanguage(ASD::kArabic);
    display.readMgr().setReadPending(1);
  }
  void clearField() {
    for (unsigned int p = kFieldStart; p <= kFieldEnd; ++p) display.presentationSpace().writeCharacter(p, 0);
  }
  void enter() {
    display.cursor().detachCursorFromArea();
    display.cursor().initializeCursorToArea(static_cast<int>(kFieldEnd), 0, CursorOffsetAsShown);
  }
  void key(unsigned char category, unsigned char code) {
    FunctionWord w{category, code};
    display.inObjGen().processKeystrokeEvent(&display, &w);
  }
  NullRendering rendering;
  HostInterface host;
  TAXlate tax;
  std::vector<unsigned char> screen;
  DisplayBag display;
  EntryField* field = nullptr;
};

unsigned char Category(unsigned char c) { return c >= 0xF0 && c <= 0xF9 ? 13 : 10; }

void BM_ShapeWhileTypingAFullField(benchmark::State& state) {
  Station s;
  unsigned long keys = 0, allocations = 0;
  bool shaped = true;
  for (auto _ : state) {
    s.clearField();
    s.enter();
    const unsigned long before = HeapAllocations();
    for (unsigned int i = 0; i <= kFieldEnd - kFieldStart; ++i) {
      const unsigned char c = kLetters[i % sizeof kLetters];
      s.key(Category(c), c);
    }
    allocations += HeapAllocations() - before;
    keys += kFieldEnd - kFieldStart + 1;
    // The first letter (beh) waits for the seen after it: initial shape.
    shaped = shaped && s.screen[kFieldEnd] == 0x59;
  }
  if (!shaped) state.SkipWithError("the field was not shaped");
  state.SetItemsProcessed(static_cast<int64_t>(keys));
  state.counters["keystrokes/s"] = benchmark::Counter(static_cast<double>(keys), benchmark::Counter::kIsRate);
  state.counters["allocations/key"] = static_cast<double>(allocations) / static_cast<double>(keys);
}

void BM_ShapeWhileInsertingBeforeText(benchmark::State& state) {
  Station s;
  unsigned long keys = 0;
  unsigned long allocations = 0;
  for (auto _ : state) {
    state.PauseTiming();
    s.clearField();
    for (unsigned int i = 0; i < 100; ++i) s.display.presentationSpace().writeCharacter(kFieldEnd - i, 0x58);
    s.enter();
    if (!(s.display.modeFlagsA() & DisplayBag::kAInsert)) s.key(3, 1);  // Insert
    state.ResumeTiming();
    const unsigned long before = HeapAllocations();
    for (unsigned int i = 0; i < 24; ++i) {
      const unsigned char c = kLetters[i % sizeof kLetters];
      s.key(Category(c), c);
    }
    allocations += HeapAllocations() - before;
    keys += 24;
    if (s.display.keyboardState().state() != KeyboardState::kNormalUnlocked) {
      state.SkipWithError("a key was refused");
      break;
    }
  }
  if (s.screen[kFieldEnd - 100] == 0) state.SkipWithError("the text did not move on");
  state.SetItemsProcessed(static_cast<int64_t>(keys));
  state.counters["keystrokes/s"] = benchmark::Counter(static_cast<double>(keys), benchmark::Counter::kIsRate);
  state.counters["allocations/key"] = static_cast<double>(allocations) / static_cast<double>(keys);
}

}  // namespace

BENCHMARK(BM_ShapeWhileTypingAFullField);
BENCHMARK(BM_ShapeWhileInsertingBeforeText);

BENCHMARK_MAIN();
