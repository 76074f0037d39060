#include <gtest/gtest.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <fstream>
#include <sstream>
#include <string>

#include "tests/support/ChildProcess.h"
#include "tests/support/TempDir.h"
#include "tests/support/WindowManager.h"
#include "tests/support/XKeys.h"
#include "tests/support/XTestServer.h"
#include "tests/support/XWindows.h"

namespace {

bool FileExists(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

class TeldraTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(server_.Start()) << server_.Error();
    display_ = server_.Connect();
    ASSERT_NE(display_, nullptr);
  }
  // Starts Teldra with a desktop command from the registry.
  void Start(qwtest::ChildProcess& p, const std::string& desktopCommand,
             std::vector<std::string> args = {}) {
    home_.WriteFile("registry/desktop/preferences", "desktop_command = " + desktopCommand + "\n");
    std::vector<std::string> argv = {TELDRA_BINARY, "-display", server_.DisplayName()};
    argv.insert(argv.end(), args.begin(), args.end());
    ASSERT_TRUE(p.Start(argv, qwtest::ChildProcess::BaseEnvironment(
                                  {"HOME=" + home_.Path(), "QX_REGISTRY_DIR=" + home_.Path() + "/registry",
                                   "QX_SERVICE_DIR=" + home_.Path() + "/services",
                                   "DISPLAY=" + server_.DisplayName()})))
        << p.Error();
  }
  bool WaitForFile(const std::string& path) {
    return qwtest::WaitUntil([&] { return FileExists(path); }, 15000);
  }
  qwtest::XTestServer server_;
  Display* display_ = nullptr;
  qwtest::TempDir home_;
};

TEST_F(TeldraTest, OwnsTheRootStartsTheDesktopCommandAndEndsTheSessionOnTerminate) {
  const std::string started = home_.Path() + "/started";
  qwtest::ChildProcess teldra;
  Start(teldra, "/bin/sh -c \"echo $TMPDIR $SESSIONID > " + started + "; exec xmessage -name desktop desktop\"");
  ASSERT_TRUE(WaitForFile(started)) << teldra.Output();
  EXPECT_TRUE(qwtest::WindowManagerRunning(display_)) << "the root's redirect is taken";
  // Hang-up, quit and broken pipes are ignored; faults keep their default
  // action (an ignored SIGSEGV would spin on the faulting instruction).
  const std::string status = ReadFile("/proc/" + std::to_string(teldra.Pid()) + "/status");
  const size_t at = status.find("SigIgn:\t");
  ASSERT_NE(at, std::string::npos);
  const unsigned long long ignored = std::stoull(status.substr(at + 8, 16), nullptr, 16);
  for (int sig : {SIGHUP, SIGQUIT, SIGPIPE}) EXPECT_TRUE(ignored & (1ull << (sig - 1))) << sig;
  for (int sig : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGTERM, SIGUSR1, SIGCHLD})
    EXPECT_FALSE(ignored & (1ull << (sig - 1))) << sig;
  // The shell makes the file before echo writes its line.
  std::string env;
  EXPECT_TRUE(qwtest::WaitUntil([&] { return !(env = ReadFile(started)).empty() && env.back() == '\n'; }, 15000));
  EXPECT_EQ(env.rfind(home_.Path() + "/registry/tmp 0.0.0.0.0.0-", 0), 0u) << env;
  // The root shows the default tile: two greys, pixel by pixel (read far
  // from the desktop command's window, which may be framed at 0, 0 by now;
  // 1000 + 760 is even in the tile's 28-pixel pattern).
  XImage* img = XGetImage(display_, DefaultRootWindow(display_), 1000, 760, 2, 1, AllPlanes, ZPixmap);
  ASSERT_NE(img, nullptr);
  EXPECT_EQ(XGetPixel(img, 0, 0), 0x999999u);
  EXPECT_EQ(XGetPixel(img, 1, 0), 0xa0a0a4u);
  XDestroyImage(img);
  // The first session makes the user's web folder and its registry entry.
  struct stat st;
  EXPECT_EQ(stat((home_.Path() + "/public_html").c_str(), &st), 0);
  EXPECT_TRUE(S_ISDIR(st.st_mode));
  EXPECT_EQ(stat((home_.Path() + "/registry/documents/public_html").c_str(), &st), 0) << "the link resolves";
  EXPECT_NE(ReadFile(home_.Path() + "/registry/documents/public_html.inf").find("name = My Web Site"),
            std::string::npos);

  EXPECT_TRUE(FileExists(home_.Path() + "/services/tempreg")) << "the session's tempreg service listens";

  // A hang-up is ignored; a terminate is noticed and logs off: status 5.
  ASSERT_TRUE(teldra.Signal(SIGHUP));
  ASSERT_TRUE(teldra.Signal(SIGTERM));
  ASSERT_TRUE(teldra.WaitExit(15000)) << teldra.Output();
  EXPECT_EQ(teldra.ExitCode(), 5) << teldra.Output();
  EXPECT_FALSE(qwtest::WindowManagerRunning(display_));
  EXPECT_FALSE(FileExists(home_.Path() + "/services/tempreg")) << "and stops with the session";
}

