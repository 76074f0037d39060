// Image decoding: an A4 fax page at 200 dpi (1728 x 2287) in TIFF Group 3
// two-dimensional and Group 4 (pages/s), and a 4096 x 3072 baseline JPEG
// with 4:2:0 sampling (MPix/s). Each is shown beside the reference tool's
// own rate on the same file ("tool_*" counters: tifftopnm, djpeg, timed as
// whole processes writing to /dev/null, start-up included). The files are
// made by the Debian tools in a private folder at start. The pixel buffer
// is kept from one decode to the next, as the session's image store keeps
// it from one image to the next.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "image/Decompress.h"
#include "image/ImageAid.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct NoAids : ImageErrorSink {
  void SendImageAID(unsigned char, uint16_t) override { ++count; }
  int count = 0;
};

// The private folder and the files, made once.
struct Files {
  std::string dir;
  bool ok = false;

  Files() {
    char folder[] = "/tmp/qw-bench-image-XXXXXX";
    if (!mkdtemp(folder)) return;
    dir = folder;
    writePage(dir + "/page.pbm");
    writePicture(dir + "/picture.ppm");
    ok = run("ppm2tiff -c none page.pbm page.tif && tiffcp -c g3:2d page.tif g3.tif && tiffcp -c g4 page.tif g4.tif") &&
         run("cjpeg -baseline -sample 2x2 -quality 85 picture.ppm > picture.jpg");
  }
  ~Files() {
    if (!dir.empty()) std::system(("rm -rf '" + dir + "'").c_str());
  }

  bool run(const std::string& command) const {
    return std::system(("cd '" + dir + "' && " + command + " 2>/dev/null").c_str()) == 0;
  }
  Bytes read(const std::string& name) const {
    std::ifstream in(dir + "/" + name, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  // Seconds per run of `command`, over `runs` runs.
  double toolSeconds(const std::string& command, int runs) const {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < runs; ++i) run(command);
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / runs;
  }

  // Lines of "text": words of glyphs from a set of 64 made-up 5 x 7 glyphs
  // drawn with 2 x 2 dots, on 12 x 20 cells, with margins and leading.
  static void writePage(const std::string& path) {
    const unsigned int w = 1728, h = 2287, line = w / 8;
    Bytes bits(size_t{line} * h, 0);
    uint32_t r = 7;
    auto next = [&] { return r = r * 1103515245u + 12345u, (r >> 16) & 0x7FFF; };
    uint64_t glyphs[64];
    for (uint64_t& g : glyphs) g = (uint64_t{next()} << 30) ^ (uint64_t{next()} << 15) ^ next();
    auto set = [&](unsigned int x, unsigned int y) { bits[y * line + x / 8] |= 0x80 >> (x % 8); };
    for (unsigned int y = 160; y + 20 < h - 160; y += 30) {
      unsigned int x = 140;
      while (x + 12 < w - 140) {
        const unsigned int letters = 2 + next() % 9;
        for (unsigned int l = 0; l < letters && x + 12 < w - 140; ++l, x += 12) {
          const uint64_t g = glyphs[next() % 64];
          for (unsigned int gy = 0; gy < 7; ++gy)
            for (unsigned int gx = 0; gx < 5; ++gx)
              if ((g >> (gy * 5 + gx)) & 1)
                for (unsigned int d = 0; d < 4; ++d) set(x + 2 * gx + d % 2, y + 3 + 2 * gy + d / 2);
        }
        x += 12;
      }
    }
    std::ofstream out(path, std::ios::binary);
    out << "P4\n" << w << ' ' << h << '\n';
    out.write(reinterpret_cast<const char*>(bits.data()), static_cast<std::streamsize>(bits.size()));
  }

  static void writePicture(const std::string& path) {
    const unsigned int w = 4096, h = 3072;
    std::ofstream out(path, std::ios::binary);
    out << "P6\n" << w << ' ' << h << "\n255\n";
    std::vector<char> row(size_t{w} * 3);
    for (unsigned int y = 0; y < h; ++y) {
      for (unsigned int x = 0; x < w; ++x) {
        row[3 * x] = static_cast<char>((x * 255) / w);
        row[3 * x + 1] = static_cast<char>((y * 255) / h);
        row[3 * x + 2] = static_cast<char>(((x / 32 + y / 32) % 2) ? 200 + (x % 50) : 40 + (y % 40));
      }
      out.write(row.data(), static_cast<std::streamsize>(row.size()));
    }
  }
};

Files& TheFiles() {
  static Files files;
  return files;
}

void FaxPage(benchmark::State& state, const char* file) {
  Files& f = TheFiles();
  if (!f.ok) {
    state.SkipWithError("the Debian image tools are missing");
    return;
  }
  const Bytes tiff = f.read(file);
  Bytes pixels;
  {
    image_data description;
    NoAids aids;
    Decompress warmUp(&description, &aids, &pixels, 24);
    warmUp.DecompressTIFF(tiff.data(), tiff.size());
  }
  for (auto _ : state) {
    image_data description;
    NoAids aids;
    Decompress d(&description, &aids, &pixels, 24);
    if (d.DecompressTIFF(tiff.data(), tiff.size()) != 0) {
      state.SkipWithError("the page does not decode");
      return;
    }
    benchmark::DoNotOptimize(pixels.data());
  }
  state.counters["pages_per_s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  state.counters["tool_pages_per_s"] = 1.0 / f.toolSeconds(std::string("tifftopnm ") + file + " > /dev/null", 10);
  state.counters["bytes"] = static_cast<double>(tiff.size());
}

void BM_FaxPageG3TwoDimensional(benchmark::State& state) { FaxPage(state, "g3.tif"); }
void BM_FaxPageG4(benchmark::State& state) { FaxPage(state, "g4.tif"); }

// `freshBuffer`: a new pixel buffer for every decode (the first image of a
// session, its pages touched for the first time); otherwise the buffer of
// the previous decode is reused.
void Jpeg(benchmark::State& state, bool freshBuffer) {
  Files& f = TheFiles();
  if (!f.ok) {
    state.SkipWithError("the Debian image tools are missing");
    return;
  }
  const Bytes jpeg = f.read("picture.jpg");
  constexpr double kMegapixels = 4096.0 * 3072.0 / 1e6;
  Bytes pixels;
  auto decode = [&] {
    image_data description;
    NoAids aids;
    if (freshBuffer) Bytes().swap(pixels);
    Decompress d(&description, &aids, &pixels, 24);
    return d.DecompressJPEG(jpeg.data(), jpeg.size()) != 0;
  };
  if (!freshBuffer && !decode()) {
    state.SkipWithError("the picture does not decode");
    return;
  }
  for (auto _ : state) {
    if (!decode()) {
      state.SkipWithError("the picture does not decode");
      return;
    }
    benchmark::DoNotOptimize(pixels.data());
  }
  state.counters["MPix_per_s"] =
      benchmark::Counter(kMegapixels * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  state.counters["tool_MPix_per_s"] = kMegapixels / f.toolSeconds("djpeg -pnm picture.jpg > /dev/null", 3);
  state.counters["bytes"] = static_cast<double>(jpeg.size());
}

void BM_Jpeg4096x3072(benchmark::State& state) { Jpeg(state, false); }
void BM_Jpeg4096x3072FreshBuffer(benchmark::State& state) { Jpeg(state, true); }

BENCHMARK(BM_FaxPageG3TwoDimensional)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FaxPageG4)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Jpeg4096x3072)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Jpeg4096x3072FreshBuffer)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
