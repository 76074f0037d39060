// The app-started flag in its shared-memory segment: created private to the
// user, set and read back, and a 'Get' that creates it is logged.
#include <gtest/gtest.h>

#include <sys/ipc.h>
#include <sys/shm.h>
#include <unistd.h>

#include "tests/support/LogCapture.h"
#include "tools/AppStartedFlag.h"

namespace {

TEST(AppStartedFlag, SegmentIsPrivateAndKeepsTheByte) {
  // A key of this test's own, so that parallel tests and real helpers are untouched.
  const key_t key = static_cast<key_t>(0x51000000 | (getpid() & 0xFFFFFF));
  {
    qwtest::LogCapture log;
    EXPECT_EQ(SetGetAppStartedFlag(false, 0, key), 0);
    EXPECT_TRUE(log.Contains("created on a 'Get'"));
  }
  const int id = shmget(key, 1, 0);
  ASSERT_GE(id, 0);
  shmid_ds ds{};
  ASSERT_EQ(shmctl(id, IPC_STAT, &ds), 0);
  EXPECT_EQ(ds.shm_perm.mode & 0777, 0600u);

  EXPECT_EQ(SetGetAppStartedFlag(true, 1, key), 1);
  {
    qwtest::LogCapture log;
    EXPECT_EQ(SetGetAppStartedFlag(false, 0, key), 1);
    EXPECT_FALSE(log.Contains("created"));
  }
  EXPECT_EQ(SetGetAppStartedFlag(true, 0, key), 0);
  shmctl(id, IPC_RMID, nullptr);
}

}  // namespace
