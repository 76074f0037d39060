// The trace mask: remembered strings are covered wherever they stand, also
// in their Telnet form, and only the most recent ones are kept.
#include <gtest/gtest.h>

#include <vector>

#include "base/TraceMask.h"

namespace {

using Bytes = std::vector<unsigned char>;
constexpr unsigned char M = TraceMask::kMaskByte;

TEST(TraceMask, CoversEveryPlaceOfARememberedString) {
  TraceMask mask;
  const Bytes secret = {0xA9, 0xFF, 0x91};
  mask.hide(secret.data(), secret.size());
  mask.hide(nullptr, 4);
  mask.hide(secret.data(), 0);
  struct Case {
    const char* what;
    Bytes in, out;
  } cases[] = {
      {"alone", {0xA9, 0xFF, 0x91}, {M, M, M}},
      {"twice among others", {0x11, 0xA9, 0xFF, 0x91, 0x40, 0xA9, 0xFF, 0x91}, {0x11, M, M, M, 0x40, M, M, M}},
      {"with its 0xFF doubled", {0x00, 0xA9, 0xFF, 0xFF, 0x91, 0xFF, 0xEF}, {0x00, M, M, M, M, 0xFF, 0xEF}},
      {"cut short", {0xA9, 0xFF}, {0xA9, 0xFF}},
      {"empty", {}, {}},
  };
  for (const Case& c : cases) EXPECT_EQ(mask.mask(c.in.data(), c.in.size()), c.out) << c.what;
  mask.clear();
  EXPECT_TRUE(mask.empty());
  const Bytes plain = {0xA9, 0xFF, 0x91};
  EXPECT_EQ(mask.mask(plain.data(), plain.size()), plain);
}

TEST(TraceMask, KeepsTheMostRecentStrings) {
  TraceMask mask;
  for (unsigned char i = 0; i <= TraceMask::kMaxSecrets; ++i) {
    const Bytes s = {0xC1, i};
    mask.hide(s.data(), s.size());
  }
  const Bytes oldest = {0xC1, 0}, newest = {0xC1, TraceMask::kMaxSecrets};
  EXPECT_EQ(mask.mask(oldest.data(), oldest.size()), oldest);
  EXPECT_EQ(mask.mask(newest.data(), newest.size()), Bytes({M, M}));
}

}  // namespace
