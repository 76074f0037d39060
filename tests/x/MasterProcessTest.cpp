// One master process for all starts of qw5250 by one user: a second start
// hands its session to the running master and exits; a master that was
// killed leaves a record the next start takes over; the last session window
// closed ends the master; foreign start-session messages and shared memory
// that is not the user's own are refused.
#include <gtest/gtest.h>  // before Xlib, whose None and Bool macros clash with it

#include "tests/support/Qw5250ProgramTest.h"
#include "tests/support/SessionWindows.h"
#include "tests/support/SharedMemoryKeys.h"
#include "tests/support/TestHost5250.h"
#include "tests/support/XWindows.h"

#include <X11/Xutil.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <sys/wait.h>

#include <csignal>
#include <memory>
#include <string>
#include <vector>

namespace qwtest {
namespace {

constexpr int kWaitMs = 20000;
constexpr unsigned kHandoffBytes = 1348;

class MasterProcessTest : public Qw5250ProgramTest {
 protected:
  void TearDown() override {
    for (int id : ownSegments_) shmctl(id, IPC_RMID, nullptr);
    Qw5250ProgramTest::TearDown();
  }

  // A further start of the program, beside qw_.
  std::unique_ptr<ChildProcess> startAnother(const std::vector<std::string>& args) {
    std::vector<std::string> argv = {Qw5250Binary()};
    argv.insert(argv.end(), args.begin(), args.end());
    auto child = std::make_unique<ChildProcess>();
    EXPECT_TRUE(child->Start(argv, ChildProcess::BaseEnvironment({"DISPLAY=" + server_.DisplayName(),
                                                                  "HOME=" + home_.Path(), "LANG=C"})))
        << child->Error();
    return child;
  }

  std::vector<std::string> sessionArgs(const TestHost5250& host, const std::string& id) {
    return {"-debug", "-PORT", std::to_string(host.Port()), "-SESSION_ID", id, "-RETRY_COUNT", "0", "127.0.0.1"};
  }

  std::vector<Window> sessionWindows() { return ViewableSessionWindows(display_); }

  Window masterWindow() {
    XErrorTrap trap(display_);
    std::vector<Window> masters = FindWindowsByClass(display_, "lowMemoryDialog_popup");
    return masters.size() == 1 ? masters[0] : None;
  }

  // A segment of the hand-off size that this test owns and removes.
  long makeSegment(int mode, uid_t owner) {
    for (long key = PrivateMasterRecordKey() + 1;; ++key) {
      const int id = shmget(static_cast<key_t>(key), kHandoffBytes, IPC_CREAT | IPC_EXCL | mode);
      if (id < 0) continue;
      ownSegments_.push_back(id);
      if (owner != getuid()) {
        struct shmid_ds ds;
        shmctl(id, IPC_STAT, &ds);
        ds.shm_perm.uid = owner;
        EXPECT_EQ(shmctl(id, IPC_SET, &ds), 0);
      }
      return key;
    }
  }

  void sendStartSession(Window to, long key, int format) {
    XEvent ev = {};
    ev.xclient.type = ClientMessage;
    ev.xclient.window = to;
    ev.xclient.message_type = XInternAtom(display_, "QAV_5250_Start_Session", False);
    ev.xclient.format = format;
    ev.xclient.data.l[0] = key;
    XSendEvent(display_, to, True, NoEventMask, &ev);
    XSync(display_, False);
  }

