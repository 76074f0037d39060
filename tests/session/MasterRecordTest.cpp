// The master record between starts of one user: starts that run at the same
// moment leave exactly one master, and only the master clears the record.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <vector>

#include "session/MasterRecord.h"
#include "tests/support/SharedMemoryKeys.h"

namespace {

// A child that waits for `go`, takes its turn at the record, reports whether
// it is the master on `result` and stays alive (so its process id stays a
// live master) until `done` closes.
pid_t StartingChild(int go, int result, int done, int doneWriter) {
  const pid_t pid = fork();
  if (pid != 0) return pid;
  close(doneWriter);
  char c;
  if (read(go, &c, 1) != 1) _exit(2);
  SharedEmulatorInfo info;
  const int rc = SetGetSharedEmulatorInformation(SharedInfoStartUp, info);
  const char answer = rc == 0 && info.processId == static_cast<unsigned long>(getpid()) ? 'M' : 'c';
  if (write(result, &answer, 1) != 1) _exit(3);
  while (read(done, &c, 1) > 0) {
  }
  _exit(0);
}

TEST(MasterRecordTest, StartsAtTheSameMomentLeaveOneMaster) {
  qwtest::UsePrivateMasterRecordKey();
  const long key = qwtest::PrivateMasterRecordKey();
  for (int round = 0; round < 5; ++round) {
    SCOPED_TRACE(testing::Message() << "round " << round);
    qwtest::RemoveSharedSegment(key);
    int go[2], result[2], done[2];
    ASSERT_EQ(pipe(go), 0);
    ASSERT_EQ(pipe(result), 0);
    ASSERT_EQ(pipe(done), 0);
    constexpr int kStarts = 12;
    std::vector<pid_t> children;
    for (int i = 0; i < kStarts; ++i) {
      const pid_t pid = StartingChild(go[0], result[1], done[0], done[1]);
      ASSERT_GT(pid, 0);
      children.push_back(pid);
    }
    close(done[0]);
    // All of them at once.
    const std::vector<char> bytes(kStarts, 'g');
    ASSERT_EQ(write(go[1], bytes.data(), bytes.size()), static_cast<ssize_t>(kStarts));
    int masters = 0;
    for (int i = 0; i < kStarts; ++i) {
      char answer = 0;
      ASSERT_EQ(read(result[0], &answer, 1), 1);
      masters += answer == 'M';
    }
    EXPECT_EQ(masters, 1);
    // The record names a live one of them.
    SharedEmulatorInfo info;
    ASSERT_EQ(SetGetSharedEmulatorInformation(SharedInfoRead, info), 0);
    bool named = false;
    for (pid_t pid : children) named = named || info.processId == static_cast<unsigned long>(pid);
    EXPECT_TRUE(named) << info.processId;
    // This process is not the master: its clear leaves the record alone.
    ASSERT_EQ(SetGetSharedEmulatorInformation(SharedInfoClear, info), 0);
    SharedEmulatorInfo after;
    ASSERT_EQ(SetGetSharedEmulatorInformation(SharedInfoRead, after), 0);
    EXPECT_EQ(after.processId, info.processId);
    close(done[1]);
    for (pid_t pid : children) {
      int status = 0;
      ASSERT_EQ(waitpid(pid, &status, 0), pid);
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    for (int fd : {go[0], go[1], result[0], result[1]}) close(fd);
  }
  qwtest::RemoveSharedSegment(key);
}

}  // namespace
