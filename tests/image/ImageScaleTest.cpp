// The scale an image control field asks for, the shown size, and the
// sampling maps at every rotation, including the largest scales where the
// last shown pixels would round past the source.
#include <gtest/gtest.h>

#include "image/ImageScale.h"

namespace {

using namespace image_scale;

TEST(ImageScale, ScaleParameters) {
  const struct {
    unsigned int parameter, current;
    unsigned int expected;
  } cases[] = {
      {3, 100, 3},         {400, 100, 400},     {250, 7, 250},       {0xFFFF, 55, 55},   {0xFFFF, 2, 100},
      {0xFFFF, 401, 100},  {0xFFD1, 3, 10},     {0xFFD1, 100, 133},  {0xFFD3, 100, 235}, {0xFFD9, 100, 400},
      {0xFFE9, 100, 7},    {0xFFE1, 100, 75},   {0xFFE9, 3, 3},      {0, 100, 100},      {2, 100, 100},
      {401, 100, 100},     {0xFFD0, 100, 100},  {0xFFEA, 100, 100},
  };
  for (const auto& c : cases)
    EXPECT_EQ(CalculateScale(c.parameter, c.current, 604, 404, 1000, 800), c.expected)
        << std::hex << c.parameter << std::dec << " at " << c.current;
  // Fit: the smaller of the two ratios, within 3..400.
  EXPECT_EQ(CalculateScale(0xFFFE, 100, 604, 404, 1000, 800), 50u);
  EXPECT_EQ(CalculateScale(0xFFFE, 100, 604, 404, 10, 10), 400u);
  EXPECT_EQ(CalculateScale(0xFFFE, 100, 604, 404, 60000, 60000), 3u);
  // Fit width: a picture taller than the view leaves room for the bar.
  EXPECT_EQ(CalculateScale(0xFFFD, 100, 604, 404, 200, 1000), (604u - 25) * 100 / 200);
  EXPECT_EQ(CalculateScale(0xFFFD, 100, 604, 404, 1000, 200), (604u - 4) * 100 / 1000);
  // A zero-sized view or picture never divides by zero.
  EXPECT_EQ(CalculateScale(0xFFFE, 100, 0, 0, 0, 0), 3u);
}

TEST(ImageScale, ShownSizeAndMapsAtEveryRotation) {
  // A 5 x 3 source; shown pixel -> source pixel, checked against a direct
  // rotation of the source coordinates.
  const unsigned int w = 5, h = 3;
  for (unsigned int scale : {100u, 200u, 300u, 400u, 50u, 3u}) {
    for (unsigned int rotation : {0u, 90u, 180u, 270u}) {
      SCOPED_TRACE(std::to_string(scale) + "% " + std::to_string(rotation));
      SamplingMaps m;
      m.setup(w, h, scale, rotation);
      const Size s = m.shown();
      const bool turned = rotation == 90 || rotation == 270;
      EXPECT_EQ(s.width, std::max(1u, (turned ? h : w) * scale / 100));
      EXPECT_EQ(s.height, std::max(1u, (turned ? w : h) * scale / 100));
      for (unsigned int y = 0; y < s.height; ++y)
        for (unsigned int x = 0; x < s.width; ++x) {
          unsigned int sx, sy;
          m.source(x, y, &sx, &sy);
          ASSERT_LT(sx, w);
          ASSERT_LT(sy, h);
          // Unrotated shown coordinates of this pixel.
          unsigned int ux = x, uy = y;
          const unsigned int uw = turned ? s.height : s.width, uh = turned ? s.width : s.height;
          switch (rotation) {
            case 90: ux = y, uy = uh - 1 - x; break;
            case 180: ux = uw - 1 - x, uy = uh - 1 - y; break;
            case 270: ux = uw - 1 - y, uy = x; break;
            default: break;
          }
          // i x 100 / scale, rounded (halves down), within the source.
          auto near = [&](unsigned int i, unsigned int limit) {
            const unsigned int r = (i * 100) % scale;
            return std::min(i * 100 / scale + (2 * r > scale ? 1 : 0), limit - 1);
          };
          EXPECT_EQ(sx, near(ux, w)) << x << "," << y;
          EXPECT_EQ(sy, near(uy, h)) << x << "," << y;
        }
    }
  }
}

}  // namespace
