// Helper programs are started from an argument vector, never through a
// shell, and every child is reaped from the event loop.
#include <gtest/gtest.h>

#include <X11/Intrinsic.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "tests/support/TempDir.h"
#include "xfront/XuStartTask.h"

namespace {

class XuStartTaskTest : public ::testing::Test {
 protected:
  static XtAppContext App() {
    static XtAppContext app = [] {
      XtToolkitInitialize();
      return XtCreateApplicationContext();
    }();
    return app;
  }
  void SetUp() override { ASSERT_TRUE(XuInstallChildReaper(App())); }

  // Runs the event loop until every started child is reaped; a guard timer
  // bounds the wait.
  static bool RunUntilReaped() {
    bool expired = false;
    XtIntervalId guard = XtAppAddTimeOut(
        App(), 20000, [](XtPointer flag, XtIntervalId*) { *static_cast<bool*>(flag) = true; }, &expired);
    while (XuRunningTaskCount() > 0 && !expired) XtAppProcessEvent(App(), XtIMAll);
    if (!expired) XtRemoveTimeOut(guard);
    return !expired;
  }

  static bool ProcessExists(pid_t pid) {
    struct stat st {};
    return stat(("/proc/" + std::to_string(pid)).c_str(), &st) == 0;
  }

  static std::string ReadFile(const std::string& path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  }
};

TEST_F(XuStartTaskTest, ChildrenRunAndAreReapedWithTheirStatus) {
  struct Case {
    std::vector<std::string> argv;
    int exitStatus;
  } cases[] = {
      {{"/bin/true"}, 0},
      {{"/bin/sh", "-c", "exit 3"}, 3},
      {{"false"}, 1},  // found in PATH
  };
  std::vector<pid_t> pids;
  for (const Case& c : cases) {
    const pid_t pid = XuStartTask(c.argv);
    ASSERT_GT(pid, 0) << c.argv[0];
    pids.push_back(pid);
  }
  ASSERT_TRUE(RunUntilReaped());
  for (size_t i = 0; i < pids.size(); ++i) {
    int status = -1;
    ASSERT_TRUE(XuTaskWaitStatus(pids[i], &status)) << cases[i].argv[0];
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), cases[i].exitStatus) << cases[i].argv[0];
    EXPECT_FALSE(ProcessExists(pids[i])) << "zombie " << pids[i];
  }
}

TEST_F(XuStartTaskTest, AProgramThatCannotRunIsReportedAndLeavesNoChild) {
  const size_t before = XuRunningTaskCount();
  EXPECT_EQ(XuStartTask(std::vector<std::string>{"/nonexistent/helper-program"}), -1);
  EXPECT_EQ(XuStartTask(std::vector<std::string>{}), -1);
  EXPECT_EQ(XuStartTask(static_cast<const char* const*>(nullptr)), -1);
  EXPECT_EQ(XuRunningTaskCount(), before);
  // No zombie under this process either: every child of ours is waited for.
  EXPECT_EQ(waitpid(-1, nullptr, WNOHANG), -1);
}

TEST_F(XuStartTaskTest, ArgumentsReachTheProgramUninterpreted) {
  qwtest::TempDir dir;
  const std::string out = dir.Path() + "/args";
  const std::string hostile = "a;b $(touch " + dir.Path() + "/pwned) `id` %s%n\n*";
  const pid_t pid = XuStartTask(std::vector<std::string>{
      "/bin/sh", "-c", "printf '%s' \"$1\" > \"$2\"", "sh", hostile, out});
  ASSERT_GT(pid, 0);
  ASSERT_TRUE(RunUntilReaped());
  EXPECT_EQ(ReadFile(out), hostile);
  struct stat st {};
  EXPECT_NE(stat((dir.Path() + "/pwned").c_str(), &st), 0);
}

TEST_F(XuStartTaskTest, SignalDispositionsOfTheChild) {
  // The parent ignores SIGINT and SIGTERM: SIGINT stays ignored in the
  // child, SIGTERM returns to its default; SIGQUIT is caught here and
  // default there.
  struct sigaction ignore {}, catcher {}, oldInt {}, oldTerm {}, oldQuit {};
  ignore.sa_handler = SIG_IGN;
  catcher.sa_handler = [](int) {};
  sigaction(SIGINT, &ignore, &oldInt);
  sigaction(SIGTERM, &ignore, &oldTerm);
  sigaction(SIGQUIT, &catcher, &oldQuit);
  qwtest::TempDir dir;
  const std::string out = dir.Path() + "/status";
  const pid_t pid = XuStartTask(std::vector<std::string>{
      "/bin/sh", "-c", "exec grep -E '^Sig(Ign|Blk):' /proc/self/status > \"$1\"", "sh", out});
  sigaction(SIGINT, &oldInt, nullptr);
  sigaction(SIGTERM, &oldTerm, nullptr);
  sigaction(SIGQUIT, &oldQuit, nullptr);
  ASSERT_GT(pid, 0);
  ASSERT_TRUE(RunUntilReaped());
  unsigned long long ign = 0, blk = 0;
  const std::string text = ReadFile(out);
  ASSERT_EQ(std::sscanf(text.c_str(), "SigBlk: %llx SigIgn: %llx", &blk, &ign), 2) << text;
  auto bit = [](int sig) { return 1ull << (sig - 1); };
  EXPECT_TRUE(ign & bit(SIGINT));
  EXPECT_FALSE(ign & bit(SIGTERM));
  EXPECT_FALSE(ign & bit(SIGQUIT));
  EXPECT_EQ(blk, 0u);
}

}  // namespace
