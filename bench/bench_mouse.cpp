// The mouse's costs on a full 27 x 132 screen: the hot-spot search that
// the painter runs over the whole screen (function keys, menu options, web
// addresses), the search at one click, and the pointer's motion while an
// area is marked or a slider dragged over a table of 256 units of fields,
// each motion through the input-object generator as the window sends it,
// with the area lookup that follows the pointer.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

#include "datastream/HostInterface.h"
#include "display/DisplayBag.h"
#include "display/EntryField.h"
#include "display/NullRendering.h"
#include "keyboard/InObjGen.h"
#include "keyboard/TAXlate.h"

namespace {

constexpr unsigned int kRows = 27, kColumns = 132, kCells = kRows * kColumns;

struct FullScreen {
  explicit FullScreen(bool fields)
      : rendering(3696, kRows, kColumns),
        screen(3696),
        display(nullptr, &rendering, &host, &tax, Characteristics(), screen.data()) {
    if (fields) {
      // 256 fields of 8 positions, 13 positions apart: the whole screen.
      FormatTable& t = display.formatTable();
      for (unsigned int i = 0; i < 256; ++i) {
        EntryField* e = static_cast<EntryField*>(t.createField(kLTRField, nullptr, 0));
        t.createEntryFieldSegment(e, i * 13 + 1, i * 13 + 8, 1);
        if (i % 5 == 0) e->setFlags(Field::kBypass);
      }
      t.validateFormatTable(nullptr);
    }
    display.readMgr().setReadPending(1);
  }
  static DisplayCharacteristics Characteristics() {
    DisplayCharacteristics c;
    c.word[5] = (3696u << 16) | (kRows << 8) | kColumns;
    return c;
  }
  // A screen of menu text: options, function keys, paging words, addresses.
  void fillWithText() {
    static const unsigned char kRow[] = {
        0x40, 0x40, 0xF1, 0xF2, 0x4B, 0x40, 0xE6, 0x96, 0x99, 0x92, 0x40, 0xA6, 0x89, 0xA3, 0x88, 0x40,  // 12. Work with
        0x96, 0x82, 0x91, 0x85, 0x83, 0xA3, 0xA2, 0x40, 0x40,                                            // objects
        0xC6, 0xF3, 0x7E, 0xC5, 0xA7, 0x89, 0xA3, 0x40, 0x40, 0xC6, 0xF1, 0xF2, 0x7E, 0xC3, 0x81, 0x95,  // F3=Exit F12=Can
        0x83, 0x85, 0x93, 0x40, 0x40, 0xD4, 0x96, 0x99, 0x85, 0x4B, 0x4B, 0x4B, 0x40, 0x40,              // cel More...
        0x88, 0xA3, 0xA3, 0x97, 0x7A, 0x61, 0x61, 0x85, 0xA7, 0x81, 0x94, 0x97, 0x93, 0x85, 0x4B, 0x83,  // http://example.c
        0x96, 0x94, 0x40, 0x40, 0xC2, 0x96, 0xA3, 0xA3, 0x96, 0x94, 0x40, 0xE3, 0x85, 0xA7, 0xA3, 0x40}; // om Bottom Text
    PresentationSpaceScreenBuffer& ps = display.presentationSpace();
    for (unsigned int p = 0; p < kCells; p += sizeof kRow)
      ps.writeData(kRow, std::min<unsigned int>(sizeof kRow, kCells - p), p);
  }
  void mouse(unsigned char code, unsigned int offset) {
    FunctionWord w{27, code};
    display.inObjGen().processMouseEvent(&display, &w, offset);
  }
  NullRendering rendering;
  HostInterface host;
  TAXlate tax;
  std::vector<unsigned char> screen;
  DisplayBag display;
};

// What the painter asks after a host record changed the whole screen.
void BM_HotSpotSearchFullScreen(benchmark::State& state) {
  FullScreen s(false);
  s.fillWithText();
  PresentationSpaceScreenBuffer& ps = s.display.presentationSpace();
  std::vector<unsigned short> marks(kCells);
  for (auto _ : state) {
    std::memset(marks.data(), 0, marks.size() * sizeof marks[0]);
    ps.markHotspotsInArea(0, kCells - 1, marks.data(), 0x20);
    ps.markMenuHotSpots(0, kCells - 1, marks.data(), 0x20);
    ps.markURLHotSpots(0, kCells - 1, marks.data(), 0x20);
    benchmark::DoNotOptimize(marks.data());
  }
  state.SetItemsProcessed(state.iterations());  // screens searched
}
BENCHMARK(BM_HotSpotSearchFullScreen)->Unit(benchmark::kMicrosecond);

// The three questions a click asks, at every position of the screen.
void BM_HotSpotAtEachClick(benchmark::State& state) {
  FullScreen s(false);
  s.fillWithText();
  PresentationSpaceScreenBuffer& ps = s.display.presentationSpace();
  for (auto _ : state) {
    for (unsigned int p = 0; p < kCells; ++p) {
      unsigned int start = 0, length = 0;
      benchmark::DoNotOptimize(ps.isHotspot(p, start, length));
      benchmark::DoNotOptimize(ps.isMenuHotSpot(p, start, length));
      benchmark::DoNotOptimize(ps.isURLHotSpot(p, start, length, 1));
    }
  }
  state.SetItemsProcessed(state.iterations() * kCells);  // clicks
}
BENCHMARK(BM_HotSpotAtEachClick)->Unit(benchmark::kMillisecond);

// The pointer moving while an area is marked (one motion event per cell,
// back and forth over the screen) over 256 units of fields, each with the
// lookup of the area under the pointer.
void BM_MotionWhileMarking256Fields(benchmark::State& state) {
  FullScreen s(true);
  s.display.options().set(StationOptions::kCopyPaste, true);
  s.display.options().set(StationOptions::kLeftDragMarking, true);
  FormatTable& t = s.display.formatTable();
  s.mouse(1, 0);  // the press that starts the marking
  unsigned int offset = 0, step = 137;
  for (auto _ : state) {
    offset = (offset + step) % kCells;
    s.mouse(0, offset);
    benchmark::DoNotOptimize(t.getArea(offset));
  }
  state.SetItemsProcessed(state.iterations());  // motion events
  state.counters["budget_us"] = 1000.0;         // 1,000 events a second
}
BENCHMARK(BM_MotionWhileMarking256Fields)->Unit(benchmark::kMicrosecond);

// The area under the pointer alone, at the last position (the longest walk).
void BM_GetAreaWorstCase256Fields(benchmark::State& state) {
  FullScreen s(true);
  FormatTable& t = s.display.formatTable();
  for (auto _ : state) benchmark::DoNotOptimize(t.getArea(kCells - 1));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_GetAreaWorstCase256Fields);

}  // namespace

BENCHMARK_MAIN();
