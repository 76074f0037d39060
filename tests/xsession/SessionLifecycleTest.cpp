// Sessions of the master process under a private X server against the
// loopback TN5250 host: creation and the connection completed from the
// timer, session ids and instance numbers, MAX_SESSIONS, the end of the
// connection with its retry dialog, and the secure connection.
#include <gtest/gtest.h>  // before Xlib, whose None and Bool macros clash with it

#include "datastream/TelnetLAN.h"
#include "session/AppInit.h"
#include "session/AppResources.h"
#include "session/ErrorDialogs.h"
#include "session/SessionControlBlock.h"
#include "session/SessionTable.h"
#include "session/StartOptions.h"
#include "base/LogMsg.h"
#include "tests/support/LogCapture.h"
#include "tests/support/SessionToolkit.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestCertificates.h"
#include "tests/support/TestHost5250.h"
#include "tests/support/TlsHostTransport.h"

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

namespace {

using namespace qwtest::session_toolkit;

class SessionLifecycleTest : public ::testing::Test {
 protected:
  // One server and one toolkit for the whole program: the application
  // context of the process is made once.
  static void SetUpTestSuite() {
    if (started_) return;  // the derived suite shares the server and toolkit
    started_ = true;
    // Another suite of this program may have made them already.
    if (!ApplicationContext()) {
      std::string error;
      ASSERT_TRUE(qwtest::session_toolkit::StartToolkit(0, &error)) << error;
      SetDebugFlag(true);
    }
    // A dialog that stays open keeps the master alive when a test ends its
    // last session.
    ASSERT_GE(TheErrorDialogs().createWarningDialog(TopLevelWidget(), "ErrorMsgUnknownHost", nullptr, nullptr), 0);
  }

  void SetUp() override {
    ASSERT_NE(ApplicationContext(), nullptr);
    saved_ = AppResources();
    AppResources().MAX_SESSIONS = 99;
  }
  void TearDown() override {
    EndSessions(1);
    Pump(50);
    AppResources() = saved_;
  }

  static SessionStartOptions Options(int port, const std::string& id = "") {
    SessionStartOptions o;
    o.hostName = "127.0.0.1";
    o.port = port;
    o.sessionId = id;
    return o;
  }
  // The slot of the session created last (the lowest slot whose session id is `id`).
  static int SlotOf(const std::string& id) {
    for (int i = 0; i < kMaxSessionSlots; ++i) {
      const SessionTableEntry* e = SessionEntry(i);
      if (e->session && id == e->session->sessionId) return i;
    }
    return -1;
  }
  static bool Connected(int slot) { return slot >= 0 && SessionEntry(slot)->connected == 1; }
  static bool Free(int slot) { return SessionEntry(slot)->shell == nullptr && SessionEntry(slot)->session == nullptr; }

  // A port on which nothing listens.
  static int ClosedPort() {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a = {};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t len = sizeof a;
    getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    close(fd);
    return ntohs(a.sin_port);
  }

