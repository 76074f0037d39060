// The demo host of the README with two session windows: a second start of
// qw5250 hands its session to the first, both windows show the sign-on
// screen at once, and each signs on as its own user with keys typed into
// its window.
#include <gtest/gtest.h>  // before Xlib, whose None and Bool macros clash with it

#include <X11/keysym.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/support/EclClient.h"
#include "tests/support/FreePort.h"
#include "tests/support/Qw5250ProgramTest.h"
#include "tests/support/SessionWindows.h"
#include "tests/support/TestClock.h"
#include "tests/support/XKeys.h"
#include "tests/support/XWindows.h"

namespace qwtest {
namespace {

constexpr int kWaitMs = 30000;

class DemoHostProgramTest : public InLocale<Qw5250ProgramTest> {
 protected:
  void SetUp() override {
    InLocale<Qw5250ProgramTest>::SetUp();
    ASSERT_TRUE(host_.Start({QW_DEMOHOST_BINARY, "0"}, ChildProcess::BaseEnvironment())) << host_.Error();
    ASSERT_TRUE(host_.WaitForOutput("\n", kWaitMs)) << host_.Output();
    ASSERT_EQ(host_.Stdout().rfind("port ", 0), 0u) << host_.Output();
    hostPort_ = std::stoi(host_.Stdout().substr(5));
  }

  std::vector<std::string> sessionArgs() const {
    return {"-PORT", std::to_string(hostPort_), "-RETRY_COUNT", "0", "127.0.0.1"};
  }

  // The screens of every session of the master, as its programming
  // interface reads them.
  std::vector<std::string> Screens(EclClient& client) {
    std::vector<std::string> names, screens;
    if (!client.SessionNames(&names)) return screens;
    for (const std::string& name : names) {
      int32_t rc = 0;
      uint32_t handle = 0, number = 0;
      EclClient::Screen screen;
      if (client.FindSession(name, &rc, &handle, &number) && rc == 1 && client.ReadScreen(handle, &rc, &screen) &&
          rc == 1)
        screens.push_back(screen.text);
    }
    return screens;
  }

  ChildProcess host_;
  int hostPort_ = 0;
};

TEST_P(DemoHostProgramTest, HandedOffSecondWindowSignsOnBesideTheFirst) {
  ASSERT_TRUE(HasXTest(display_));
  const int eclPort = FreeLoopbackPort();
  ASSERT_NE(eclPort, 0);
  std::vector<std::string> first = sessionArgs();
  first.insert(first.begin(), "-ECL");
  startQw(first, {"QW_ECL_PORT=" + std::to_string(eclPort)});
  ASSERT_EQ(WaitForSessionWindows(display_, 1, kWaitMs).size(), 1u) << qw_->Output();

  std::vector<std::string> argv = {Qw5250Binary()};
  for (const std::string& a : sessionArgs()) argv.push_back(a);
  ChildProcess second;
  ASSERT_TRUE(second.Start(argv, ChildProcess::BaseEnvironment({"DISPLAY=" + server_.DisplayName(),
                                                                 "HOME=" + home_.Path(), "LANG=" + lang_})))
      << second.Error();
  ASSERT_TRUE(second.WaitExit(kWaitMs)) << second.Output();
  EXPECT_EQ(second.ExitCode(), 0) << "the second start hands its session over and ends: " << second.Output();
  const std::vector<Window> windows = WaitForSessionWindows(display_, 2, kWaitMs);
  ASSERT_EQ(windows.size(), 2u) << qw_->Output();

  // Both sessions show the sign-on screen at once.
  EclClient client;
  uint32_t handshake = 0;
  Deadline connectBy(kWaitMs);
  while (!client.Connect(eclPort, &handshake) && !connectBy.Expired()) {
  }
  ASSERT_EQ(handshake, 1u) << qw_->Output();
  std::vector<std::string> screens;
  ASSERT_TRUE(WaitUntil(
      [&] {
        screens = Screens(client);
        return screens.size() == 2 && screens[0].find("Sign On") != std::string::npos &&
               screens[1].find("Sign On") != std::string::npos;
      },
      kWaitMs, display_))
      << host_.Output() << qw_->Output();

  // Each window signs on as its own user, typed into it.
  const char* users[] = {"ALPHA", "BRAVO"};
  for (size_t i = 0; i < windows.size(); ++i) {
    SCOPED_TRACE(users[i]);
    const Window drawing = DrawingWindow(display_, windows[i]);
    ASSERT_NE(drawing, static_cast<Window>(None));
    XSetInputFocus(display_, drawing, RevertToParent, CurrentTime);
    XSync(display_, False);
    ASSERT_TRUE(TypeText(display_, users[i]));
    ASSERT_TRUE(PressKey(display_, XK_Return));
    XSync(display_, False);
    ASSERT_TRUE(host_.WaitForOutput(std::string("main menu for ") + users[i], kWaitMs))
        << host_.Output() << qw_->Output();
  }
  ASSERT_TRUE(WaitUntil(
      [&] {
        screens = Screens(client);
        int greeted = 0;
        for (const std::string& s : screens)
          greeted += s.find("Hello, ALPHA") != std::string::npos || s.find("Hello, BRAVO") != std::string::npos;
        return greeted == 2;
      },
      kWaitMs, display_))
      << host_.Output();
  EXPECT_TRUE(qw_->Running());
  EXPECT_TRUE(host_.Running());
}

INSTANTIATE_TEST_SUITE_P(Locales, DemoHostProgramTest, TestLocales(), TestLocaleName);

}  // namespace
}  // namespace qwtest
