// qw5250 as a program with a session to the loopback TN5250 host: the
// connection and its negotiation, the session id, the end of the connection
// with the retry dialog whose Cancel ends the session and so the master, and
// what the connection's dialogs say (the program logs the text its dialog
// widget holds).
#include <gtest/gtest.h>  // before Xlib, whose None and Bool macros clash with it

#include "tests/support/Qw5250ProgramTest.h"
#include "tests/support/TestCertificates.h"
#include "tests/support/TestHost5250.h"
#include "tests/support/TlsHostTransport.h"
#include "tests/support/TlsTestServer.h"
#include "tests/support/XWindows.h"

#include <memory>
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
  ASSERT_TRUE(qw_->WaitForOutput("errorMsgDialog ErrorMsgNoHostData2 opened in slot 0, saying "
                                 "\"Lost connection to host.\\nRetry starting the emulator session?\".",
                                 kWaitMs))
      << qw_->Output();
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
  // Without retries the first failure opens the retry dialog, with the
  // failure's own text.
  ASSERT_TRUE(qw_->WaitForOutput("errorMsgDialog ErrorMsgUnableToConnect opened in slot 0, saying "
                                 "\"Unable to initiate connection.\".",
                                 kWaitMs))
      << qw_->Output();
  EXPECT_TRUE(qw_->Running());
  qw_->Stop();
}

TEST_P(SessionProgramTest, UntrustedSecureHostShowsTheSslDialog) {
  TempDir keys;
  TestCa ca;
  std::string keyRing = keys.WriteFile("host.kyr", ca.CertPem());
  keyRing.resize(keyRing.size() - 4);  // the setting names the files without ".kyr"
  TestHost5250::Options opts;
  opts.transport = TlsHostTransportFactory(ServerWith(SelfSigned(CertSpec{})));
  TestHost5250 host(opts);
  ASSERT_TRUE(host.Start());
  startQw({"-debug", "-PORT", std::to_string(host.Port()), "-SSL", keyRing, "-RETRY_COUNT", "0", "127.0.0.1"});
  ASSERT_TRUE(qw_->WaitForOutput("errorMsgDialog ErrorMsgSSLNegotiate opened in slot 0, saying "
                                 "\"SSL negotiations failed.\".",
                                 kWaitMs))
      << qw_->Output();
  EXPECT_NE(WaitForWindowByName(display_, "5250 Error", kWaitMs), static_cast<Window>(None)) << qw_->Output();
  EXPECT_EQ(host.Connections(), 0);
  qw_->Stop();
}

INSTANTIATE_TEST_SUITE_P(Locales, SessionProgramTest, TestLocales(), TestLocaleName);

}  // namespace
}  // namespace qwtest
