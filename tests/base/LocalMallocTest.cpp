#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "base/CurrentTime.h"
#include "base/ErrorHalt.h"
#include "base/LocalMalloc.h"
#include "base/LogMsg.h"

namespace {

void* FailingAlloc(size_t) { return nullptr; }
int g_dialogShown = 0;
void ShowDialog() { ++g_dialogShown; }

class LocalMallocTest : public ::testing::Test {
 protected:
  void SetUp() override { SetFatalPauseMilliseconds(0); }
  void TearDown() override {
    SetLocalMallocAllocator(nullptr);
    SetLowMemoryDialogHooks({});
  }
};

TEST_F(LocalMallocTest, SucceedsWithoutLogging) {
  testing::internal::CaptureStdout();
  void* p = LocalMalloc("ok", 100, MallocFailReturnNull);
  std::string out = testing::internal::GetCapturedStdout();
  ASSERT_NE(p, nullptr);
  free(p);
  EXPECT_EQ(out, "");
}

TEST_F(LocalMallocTest, FailureReturnsNullAndNamesTheAllocation) {
  SetLocalMallocAllocator(FailingAlloc);
  testing::internal::CaptureStdout();
  void* p = LocalMalloc("scb_ptr", 4242, MallocFailReturnNull);
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(p, nullptr);
  EXPECT_NE(out.find("QWC0514: -----------  malloc failure  ------------."), std::string::npos) << out;
  EXPECT_NE(out.find("malloc id = scb_ptr."), std::string::npos) << out;
  EXPECT_NE(out.find("malloc size = 4242."), std::string::npos) << out;
  EXPECT_NE(out.find("no malloc fail option."), std::string::npos) << out;
}

TEST_F(LocalMallocTest, LowMemoryOptionPostsTheDialogOnce) {
  g_dialogShown = 0;
  SetLowMemoryDialogHooks({ShowDialog});
  ReserveLowMemoryBlock();
  EXPECT_EQ(LowMemoryReserveSize(), 20000u);
  SetLocalMallocAllocator(FailingAlloc);
  testing::internal::CaptureStdout();
  EXPECT_EQ(LocalMalloc("a", 10, MallocFailLowMemoryDialog), nullptr);
  EXPECT_EQ(LocalMalloc("b", 10, MallocFailLowMemoryDialog), nullptr);
  std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(g_dialogShown, 1);
  EXPECT_TRUE(LowMemoryDialogPosted());
  EXPECT_EQ(LowMemoryReserveSize(), 0u) << "the reserve is released when memory is exhausted";
  EXPECT_NE(out.find("posting low memory dialog."), std::string::npos);
  SetLocalMallocAllocator(nullptr);
  LowMemoryDialogClosed();
  EXPECT_FALSE(LowMemoryDialogPosted());
  EXPECT_EQ(LowMemoryReserveSize(), 20000u) << "closing takes a new reserve";
}

TEST_F(LocalMallocTest, ExitOptionsEndTheProcessWithStatusOne) {
  EXPECT_EXIT(
      {
        SetFatalPauseMilliseconds(0);
        SetLocalMallocAllocator(FailingAlloc);
        LocalMalloc("x", 1, MallocFailExitProcess);
      },
      ::testing::ExitedWithCode(1), "");
  EXPECT_EXIT(
      {
        SetLocalMallocAllocator(FailingAlloc);
        LocalMalloc("x", 1, MallocFailExitMaster);
      },
      ::testing::ExitedWithCode(1), "");
}

TEST(ErrorHalt, LogsModuleAndErrorAndEndsTheMaster) {
  EXPECT_EXIT(
      {
        SetFatalPauseMilliseconds(0);
        SetExitMasterCleanup([] {
          fprintf(stderr, "record cleared\n");
        });
        ErrorHalt(0x0B01, 7, 0x1234);
      },
      ::testing::ExitedWithCode(1), "record cleared");
}

TEST(CurrentTime, StartsNearTwoHundredTenthsAndNeverGoesBack) {
  unsigned long first = GetCurrentTime();
  EXPECT_GE(first, 200u);
  EXPECT_LT(first, 220u);
  unsigned long prev = first;
  for (int i = 0; i < 1000; ++i) {
    unsigned long t = GetCurrentTime();
    ASSERT_GE(t, prev);
    prev = t;
  }
}

}  // namespace