TEST_F(TeldraTest, LogOffEndsEveryXClient) {
  const std::string started = home_.Path() + "/started";
  qwtest::ChildProcess teldra;
  Start(teldra, "/bin/sh -c \"touch " + started + "; exec xmessage -name desktop desktop\"");
  ASSERT_TRUE(WaitForFile(started)) << teldra.Output();
  qwtest::ChildProcess other;
  ASSERT_TRUE(other.Start({"xmessage", "-name", "other", "other"},
                          qwtest::ChildProcess::BaseEnvironment({"DISPLAY=" + server_.DisplayName()})));
  ASSERT_NE(qwtest::WaitForWindowByClass(display_, "other"), None);
  ASSERT_NE(qwtest::WaitForWindowByClass(display_, "desktop"), None);
  ASSERT_TRUE(teldra.Signal(SIGTERM));
  ASSERT_TRUE(teldra.WaitExit(15000)) << teldra.Output();
  EXPECT_EQ(teldra.ExitCode(), 5) << teldra.Output();
  EXPECT_TRUE(other.WaitExit(10000)) << "the X client was killed";
  EXPECT_TRUE(qwtest::FindWindowsByClass(display_, "desktop").empty());
}

TEST_F(TeldraTest, FirstUserSignalAsksBeforeLoggingOff) {
  const std::string started = home_.Path() + "/started";
  qwtest::ChildProcess teldra;
  Start(teldra, "/bin/sh -c \"touch " + started + "; exec xmessage -name desktop desktop\"");
  ASSERT_TRUE(WaitForFile(started)) << teldra.Output();
  // "No" (Escape) leaves everything as it was.
  ASSERT_TRUE(teldra.Signal(SIGUSR1));
  ASSERT_NE(qwtest::WaitForWindowByName(display_, "QXW3507"), None) << teldra.Output();
  ASSERT_TRUE(qwtest::WaitUntil([&] { return qwtest::PressKey(display_, XK_Escape) &&
                                             qwtest::FindWindowsByName(display_, "QXW3507").empty(); },
                                10000, display_));
  EXPECT_TRUE(teldra.Running());
  // "Yes" (Return) logs off.
  ASSERT_TRUE(teldra.Signal(SIGUSR1));
  ASSERT_NE(qwtest::WaitForWindowByName(display_, "QXW3507"), None) << teldra.Output();
  ASSERT_TRUE(qwtest::WaitUntil([&] { return qwtest::PressKey(display_, XK_Return) && !teldra.Running(); },
                                10000, display_));
  ASSERT_TRUE(teldra.WaitExit(15000)) << teldra.Output();
  EXPECT_EQ(teldra.ExitCode(), 5);
}

