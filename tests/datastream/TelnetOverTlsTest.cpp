// The Telnet transport through the session's secure socket against the
// loopback TN5250 host behind TLS: connect, secure session, negotiation,
// records both ways (0xFF bytes included), and the close that ends the
// secure session with its connection.
#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "datastream/BrellObject.h"
#include "datastream/TelnetLAN.h"
#include "tests/datastream/TelnetTestSession.h"
#include "tests/support/PollEventSources.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestCertificates.h"
#include "tests/support/TestHost5250.h"
#include "tests/support/TlsHostTransport.h"

namespace {

using qwtest::CertSpec;
using qwtest::TestCa;

class SecureTestSession : public qwtest::TelnetTestSession, public BrellSessionLink {
 public:
  using TelnetTestSession::TelnetTestSession;
  TelnetStream* secureStream() override { return &brell; }
  bool traceFlag() const override { return false; }
  void errorDialog(const char* msgName) override { dialogs.push_back(msgName); }

  BrellObject brell{this};
  std::vector<std::string> dialogs;
};

class TelnetOverTlsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setting_ = dir_.WriteFile("host.kyr", ca_.CertPem());
    setting_.resize(setting_.size() - 4);  // without ".kyr"
  }
  std::unique_ptr<qwtest::TestHost5250> StartHost(const qwtest::TestCredential& cred) {
    const qwtest::TlsServerConfig cfg = qwtest::ServerWith(cred);
    qwtest::TestHost5250::Options opts;
    opts.askEnvironment = false;
    opts.transport = qwtest::TlsHostTransportFactory(cfg, closeNotifies_);
    auto host = std::make_unique<qwtest::TestHost5250>(opts);
    EXPECT_TRUE(host->Start());
    return host;
  }

  qwtest::TempDir dir_;
  TestCa ca_;
  std::string setting_;
  std::shared_ptr<std::atomic<int>> closeNotifies_ = std::make_shared<std::atomic<int>>(0);
  qwtest::PollEventSources events_;
};

TEST_F(TelnetOverTlsTest, SessionRunsThroughTheSecureSocket) {
  auto host = StartHost(ca_.Issue(CertSpec{}));
  SecureTestSession session(events_);
  TelnetLAN telnet(session);
  const qwtest::TestHost5250::Pump pump = [this] { events_.ProcessPending(10); };

  ASSERT_EQ(telnet.tel_init("127.0.0.1", host->Port()), 0);
  ASSERT_EQ(BrellStartSession(session.brell, session, setting_.c_str(), telnet.socketDescriptor(),
                              "127.0.0.1"),
            0);
  ASSERT_EQ(telnet.tel_setup(0, nullptr, nullptr), 0);
  ASSERT_TRUE(host->WaitNegotiated(5000, pump));
  EXPECT_EQ(host->TerminalType(), "IBM-3487-HC");
  telnet.addSocketInput();

  // Host to client: records with many 0xFF bytes, larger than one read.
  std::mt19937 rng(5250);
  std::vector<std::vector<uint8_t>> sent;
  for (size_t size : {1u, 300u, 20000u, 9000u}) {
    std::vector<uint8_t> rec(size);
    for (auto& b : rec) b = rng() % 4 == 0 ? 0xFF : static_cast<uint8_t>(rng());
    host->SendRecord(rec);
    sent.push_back(rec);
  }
  ASSERT_TRUE(host->Barrier(5000, pump));
  EXPECT_EQ(session.records, sent);

  // Client to host: one record, 0xFF doubled by the transport.
  std::string out(5000, '\0');
  for (auto& ch : out) ch = static_cast<char>(rng() % 3 == 0 ? 0xFF : rng());
  ASSERT_EQ(telnet.tel_senddata(out.data(), static_cast<int>(out.size())), 1);
  ASSERT_EQ(telnet.tel_sendeor(), 1);
  std::vector<uint8_t> rec;
  ASSERT_TRUE(host->WaitForRecord(5000, pump, &rec));
  EXPECT_EQ(rec, std::vector<uint8_t>(out.begin(), out.end()));

  // Closing the connection ends the secure session first.
  telnet.tel_close();
  EXPECT_EQ(session.brell.handle(), 0u);
  ASSERT_TRUE(host->WaitClientClosed(5000, pump));
  EXPECT_EQ(closeNotifies_->load(), 1);
  EXPECT_TRUE(session.dialogs.empty());
}

TEST_F(TelnetOverTlsTest, AnUntrustedHostEndsBeforeNegotiation) {
  auto host = StartHost(qwtest::SelfSigned(CertSpec{}));
  SecureTestSession session(events_);
  TelnetLAN telnet(session);
  ASSERT_EQ(telnet.tel_init("127.0.0.1", host->Port()), 0);
  EXPECT_EQ(BrellStartSession(session.brell, session, setting_.c_str(), telnet.socketDescriptor(),
                              "127.0.0.1"),
            BRELL_SOC_SELF_SIGNED);
  EXPECT_EQ(session.dialogs, std::vector<std::string>{"ErrorMsgSSLNegotiate"});
  telnet.tel_close();
  EXPECT_EQ(host->Connections(), 0) << "the host refused the failed handshake";
}

}  // namespace