  std::vector<int> ownSegments_;
};

TEST_F(MasterProcessTest, SecondStartHandsItsSessionToTheMasterAndTheLastWindowEndsIt) {
  TestHost5250 host;
  ASSERT_TRUE(host.Start());
  startQw(sessionArgs(host, "FIRST"));
  ASSERT_TRUE(qw_->WaitForOutput("session FIRST on host 127.0.0.1 in slot 0, instance 1.", kWaitMs)) << qw_->Output();

  std::vector<std::string> args = sessionArgs(host, "SECOND");
  args.insert(args.begin(), {"-title", std::string(150, 't')});
  std::unique_ptr<ChildProcess> second = startAnother(args);
  ASSERT_TRUE(second->WaitExit(kWaitMs)) << second->Output();
  EXPECT_TRUE(second->ExitedNormally()) << second->Output();
  EXPECT_EQ(second->ExitCode(), 0) << second->Output();
  EXPECT_NE(second->Output().find("Session handed off."), std::string::npos) << second->Output();
  // Its session runs in the master, not in a process of its own.
  ASSERT_TRUE(qw_->WaitForOutput("session SECOND on host 127.0.0.1 in slot 1, instance 2.", kWaitMs))
      << qw_->Output();
  EXPECT_EQ(second->Output().find("session SECOND"), std::string::npos);
  EXPECT_EQ(SharedSegmentsWithKey(second->Pid()), 0) << "the hand-off block is removed";
  ASSERT_TRUE(WaitUntil([&] { return sessionWindows().size() == 2; }, kWaitMs, display_)) << qw_->Output();

  // Closing one window keeps the master; closing the last ends it.
  std::vector<Window> windows = sessionWindows();
  SendDeleteWindow(display_, windows[0]);
  ASSERT_TRUE(WaitUntil([&] { return sessionWindows().size() == 1; }, kWaitMs, display_));
  EXPECT_TRUE(qw_->Running());
  SendDeleteWindow(display_, sessionWindows()[0]);
  ASSERT_TRUE(qw_->WaitExit(kWaitMs)) << qw_->Output();
  EXPECT_EQ(qw_->ExitCode(), 0) << qw_->Output();

  // The record outlives the master but names no master now: a new start is
  // the master at once.
  startQw(sessionArgs(host, "THIRD"));
  ASSERT_TRUE(qw_->WaitForOutput("session THIRD on host 127.0.0.1 in slot 0, instance 1.", kWaitMs))
      << qw_->Output();
  qw_->Stop();
}

// A killed master leaves its record behind: reaped (its process id is free)
// or a zombie (the id still exists, its window is gone). Either way the next
// start becomes the master without waiting for it.
TEST_F(MasterProcessTest, KilledMastersRecordIsTakenOver) {
  for (bool reap : {true, false}) {
    SCOPED_TRACE(reap ? "reaped" : "zombie");
    TestHost5250 host;
    ASSERT_TRUE(host.Start());
    std::unique_ptr<ChildProcess> old = startAnother(sessionArgs(host, "OLD"));
    ASSERT_TRUE(old->WaitForOutput("session OLD on host", kWaitMs)) << old->Output();
    const pid_t oldPid = old->Pid();
    ASSERT_TRUE(old->Signal(SIGKILL));
    if (reap) {
      ASSERT_TRUE(old->WaitExit(kWaitMs));
    } else {
      // Wait until the server has seen the connection close, without reaping.
      siginfo_t info = {};
      ASSERT_EQ(waitid(P_PID, oldPid, &info, WEXITED | WNOWAIT), 0);
      ASSERT_TRUE(WaitUntil([&] { return masterWindow() == None; }, kWaitMs, display_));
    }
    startQw(sessionArgs(host, "NEW"));
    ASSERT_TRUE(qw_->WaitForOutput("session NEW on host 127.0.0.1 in slot 0, instance 1.", kWaitMs))
        << qw_->Output();
    if (!reap) EXPECT_NE(qw_->Output().find("is gone; this process takes over."), std::string::npos);
    EXPECT_TRUE(qw_->Running());
    qw_->Stop();
    old.reset();
    RemoveSharedSegment(PrivateMasterRecordKey());
  }
}

TEST_F(MasterProcessTest, ForgedStartSessionMessagesAreRefused) {
  TestHost5250 host;
  ASSERT_TRUE(host.Start());
  startQw(sessionArgs(host, "ONLY"));
  ASSERT_TRUE(qw_->WaitForOutput("session ONLY on host", kWaitMs)) << qw_->Output();
  const Window master = masterWindow();
  ASSERT_NE(master, static_cast<Window>(None));

  struct Case {
    const char* name;
    long key;
    int format;
    const char* logged;
  };
  const Case cases[] = {
      {"no segment", PrivateMasterRecordKey() + 9, 32, "refused: no hand-off block of this user."},
      {"mode 0606", makeSegment(0606, getuid()), 32, "has mode 606, not 600: refused."},
      {"other user", makeSegment(0600, 65534), 32, "belongs to user 65534"},
      {"the master record", PrivateMasterRecordKey(), 32, "has 536 bytes, not 1348: refused."},
      {"format 8", makeSegment(0600, getuid()), 8, "Start-session message of format 8 refused."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    sendStartSession(master, c.key, c.format);
    EXPECT_TRUE(qw_->WaitForOutput(c.logged, kWaitMs)) << qw_->Output();
  }
  // Nothing was created, and the master still takes a real hand-off.
  EXPECT_EQ(qw_->Output().find("in slot 1"), std::string::npos) << qw_->Output();
  std::unique_ptr<ChildProcess> second = startAnother(sessionArgs(host, "REAL"));
  ASSERT_TRUE(second->WaitExit(kWaitMs)) << second->Output();
  EXPECT_EQ(second->ExitCode(), 0) << second->Output();
  EXPECT_TRUE(qw_->WaitForOutput("session REAL on host 127.0.0.1 in slot 1", kWaitMs)) << qw_->Output();
  qw_->Stop();
}

// A master record that is not the user's own is never used.
TEST_F(MasterProcessTest, MasterRecordOfAnotherUserOrModeIsRefused) {
  struct Case {
    int mode;
    uid_t owner;
    const char* logged;
  };
  for (const Case& c : {Case{0606, getuid(), "has mode 606, not 600: refused."},
                        Case{0600, 65534, "belongs to user 65534"}}) {
    SCOPED_TRACE(c.logged);
    const int id = shmget(static_cast<key_t>(PrivateMasterRecordKey()), 536, IPC_CREAT | IPC_EXCL | c.mode);
    ASSERT_GE(id, 0);
    ownSegments_.push_back(id);
    if (c.owner != getuid()) {
      struct shmid_ds ds;
      shmctl(id, IPC_STAT, &ds);
      ds.shm_perm.uid = c.owner;
      ASSERT_EQ(shmctl(id, IPC_SET, &ds), 0);
    }
    startQw({"somehost"});
    ASSERT_TRUE(qw_->WaitExit(kWaitMs)) << qw_->Output();
    EXPECT_NE(qw_->ExitCode(), 0) << qw_->Output();
    EXPECT_NE(qw_->Output().find(c.logged), std::string::npos) << qw_->Output();
    shmctl(id, IPC_RMID, nullptr);
  }
}

// A master that never acknowledges: the start's message is what the master
// expects (format 32, the block's key in the first long, a 1,348-byte block
// of this user only), and when the master goes away the start says it was
// not handed off and exits 1, its block removed.
TEST_F(MasterProcessTest, UnacknowledgedHandOffEndsWithStatusOne) {
  // This test process plays the master: its own process id and window.
  const Window fake = XCreateSimpleWindow(display_, DefaultRootWindow(display_), 0, 0, 10, 10, 0, 0, 0);
  char name[] = "lowMemoryDialog_popup", cls[] = "QW5250";
  XClassHint hint = {name, cls};
  XSetClassHint(display_, fake, &hint);
  XSync(display_, False);
  const int id = shmget(static_cast<key_t>(PrivateMasterRecordKey()), 536, IPC_CREAT | IPC_EXCL | 0600);
  ASSERT_GE(id, 0);
  ownSegments_.push_back(id);
  auto* record = static_cast<unsigned char*>(shmat(id, nullptr, 0));
  ASSERT_NE(record, reinterpret_cast<unsigned char*>(-1));
  auto put32 = [](unsigned char* at, unsigned long v) {
    for (int i = 0; i < 4; ++i) at[i] = static_cast<unsigned char>(v >> (24 - 8 * i));
  };
  put32(record, static_cast<unsigned long>(getpid()));
  put32(record + 4, fake);
  record[8] = 1;

  startQw({"-debug", "somehost"});
  XEvent ev;
  // (WaitUntil would take the events of display_ itself.)
  ASSERT_TRUE(WaitUntil(
      [&] {
        XSync(display_, False);
        return XCheckTypedWindowEvent(display_, fake, ClientMessage, &ev);
      },
      kWaitMs))
      << qw_->Output();
  EXPECT_EQ(ev.xclient.message_type, XInternAtom(display_, "QAV_5250_Start_Session", False));
  EXPECT_EQ(ev.xclient.format, 32);
  const long key = ev.xclient.data.l[0];
  EXPECT_GE(key, static_cast<long>(qw_->Pid()));
  const int block = shmget(static_cast<key_t>(key), 0, 0);
  ASSERT_GE(block, 0);
  struct shmid_ds ds;
  ASSERT_EQ(shmctl(block, IPC_STAT, &ds), 0);
  EXPECT_EQ(ds.shm_segsz, kHandoffBytes);
  EXPECT_EQ(ds.shm_perm.mode & 0777, 0600u);
  auto* shared = static_cast<unsigned char*>(shmat(block, nullptr, SHM_RDONLY));
  ASSERT_NE(shared, reinterpret_cast<unsigned char*>(-1));
  EXPECT_STREQ(reinterpret_cast<const char*>(shared + 1), "somehost");
  shmdt(shared);
  EXPECT_TRUE(qw_->Running());

  // The master is gone without a word.
  put32(record, 0);
  ASSERT_TRUE(qw_->WaitExit(kWaitMs)) << qw_->Output();
  EXPECT_EQ(qw_->ExitCode(), 1) << qw_->Output();
  EXPECT_NE(qw_->Output().find("did not take the session; exiting."), std::string::npos) << qw_->Output();
  EXPECT_EQ(qw_->Output().find("Session handed off."), std::string::npos) << qw_->Output();
  EXPECT_EQ(SharedSegmentsWithKey(key), 0);
  shmdt(record);
}

// A record whose process id now names another live program (this test) and
// whose window id another client's window: not a master. The start does
// not wait for it but takes the record over.
TEST_F(MasterProcessTest, RecordOfAReusedProcessIdIsTakenOver) {
  const Window other = XCreateSimpleWindow(display_, DefaultRootWindow(display_), 0, 0, 10, 10, 0, 0, 0);
  char name[] = "xterm", cls[] = "XTerm";
  XClassHint hint = {name, cls};
  XSetClassHint(display_, other, &hint);
  XSync(display_, False);
  const int id = shmget(static_cast<key_t>(PrivateMasterRecordKey()), 536, IPC_CREAT | IPC_EXCL | 0600);
  ASSERT_GE(id, 0);
  ownSegments_.push_back(id);
  auto* record = static_cast<unsigned char*>(shmat(id, nullptr, 0));
  ASSERT_NE(record, reinterpret_cast<unsigned char*>(-1));
  const unsigned long values[2] = {static_cast<unsigned long>(getpid()), other};
  for (int f = 0; f < 2; ++f)
    for (int i = 0; i < 4; ++i) record[4 * f + i] = static_cast<unsigned char>(values[f] >> (24 - 8 * i));
  record[8] = 1;

  TestHost5250 host;
  ASSERT_TRUE(host.Start());
  startQw(sessionArgs(host, "TAKER"));
  ASSERT_TRUE(qw_->WaitForOutput("session TAKER on host 127.0.0.1 in slot 0, instance 1.", kWaitMs))
      << qw_->Output();
  EXPECT_NE(qw_->Output().find("is gone; this process takes over."), std::string::npos) << qw_->Output();
  uint32_t pid = 0;
  for (int i = 0; i < 4; ++i) pid = (pid << 8) | record[i];
  EXPECT_EQ(pid, static_cast<uint32_t>(qw_->Pid()));
  shmdt(record);
  qw_->Stop();
}

}  // namespace
}  // namespace qwtest
