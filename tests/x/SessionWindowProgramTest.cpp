// qw5250 as a program: the session window of each keyboard family carries
// the program's class, its drawing widget takes keys through the family's
// default translations without any toolkit warning, and closing the last
// session window through the window manager ends the master.
#include <gtest/gtest.h>  // before Xlib, whose None and Bool macros clash with it

#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <string>
#include <vector>

#include "tests/support/Qw5250ProgramTest.h"
#include "tests/support/SessionWindows.h"
#include "tests/support/TestHost5250.h"
#include "tests/support/XKeys.h"
#include "tests/support/XWindows.h"

namespace qwtest {
namespace {

constexpr int kWaitMs = 20000;

// In the C locale and in a UTF-8 locale.
class SessionWindowProgramTest : public InLocale<Qw5250ProgramTest> {
 protected:
  ChildProcess& startQw(int keyboardId, const std::vector<std::string>& args) {
    registry_.WriteFile("boot/unique", "keyboard-id = " + std::to_string(keyboardId) + "\n");
    return Qw5250ProgramTest::startQw(args, {"QX_REGISTRY_DIR=" + registry_.Path()});
  }

  // The session window: the window of class QW5250 whose instance name is "QW5250".
  Window SessionWindow() { return WaitForSessionWindow(display_, kWaitMs); }
  Window DrawingWindow(Window shell) { return qwtest::DrawingWindow(display_, shell); }

  TempDir registry_;
};

TEST_P(SessionWindowProgramTest, EveryKeyboardFamilyTakesKeysWithoutToolkitWarnings) {
  struct Family {
    const char* what;
    int keyboardId;
  } families[] = {
      {"PC keyboard, keypad slash and asterisk", 0},
      {"PC keyboard, keypad division and multiplication signs", 4},
      {"PC keyboard without keypad lines", 11},
      {"5250 keyboard", 122},
  };
  ASSERT_TRUE(HasXTest(display_));
  for (const Family& f : families) {
    SCOPED_TRACE(f.what);
    TestHost5250 host;
    ASSERT_TRUE(host.Start());
    startQw(f.keyboardId, {"-debug", "-PORT", std::to_string(host.Port()), "-RETRY_COUNT", "0", "127.0.0.1"});
    ASSERT_TRUE(host.WaitNegotiated(kWaitMs)) << qw_->Output();
    ASSERT_TRUE(qw_->WaitForOutput("WhichKeyboard rc = " + std::to_string(f.keyboardId), kWaitMs)) << qw_->Output();
    const Window shell = SessionWindow();
    ASSERT_NE(shell, static_cast<Window>(None)) << qw_->Output();
    const Window drawing = DrawingWindow(shell);
    ASSERT_NE(drawing, static_cast<Window>(None));
    XSetInputFocus(display_, drawing, RevertToParent, CurrentTime);
    XSync(display_, False);
    ASSERT_TRUE(PressKey(display_, XK_Return));
    XSync(display_, False);
    EXPECT_TRUE(qw_->WaitForOutput("Key input 49 ", kWaitMs)) << qw_->Output();
    EXPECT_EQ(qw_->Output().find("Xt Warning"), std::string::npos) << qw_->Output();
    qw_->Stop();
  }
}

TEST_P(SessionWindowProgramTest, ClosingTheLastSessionWindowEndsTheMaster) {
  TestHost5250 host;
  ASSERT_TRUE(host.Start());
  startQw(0, {"-PORT", std::to_string(host.Port()), "127.0.0.1"});
  ASSERT_TRUE(host.WaitNegotiated(kWaitMs)) << qw_->Output();
  const Window shell = SessionWindow();
  ASSERT_NE(shell, static_cast<Window>(None)) << qw_->Output();
  SendDeleteWindow(display_, shell);
  ASSERT_TRUE(qw_->WaitExit(kWaitMs)) << qw_->Output();
  EXPECT_TRUE(qw_->ExitedNormally()) << qw_->Output();
  EXPECT_EQ(qw_->ExitCode(), 0) << qw_->Output();
  EXPECT_TRUE(host.WaitClientClosed(kWaitMs));
}

INSTANTIATE_TEST_SUITE_P(Locales, SessionWindowProgramTest, TestLocales(), TestLocaleName);

}  // namespace
}  // namespace qwtest
