#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <random>
#include <stdexcept>
#include <vector>

#include "base/BufferMgr.h"
#include "base/ErrorHalt.h"

namespace {

struct Halted : std::runtime_error {
  unsigned short module, error;
  Halted(unsigned short m, unsigned short e) : std::runtime_error("ErrorHalt"), module(m), error(e) {}
};
void ThrowingHalt(unsigned short module, unsigned short error) { throw Halted(module, error); }

class BufferMgrTest : public ::testing::Test {
 protected:
  void SetUp() override { SetErrorHaltHook(ThrowingHalt); }
  void TearDown() override { SetErrorHaltHook(nullptr); }
  unsigned short HaltCode(void (*fn)(BufferMgr&, void*), BufferMgr& m, void* p) {
    try {
      fn(m, p);
    } catch (const Halted& h) {
      EXPECT_EQ(h.module, 2846);
      return h.error;
    }
    return 0;
  }
  alignas(8) char region_[4096];
};

TEST_F(BufferMgrTest, RegionBelowSeventeenBytesHalts) {
  try {
    BufferMgr m(region_, 16);
    FAIL() << "no halt";
  } catch (const Halted& h) {
    EXPECT_EQ(h.module, 2846);
    EXPECT_EQ(h.error, 1);
  }
}

TEST_F(BufferMgrTest, SeventeenByteRegionHandsOutNothing) {
  BufferMgr m(region_, 17);
  for (size_t n : {0u, 1u, 8u, 9u})
    EXPECT_EQ(m.GetBuffer(n), nullptr) << n;
  EXPECT_EQ(m.CheckBufferAvail(0), 0u);
}

TEST_F(BufferMgrTest, BlocksAreAlignedAndDisjoint) {
  BufferMgr m(region_, sizeof region_);
  std::vector<std::pair<char*, size_t>> blocks;
  for (size_t n : {1u, 3u, 8u, 13u, 64u, 7u, 100u}) {
    char* p = static_cast<char*>(m.GetBuffer(n));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(p) % 8, 0u) << "block of " << n;
    EXPECT_GE(p, region_);
    EXPECT_LE(p + n, region_ + sizeof region_);
    memset(p, static_cast<int>(n), n);
    blocks.emplace_back(p, n);
  }
  for (auto& b : blocks)
    for (size_t i = 0; i < b.second; ++i) ASSERT_EQ(b.first[i], static_cast<char>(b.second));
}

TEST_F(BufferMgrTest, AdjacentBlocksMergeInEitherOrder) {
  for (bool firstThenSecond : {true, false}) {
    SCOPED_TRACE(firstThenSecond);
    BufferMgr m(region_, sizeof region_);
    void* a = m.GetBuffer(100);
    void* b = m.GetBuffer(200);
    void* c = m.GetBuffer(50);
    ASSERT_TRUE(a && b && c);
    const size_t largestWhileUsed = m.LargestFreeBlock();
    m.FreeBuffer(firstThenSecond ? a : b);
    m.FreeBuffer(firstThenSecond ? b : a);
    EXPECT_EQ(m.FreeBlockCount(), 2u) << "a and b merge into one block after the head";
    m.FreeBuffer(c);
    EXPECT_EQ(m.FreeBlockCount(), 1u);
    EXPECT_EQ(m.LargestFreeBlock(), sizeof region_);
    EXPECT_LT(largestWhileUsed, sizeof region_);
  }
}

TEST_F(BufferMgrTest, BadFreesHalt) {
  BufferMgr m(region_, sizeof region_);
  char* p = static_cast<char*>(m.GetBuffer(40));
  ASSERT_NE(p, nullptr);
  char outside[16];
  struct Case {
    const char* what;
    void* pointer;
    unsigned short code;
  } cases[] = {
      {"inside a block", p + 8, 2},
      {"outside the region", outside + 8, 2},
      {"the head block", region_ + 8, 2},
  };
  for (const auto& c : cases)
    EXPECT_EQ(HaltCode([](BufferMgr& mm, void* q) { mm.FreeBuffer(q); }, m, c.pointer), c.code) << c.what;
  m.FreeBuffer(p);
  EXPECT_EQ(HaltCode([](BufferMgr& mm, void* q) { mm.FreeBuffer(q); }, m, p), 2) << "double free";
}

TEST_F(BufferMgrTest, CheckBufferAvailAgreesWithGetBuffer) {
  BufferMgr m(region_, 256);
  for (size_t n = 0; n < 300; n += 7) {
    const bool avail = m.CheckBufferAvail(n) != 0;
    void* p = m.GetBuffer(n);
    EXPECT_EQ(avail, p != nullptr) << n;
    if (p) m.FreeBuffer(p);
  }
}

TEST_F(BufferMgrTest, RandomLoadKeepsBlocksIntactAndReturnsToOneBlock) {
  std::mt19937 rng(1234);
  alignas(8) static char big[64 * 1024];
  BufferMgr m(big, sizeof big);
  std::map<char*, std::pair<size_t, unsigned char>> live;
  for (int step = 0; step < 20000; ++step) {
    if (live.empty() || rng() % 3 != 0) {
      size_t n = 8 + rng() % 4089;
      char* p = static_cast<char*>(m.GetBuffer(n));
      if (!p) continue;
      unsigned char tag = static_cast<unsigned char>(rng());
      memset(p, tag, n);
      live[p] = {n, tag};
    } else {
      auto it = live.begin();
      std::advance(it, rng() % live.size());
      for (size_t i = 0; i < it->second.first; ++i)
        ASSERT_EQ(static_cast<unsigned char>(it->first[i]), it->second.second) << "block overwritten";
      m.FreeBuffer(it->first);
      live.erase(it);
    }
  }
  for (auto& b : live) m.FreeBuffer(b.first);
  EXPECT_EQ(m.FreeBlockCount(), 1u);
  EXPECT_EQ(m.LargestFreeBlock(), sizeof big);
}

}  // namespace
