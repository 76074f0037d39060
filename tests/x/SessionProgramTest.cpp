// qw5250 as a program with a session to the loopback TN5250 host: the
// connection and its negotiation, the session id, and the end of the
// connection with the retry dialog whose Cancel ends the session and so the
// master.
#include <gtest/gtest.h>  // before Xlib, whose None and Bool macros clash with it

#include "tests/support/Qw5250ProgramTest.h"
#include "tests/support/TestHost5250.h"
#include "tests/support/XWindows.h"

#include <string>
#include <vector>

namespace qwtest {
namespace {

constexpr int kWaitMs = 20000;

// In the C locale and in a UTF-8 locale.
using SessionProgramTest = InLocale<Qw5250ProgramTest>;

TEST_P(SessionProgramTest, SessionConnectsAndEndsWithTheRetryDialog) {
  TestHost5250 host;
  ASSERT_TRUE(host.Start());
  startQw({"-debug", "-PORT", std::to_string(host.Port()), "-SESSION_ID", "PAY", "-RETRY_COUNT", "0", "127.0.0.1"});
  ASSERT_TRUE(host.WaitNegotiated(kWaitMs)) << qw_->Output();
  ASSERT_TRUE(qw_->WaitForOutput("session PAY on host 127.0.0.1 in slot 0, instance 1.", kWaitMs)) << qw_->Output();
  EXPECT_EQ(host.TerminalType(), "IBM-3487-HC");
  // The session window carries the program's class.
  EXPECT_NE(WaitForWindowByClass(display_, "QW5250", kWaitMs), static_cast<Window>(None)) << qw_->Output();

  host.Disconnect();
  ASSERT_TRUE(qw_->WaitForOutput("errorMsgDialog ErrorMsgNoHostData2 opened", kWaitMs)) << qw_->Output();
  Window dialog = WaitForWindowByName(display_, "5250 Error", kWaitMs);
  ASSERT_NE(dialog, static_cast<Window>(None)) << qw_->Output();
  EXPECT_TRUE(qw_->Running());

  // The window manager's close is the dialog's Cancel: the session ends, and
  // with no session and no dialog left the master exits.
  ASSERT_TRUE(WaitUntil(
      [&] {
        XWindowAttributes attrs;
        return XGetWindowAttributes(display_, dialog, &attrs) && attrs.map_state == IsViewable;
      },
      kWaitMs, display_));
  SendDeleteWindow(display_, dialog);
  ASSERT_TRUE(qw_->WaitExit(kWaitMs)) << qw_->Output();
  EXPECT_TRUE(qw_->ExitedNormally()) << qw_->Output();
  EXPECT_EQ(qw_->ExitCode(), 0) << qw_->Output();
}

TEST_P(SessionProgramTest, RefusedConnectionWithoutRetriesShowsTheDialogAtOnce) {
  // Nothing listens on the port of a host that was stopped.
  int port = 0;
  {
    TestHost5250 gone;
    ASSERT_TRUE(gone.Start());
    port = gone.Port();
  }
  startQw({"-debug", "-PORT", std::to_string(port), "-RETRY_COUNT", "0", "127.0.0.1"});
  ASSERT_TRUE(qw_->WaitForOutput("errorMsgDialog ErrorMsgUnableToConnect opened", kWaitMs)) << qw_->Output();
  EXPECT_TRUE(qw_->Running());
  qw_->Stop();
}

INSTANTIATE_TEST_SUITE_P(Locales, SessionProgramTest, TestLocales(), TestLocaleName);

}  // namespace
}  // namespace qwtest