TEST_F(TeldraTest, TheDisplayOptionReachesTheScreenAndTheSession) {
  const std::string started = home_.Path() + "/display";
  home_.WriteFile("registry/desktop/preferences",
                  "desktop_command = /bin/sh -c \"echo $DISPLAY > " + started + "; exec xmessage d\"\n");
  qwtest::ChildProcess teldra;
  ASSERT_TRUE(teldra.Start({TELDRA_BINARY, "-display", server_.DisplayName()},
                           qwtest::ChildProcess::BaseEnvironment(
                               {"HOME=" + home_.Path(), "QX_REGISTRY_DIR=" + home_.Path() + "/registry",
                                "QX_SERVICE_DIR=" + home_.Path() + "/services", "DISPLAY=:4711"})));
  ASSERT_TRUE(WaitForFile(started)) << teldra.Output();
  EXPECT_TRUE(qwtest::WindowManagerRunning(display_));
  EXPECT_TRUE(qwtest::WaitUntil([&] { return ReadFile(started) == server_.DisplayName() + "\n"; }, 5000))
      << ReadFile(started);
  teldra.Stop();
}

TEST_F(TeldraTest, EndOfTheDesktopCommandEndsTheSession) {
  qwtest::ChildProcess teldra;
  Start(teldra, "/bin/true");
  ASSERT_TRUE(teldra.WaitExit(15000)) << teldra.Output();
  EXPECT_EQ(teldra.ExitCode(), 5) << teldra.Output();
}

TEST_F(TeldraTest, RefusesToRunBesideAnotherWindowManager) {
  qwtest::ChildProcess first;
  const std::string started = home_.Path() + "/first";
  Start(first, "/bin/sh -c \"touch " + started + "; exec xmessage -name desktop desktop\"");
  ASSERT_TRUE(WaitForFile(started)) << first.Output();

  qwtest::ChildProcess second;
  Start(second, "/bin/true");
  ASSERT_TRUE(second.WaitExit(15000));
  EXPECT_EQ(second.ExitCode(), 1);
  EXPECT_NE(second.Stderr().find("teldra: Another window manager is already running\n"), std::string::npos)
      << second.Output();
  EXPECT_TRUE(first.Running()) << "the first one goes on";
  first.Stop();
}

TEST_F(TeldraTest, RefusesToRunBesideTwm) {
  qwtest::TestWindowManager twm;
  ASSERT_TRUE(twm.Start(display_, server_.DisplayName())) << twm.Error();
  qwtest::ChildProcess teldra;
  const std::string started = home_.Path() + "/never";
  Start(teldra, "/bin/sh -c \"touch " + started + "\"");
  ASSERT_TRUE(teldra.WaitExit(15000));
  EXPECT_EQ(teldra.ExitCode(), 1);
  EXPECT_NE(teldra.Stderr().find("Another window manager is already running"), std::string::npos);
  EXPECT_FALSE(FileExists(started)) << "no session without the root";
}

TEST_F(TeldraTest, BadCommandLinesPrintTheUsage) {
  const std::vector<std::vector<std::string>> bad = {
      {"-display"}, {"-display", "-login"}, {"-tvborder"}, {"-bogus"}};
  for (const auto& args : bad) {
    qwtest::ChildProcess p;
    std::vector<std::string> argv = {TELDRA_BINARY};
    argv.insert(argv.end(), args.begin(), args.end());
    ASSERT_TRUE(p.Start(argv, qwtest::ChildProcess::BaseEnvironment({"DISPLAY=" + server_.DisplayName()})));
    ASSERT_TRUE(p.WaitExit(15000));
    EXPECT_EQ(p.ExitCode(), 1) << args[0];
    EXPECT_EQ(p.Stderr(), "Usage: teldra -display displayname\n") << args[0];
  }
}

TEST_F(TeldraTest, ClientsMapThroughTheDesktopWindow) {
  const std::string started = home_.Path() + "/up";
  qwtest::ChildProcess teldra;
  Start(teldra, "/bin/sh -c \"touch " + started + "; exec xmessage -name desktop desktop\"");
  ASSERT_TRUE(WaitForFile(started)) << teldra.Output();
  Window w = XCreateSimpleWindow(display_, DefaultRootWindow(display_), 10, 10, 50, 40, 0, 0, 0);
  XSelectInput(display_, w, StructureNotifyMask);
  XMapWindow(display_, w);
  XFlush(display_);
  EXPECT_TRUE(qwtest::WaitUntil(
      [&] {
        XWindowAttributes a;
        return XGetWindowAttributes(display_, w, &a) && a.map_state == IsViewable;
      },
      10000, display_));
  XDestroyWindow(display_, w);
  XSync(display_, False);
  teldra.Stop();
}

}  // namespace
