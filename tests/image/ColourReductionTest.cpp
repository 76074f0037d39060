// Colour reduction of 24-bit pictures: the error limit, 5-6-5 packing, a
// picture of few colours kept exactly, and the mean error of a photograph
// reduced to 256 and 16 colours against netpbm's pnmquant (dithered too)
// on the same picture: within 25 % of its mean error plus 2 levels.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <string>

#include "image/ColourReduction.h"
#include "tests/image/ImageCorpus.h"

namespace {

using namespace image_test;
using namespace colour_reduction;

TEST(ColourReduction, ErrorLimit) {
  const struct {
    int in, out;
  } cases[] = {{0, 0}, {-7, -7}, {15, 15}, {16, 16}, {20, 18}, {-20, -18}, {47, 31}, {48, 32}, {100, 32},
               {-255, -32}, {255, 32}, {9999, 32}};
  for (const auto& c : cases) EXPECT_EQ(LimitError(c.in), c.out) << c.in;
}

TEST(ColourReduction, SixteenBitPacking) {
  const struct {
    uint8_t rgb[3];
    uint8_t hi, lo;
  } cases[] = {{{255, 255, 255}, 0xFF, 0xFF}, {{0, 255, 0}, 0x07, 0xE0}, {{255, 0, 0}, 0xF8, 0x00},
               {{0, 0, 255}, 0x00, 0x1F}, {{0x84, 0x42, 0x21}, 0x82, 0x04}, {{7, 3, 7}, 0x00, 0x00}};
  for (const auto& c : cases) {
    uint8_t out[2], r[256], g[256], b[256];
    Convert24to16(c.rgb, 1, 1, 3, out, r, g, b);
    EXPECT_EQ(out[0], c.hi);
    EXPECT_EQ(out[1], c.lo);
  }
}

// Mean absolute difference per component of two RGB buffers.
double MeanError(const Bytes& a, const Bytes& b) {
  double sum = 0;
  for (size_t i = 0; i < a.size(); ++i) sum += std::abs(int(a[i]) - int(b[i]));
  return sum / static_cast<double>(a.size());
}

Bytes Expand(const Bytes& indexes, const uint8_t* r, const uint8_t* g, const uint8_t* b) {
  Bytes rgb;
  rgb.reserve(indexes.size() * 3);
  for (uint8_t i : indexes) {
    rgb.push_back(r[i]);
    rgb.push_back(g[i]);
    rgb.push_back(b[i]);
  }
  return rgb;
}

TEST(ColourReduction, FewColoursAreKeptExactly) {
  // Five colours at histogram cell centres, in stripes: the splitting ends
  // when no box can be split, and nothing is dithered.
  const uint8_t colours[5][3] = {{4, 2, 4}, {252, 2, 4}, {4, 254, 4}, {4, 2, 252}, {132, 130, 68}};
  const unsigned int w = 40, h = 30;
  Bytes src;
  for (unsigned int y = 0; y < h; ++y)
    for (unsigned int x = 0; x < w; ++x)
      for (int k = 0; k < 3; ++k) src.push_back(colours[(x / 3 + y) % 5][k]);
  for (unsigned int wanted : {256u, 5u}) {
    Bytes out(w * h);
    uint8_t r[256], g[256], b[256];
    unsigned int used = 0;
    ASSERT_EQ(Convert24to8Slow(src.data(), w, h, 3 * w, out.data(), r, g, b, wanted, &used), 0);
    EXPECT_EQ(used, 5u);
    EXPECT_EQ(Expand(out, r, g, b), src);
  }
  // Asked for fewer colours than there are: every index is one of them.
  Bytes out(w * h);
  uint8_t r[256], g[256], b[256];
  unsigned int used = 0;
  ASSERT_EQ(Convert24to8Slow(src.data(), w, h, 3 * w, out.data(), r, g, b, 2, &used), 0);
  EXPECT_EQ(used, 2u);
  for (uint8_t i : out) EXPECT_LT(i, 2);
}

TEST(ColourReduction, PhotographWithinMarginOfPnmquant) {
  qwtest::TempDir dir;
  // ppmforge's planet pictures: smooth shading, fine detail and over 20,000
  // colours, as a photograph has.
  for (const std::string picture :
       {"ppmforge -seed 7 -width 320 -height 240", "ppmforge -seed 21 -hour 9 -width 320 -height 240"}) {
    SCOPED_TRACE(picture);
    ASSERT_TRUE(RunTool(dir, picture + " > photo.ppm"));
    const Pnm photo = ReadPnm(dir.Path() + "/photo.ppm");
    ASSERT_EQ(photo.kind, '6');
    for (unsigned int colours : {256u, 16u}) {
      SCOPED_TRACE(colours);
      const std::string n = std::to_string(colours);
      ASSERT_TRUE(RunTool(dir, "pnmquant -floyd " + n + " photo.ppm > q" + n + ".ppm"));
      const Pnm theirs = ReadPnm(dir.Path() + "/q" + n + ".ppm");
      ASSERT_EQ(theirs.data.size(), photo.data.size());
      Bytes out(photo.width * photo.height);
      uint8_t r[256], g[256], b[256];
      unsigned int used = 0;
      ASSERT_EQ(Convert24to8Slow(photo.data.data(), photo.width, photo.height, 3 * photo.width, out.data(), r, g,
                                 b, colours, &used),
                0);
      EXPECT_LE(used, colours);
      const double ours = MeanError(Expand(out, r, g, b), photo.data);
      const double reference = MeanError(theirs.data, photo.data);
      RecordProperty("mean_error_" + n, std::to_string(ours) + " (pnmquant " + std::to_string(reference) + ")");
      std::printf("%s, %u colours: mean error %.3f, pnmquant %.3f\n", picture.c_str(), colours, ours, reference);
      // The margin: within 25 % of pnmquant's mean error plus 2 levels, what
      // the histogram's 5-6-5 bit cells cost (pnmquant works on whole bytes).
      EXPECT_LE(ours, reference * 1.25 + 2.0);
    }
  }
}

}  // namespace
