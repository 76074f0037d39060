#include <gtest/gtest.h>
#include "session/base/BufferMgr.h"
TEST(BufferMgr, Smoke) {
  alignas(8) char region[256];
  BufferMgr m(region, sizeof region);
  void* p = m.GetBuffer(10);
  ASSERT_NE(p, nullptr);
  m.FreeBuffer(p);
  EXPECT_EQ(m.FreeBlockCount(), 1u);
}
