// The memory and disk monitors, in-process with injected figures and
// program-level: Teldra under Xvfb with a memory figures file, a home
// directory on a file system of a server's kind, and its trap programs
// sending real SNMP traps to net-snmp's snmptrapd.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "platform/SystemFigures.h"
#include "tests/support/FreePort.h"
#include "tests/support/TextFiles.h"
#include "tests/wm/TeldraFixture.h"
#include "wm/session/Launcher.h"
#include "wm/session/Monitors.h"
#include "wm/session/ScreenState.h"

namespace {

TEST(SystemFiguresTest, MeminfoAndFileSystemNames) {
  MemoryFigures f;
  ParseMeminfo("MemTotal:       16000000 kB\nMemFree:          300000 kB\nMemAvailable:    900000 kB\n", &f);
  EXPECT_EQ(f.reportedKB, 16000000);
  EXPECT_EQ(f.freeKB, 900000);
  MemoryFigures older;
  ParseMeminfo("MemTotal: 1000 kB\nMemFree: 200 kB\n", &older);  // no MemAvailable
  EXPECT_EQ(older.freeKB, 200);
  MemoryFigures bad;
  ParseMeminfo("MemTotalX: 5 kB\nMemFree: -3 kB\nMemAvailable: lots\n", &bad);
  EXPECT_EQ(bad.reportedKB, -1);
  EXPECT_EQ(bad.freeKB, -1);
  EXPECT_GT(ReadMemoryFigures().physicalKB, 0);

  struct {
    long type;
    const char* name;
    bool local;
  } cases[] = {{0xEF53, "ext4", true},     {0x6969, "nfs", false},       {0xFF534D42, "cifs", false},
               {0x01021994, "tmpfs", false}, {0x58465342, "xfs", true}, {0x12345, "unknown", false}};
  for (const auto& c : cases) {
    EXPECT_STREQ(FileSystemTypeName(c.type), c.name);
    EXPECT_EQ(LocalDiskFileSystem(c.name), c.local) << c.name;
  }
  EXPECT_TRUE(LocalDiskFileSystem("ffs"));
  EXPECT_TRUE(LocalDiskFileSystem("ifs"));
}

TEST(DiskMonitorTest, ShortSpaceWarnsOnlyOnServersAndWhenSwitchedOn) {
  const double MB = 1048576.0;
  struct {
    const char* fs;
    double available;
    long minimum;
    int warns;
  } cases[] = {{"nfs", 9 * MB, 10, 1},    {"nfs", 10 * MB, 10, 0},  {"nfs", 9 * MB, 0, 0},
               {"nfs", 0, -5, 0},         {"ffs", 0, 10, 0},        {"ifs", 1, 10, 0},
               {"ext4", 1, 10, 0},        {"cifs", 99 * MB, 100, 1}, {"tmpfs", 1e15, 1000000000, 1}};
  for (const auto& c : cases)
    EXPECT_EQ(DiskSpaceShort(c.fs, c.available, c.minimum), c.warns) << c.fs << " " << c.available << " " << c.minimum;
}

struct Broadcast {
  int code;
  std::string data;
};
std::vector<Broadcast> broadcasts;
void RecordBroadcast(ScreenState*, int code, const void* data, size_t length) {
  broadcasts.push_back({code, std::string(static_cast<const char*>(data), length)});
}

std::string Pair(long a, long b) {
  std::string out;
  for (long v : {a, b})
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<char>(static_cast<unsigned long>(v) >> shift));
  return out;
}

class MemoryMonitorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("QX_SNMP_DIR", dir_.Path().c_str(), 1);
    qwtest::WriteShellScript(dir_.Path() + "/memFull.trap", "echo memFull >> " + dir_.Path() + "/log");
    std::memset(&state_, 0, sizeof state_);
    state_.programName = "teldra";
    state_.serviceClientCount = 1;
    ResetMemoryMonitor(&state_);
    broadcasts.clear();
    SetMemoryBroadcast(RecordBroadcast);
  }
  void TearDown() override {
    SetMemoryBroadcast(nullptr);
    ResetLauncher();
    unsetenv("QX_SNMP_DIR");
  }
  // One tick; the warnings it logged.
  int Tick(long freeKB, long now, long reported = 500000, long physical = 512000) {
    MemoryFigures f;
    f.freeKB = freeKB;
    f.reportedKB = reported;
    f.physicalKB = physical;
    testing::internal::CaptureStderr();
    MemoryMonitorTick(&state_, f, now);
    const std::string err = testing::internal::GetCapturedStderr();
    int warnings = 0;
    for (size_t at = 0; (at = err.find("QXW3510: The system is low on memory.", at)) != std::string::npos; ++at)
      ++warnings;
    return warnings;
  }
  int Traps() {
    const std::string log = qwtest::ReadWholeFile(dir_.Path() + "/log");
    int n = 0;
    for (size_t at = 0; (at = log.find("memFull", at)) != std::string::npos; ++at) ++n;
    return n;
  }
  qwtest::TempDir dir_;
  ScreenState state_;
};

