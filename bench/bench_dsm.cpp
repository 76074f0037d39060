// Host records through the data stream manager over a device that draws
// nothing, each followed by the station's post-record processing: a
// sign-on-like screen of 60 address and text fragments, 200 short fragments,
// 200 address and data fragments of a field each, a dense 24 x 80 screen (a
// field attribute every 20 positions and text everywhere else) and a dense
// 27 x 132 screen with a colour extended attribute before every field; and a
// screen with a host window (border, title and footer) and programmable
// mouse buttons; a screen with a host window and a 20-choice selection
// field, and the redefinition of that field in place.
// Counters: records/s, bytes/s and the heap allocations per record (every
// operator new of the process is counted; a record should need none).
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <new>
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

DisplayCharacteristics Characteristics(unsigned int rows, unsigned int columns) {
  DisplayCharacteristics c;
  c.word[5] = (kBufferSize << 16) | (rows << 8) | columns;
  if (columns == 132) c.word[1] |= 0x01000000u;  // 27 x 132 capable
  return c;
}

struct Station {
  Station(unsigned int rows, unsigned int columns)
      : rendering(kBufferSize, rows, columns),
        screen(kBufferSize),
        display(nullptr, &rendering, &host, &tax, Characteristics(rows, columns), screen.data()) {}
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

// 200 fragments of a field's data each (SBA, a field attribute, 8
// characters) over a screen that stays: the update of a form.
std::vector<unsigned char> DataFragments() {
  std::vector<unsigned char> r = {0x04, 0x11, 0x00, 0x08};
  for (unsigned int i = 0; i < 200; ++i) {
    const unsigned int at = i * 9;
    r.insert(r.end(), {0x11, static_cast<unsigned char>(at / 80 + 1), static_cast<unsigned char>(at % 80 + 1),
                       static_cast<unsigned char>(0x20 + 2 * (i % 4))});
    for (unsigned int k = 0; k < 8; ++k) r.push_back(static_cast<unsigned char>(0xF0 + (i + k) % 10));
  }
  return r;
}

// Every row of `rows` x `columns` in runs of `run` positions: with
// `colour`, a colour extended attribute first, then a field attribute and
// the run's letters and digits. Variant `v` differs from `v` + 1 at every
// position.
std::vector<unsigned char> DenseScreen(unsigned int rows, unsigned int columns, unsigned int run, bool colour,
                                       unsigned int v) {
  static const unsigned char attributes[] = {0x20, 0x22, 0x24, 0x28, 0x3A, 0x21, 0x30, 0x26};
  static const unsigned char glyphs[] = {0xC1, 0xC2, 0xC3, 0xC4, 0xC5, 0xC6, 0xC7, 0xC8, 0xC9, 0xD1, 0xD2, 0xD3,
                                         0xD4, 0xD5, 0xD6, 0xD7, 0xD8, 0xD9, 0xE2, 0xE3, 0xE4, 0xE5, 0xE6, 0xE7,
                                         0xE8, 0xE9, 0xF0, 0xF1, 0xF2, 0xF3, 0xF4, 0xF5, 0xF6, 0xF7, 0xF8, 0xF9};
  std::vector<unsigned char> d = {0x04, 0x11, 0x00, 0x00};
  for (unsigned int row = 1; row <= rows; ++row) {
    d.insert(d.end(), {0x11, static_cast<unsigned char>(row), 1});
    for (unsigned int r = 0; r < columns / run; ++r) {
      if (colour) d.insert(d.end(), {0x12, 0x03, static_cast<unsigned char>(0x80 + 2 * ((row + r + v) % 8))});
      d.push_back(attributes[(row + r + v) % 8]);
      for (unsigned int i = 1; i < run; ++i) d.push_back(glyphs[(row * 7 + r * 19 + i + v * 5) % sizeof glyphs]);
    }
  }
  return d;
}

// A sign-on screen with a bordered host window and programmable mouse buttons.
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

// A define selection field of 20 choices (10 rows of 2 columns, radio
// indicators, mnemonics) at row 5, column 14, choice `selected` selected.
std::vector<unsigned char> TwentyChoices(unsigned int selected) {
  std::vector<unsigned char> minors;
  for (unsigned int i = 0; i < 20; ++i) {
    // "Choice nn", its mnemonic the letter.
    const unsigned char text[] = {0xC3, 0x88, 0x96, 0x89, 0x83, 0x85, 0x40,
                                  static_cast<unsigned char>(0xF0 + i / 10), static_cast<unsigned char>(0xF0 + i % 10)};
    minors.insert(minors.end(), {static_cast<unsigned char>(6 + sizeof text), 0x10,
                                 static_cast<unsigned char>(0x08 | (i == selected ? 0x40 : 0x00)), 0x00, 0xE0, 0x00});
    minors.insert(minors.end(), text, text + sizeof text);
  }
  const size_t n = 20 + minors.size();
  std::vector<unsigned char> r = {0x11, 5, 14, 0x15, static_cast<unsigned char>(n >> 8), static_cast<unsigned char>(n),
                                  0xD9, 0x50, 0x00, 0x00, 0x00, 0x21, 0x02, 0x02, 0x02, 0x00, 0x00, 12, 10, 2, 2,
                                  0x00, 0x00, 0x00};
  r.insert(r.end(), minors.begin(), minors.end());
  return r;
}

// A screen with a host window and a 20-choice selection field in it, the
// cursor on the first choice.
std::vector<unsigned char> SelectionFieldScreen() {
  std::vector<unsigned char> r = {0x04, 0x40, 0x04, 0x11, 0x00, 0x08};
  const std::vector<unsigned char> title = {0x0C, 0x10, 0x00, 0x22, 0x3C, 0x00, 0xD4, 0x85, 0x95, 0xA4, 0x40, 0xF1};
  r.insert(r.end(), {0x11, 3, 10, 0x15, 0x00, static_cast<unsigned char>(9 + title.size()), 0xD9, 0x51, 0x80, 0x00,
                     0x00, 14, 50});
  r.insert(r.end(), title.begin(), title.end());
  const std::vector<unsigned char> field = TwentyChoices(3);
  r.insert(r.end(), field.begin(), field.end());
  r.insert(r.end(), {0x13, 5, 15});
  return r;
}

// The host redefines the field in place with another choice selected.
std::vector<unsigned char> SelectionFieldRedefinition(unsigned int selected) {
  std::vector<unsigned char> r = {0x04, 0x11, 0x00, 0x08};
  const std::vector<unsigned char> field = TwentyChoices(selected);
  r.insert(r.end(), field.begin(), field.end());
  return r;
}

// The records are taken in turn (a screen that differs from the one before
// changes every position, as a new screen does).
void Run(benchmark::State& state, unsigned int rows, unsigned int columns,
         const std::vector<std::vector<unsigned char>>& records) {
  Station s(rows, columns);
  DataStreamManager& m = s.display.dataStreamManager();
  for (const auto& record : records) {
    unsigned int unlocked = 0;
    const uint32_t sense =
        m.dsm(DataStreamManager::kRecord, record.data(), static_cast<uint32_t>(record.size()), unlocked);
    s.display.postDatastreamProcessing();
    if (sense != 0) {
      state.SkipWithError(("the record is refused with sense " + std::to_string(sense)).c_str());
      return;
    }
  }
  const unsigned long before = HeapAllocations();
  size_t next = 0, bytes = 0;
  for (auto _ : state) {
    const auto& record = records[next];
    next = (next + 1) % records.size();
    unsigned int unlocked = 0;
    benchmark::DoNotOptimize(m.dsm(DataStreamManager::kRecord, record.data(),
                                   static_cast<uint32_t>(record.size()), unlocked));
    s.display.postDatastreamProcessing();
    bytes += record.size();
  }
  const unsigned long allocations = HeapAllocations() - before;
  state.SetBytesProcessed(static_cast<int64_t>(bytes));
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
  state.counters["allocations/record"] =
      static_cast<double>(allocations) / static_cast<double>(state.iterations());
  state.counters["bytes/record"] = static_cast<double>(records[0].size());
}

void BM_SignOnScreen(benchmark::State& state) { Run(state, 24, 80, {Screen(60, 12)}); }
void BM_ShortFragments(benchmark::State& state) { Run(state, 24, 80, {Screen(200, 3)}); }
void BM_DataFragments200(benchmark::State& state) { Run(state, 24, 80, {DataFragments()}); }
void BM_Dense24x80(benchmark::State& state) {
  Run(state, 24, 80, {DenseScreen(24, 80, 20, false, 0), DenseScreen(24, 80, 20, false, 1)});
}
void BM_WindowScreen(benchmark::State& state) { Run(state, 24, 80, {WindowScreen()}); }
void BM_SelectionFieldScreen(benchmark::State& state) { Run(state, 24, 80, {SelectionFieldScreen()}); }
void BM_SelectionFieldRedefinition(benchmark::State& state) {
  Run(state, 24, 80, {SelectionFieldScreen(), SelectionFieldRedefinition(7), SelectionFieldRedefinition(12)});
}
void BM_DenseColour27x132(benchmark::State& state) {
  Run(state, 27, 132, {DenseScreen(27, 132, 22, true, 0), DenseScreen(27, 132, 22, true, 1)});
}

BENCHMARK(BM_SignOnScreen);
BENCHMARK(BM_ShortFragments);
BENCHMARK(BM_DataFragments200);
BENCHMARK(BM_Dense24x80);
BENCHMARK(BM_DenseColour27x132);
BENCHMARK(BM_WindowScreen);
BENCHMARK(BM_SelectionFieldScreen);
BENCHMARK(BM_SelectionFieldRedefinition);

}  // namespace

BENCHMARK_MAIN();
