// The desktop's reports to network management: the trap programs (run to
// their end, but never waited for without bound) and the channel to the
// terminal's SNMP agent, checked in-process and with Teldra under Xvfb,
// net-snmp's snmptrapd receiving the traps and a fake agent on "*snmp".
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "platform/sdk/QXService.h"
#include "tests/support/TextFiles.h"
#include "tests/wm/TeldraFixture.h"
#include "wm/services/SnmpChannel.h"
#include "wm/services/SnmpTrap.h"

namespace {

class TrapProgramTest : public ::testing::Test {
 protected:
  void SetUp() override { setenv("QX_SNMP_DIR", dir_.Path().c_str(), 1); }
  void TearDown() override { unsetenv("QX_SNMP_DIR"); }
  // Each program appends its own file name to the log.
  void InstallLoggingPrograms() {
    for (const char* file : {"login.trap", "logoff.trap", "memFull.trap", "diskFull.trap"})
      qwtest::WriteShellScript(dir_.Path() + "/" + file, std::string("echo ") + file + " \"$#\" >> " + dir_.Path() + "/log");
  }
  std::string Log() { return qwtest::ReadWholeFile(dir_.Path() + "/log"); }
  qwtest::TempDir dir_;
};

TEST_F(TrapProgramTest, EachKindRunsItsProgramWithoutArguments) {
  InstallLoggingPrograms();
  const struct {
    const char* kind;
    const char* line;
  } cases[] = {{"login", "login.trap 0\n"},
               {"logout", "logoff.trap 0\n"},  // not named after its kind
               {"memFull", "memFull.trap 0\n"},
               {"diskFull", "diskFull.trap 0\n"}};
  for (const auto& c : cases) {
    std::remove((dir_.Path() + "/log").c_str());
    const int status = SendSnmpTrap(c.kind);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << c.kind << " " << status;
    EXPECT_EQ(Log(), c.line) << c.kind;
  }
}

TEST_F(TrapProgramTest, UnknownKindRunsNothingAndIsReported) {
  InstallLoggingPrograms();
  for (const char* kind : {"logoff", "LOGIN", "", "memFull.trap", "%s%n"}) {
    testing::internal::CaptureStderr();
    EXPECT_EQ(SendSnmpTrap(kind), -1);
    EXPECT_EQ(testing::internal::GetCapturedStderr(), std::string("VRSNMP: kind error(") + kind + ")\n");
  }
  EXPECT_EQ(Log(), "");
}

TEST_F(TrapProgramTest, MissingOrFailingProgramEndsWithItsStatus) {
  int status = RunTrapProgram("diskFull.trap");  // nothing installed
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << status;
  qwtest::WriteShellScript(dir_.Path() + "/memFull.trap", "exit 7");
  status = SendSnmpTrap("memFull");
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 7) << status;
  // A path that does not fit the trap path's buffer is not run at all.
  setenv("QX_SNMP_DIR", std::string(300, 'd').c_str(), 1);
  EXPECT_EQ(RunTrapProgram("login.trap"), -1);
}

TEST_F(TrapProgramTest, HangingProgramIsStoppedWithItsChildren) {
  // The program leaves a child of its own behind, and both hang.
  const std::string pidFile = dir_.Path() + "/grandchild";
  qwtest::WriteShellScript(dir_.Path() + "/login.trap", "sleep 600 & echo $! > " + pidFile + "\nexec sleep 600");
  const auto start = std::chrono::steady_clock::now();
  const int status = SendSnmpTrap("login");
  const auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL) << status;
  EXPECT_GE(waited, std::chrono::seconds(kTrapWaitSeconds));
  EXPECT_LT(waited, std::chrono::seconds(kTrapWaitSeconds + 30));
  const pid_t grandchild = std::atoi(qwtest::ReadWholeFile(pidFile).c_str());
  ASSERT_GT(grandchild, 1);
  // Killed; init reaps it.
  EXPECT_TRUE(qwtest::WaitUntil([&] {
    std::ifstream stat("/proc/" + std::to_string(grandchild) + "/stat");
    std::string text;
    std::getline(stat, text);
    return text.empty() || text.find(") Z") != std::string::npos;
  }, 10000));
}

