// The format table's lookups on a full 27 x 132 screen with 256 units of
// fields: the area at every position, the next input field from every
// position, and a validation after each host record.
#include <benchmark/benchmark.h>

#include <vector>

#include "datastream/HostInterface.h"
#include "display/DisplayBag.h"
#include "display/EntryField.h"
#include "display/NullRendering.h"
#include "keyboard/TAXlate.h"

namespace {

struct FullScreen {
  FullScreen()
      : rendering(3696, 27, 132), screen(3696), display(nullptr, &rendering, &host, &tax,
                                                        Characteristics(), screen.data()) {
    // 256 fields of 8 positions, 13 positions apart: the whole screen.
    FormatTable& t = display.formatTable();
    for (unsigned int i = 0; i < 256; ++i) {
      EntryField* e = static_cast<EntryField*>(t.createField(kLTRField, nullptr, 0));
      t.createEntryFieldSegment(e, i * 13 + 1, i * 13 + 8, 1);
      if (i % 5 == 0) e->setFlags(Field::kBypass);
    }
    t.validateFormatTable(nullptr);
  }
  static DisplayCharacteristics Characteristics() {
    DisplayCharacteristics c;
    c.word[5] = (3696u << 16) | (27u << 8) | 132u;
    return c;
  }
  NullRendering rendering;
  HostInterface host;
  TAXlate tax;
  std::vector<unsigned char> screen;
  DisplayBag display;
};

void BM_GetAreaEveryOffset(benchmark::State& state) {
  FullScreen s;
  FormatTable& t = s.display.formatTable();
  const unsigned int last = 27 * 132 - 1;
  for (auto _ : state) {
    for (unsigned int o = 0; o <= last; ++o) benchmark::DoNotOptimize(t.getArea(o));
  }
  state.SetItemsProcessed(state.iterations() * (last + 1));
}
BENCHMARK(BM_GetAreaEveryOffset);

void BM_NextInputFieldAcrossTheScreen(benchmark::State& state) {
  FullScreen s;
  FormatTable& t = s.display.formatTable();
  for (auto _ : state) {
    // Tab from field to field until the search wraps.
    unsigned int wrapped = 0;
    Field* f = t.getNextNonBypassFieldInLTROrder(nullptr, wrapped, 0);
    while (f && !wrapped) f = t.getNextNonBypassFieldInLTROrder(f, wrapped, 0);
    benchmark::DoNotOptimize(f);
  }
}
BENCHMARK(BM_NextInputFieldAcrossTheScreen);

void BM_ValidateFormatTable(benchmark::State& state) {
  FullScreen s;
  FormatTable& t = s.display.formatTable();
  Field* first = t.firstRecord();
  for (auto _ : state) {
    t.createField(kLTRField, first, 0);  // any creation asks for a new validation
    benchmark::DoNotOptimize(t.validateFormatTable(nullptr));
  }
}
BENCHMARK(BM_ValidateFormatTable);

}  // namespace

BENCHMARK_MAIN();