TEST_F(MemoryMonitorTest, WarnsOnceUntilMemoryComesBack) {
  // free KB per tick, and whether that tick warns.
  const struct {
    long freeKB;
    int warns;
  } ticks[] = {{100000, 0}, {3000, 1}, {3000, 0}, {6144, 0}, {3500, 0}, {6145, 0}, {4095, 1}, {4096, 0}, {20000, 0}, {2000, 1}};
  long now = 1000;
  for (const auto& t : ticks) EXPECT_EQ(Tick(t.freeKB, now += 10), t.warns) << t.freeKB;
  EXPECT_EQ(Traps(), 0);
}

TEST_F(MemoryMonitorTest, NearlyGoneRunsTheTrapAtMostEveryFiveSecondsAndKillsTheLowestPriority) {
  // Two children that may be killed and the desktop command, which may not.
  pid_t children[3];
  for (pid_t& c : children) {
    c = fork();
    if (c == 0) {
      pause();
      _exit(0);
    }
  }
  AddLaunchRecord(children[0], "desktop", nullptr)->desktopCommand = 1;
  AddLaunchRecord(children[1], "important", nullptr)->priority = 1;
  AddLaunchRecord(children[2], "expendable", nullptr)->priority = 5;

  Tick(900, 100);
  EXPECT_EQ(Traps(), 1);
  EXPECT_EQ(state_.lowMemoryCountdown, 20);
  int status = 0;
  ASSERT_EQ(waitpid(children[2], &status, 0), children[2]);
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
  RemoveLaunchRecord(children[2]);
  // Within 4 seconds nothing more happens; then the next one goes.
  state_.lowMemoryCountdown = 0;
  Tick(900, 102);
  Tick(900, 104);
  EXPECT_EQ(Traps(), 1);
  EXPECT_EQ(state_.lowMemoryCountdown, 0);
  EXPECT_EQ(waitpid(children[1], &status, WNOHANG), 0);
  Tick(900, 105);
  EXPECT_EQ(Traps(), 2);
  ASSERT_EQ(waitpid(children[1], &status, 0), children[1]);
  RemoveLaunchRecord(children[1]);
  // Only the desktop command is left: the trap runs, nothing is killed.
  state_.lowMemoryCountdown = 0;
  Tick(100, 200);
  EXPECT_EQ(Traps(), 3);
  EXPECT_EQ(state_.lowMemoryCountdown, 0);
  EXPECT_EQ(waitpid(children[0], &status, WNOHANG), 0);
  kill(children[0], SIGKILL);
  waitpid(children[0], &status, 0);
}

TEST_F(MemoryMonitorTest, FiguresGoToServiceClientsWhenTheyChange) {
  Tick(100000, 1, 500000, 512000);
  ASSERT_EQ(broadcasts.size(), 2u);
  EXPECT_EQ(broadcasts[0].code, 5);
  EXPECT_EQ(broadcasts[0].data, Pair(500000, 512000));
  EXPECT_EQ(broadcasts[1].code, 8);
  EXPECT_EQ(broadcasts[1].data, Pair(100000, 512000));
  Tick(100000, 2, 500000, 512000);  // unchanged
  EXPECT_EQ(broadcasts.size(), 2u);
  Tick(99000, 3, 500000, 512000);
  ASSERT_EQ(broadcasts.size(), 4u);
  EXPECT_EQ(broadcasts[3].data, Pair(99000, 512000));
  // Without clients, or without the figures, nothing is sent.
  state_.serviceClientCount = 0;
  Tick(50000, 4);
  state_.serviceClientCount = 1;
  Tick(40000, 5, -1, 512000);
  Tick(40000, 6, 500000, -1);
  EXPECT_EQ(broadcasts.size(), 4u);
}

