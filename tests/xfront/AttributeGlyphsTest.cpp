// The 32 attribute glyphs in both sizes: each has its size, stays inside it,
// and no two attributes share a glyph.
#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "xfront/AttributeGlyphs.h"

TEST(AttributeGlyphs, EveryAttributeHasItsOwnGlyphInBothSizes) {
  for (bool large : {false, true}) {
    SCOPED_TRACE(large ? "9 x 15" : "6 x 13");
    std::set<std::vector<unsigned char>> seen;
    for (int i = 0; i < 32; ++i) {
      const AttributeGlyph g = MakeAttributeGlyph(i, large);
      EXPECT_EQ(g.width, large ? 9 : 6);
      EXPECT_EQ(g.height, large ? 15 : 13);
      ASSERT_EQ(g.bits.size(), size_t(g.height * ((g.width + 7) / 8)));
      for (int row = 0; row < g.height; ++row) {
        const int bytes = (g.width + 7) / 8;
        const unsigned last = g.bits[size_t(row * bytes + bytes - 1)];
        EXPECT_EQ(last >> (g.width - (bytes - 1) * 8), 0u) << "row " << row << " stays inside the width";
      }
      EXPECT_TRUE(seen.insert(g.bits).second) << "attribute " << 0x20 + i;
    }
  }
}