  static bool started_;
  AppResourceStruct saved_{};
};

bool SessionLifecycleTest::started_ = false;

TEST_F(SessionLifecycleTest, ConnectionIsCompletedFromTheTimerAndNegotiated) {
  qwtest::TestHost5250 host;
  ASSERT_TRUE(host.Start());
  createSessionUnderThisProcess(Options(host.Port(), "PAY"), nullptr, nullptr);
  const int slot = SlotOf("PAY");
  ASSERT_EQ(slot, 0);
  SessionControlBlock* block = SessionEntry(slot)->session;
  // Built, window made, and the connection waits for its timer.
  EXPECT_NE(SessionEntry(slot)->shell, nullptr);
  EXPECT_NE(block->pendingConnectTimer, 0u);
  EXPECT_EQ(host.Connections(), 0);
  EXPECT_EQ(SessionEntry(slot)->connected, 0);

  ASSERT_TRUE(RunUntil([&] { return Connected(slot); }));
  ASSERT_TRUE(host.WaitNegotiated(kWaitMs, HostPump()));
  EXPECT_EQ(block->pendingConnectTimer, 0u);
  EXPECT_EQ(SessionEntry(slot)->socket, block->telnet->socketDescriptor());
  EXPECT_EQ(host.TerminalType(), "IBM-3487-HC");
  EXPECT_EQ(host.Environment()["KBDTYPE"], "USB");
  EXPECT_EQ(host.Environment()["CODEPAGE"], "037");
  EXPECT_EQ(block->sslInUse, nullptr);
  EXPECT_TRUE(block->telnet->hasSocketInput());
  EXPECT_EQ(std::string(block->languageId), "ENU");
  EXPECT_EQ(block->ebcdicToAscii[0xC1], 'A');
}

TEST_F(SessionLifecycleTest, TwoSessionsToOneHostGetInstancesOneAndTwo) {
  qwtest::TestHost5250 first, second;
  ASSERT_TRUE(first.Start());
  ASSERT_TRUE(second.Start());
  createSessionUnderThisProcess(Options(first.Port()), nullptr, nullptr);
  createSessionUnderThisProcess(Options(second.Port()), nullptr, nullptr);
  ASSERT_TRUE(RunUntil([&] { return Connected(0) && Connected(1); }));
  EXPECT_EQ(SessionEntry(0)->instance, 1);
  EXPECT_EQ(SessionEntry(1)->instance, 2);
  EXPECT_EQ(std::string(SessionEntry(0)->session->sessionId), "A");
  EXPECT_EQ(std::string(SessionEntry(1)->session->sessionId), "B");
  EXPECT_EQ(SessionEntry(0)->session->defaultId, 1);
  EXPECT_EQ(getNumberOfSessions(), 2);

  // After the first ends, the next session to that host is instance 1 again.
  EndSession(SessionEntry(0)->session, 1);
  EXPECT_TRUE(Free(0));
  EXPECT_TRUE(first.WaitClientClosed(kWaitMs, HostPump()));
  createSessionUnderThisProcess(Options(first.Port()), nullptr, nullptr);
  EXPECT_EQ(SessionEntry(0)->instance, 1);
  EXPECT_EQ(std::string(SessionEntry(0)->session->sessionId), "A");
  ASSERT_TRUE(RunUntil([&] { return Connected(0); }));
}

TEST_F(SessionLifecycleTest, RequestedSessionIds) {
  qwtest::LogCapture log;
  const int port = ClosedPort();
  createSessionUnderThisProcess(Options(port, "PAY"), nullptr, nullptr);
  createSessionUnderThisProcess(Options(port, "PAY"), nullptr, nullptr);
  for (int i = 0; i < 3; ++i) createSessionUnderThisProcess(Options(port, "X+2"), nullptr, nullptr);
  struct Expect {
    int slot;
    const char* id;
    unsigned char isDefault;
  } expected[] = {{0, "PAY", 0}, {1, "A", 1}, {2, "X1", 0}, {3, "X2", 0}, {4, "B", 1}};
  for (const Expect& e : expected) {
    ASSERT_NE(SessionEntry(e.slot)->session, nullptr) << e.slot;
    EXPECT_EQ(std::string(SessionEntry(e.slot)->session->sessionId), e.id) << e.slot;
    EXPECT_EQ(SessionEntry(e.slot)->session->defaultId, e.isDefault) << e.slot;
  }
  EXPECT_TRUE(log.Contains("QWC0176: session id of PAY already in use. getting a default id instead."));
  EXPECT_TRUE(log.Contains("QWC0175: all session ids of the form X+2 already in use."));
}

TEST_F(SessionLifecycleTest, GeometryWithAPositionTakesTheHighestSlot) {
  const int port = ClosedPort();
  SessionStartOptions o = Options(port);
  std::strcpy(o.geometry.geometryString, "+10+10");
  createSessionUnderThisProcess(o, nullptr, nullptr);
  EXPECT_NE(SessionEntry(98)->session, nullptr);
  EXPECT_EQ(SessionEntry(98)->bottomUp, 0);
  std::strcpy(o.geometry.geometryString, "600x400");
  createSessionUnderThisProcess(o, nullptr, nullptr);
  EXPECT_NE(SessionEntry(0)->session, nullptr);
  EXPECT_EQ(SessionEntry(0)->bottomUp, 1);
}

TEST_F(SessionLifecycleTest, MaxSessionsOpensItsDialog) {
  qwtest::LogCapture log;
  AppResources().MAX_SESSIONS = 2;
  const int port = ClosedPort();
  const int dialogs = TheErrorDialogs().getNumberOfActiveDialogs();
  for (int i = 0; i < 3; ++i) createSessionUnderThisProcess(Options(port), nullptr, nullptr);
  EXPECT_EQ(getNumberOfSessions(), 2);
  EXPECT_EQ(TheErrorDialogs().getNumberOfActiveDialogs(), dialogs + 1);
  EXPECT_TRUE(log.Contains("errorMsgDialog ErrorMsgMaxSessions opened"));
  EXPECT_EQ(SessionEntry(2)->session, nullptr);
}

TEST_F(SessionLifecycleTest, ClosedPeerOpensTheRetryDialog) {
  struct Case {
    const char* name;
    bool ok;  // OK reconnects at once; Cancel ends the session
  } cases[] = {{"cancel ends the session", false}, {"ok reconnects", true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    qwtest::TestHost5250 host;
    ASSERT_TRUE(host.Start());
    SessionStartOptions o = Options(host.Port(), "R");
    o.retryCount = 0;
    createSessionUnderThisProcess(o, nullptr, nullptr);
    const int slot = SlotOf("R");
    ASSERT_GE(slot, 0);
    SessionControlBlock* block = SessionEntry(slot)->session;
    ASSERT_TRUE(RunUntil([&] { return Connected(slot); }));
    ASSERT_TRUE(host.WaitNegotiated(kWaitMs, HostPump()));

    host.Disconnect();
    ASSERT_TRUE(RunUntil([&] { return block->retry.retryDialog() >= 0; }));
    const int dialog = block->retry.retryDialog();
    EXPECT_FALSE(block->telnet->hasSocketInput());
    EXPECT_FALSE(block->retry.retryPending());
    EXPECT_NE(TheErrorDialogs().dialogOf(dialog), nullptr);
    EXPECT_EQ(TheErrorDialogs().messageOf(dialog), "Lost connection to host.\nRetry starting the emulator session?");
    const XtPointer data = reinterpret_cast<XtPointer>(static_cast<intptr_t>(dialog));
    if (c.ok) {
      DialogOkCallBack(TheErrorDialogs().dialogOf(dialog), data, nullptr);
      ASSERT_TRUE(RunUntil([&] { return host.Connections() == 2 && Connected(slot) && host.Negotiated(); }));
      EXPECT_EQ(block->retry.retryDialog(), -1);
      EXPECT_TRUE(block->retry.connectedOnce());
      EndSession(block, 1);
    } else {
      DialogCancelCallBack(TheErrorDialogs().dialogOf(dialog), data, nullptr);
      EXPECT_TRUE(Free(slot));
      EXPECT_EQ(getNumberOfSessions(), 0);
    }
    ASSERT_TRUE(RunUntil([&] { return TheErrorDialogs().dialogOf(dialog) == nullptr; }));
  }
}

TEST_F(SessionLifecycleTest, ClosedPeerWithRetriesSchedulesAQuickAttempt) {
  qwtest::TestHost5250 host;
  ASSERT_TRUE(host.Start());
  createSessionUnderThisProcess(Options(host.Port(), "Q"), nullptr, nullptr);
  const int slot = SlotOf("Q");
  SessionControlBlock* block = SessionEntry(slot)->session;
  ASSERT_TRUE(RunUntil([&] { return Connected(slot); }));
  host.Disconnect();
  ASSERT_TRUE(RunUntil([&] { return block->retry.retryPending(); }));
  EXPECT_EQ(block->retry.quickAttempts(), 1);
  EXPECT_EQ(block->retry.retryDialog(), -1);
  EXPECT_FALSE(block->telnet->hasSocketInput());
}

TEST_F(SessionLifecycleTest, DialogOfAnEndedSessionLeavesOtherSessionsAlone) {
  const int port = ClosedPort();
  createSessionUnderThisProcess(Options(port, "KEEP"), nullptr, nullptr);
  // A dialog whose parent belongs to no session (any more) ends nothing.
  SessionDialogAction(TopLevelWidget(), 5, DialogEndsSession, true);
  SessionDialogAction(nullptr, 5, DialogRetry, false);
  EXPECT_EQ(getNumberOfSessions(), 1);
  // And a block that is no longer in the table is not ended twice.
  SessionControlBlock* block = SessionEntry(SlotOf("KEEP"))->session;
  EndSession(block, 1);
  EXPECT_EQ(getNumberOfSessions(), 0);
}

class SessionSslTest : public SessionLifecycleTest {
 protected:
  std::unique_ptr<qwtest::TestHost5250> StartTlsHost(const qwtest::TestCredential& cred) {
    const qwtest::TlsServerConfig cfg = qwtest::ServerWith(cred);
    qwtest::TestHost5250::Options opts;
    opts.transport = qwtest::TlsHostTransportFactory(cfg);
    auto host = std::make_unique<qwtest::TestHost5250>(opts);
    EXPECT_TRUE(host->Start());
    return host;
  }
  std::string KeyRingSetting() {
    std::string setting = dir_.WriteFile("keys/host.kyr", ca_.CertPem());
    setting.resize(setting.size() - 4);
    return setting;
  }
  qwtest::TempDir dir_;
  qwtest::TestCa ca_;
};

TEST_F(SessionSslTest, SessionConnectsThroughTheSecureSocket) {
  auto host = StartTlsHost(ca_.Issue(qwtest::CertSpec{}));
  SessionStartOptions o = Options(host->Port(), "S");
  o.sslValue = KeyRingSetting();
  createSessionUnderThisProcess(o, nullptr, nullptr);
  const int slot = SlotOf("S");
  SessionControlBlock* block = SessionEntry(slot)->session;
  ASSERT_NE(block->sslInUse, nullptr);
  ASSERT_TRUE(RunUntil([&] { return Connected(slot); }));
  ASSERT_TRUE(host->WaitNegotiated(kWaitMs, HostPump()));
  EXPECT_NE(block->brell->handle(), 0u);
  EXPECT_EQ(host->Environment()["KBDTYPE"], "USB");
}

TEST_F(SessionSslTest, SelfSignedHostEndsTheSessionWithTheSslDialog) {
  qwtest::LogCapture log;
  auto host = StartTlsHost(qwtest::SelfSigned(qwtest::CertSpec{}));
  SessionStartOptions o = Options(host->Port(), "S");
  o.sslValue = KeyRingSetting();
  const int dialogs = TheErrorDialogs().getNumberOfActiveDialogs();
  createSessionUnderThisProcess(o, nullptr, nullptr);
  const int slot = SlotOf("S");
  ASSERT_TRUE(RunUntil([&] { return Free(slot); }));
  EXPECT_EQ(getNumberOfSessions(), 0);
  EXPECT_TRUE(log.Contains("Self Signed."));
  EXPECT_TRUE(log.Contains("QWC0198: SSL negotiations failed."));
  EXPECT_TRUE(log.Contains("errorMsgDialog ErrorMsgSSLNegotiate opened"));
  EXPECT_TRUE(log.Contains("saying \"SSL negotiations failed.\"."));
  EXPECT_EQ(TheErrorDialogs().getNumberOfActiveDialogs(), dialogs + 1);
  EXPECT_EQ(host->Connections(), 0);
}

}  // namespace
