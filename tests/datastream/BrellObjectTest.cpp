// The session's secure socket: file names from the SSL setting, the log
// lines and the dialog of failed set-ups, trace dumps of the encrypted
// bytes, the stream the Telnet transport reads and writes, and the end of
// the secure session.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <random>
#include <string>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "datastream/BrellObject.h"
#include "base/LogMsg.h"
#include "tests/support/LogCapture.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestCertificates.h"
#include "tests/support/TlsTestServer.h"

namespace {

using qwtest::CertSpec;
using qwtest::ServerWith;
using qwtest::TestCa;
using qwtest::TestCredential;
using qwtest::TlsPeer;
using qwtest::TlsServerConfig;
using qwtest::TlsTestServer;

class RecordingSession : public BrellSessionLink {
 public:
  bool traceFlag() const override { return trace; }
  void errorDialog(const char* msgName) override { dialogs.push_back(msgName); }
  bool trace = false;
  std::vector<std::string> dialogs;
};

class BrellObjectTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setting_ = dir_.Path() + "/host";
    dir_.WriteFile("host.kyr", ca_.CertPem());
    dir_.WriteFile("host.sth", "QW5250 STASH 1\nplain:unused\n");
  }
  void TearDown() override {
    SetDebugFlag(false);
    for (int fd : fds_) close(fd);
  }
  int Connect(TlsTestServer& server) {
    const int fd = server.Connect();
    EXPECT_GE(fd, 0);
    fds_.push_back(fd);
    return fd;
  }
  // Key ring and secure session as session completion does them.
  int Start(BrellObject& brell, TlsTestServer& server) {
    return BrellStartSession(brell, session_, setting_.c_str(), Connect(server), "127.0.0.1");
  }

  qwtest::TempDir dir_;
  TestCa ca_;
  std::string setting_;
  RecordingSession session_;
  std::vector<int> fds_;
};

TEST(BrellFileNamesTest, SettingGivesKeyRingAndStash) {
  struct Case {
    const char* setting;
    const char* keyring;
    const char* stash;
  } cases[] = {
      {"/etc/keys/host", "/etc/keys/host.kyr", "/etc/keys/host.sth"},
      {"host", "/userbase/profiles/host.kyr", "/userbase/profiles/host.sth"},
      {"sub/host", "/userbase/profiles/sub/host.kyr", "/userbase/profiles/sub/host.sth"},
      {"", "/userbase/profiles/.kyr", "/userbase/profiles/.sth"},
  };
  for (const auto& c : cases) {
    char keyring[128], stash[128];
    BrellFileNames(c.setting, keyring, stash, sizeof keyring);
    EXPECT_STREQ(keyring, c.keyring) << c.setting;
    EXPECT_STREQ(stash, c.stash) << c.setting;
  }
  char keyring[12], stash[12];
  BrellFileNames("/a/very/long/setting", keyring, stash, sizeof keyring);
  EXPECT_STREQ(keyring, "/a/very/lon") << "cut to the buffer, never past it";
}

// A session runs end to end through the stream the Telnet transport uses:
// bytes both ways in random pieces, then the close the transport does.
TEST_F(BrellObjectTest, StreamCarriesBytesBothWaysAndCloses) {
  std::mt19937 rng(3179);
  std::string down(60000, '\0'), up(80000, '\0');
  for (auto* s : {&down, &up})
    for (auto& ch : *s) ch = static_cast<char>(rng() % 3 == 0 ? 0xFF : rng());
  std::string received;
  bool closeNotify = false;
  TlsTestServer server(ServerWith(ca_.Issue(CertSpec{})), [&](TlsPeer& peer) {
    std::mt19937 srng(7);
    for (size_t off = 0; off < down.size();) {
      const size_t n = std::min<size_t>(1 + srng() % 4000, down.size() - off);
      const std::string record = peer.EncryptRecord(down.substr(off, n));
      const size_t cut = srng() % record.size();
      if (!peer.SendRaw(record.substr(0, cut)) || !peer.SendRaw(record.substr(cut))) return;
      off += n;
    }
    peer.ReadExact(up.size(), &received);
    closeNotify = peer.ExpectCloseNotify();
  });

  BrellObject brell(&session_);
  ASSERT_EQ(Start(brell, server), 0);
  EXPECT_TRUE(session_.dialogs.empty());
  const int fd = fds_.back();
  ASSERT_EQ(fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK), 0);
  TelnetStream& stream = brell;

  std::string got;
  char buf[8192];
  while (got.size() < down.size()) {
    const long n = stream.read(buf, 1 + rng() % sizeof buf);
    if (n > 0) {
      got.append(buf, static_cast<size_t>(n));
      continue;
    }
    ASSERT_EQ(n, -1);
    ASSERT_TRUE(errno == EAGAIN) << "errno " << errno;
    pollfd p{fd, POLLIN, 0};
    ASSERT_EQ(poll(&p, 1, 10000), 1);
  }
  EXPECT_TRUE(got == down);
  for (size_t off = 0; off < up.size();) {
    const size_t n = std::min<size_t>(1 + rng() % 6000, up.size() - off);
    ASSERT_EQ(stream.write(up.data() + off, n), static_cast<long>(n));
    off += n;
  }
  stream.close();
  EXPECT_EQ(brell.handle(), 0u);
  server.Join();
  EXPECT_TRUE(received == up);
  EXPECT_TRUE(closeNotify);
  // Closed: the stream refuses, and closing again is harmless.
  EXPECT_EQ(stream.read(buf, sizeof buf), -1);
  EXPECT_EQ(errno, ENOTCONN);
  EXPECT_EQ(stream.write("x", 1), -1);
  EXPECT_EQ(errno, ENOTCONN);
  stream.close();
}

