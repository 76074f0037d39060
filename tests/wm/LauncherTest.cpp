#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <string>
#include <vector>

#include "platform/sdk/EvtApp.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"
#include "wm/session/Launcher.h"
#include "wm/shell/MessageCatalog.h"

namespace {

TEST(SplitCommandLineTest, WordsQuotesAndBounds) {
  struct Case {
    const char* text;
    int size;
    std::vector<std::string> words;
  } cases[] = {
      {"prog \"a b\" c", 64, {"prog", "a b", "c"}},
      {"   \t ", 64, {}},
      {"", 64, {}},
      {"one \"unterminated quote", 64, {"one", "unterminated quote"}},
      {"a b c d", 3, {"a", "b"}},
      {"a\"b c", 64, {"a\"b", "c"}},
  };
  for (const auto& c : cases) {
    std::vector<char> text(c.text, c.text + std::strlen(c.text) + 1);
    std::vector<char*> words(c.size, nullptr);
    int n = SplitCommandLine(text.data(), words.data(), c.size);
    ASSERT_EQ(n, static_cast<int>(c.words.size())) << c.text;
    for (int i = 0; i < n; ++i) EXPECT_EQ(words[i], c.words[i]) << c.text;
    EXPECT_EQ(words[n], nullptr);
  }
}

// Bare archive names are found in the first JARPATH directory that holds
// them; paths and names found nowhere stay, empty entries vanish.
TEST(ExpandJarPathTest, BareNamesAreFoundThroughJarPath) {
  qwtest::TempDir dir;
  dir.WriteFile("second/x.jar", "");
  dir.WriteFile("first/z.jar", "");
  dir.WriteFile("second/z.jar", "");
  {
    qwtest::ScopedEnv unset("JARPATH", nullptr);
    EXPECT_EQ(ExpandJarPath("x.jar::lib/y.jar"), "x.jar::lib/y.jar") << "without JARPATH as given";
  }
  qwtest::ScopedEnv jarPath("JARPATH", (dir.Path() + "/first:" + dir.Path() + "/second").c_str());
  const struct {
    const char* classPath;
    std::string expanded;
  } cases[] = {
      {"x.jar", dir.Path() + "/second/x.jar"},
      {"z.jar", dir.Path() + "/first/z.jar"},
      {"lib/y.jar", "lib/y.jar"},
      {"x.jar::lib/y.jar:", dir.Path() + "/second/x.jar:lib/y.jar"},
      {"missing.jar", "missing.jar"},
      {"", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(ExpandJarPath(c.classPath), c.expanded) << c.classPath;
}

TEST(DescribeExitStatusTest, OnlyExecFailuresAndFaultSignalsAreTold) {
  auto exited = [](int code) { return (code & 0xff) << 8; };
  EXPECT_EQ(DescribeExitStatus(exited(0)), nullptr);
  EXPECT_EQ(DescribeExitStatus(exited(130)), nullptr);
  EXPECT_STREQ(DescribeExitStatus(exited(131)), strerror(1));
  EXPECT_STREQ(DescribeExitStatus(exited(130 + ENOENT)), strerror(ENOENT));
  EXPECT_STREQ(DescribeExitStatus(exited(247)), strerror(117));
  EXPECT_EQ(DescribeExitStatus(exited(248)), nullptr);
  for (int sig : {SIGILL, SIGABRT, SIGFPE, SIGBUS, SIGSEGV, SIGSYS})
    EXPECT_STREQ(DescribeExitStatus(sig), strsignal(sig)) << sig;
  for (int sig : {SIGTERM, SIGKILL, SIGHUP, SIGUSR1}) EXPECT_EQ(DescribeExitStatus(sig), nullptr) << sig;
  EXPECT_EQ(DescribeExitStatus(0x137f), nullptr) << "stopped";
}

class LauncherTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetLauncher();
    app_ = EvtCreateAppContext();
    SetChildSignalNotice(EvtAppAddSignal(app_, [](void*) { ReapChildren(); }, nullptr));
    sigaction(SIGCHLD, nullptr, &oldChild_);
    InstallChildSignalHandler();
  }
  void TearDown() override {
    sigaction(SIGCHLD, &oldChild_, nullptr);
    SetChildSignalNotice(nullptr);
    ResetLauncher();
    EvtDestroyAppContext(app_);
  }
  bool RunUntilNoRecords(int rounds = 500) {
    for (int i = 0; i < rounds && LaunchRecordCount() > 0; ++i) EvtAppProcessOnce(app_, 10);
    return LaunchRecordCount() == 0;
  }
  std::string Script(const std::string& body) { return dir_.WriteFile("s.sh", "#!/bin/sh\n" + body); }
  EvtAppContext* app_ = nullptr;
  struct sigaction oldChild_ = {};
  qwtest::TempDir dir_;
};

TEST_F(LauncherTest, RecordsIdsAndNamesOfLaunchedPrograms) {
  EXPECT_EQ(LaunchProgram("   ", 0, 0, 0), nullptr) << "blanks start nothing";
  LaunchRecord* r = LaunchProgram("kdv_wrapper sleep 5", 0, 0, 0);
  ASSERT_NE(r, nullptr);
  EXPECT_STREQ(r->name, "sleep") << "the wrapper's program names the record";
  unsigned char first[8];
  std::memcpy(first, r->id, 8);
  LaunchRecord* s = LaunchProgram("sleep 5", 0, 0, 0);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->id[0], static_cast<unsigned char>(first[0] + 1)) << "ids count up from the first byte";
  EXPECT_EQ(LaunchRecordCount(), 2);
  EXPECT_EQ(FindLaunchRecordByPid(s->pid), s);
  LaunchRecordAt(0)->priority = 3;
  LaunchRecordAt(1)->priority = 3;
  const pid_t newer = LaunchRecordAt(1)->pid;
  ASSERT_EQ(KillLowestPriorityApplication(), 1);
  for (int i = 0; i < 500 && LaunchRecordCount() > 1; ++i) EvtAppProcessOnce(app_, 10);
  ASSERT_EQ(LaunchRecordCount(), 1);
  EXPECT_EQ(LaunchRecordAt(0)->pid, newer) << "of equal priorities the earlier goes";
  LaunchRecordAt(0)->priority = -1;
  EXPECT_EQ(KillLowestPriorityApplication(), 0) << "negative priorities are never killed";
  KillAllClients(nullptr);
  EXPECT_EQ(LaunchRecordCount(), 0) << "log-off ends every program";
}