TEST_F(MemoryMonitorTest, UnknownFreeMemoryNeitherWarnsNorActs) {
  EXPECT_EQ(Tick(-1, 100, -1, -1), 0);
  EXPECT_EQ(Tick(-1, 200), 0);
  EXPECT_EQ(Traps(), 0);
  EXPECT_EQ(state_.lowMemoryCountdown, 0);
}

// Teldra with its trap programs sending to snmptrapd, memory figures from a
// file and the home directory on a file system that is not a local disk.
class DesktopTrapsTest : public teldratest::TeldraFixture {
 protected:
  void SetUp() override {
    TeldraFixture::SetUp();
    char tmpl[] = "/dev/shm/teldra-home-XXXXXX";
    struct statfs fs;
    if (statfs("/dev/shm", &fs) != 0 || LocalDiskFileSystem(FileSystemTypeName(static_cast<long>(fs.f_type))) ||
        !mkdtemp(tmpl))
      GTEST_SKIP() << "no file system of a server's kind for the home directory";
    serverHome_ = tmpl;
  }
  void TearDown() override {
    TeldraFixture::TearDown();
    if (trapd_.Running()) trapd_.Stop(2000);
    if (!serverHome_.empty()) Tool({"rm", "-rf", serverHome_});
  }
  // snmptrapd on a free loopback port; the trap programs send it their kind.
  void StartTrapReceiver() {
    const std::string dir = home_.Path() + "/snmp";
    const std::string state = home_.Path() + "/snmp-state";
    mkdir(dir.c_str(), 0700);
    home_.WriteFile("trapd.conf", "disableAuthorization yes\n");
    for (int attempt = 0; attempt < 5; ++attempt) {
      port_ = qwtest::FreeLoopbackPort(SOCK_DGRAM);
      ASSERT_GT(port_, 0);
      ASSERT_TRUE(trapd_.Start({"snmptrapd", "-f", "-Lo", "-C", "-c", home_.Path() + "/trapd.conf", "-On", "-M",
                                "/dev/null", "-m", "", "udp:127.0.0.1:" + std::to_string(port_)},
                               qwtest::ChildProcess::BaseEnvironment({"SNMP_PERSISTENT_DIR=" + state})))
          << trapd_.Error();
      if (trapd_.WaitForOutput("NET-SNMP version", 10000) && trapd_.Running()) break;
      trapd_.Stop(1000);
    }
    ASSERT_TRUE(trapd_.Running()) << trapd_.Output();
    for (const char* kind : {"login", "logoff", "memFull", "diskFull"})
      qwtest::WriteShellScript(dir + "/" + kind + ".trap",
                  "SNMP_PERSISTENT_DIR=" + state + " exec snmptrap -v 2c -c public -M /dev/null -m '' udp:127.0.0.1:" +
                      std::to_string(port_) + " '' 1.3.6.1.4.1.8072.2.3.0.1 1.3.6.1.4.1.8072.2.3.2.1 s " + kind);
  }
  bool TrapReceived(const std::string& kind) {
    return trapd_.WaitForOutput("STRING: \"" + kind + "\"", 20000);
  }
  void StartTeldraHere() {
    home_.WriteFile("registry/desktop/preferences",
                    "desktop_command = /bin/sh -c \"exec xmessage -name desktop -geometry +0+0 desktop\"\n");
    std::vector<std::string> env = Environment();
    for (std::string& e : env)
      if (e.rfind("HOME=", 0) == 0) e = "HOME=" + serverHome_;
    ASSERT_TRUE(teldra_.Start({TELDRA_BINARY, "-display", server_.DisplayName()}, env)) << teldra_.Error();
    ASSERT_TRUE(qwtest::WaitUntil([&] { return qwtest::WindowManagerRunning(display_); }, 15000))
        << teldra_.Output();
  }
  void SetFreeMemory(long kb) {
    const std::string path = home_.Path() + "/meminfo";
    home_.WriteFile("meminfo.new", "MemTotal: 2000000 kB\nMemFree: " + std::to_string(kb) +
                                       " kB\nMemAvailable: " + std::to_string(kb) + " kB\n");
    ASSERT_EQ(std::rename((home_.Path() + "/meminfo.new").c_str(), path.c_str()), 0);
  }
  bool ProcessGone(pid_t pid) { return kill(pid, 0) != 0 && errno == ESRCH; }