// Every failed set-up posts the dialog, logs its own line and QWC0198.
TEST_F(BrellObjectTest, FailedSetUpsShowTheDialogAndLog) {
  CertSpec expired;
  expired.validFromSeconds = -2 * 86400;
  expired.validToSeconds = -86400;
  TestCa stranger("Stranger CA");
  struct Case {
    const char* what;
    std::string setting;  // empty: the fixture's
    TestCredential server;
    bool raw;             // the server does not speak TLS
    int rc;
    std::string line;
  } cases[] = {
      {"no key ring", dir_.Path() + "/nothing", ca_.Issue(CertSpec{}), false, 2,
       "Unable to open keyring file " + dir_.Path() + "/nothing.kyr."},
      {"self-signed", "", qwtest::SelfSigned(CertSpec{}), false, -18, "Self Signed."},
      {"expired", "", ca_.Issue(expired), false, -4, "Bad Certificate."},
      {"unknown CA", "", stranger.Issue(CertSpec{}), false, -15, "Bad Certificate."},
      {"not TLS", "", {}, true, -11, "Bad Message received."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    qwtest::LogCapture log;
    session_.dialogs.clear();
    std::unique_ptr<TlsTestServer> server;
    if (c.raw) {
      server.reset(new TlsTestServer([](int fd) {
        char buf[512];
        (void)!recv(fd, buf, sizeof buf, 0);
        (void)!send(fd, "garbage, not a handshake\r\n", 26, MSG_NOSIGNAL);
      }));
    } else {
      server.reset(new TlsTestServer(ServerWith(c.server), [](TlsPeer&) {}));
    }
    BrellObject brell(&session_);
    const std::string setting = c.setting.empty() ? setting_ : c.setting;
    EXPECT_EQ(BrellStartSession(brell, session_, setting.c_str(), Connect(*server), "127.0.0.1"),
              c.rc);
    EXPECT_EQ(brell.handle(), 0u);
    EXPECT_EQ(session_.dialogs, std::vector<std::string>{"ErrorMsgSSLNegotiate"});
    EXPECT_TRUE(log.Contains(c.line));
    EXPECT_EQ(log.Count("QWC0198: SSL negotiations failed."), 1);
    close(fds_.back());
    fds_.pop_back();
  }
}

TEST_F(BrellObjectTest, KeyRingFailuresLogTheirLine) {
  CertSpec clientSpec;
  const TestCredential expired = [&] {
    CertSpec s;
    s.validFromSeconds = -2 * 86400;
    s.validToSeconds = -86400;
    return ca_.Issue(s);
  }();
  const TestCredential client = ca_.Issue(clientSpec);
  const std::string ring = dir_.WriteFile("r.kyr", ca_.CertPem());
  const std::string badRing = dir_.WriteFile("bad.kyr", "not a key ring");
  const std::string lockedRing = dir_.WriteFile(
      "locked.kyr",
      ca_.CertPem() + client.certPem + qwtest::EncryptKeyPem(client.keyPem, "right"));
  const std::string expiredRing =
      dir_.WriteFile("expired.kyr", ca_.CertPem() + expired.certPem + expired.keyPem);
  const std::string wrongStash = dir_.WriteFile("wrong.sth", "QW5250 STASH 1\nplain:wrong\n");
  const std::string rightStash = dir_.WriteFile("right.sth", "QW5250 STASH 1\nxor:d7abb8946d\n");
  struct Case {
    const char* what;
    const char* version;
    const char* ring;
    const char* stash;
    long v2, v3;
    int rc;
    const char* line;
  } cases[] = {
      {"format", "SSLV3", badRing.c_str(), nullptr, 100, 1000, 3,
       "Keyring file has invalid format."},
      {"password", "SSLV3", lockedRing.c_str(), wrongStash.c_str(), 100, 1000, 4,
       "Password for keyfile is invalid."},
      {"no stash for a locked key", "SSLV3", lockedRing.c_str(), nullptr, 100, 1000, 4,
       "Password for keyfile is invalid."},
      {"nothing", "SSLV3", nullptr, nullptr, 100, 1000, 101,
       "Neither the Keyring file nor password were supplied. "},
      {"handshake type", "TLSV9", ring.c_str(), nullptr, 100, 1000, 102, "Invalid handshake type."},
      {"V2 time-out", "SSLV3", ring.c_str(), nullptr, 1000, 1000, 103, "Invalid V2 timeout value."},
      {"V3 time-out", "SSLV3", ring.c_str(), nullptr, 100, -1, 104, "Invalid V3 timeout value."},
      {"expired client", "SSLV3", expiredRing.c_str(), nullptr, 100, 1000, 105,
       "The certificate within the keyfile has expired."},
      {"right password", "SSLV3", lockedRing.c_str(), rightStash.c_str(), 100, 1000, 0, nullptr},
  };
  for (const auto& c : cases) {
    qwtest::LogCapture log;
    BrellObject brell(&session_);
    EXPECT_EQ(brell.brell_init(c.version, c.ring, c.stash, c.v2, c.v3), c.rc) << c.what;
    if (c.line) {
      EXPECT_TRUE(log.Contains(c.line)) << c.what;
      EXPECT_EQ(log.Lines().size(), 1u) << c.what;
    } else {
      EXPECT_TRUE(log.Lines().empty()) << c.what;
    }
  }
  EXPECT_TRUE(session_.dialogs.empty()) << "only session completion posts the dialog";
}

TEST_F(BrellObjectTest, DebugLinesNameTheValuesAndTheOutcome) {
  SetDebugFlag(true);
  const std::string ring = setting_ + ".kyr";
  {
    qwtest::LogCapture log;
    BrellObject brell(&session_);
    ASSERT_EQ(brell.brell_init(nullptr, ring.c_str(), nullptr, 0, 1000), 0);
    const std::string ringLine = "  Keyring file name was: " + ring;
    for (const char* line : {"The following values were provided:", ringLine.c_str(),
                             "  Stash file provided was NULL", "  SSL Version provided was NULL",
                             "  V2 Timeout provided was NULL", "  V3 Timeout Value: 1000",
                             "processing of keyring file complete "})
      EXPECT_TRUE(log.Contains(line)) << line;
  }
  {
    qwtest::LogCapture log;
    TlsTestServer server(ServerWith(ca_.Issue(CertSpec{})), [](TlsPeer& p) { p.Shutdown(); });
    BrellObject brell(&session_);
    ASSERT_EQ(Start(brell, server), 0);
    EXPECT_TRUE(log.Contains("The SSL Security type used was: TLSV13"));
    // TLS_AES_256_GCM_SHA384 is suite 0x1302.
    EXPECT_TRUE(log.Contains("The Cipher Spec used was: 02"));
  }
}

TEST_F(BrellObjectTest, SocketArgumentFailuresLogTheirLine) {
  BrellObject brell(&session_);
  ASSERT_EQ(brell.brell_init("SSLV3", (setting_ + ".kyr").c_str(), nullptr, 100, 1000), 0);
  struct Case {
    const char* type;
    const char* v2;
    const char* v3;
    int rc;
    const char* line;
  } cases[] = {
      {"SSLV2", "2", "03", -42, "Bad Security type."},
      {"SSLV3", "8", "03", -40, "Bad V2 Cipher"},
      {"SSLV3", "2", "0", -41, "Bad V3 Cipher"},
  };
  for (const auto& c : cases) {
    qwtest::LogCapture log;
    EXPECT_EQ(brell.brell_soc_init(-1, 0, nullptr, c.type, c.v2, c.v3), c.rc);
    EXPECT_TRUE(log.Contains(c.line)) << c.line;
  }
}

// With the session's trace option, both callbacks dump the encrypted
// bytes: the first record each way is a handshake record (0x16), version
// 3.1 from the client and 3.3 from the server.
TEST_F(BrellObjectTest, TraceDumpsTheEncryptedBytes) {
  for (bool trace : {false, true}) {
    SCOPED_TRACE(trace);
    qwtest::LogCapture log;
    session_.trace = trace;
    TlsTestServer server(ServerWith(ca_.Issue(CertSpec{})), [](TlsPeer& p) { p.Shutdown(); });
    BrellObject brell(&session_);
    ASSERT_EQ(Start(brell, server), 0);
    const auto& lines = log.Lines();
    // The first dump line after `head` (a read that found nothing dumps none).
    auto after = [&](const char* head) -> std::string {
      for (size_t i = 0; i + 1 < lines.size(); ++i)
        if (lines[i].find(head) != std::string::npos &&
            lines[i + 1].find("returning") == std::string::npos)
          return lines[i + 1];
      return "";
    };
    if (!trace) {
      EXPECT_FALSE(log.Contains("data for SSL") || log.Contains("data from SSL"));
      continue;
    }
    EXPECT_NE(after("Sent: data from SSL:").find("16 03 01 "), std::string::npos);
    EXPECT_NE(after("Recv: data for SSL:").find("16 03 03 "), std::string::npos);
    EXPECT_TRUE(log.Contains("returning 5 bytes to SSL")) << "a record header read alone";
    // A full dump line holds sixteen two-digit bytes.
    const std::string first = after("Sent: data from SSL:");
    const std::string body = first.substr(first.find("]: ") + 3);
    EXPECT_EQ(body.size(), 16u * 3 + 1) << body;
  }
}

TEST_F(BrellObjectTest, ReadAndWriteFailuresAreTracedAndMapped) {
  TlsTestServer server(ServerWith(ca_.Issue(CertSpec{})), [](TlsPeer& p) { p.WriteAll("x"); });
  BrellObject brell(&session_);
  ASSERT_EQ(Start(brell, server), 0);
  server.Join();  // gone without the closing alert
  session_.trace = true;
  qwtest::LogCapture log;
  char buf[16];
  long n;
  while ((n = brell.read(buf, sizeof buf)) > 0) {
  }
  EXPECT_EQ(n, -1);
  EXPECT_EQ(errno, EIO);
  EXPECT_TRUE(log.Contains("Unknown error for Read. RC = -104"));
  EXPECT_EQ(brell.write("abc", 3), -1);
  EXPECT_EQ(errno, EIO);
  EXPECT_TRUE(log.Contains("Unknown error for Write. RC = -104"));
  EXPECT_EQ(brell.brell_prepare_soc_read(buf, 0), BRELL_RC_BAD_BUFFER);
  EXPECT_TRUE(log.Contains("Bad buffer size for Read"));
}

// The secure session never outlives its owner or its connection.
TEST_F(BrellObjectTest, SecureSessionIsAlwaysReleased) {
  {
    SCOPED_TRACE("the object ends");
    bool closeNotify = false;
    TlsTestServer server(ServerWith(ca_.Issue(CertSpec{})),
                         [&](TlsPeer& p) { closeNotify = p.ExpectCloseNotify(); });
    {
      BrellObject brell(&session_);
      ASSERT_EQ(Start(brell, server), 0);
    }
    server.Join();
    EXPECT_TRUE(closeNotify);
  }
  {
    SCOPED_TRACE("a new connection replaces an old one");
    bool firstClosed = false;
    TlsTestServer first(ServerWith(ca_.Issue(CertSpec{})),
                        [&](TlsPeer& p) { firstClosed = p.ExpectCloseNotify(); });
    TlsTestServer second(ServerWith(ca_.Issue(CertSpec{})), [](TlsPeer& p) { p.Shutdown(); });
    BrellObject brell(&session_);
    ASSERT_EQ(Start(brell, first), 0);
    const brell_handle old = brell.handle();
    ASSERT_EQ(Start(brell, second), 0);
    EXPECT_NE(brell.handle(), old);
    first.Join();
    EXPECT_TRUE(firstClosed);
    char buf[4];
    EXPECT_EQ(brell_secure_soc_read(old, buf, sizeof buf), BRELL_RC_BAD_HANDLE);
  }
}

}  // namespace
