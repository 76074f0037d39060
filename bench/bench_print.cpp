// Print jobs: a full 27 x 132 screen built as a PostScript, PCL and
// printer-code job (jobs per second), and an A4 fax page (1728 x 2292
// pixels, bi-level) printed as a 600 dpi PCL raster page (seconds a page).
#include <benchmark/benchmark.h>

#include <vector>

#include "print/ImagePrint.h"
#include "print/ScreenPrint.h"

namespace {

struct WideScreen {
  static constexpr int kRows = 27, kColumns = 132;
  std::vector<unsigned char> ebcdic, local;
  std::vector<unsigned short> attributes;
  WideScreen() : ebcdic(kRows * kColumns, 0xC1), local(kRows * kColumns), attributes(kRows * kColumns, 0) {
    for (int i = 0; i < kRows * kColumns; ++i) {
      local[i] = static_cast<unsigned char>('A' + i % 26);
      // A field every 16 positions, every third one underlined and bright.
      if (i % 16 == 0) ebcdic[i] = i % 48 == 0 ? 0x26 : 0x20;
      if (i % 48 < 16) attributes[i] = 0x80;
    }
  }
  PrintScreen screen() const {
    PrintScreen s;
    s.rows = kRows;
    s.columns = kColumns;
    s.ebcdic = ebcdic.data();
    s.local = local.data();
    s.attributes = attributes.data();
    return s;
  }
};

enum Format { kPostscript, kPcl, kAscii };

void BM_ScreenPrintJob27x132(benchmark::State& state) {
  const WideScreen w;
  ScreenPrintOptions o;
  o.codeSet = "ISO8859-1";
  ScreenPrintBuilder b(w.screen(), o);
  unsigned long bytes = 0;
  for (auto _ : state) {
    PrintData d;
    switch (state.range(0)) {
      case kPostscript: d = b.buildPostscriptData(); break;
      case kPcl: d = b.buildPCLData(); break;
      default: d = b.buildAsciiData(); break;
    }
    bytes += d.size;
    benchmark::DoNotOptimize(d.data());
  }
  state.SetItemsProcessed(state.iterations());  // jobs
  state.SetBytesProcessed(static_cast<long>(bytes));
  state.SetLabel(state.range(0) == kPostscript ? "PostScript" : state.range(0) == kPcl ? "PCL" : "printer codes");
}
BENCHMARK(BM_ScreenPrintJob27x132)->Arg(kPostscript)->Arg(kPcl)->Arg(kAscii);

// A fine-mode A4 fax page: 1728 x 2292 pixels, text-like runs of black.
struct FaxPage {
  static constexpr int kWidth = 1728, kHeight = 2292, kBytesPerLine = kWidth / 8;
  std::vector<unsigned char> bits;
  FaxPage() : bits(static_cast<std::size_t>(kBytesPerLine) * kHeight, 0xFF) {
    for (int y = 0; y < kHeight; ++y)
      if (y % 40 < 24)
        for (int x = 100 + (y % 7); x < kWidth - 100; x += 11) bits[y * kBytesPerLine + x / 8] &= ~(0x80 >> (x % 8));
  }
  PrintImage image() const { return {kWidth, kHeight, 1, kBytesPerLine, bits.data()}; }
};

void BM_PclFaxPageA4At600Dpi(benchmark::State& state) {
  const FaxPage page;
  PCL_ImagePrint p(page.image(), nullptr, 0, kPrintBiLevel);
  unsigned long bytes = 0;
  for (auto _ : state) {
    const PrintData d = p.BuildPrintData(1, 3, 6, 0, 0);  // portrait, A4, 600 dpi, black and white
    if (!d) state.SkipWithError("no job");
    bytes += d.size;
    benchmark::DoNotOptimize(d.data());
  }
  state.SetItemsProcessed(state.iterations());  // pages
  state.SetBytesProcessed(static_cast<long>(bytes));
}
BENCHMARK(BM_PclFaxPageA4At600Dpi)->Unit(benchmark::kSecond)->UseRealTime();

void BM_PostscriptFaxPageA4(benchmark::State& state) {
  const FaxPage page;
  PS_ImagePrint p(page.image(), nullptr, 0, kPrintBiLevel);
  unsigned long bytes = 0;
  for (auto _ : state) {
    const PrintData d = p.BuildPrintData(1, 3, 1, 0, 0);
    if (!d) state.SkipWithError("no job");
    bytes += d.size;
    benchmark::DoNotOptimize(d.data());
  }
  state.SetItemsProcessed(state.iterations());
  state.SetBytesProcessed(static_cast<long>(bytes));
}
BENCHMARK(BM_PostscriptFaxPageA4)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