  std::string serverHome_;
  qwtest::ChildProcess trapd_;
  int port_ = -1;
};

TEST_F(DesktopTrapsTest, LogInMemoryFullDiskFullAndLogOffEachSendTheirTrap) {
  StartTrapReceiver();
  SetFreeMemory(1500000);
  // A test child that Teldra starts (as the lock program) at priority 0.
  const std::string pidFile = home_.Path() + "/child.pid";
  qwtest::WriteShellScript(home_.Path() + "/child.sh", "echo $$ > " + pidFile + "\nexec sleep 600");
  // Any free space is too little.
  home_.WriteFile("registry/desktop/disk", "minimum_space = 1000000000\n");
  extraEnvironment_ = {"QX_SNMP_DIR=" + home_.Path() + "/snmp", "QX_MEMINFO=" + home_.Path() + "/meminfo",
                       "QX_LOCK_PROGRAM=" + home_.Path() + "/child.sh"};
  StartTeldraHere();
  EXPECT_TRUE(TrapReceived("login")) << trapd_.Output() << teldra_.Output();

  XEvent ev = {};
  ev.xclient.type = ClientMessage;
  ev.xclient.window = root_;
  ev.xclient.message_type = qwtest::InternAtom(display_, "_QX_LOCK_SCREEN");
  ev.xclient.format = 32;
  ev.xclient.data.l[0] = 1;
  XSendEvent(display_, root_, False, SubstructureRedirectMask | SubstructureNotifyMask, &ev);
  XFlush(display_);
  pid_t child = 0;
  ASSERT_TRUE(qwtest::WaitUntil([&] { return (child = std::atoi(qwtest::ReadWholeFile(pidFile).c_str())) > 1; }, 15000))
      << teldra_.Output();

  // Low: a warning. Nearly gone: the trap, the child killed, the notice.
  SetFreeMemory(3000);
  EXPECT_NE(qwtest::WaitForWindowByName(display_, "QXW3510", 15000), None) << teldra_.Output();
  EXPECT_FALSE(ProcessGone(child));
  SetFreeMemory(500);
  EXPECT_TRUE(TrapReceived("memFull")) << trapd_.Output() << teldra_.Output();
  EXPECT_TRUE(qwtest::WaitUntil([&] { return ProcessGone(child); }, 15000));
  EXPECT_TRUE(teldra_.WaitForOutput("A process was terminated because of low memory.", 20000));
  SetFreeMemory(1500000);

  // The first disk check comes 10 s after the session start.
  EXPECT_NE(qwtest::WaitForWindowByName(display_, "QXW3503", 30000), None) << teldra_.Output();
  EXPECT_TRUE(teldra_.WaitForOutput("There is less than 1000000000 Mb of disk space left on your home server", 5000));
  EXPECT_TRUE(TrapReceived("diskFull")) << trapd_.Output();

  ASSERT_TRUE(teldra_.Signal(SIGTERM));
  ASSERT_TRUE(teldra_.WaitExit(20000));
  EXPECT_EQ(teldra_.ExitCode(), 5);
  EXPECT_TRUE(TrapReceived("logoff")) << trapd_.Output();
}

// A trap program that hangs holds the log-off up only for a bounded time.
TEST_F(DesktopTrapsTest, HangingTrapProgramDoesNotHoldTheSession) {
  const std::string dir = home_.Path() + "/snmp";
  mkdir(dir.c_str(), 0700);
  qwtest::WriteShellScript(dir + "/login.trap", "exec sleep 600");
  qwtest::WriteShellScript(dir + "/logoff.trap", "exec sleep 600");
  extraEnvironment_ = {"QX_SNMP_DIR=" + dir};
  StartTeldraHere();
  ASSERT_NE(WaitForFrame(WaitForClass("desktop")), None) << teldra_.Output();
  ASSERT_TRUE(teldra_.Signal(SIGTERM));
  ASSERT_TRUE(teldra_.WaitExit(30000)) << teldra_.Output();
  EXPECT_EQ(teldra_.ExitCode(), 5);
  EXPECT_NE(teldra_.Output().find("logoff.trap did not end"), std::string::npos) << teldra_.Output();
}

}  // namespace