TEST_F(LauncherTest, FailedExecAndFaultsAreReportedOthersAreSilent) {
  struct Case {
    std::string command;
    std::string expect;  // empty: no report
  } cases[] = {
      {"/nonexistent/program arg", "Execution of /nonexistent/program failed: " + std::string(strerror(ENOENT))},
      {"/bin/sh -c \"kill -SEGV $$\"", "Execution of /bin/sh failed: " + std::string(strsignal(SIGSEGV))},
      {"/bin/sh -c \"exit 3\"", ""},
      {"/bin/sh -c \"kill -TERM $$\"", ""},
      // The message catalog's text, in the user's language.
      {"/nonexistent/other", "/nonexistent/other startet nicht: " + std::string(strerror(ENOENT))},
  };
  for (const auto& c : cases) {
    ResetMessageCatalog();
    if (c.command == "/nonexistent/other") ASSERT_EQ(ApplyCatalogLine("ExecutionFailed: %s startet nicht: %s"), 1);
    testing::internal::CaptureStderr();
    ASSERT_NE(LaunchProgram(c.command.c_str(), 0, 0, 0), nullptr) << c.command;
    const bool gone = RunUntilNoRecords();
    std::string err = testing::internal::GetCapturedStderr();
    ASSERT_TRUE(gone) << c.command;
    if (c.expect.empty())
      EXPECT_EQ(err.find("QXW4509"), std::string::npos) << c.command << ": " << err;
    else
      EXPECT_NE(err.find("QXW4509: " + c.expect), std::string::npos) << c.command << ": " << err;
  }
  ResetMessageCatalog();
}

TEST_F(LauncherTest, RestartActionsStartTheProgramAgainUntilCleared) {
  const std::string marker = dir_.Path() + "/runs";
  const std::string script = Script("echo run >> " + marker + "\n");
  ASSERT_NE(LaunchProgram(("/bin/sh " + script).c_str(), 0, 0, 1), nullptr);
  // Wait for the second start, then stop restarting.
  for (int i = 0; i < 500; ++i) {
    EvtAppProcessOnce(app_, 10);
    FILE* f = fopen(marker.c_str(), "r");
    int lines = 0;
    if (f) {
      for (int ch; (ch = fgetc(f)) != EOF;) lines += ch == '\n';
      fclose(f);
    }
    if (lines >= 2) break;
  }
  ClearRestartActions();
  EXPECT_TRUE(RunUntilNoRecords());
}

}  // namespace