// The channel's framing with the test as the agent.
class SnmpChannelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("QX_SERVICE_DIR", (dir_.Path() + "/services").c_str(), 1);
    ASSERT_EQ(QXServiceListen("*snmp", &listener_), 0);
  }
  void TearDown() override {
    CloseSnmpChannel(nullptr);
    if (agent_) QXServiceClose(agent_);
    QXServiceClose(listener_);
  }
  void Connect() {
    ASSERT_EQ(OpenSnmpChannel(nullptr), 1);
    ASSERT_EQ(OpenSnmpChannel(nullptr), 1);  // already open
    ASSERT_TRUE(qwtest::WaitUntil([&] { return QXServiceAccept(listener_, &agent_) == 0; }));
  }
  // The next message, or an empty one after the time-out.
  std::string Next(int timeoutMs = 5000) {
    pollfd p = {QXServiceSelectFD(agent_), POLLIN, 0};
    if (poll(&p, 1, timeoutMs) != 1) return "";
    char buffer[QXServiceMaxMessage];
    size_t n = 0;
    if (QXServiceReceive(agent_, buffer, sizeof buffer, &n) != 0) return "";
    return std::string(buffer, n);
  }
  static std::string Frame(uint32_t length, uint32_t code, const std::string& text) {
    std::string m;
    for (uint32_t v : {length, code})
      for (int shift = 24; shift >= 0; shift -= 8) m.push_back(static_cast<char>(v >> shift));
    return m + text;
  }
  qwtest::TempDir dir_;
  QXService* listener_ = nullptr;
  QXService* agent_ = nullptr;
};

TEST_F(SnmpChannelTest, NotificationsAreFramedAndDroppedWhileClosed) {
  EXPECT_EQ(SnmpNotify(nullptr, SnmpUserLoggedIn, "early", 5), 0);
  Connect();
  struct Case {
    uint32_t code;
    std::string text;
    std::string expected;
  } cases[] = {
      {SnmpUserLoggedIn, "alice", Frame(13, 0x2000003, "alice")},
      {SnmpLogoffRequested, "", Frame(8, 0x2000004, "")},
      {SnmpServerLoggedIn, "server.example", Frame(22, 0x200000B, "server.example")},
      // A text longer than the send buffer is cut to what it holds.
      {SnmpUserLoggedIn, std::string(5000, 'u'), Frame(1024, 0x2000003, std::string(1016, 'u'))},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SnmpNotify(nullptr, c.code, c.text.data(), c.text.size()), 1);
    EXPECT_EQ(Next(), c.expected);
  }
  SnmpProgramStartedNotify(0x01020304, "xterm -e top");
  EXPECT_EQ(Next(), Frame(25, 0x2000005, std::string("\x01\x02\x03\x04xterm -e top", 16) + '\0'));
  SnmpProgramEndedNotify(77);
  EXPECT_EQ(Next(), Frame(12, 0x2000006, std::string("\0\0\0\x4d", 4)));
  // Requests: a wrong length word or an unknown code gets no answer.
  for (const std::string& request :
       {Frame(9, 0x6000001, ""), Frame(7, 0x6000001, ""), Frame(8, 0x2000008, ""), std::string("\0\0\0\x08", 4)}) {
    SnmpHandleMessage(nullptr, reinterpret_cast<const unsigned char*>(request.data()), request.size());
  }
  const std::string ping = Frame(8, 0x6000001, "");
  SnmpHandleMessage(nullptr, reinterpret_cast<const unsigned char*>(ping.data()), ping.size());
  EXPECT_EQ(Next(), ping);
  EXPECT_EQ(SnmpGeometryText(1024, 768, 8, 4321), "x1024 y768 c8 p4321");
}

// Teldra under Xvfb with the test as its SNMP agent.
class SnmpAgentTest : public teldratest::TeldraFixture {
 protected:
  void SetUp() override {
    TeldraFixture::SetUp();
    setenv("QX_SERVICE_DIR", (home_.Path() + "/services").c_str(), 1);
    ASSERT_EQ(QXServiceListen("*snmp", &listener_), 0);
  }
  void TearDown() override {
    TeldraFixture::TearDown();
    if (agent_) QXServiceClose(agent_);
    QXServiceClose(listener_);
  }
  // The next message as code and text; code 0 after the time-out.
  std::pair<uint32_t, std::string> Next(int timeoutMs = 15000) {
    pollfd p = {QXServiceSelectFD(agent_), POLLIN, 0};
    if (poll(&p, 1, timeoutMs) != 1) return {0, ""};
    unsigned char buffer[QXServiceMaxMessage];
    size_t n = 0;
    if (QXServiceReceive(agent_, buffer, sizeof buffer, &n) != 0 || n < 8) return {0, ""};
    const uint32_t length = static_cast<uint32_t>(buffer[0] << 24 | buffer[1] << 16 | buffer[2] << 8 | buffer[3]);
    EXPECT_EQ(length, n);
    return {static_cast<uint32_t>(buffer[4] << 24 | buffer[5] << 16 | buffer[6] << 8 | buffer[7]),
            std::string(reinterpret_cast<char*>(buffer) + 8, n - 8)};
  }
  // Skips messages until one of `code` comes.
  std::string WaitFor(uint32_t code) {
    for (;;) {
      auto m = Next();
      if (m.first == 0) return "(none)";
      if (m.first == code) return m.second;
    }
  }
  void Send(uint32_t length, uint32_t code) {
    unsigned char m[8];
    for (int i = 0; i < 4; ++i) {
      m[i] = static_cast<unsigned char>(length >> (24 - 8 * i));
      m[4 + i] = static_cast<unsigned char>(code >> (24 - 8 * i));
    }
    ASSERT_EQ(QXServiceSend(agent_, m, sizeof m), 0);
  }
  QXService* listener_ = nullptr;
  QXService* agent_ = nullptr;
};

