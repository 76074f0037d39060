// A host window through the loopback TN5250 host: the border and title that
// a Read Screen returns, and the negative response to a window that does not
// fit, which leaves the screen as it was.
#include <gtest/gtest.h>

#include "tests/datastream/LoopbackSession.h"

namespace {

using namespace glue_test;

Bytes CreateWindowOrder(uint8_t flags, uint8_t depth, uint8_t width, const Bytes& minors) {
  const size_t n = 9 + minors.size();
  return Cat({B({0x15, int(n >> 8), int(n & 0xFF), 0xD9, 0x51, flags, 0, 0, depth, width}), minors});
}

TEST(HostWindowLoopback, ReadScreenShowsBorderAndTitle) {
  Loopback l;
  const Bytes title = Ebcdic("Menu");
  const Bytes minor = Cat({B({int(6 + title.size()), 0x10, 0x80, 0x00, 0x00, 0x00}), title});
  l.Send(Record(0x02, B({0x04, 0x40})));
  l.Send(Record(0x02, WriteToDisplay(Cat({SetBufferAddress(3, 10), CreateWindowOrder(0x80, 2, 8, minor)}))));
  EXPECT_TRUE(l.Pending().empty()) << "the window is accepted";

  l.Send(Record(0x08, B({0x04, 0x62}), 0, 0x40));
  const Bytes screen = l.Next();
  ASSERT_EQ(screen.size(), 10u + 1920u);
  const auto at = [&](int row, int column, size_t n) {
    const size_t o = 10 + (row - 1) * 80 + column - 1;
    return Bytes(screen.begin() + o, screen.begin() + o + n);
  };
  const uint8_t A = l.display().characteristics().word[0] & 0x10000000u ? 0x3A : 0x20;
  const bool gui = (l.display().characteristics().word[0] & 0x00400000u) != 0;
  const uint8_t UL = gui ? 0x0C : 0x4B, T = gui ? 0x13 : 0x4B, UR = gui ? 0x0B : 0x4B;
  const uint8_t L = gui ? 0x12 : 0x7A, LL = gui ? 0x0A : 0x7A, LR = gui ? 0x0D : 0x7A;
  // Top row: title left, one position in.
  EXPECT_EQ(at(3, 10, 14), Cat({B({A, UL, T}), title, B({T, T, T, T, T, UR, 0x20})}));
  EXPECT_EQ(at(4, 10, 14), B({A, L, 0x20, 0, 0, 0, 0, 0, 0, 0, 0, A, L, 0x20}));
  EXPECT_EQ(at(6, 10, 14), B({A, LL, T, T, T, T, T, T, T, T, T, T, LR, 0x20}));

  // A window one row too deep is refused with its sense; the screen stays.
  l.Send(Record(0x02, WriteToDisplay(Cat({SetBufferAddress(20, 10), CreateWindowOrder(0x00, 4, 8, {})}))));
  const Bytes refusal = l.Next();
  ASSERT_GE(refusal.size(), 14u);
  EXPECT_EQ(Bytes(refusal.end() - 4, refusal.end()), B({0x10, 0x05, 0x01, 0x12}));
  l.Send(Record(0x08, B({0x04, 0x62}), 0, 0x40));
  EXPECT_EQ(l.Next(), screen);
}

}  // namespace
