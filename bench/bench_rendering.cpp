// RenderingX full-screen updates at 24 x 80 and 27 x 132: a screen of text
// with a field attribute per row (sparse) and a screen whose every cell
// changes its extended attribute (per cell). "cells" is the number of
// positions handed to the window per update.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <vector>

#include "tests/support/CountingWindow.h"
#include "display/NormalCharacterBufferImplementation.h"
#include "xfront/RenderingX.h"

namespace {

unsigned char g_table[256];

void Sparse(benchmark::State& state) {
  const unsigned int rows = static_cast<unsigned int>(state.range(0));
  const unsigned int columns = static_cast<unsigned int>(state.range(1));
  CountingWindow window;
  RenderingX device(rows, columns, &window, g_table, static_cast<char*>(std::malloc(RenderingX::kAreaSize)),
                    RenderingX::kAreaSize);
  const unsigned int cells = rows * columns;
  std::vector<unsigned char> screens[2];
  for (int s = 0; s < 2; ++s) {
    screens[s].assign(cells, static_cast<unsigned char>(0xC1 + s));
    for (unsigned int r = 0; r < rows; ++r) screens[s][r * columns] = static_cast<unsigned char>(0x20 + s * 4);
  }
  unsigned long updates = 0;
  for (auto _ : state) {
    device.updatePresentationSpacePlane(screens[updates & 1].data(), 0, 0, cells);
    ++updates;
  }
  state.counters["cells"] = static_cast<double>(window.cells) / static_cast<double>(updates);
}

void PerCell(benchmark::State& state) {
  const unsigned int rows = static_cast<unsigned int>(state.range(0));
  const unsigned int columns = static_cast<unsigned int>(state.range(1));
  CountingWindow window;
  RenderingX device(rows, columns, &window, g_table, static_cast<char*>(std::malloc(RenderingX::kAreaSize)),
                    RenderingX::kAreaSize);
  const unsigned int cells = rows * columns;
  std::vector<unsigned char> ps(cells, 0xC1);
  std::vector<unsigned char> planes[2];
  for (int s = 0; s < 2; ++s) {
    planes[s].resize(RenderingX::kBufferSize);
    for (unsigned int p = 0; p < cells; ++p) planes[s][p] = static_cast<unsigned char>(0x20 + ((p + s) & 0x1F));
  }
  NormalCharacterBufferImplementation a(planes[0].data(), RenderingX::kBufferSize);
  NormalCharacterBufferImplementation b(planes[1].data(), RenderingX::kBufferSize);
  unsigned long updates = 0;
  for (auto _ : state) {
    device.updateAllPlanes(ps.data(), 0, cells, (updates & 1) ? &b : &a, 0, cells, nullptr, 0, 0, nullptr, 0, 0);
    ++updates;
  }
  state.counters["cells"] = static_cast<double>(window.cells) / static_cast<double>(updates);
}

}  // namespace

BENCHMARK(Sparse)->Args({24, 80})->Args({27, 132});
BENCHMARK(PerCell)->Args({24, 80})->Args({27, 132});

int main(int argc, char** argv) {
  for (int i = 0; i < 256; ++i) g_table[i] = static_cast<unsigned char>(i);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  return 0;
}