TEST_F(SnmpAgentTest, AgentLearnsTheSessionAndGetsTheScreenGeometry) {
  extraEnvironment_ = {"USER=tester", "QX_PCNFSD_SERVER=files.example", "QX_LOCK_PROGRAM=/bin/true"};
  StartTeldra();
  ASSERT_TRUE(qwtest::WaitUntil([&] { return QXServiceAccept(listener_, &agent_) == 0; }, 15000))
      << teldra_.Output();
  // In the order the session sends them.
  auto m = Next();
  EXPECT_EQ(m.first, SnmpUserLoggedIn);
  EXPECT_EQ(m.second, "tester");
  m = Next();
  EXPECT_EQ(m.first, SnmpServerLoggedIn);
  EXPECT_EQ(m.second, "files.example");
  m = Next();
  ASSERT_EQ(m.first, SnmpProgramStarted);
  ASSERT_GT(m.second.size(), 5u);
  const std::string desktopCommand = m.second.substr(4);
  EXPECT_EQ(desktopCommand.back(), '\0');
  EXPECT_NE(desktopCommand.find("xmessage -name desktop"), std::string::npos) << desktopCommand;

  // A request with a wrong length word is not answered: the first answer is
  // that of the request that follows it.
  Send(12, SnmpScreenGeometry);
  Send(8, SnmpScreenGeometry);
  m = Next();
  EXPECT_EQ(m.first, SnmpScreenGeometry);
  EXPECT_EQ(m.second, SnmpGeometryText(DisplayWidth(display_, 0), DisplayHeight(display_, 0),
                                       DefaultDepth(display_, 0), teldra_.Pid()));
  Send(8, SnmpAgentPing);
  m = Next();
  EXPECT_EQ(m.first, SnmpAgentPing);
  EXPECT_EQ(m.second, "");

  // A program that Teldra starts (the lock program), and its end.
  XEvent ev = {};
  ev.xclient.type = ClientMessage;
  ev.xclient.window = root_;
  ev.xclient.message_type = qwtest::InternAtom(display_, "_QX_LOCK_SCREEN");
  ev.xclient.format = 32;
  ev.xclient.data.l[0] = 1;
  XSendEvent(display_, root_, False, SubstructureRedirectMask | SubstructureNotifyMask, &ev);
  XFlush(display_);
  m = Next();
  ASSERT_EQ(m.first, SnmpProgramStarted) << teldra_.Output();
  ASSERT_EQ(m.second.size(), 4 + sizeof "/bin/true");
  EXPECT_EQ(m.second.substr(4), std::string("/bin/true", sizeof "/bin/true"));
  const std::string lockPid = m.second.substr(0, 4);
  m = Next();
  EXPECT_EQ(m.first, SnmpProgramEnded);
  EXPECT_EQ(m.second, lockPid);

  // Log-off: requested, then the session ends.
  ASSERT_TRUE(teldra_.Signal(SIGTERM));
  EXPECT_EQ(WaitFor(SnmpLogoffRequested), "");
  EXPECT_EQ(WaitFor(SnmpSessionEnded), "") << teldra_.Output();
  ASSERT_TRUE(teldra_.WaitExit(15000));
  EXPECT_EQ(teldra_.ExitCode(), 5);
}

// A fake agent that goes away leaves Teldra working.
TEST_F(SnmpAgentTest, AgentThatLeavesIsForgotten) {
  StartTeldra();
  ASSERT_TRUE(qwtest::WaitUntil([&] { return QXServiceAccept(listener_, &agent_) == 0; }, 15000));
  QXServiceClose(agent_);
  agent_ = nullptr;
  qwtest::ChildProcess* msg = Run({"xmessage", "-name", "after", "still here"});
  ASSERT_NE(WaitForFrame(WaitForClass("after")), None) << teldra_.Output();
  msg->Stop(2000);
  EXPECT_TRUE(teldra_.Running());
}

}  // namespace
