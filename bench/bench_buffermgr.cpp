// BufferMgr under a mixed allocate/free load of 8 B to 4 KB blocks: operations
// per second, and how fragmented the region is after a million operations.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "base/BufferMgr.h"

namespace {

constexpr size_t kRegionBytes = 1 << 20;

struct Load {
  std::mt19937 rng{42};
  std::vector<void*> live;
  size_t failures = 0;

  // One operation: allocate or free a random live block, with about 200
  // blocks (some 400 KB) in use at a time, so the region stays well below full.
  void Step(BufferMgr& m) {
    if (live.empty() || (live.size() < 200 && rng() % 2 == 0) || live.size() < 150) {
      size_t n = 8 + rng() % (4096 - 8 + 1);
      void* p = m.GetBuffer(n);
      if (p)
        live.push_back(p);
      else
        ++failures;
    } else {
      size_t i = rng() % live.size();
      m.FreeBuffer(live[i]);
      live[i] = live.back();
      live.pop_back();
    }
  }
};

void BM_MixedLoad(benchmark::State& state) {
  alignas(8) static char region[kRegionBytes];
  BufferMgr m(region, sizeof region);
  Load load;
  load.live.reserve(4096);
  for (auto _ : state) load.Step(m);
  state.SetItemsProcessed(state.iterations());
  state.counters["failed_allocations"] = static_cast<double>(load.failures);
}
BENCHMARK(BM_MixedLoad);

// A fixed million operations, then the largest free block and the number of
// free blocks, with the blocks still in use.
void BM_FragmentationAfterMillionOps(benchmark::State& state) {
  alignas(8) static char region[kRegionBytes];
  for (auto _ : state) {
    BufferMgr m(region, sizeof region);
    Load load;
    for (int i = 0; i < 1000000; ++i) load.Step(m);
    state.counters["largest_free_block"] = static_cast<double>(m.LargestFreeBlock());
    state.counters["free_blocks"] = static_cast<double>(m.FreeBlockCount());
    state.counters["live_blocks"] = static_cast<double>(load.live.size());
    state.counters["failed_allocations"] = static_cast<double>(load.failures);
  }
  state.SetItemsProcessed(state.iterations() * 1000000);
}
BENCHMARK(BM_FragmentationAfterMillionOps)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
