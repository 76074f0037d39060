// The choice of a Thai font pair for a window's cell width.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

#include "xfront/ThaiFonts.h"

namespace {

TEST(ThaiFontPairs, ThePairFitsTheCellWidth) {
  const struct Case {
    int widths[3];
    int cell;
    int pair;
  } cases[] = {
      {{7, 8, 0}, 9, 1},   // the widest that is not wider
      {{7, 8, 0}, 8, 1},
      {{7, 8, 0}, 7, 0},
      {{7, 8, 0}, 6, 0},   // none fits: the narrowest
      {{0, 8, 7}, 7, 2},
      {{0, 8, 0}, 20, 1},  // missing pairs are passed over
      {{0, 0, 0}, 8, -1},
  };
  for (const Case& c : cases) EXPECT_EQ(thai::PairForCellWidth(c.widths, 3, c.cell), c.pair) << c.cell;
  EXPECT_EQ(thai::PairForCellWidth(nullptr, 3, 8), -1);
}

TEST(ThaiFontPairs, EachPairIsATis620SeparateAndComposingFontOfOneWidth) {
  size_t count = 0;
  const thai::FontPair* pairs = thai::FontPairs(&count);
  ASSERT_GE(count, 1u);
  for (size_t i = 0; i < count; ++i) {
    EXPECT_NE(std::strstr(pairs[i].separate, "tis620"), nullptr);
    EXPECT_NE(std::strstr(pairs[i].composing, "tis620"), nullptr);
    // The average width field (tenths of a pixel) agrees.
    auto width = [](const char* name) {
      int dashes = 0;
      for (const char* p = name; *p; ++p)
        if (*p == '-' && ++dashes == 12) return std::atoi(p + 1);
      return -1;
    };
    EXPECT_EQ(width(pairs[i].separate), width(pairs[i].composing)) << i;
    EXPECT_GT(width(pairs[i].separate), 0) << i;
  }
}

}  // namespace
