// The secure-socket layer against a TLS server on 127.0.0.1: key ring and
// stash files, handshake results for trusted and untrusted peers, byte-exact
// transfer in both directions, closing, and peers that do not speak TLS.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <openssl/ssl.h>

#include "platform/brell.h"
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

int RecvCallback(int fd, void* buffer, int length) {
  return static_cast<int>(recv(fd, buffer, static_cast<size_t>(length), 0));
}
int SendCallback(int fd, const void* data, int length) {
  return static_cast<int>(send(fd, data, static_cast<size_t>(length), MSG_NOSIGNAL));
}

std::string StashText(const std::string& password, bool obfuscate) {
  std::string s = "QW5250 STASH 1\n";
  if (!obfuscate) return s + "plain:" + password + "\n";
  s += "xor:";
  char hex[3];
  for (size_t i = 0; i < password.size(); ++i) {
    const unsigned v = static_cast<unsigned char>(password[i]) ^ ((0xA5u + 29u * i) & 0xFFu);
    std::snprintf(hex, sizeof hex, "%02x", v);
    s += hex;
  }
  return s + "\n";
}

class BrellTest : public ::testing::Test {
 protected:
  // Loads a key ring made of `text`.
  int Init(const std::string& text, const char* password = nullptr) {
    const std::string path = dir_.WriteFile("ring.kyr", text);
    brell_init_block b{"SSLV3", path.c_str(), password, 100, 1000};
    return brell_initialize(&b);
  }
  void TrustCa() { ASSERT_EQ(Init(ca_.CertPem()), 0); }

  // Handshakes with `server` as a client; `*error` gets the block's code.
  brell_handle Handshake(TlsTestServer& server, int* error, const char* peer = "127.0.0.1",
                         int timeoutMs = 0) {
    fd_ = server.Connect();
    EXPECT_GE(fd_, 0);
    brell_soc_block b{};
    b.fd = fd_;
    b.timeout_ms = timeoutMs;
    b.peer_name = peer;
    b.security_type = "SSLV3";
    b.v2_cipher_specs = "2";
    b.v3_cipher_specs = "03";
    b.read_fn = RecvCallback;
    b.write_fn = SendCallback;
    const brell_handle h = brell_secure_soc_init(&b);
    *error = b.error;
    used_ = b.security_type_used;
    return h;
  }

  void TearDown() override {
    if (fd_ >= 0) close(fd_);
  }

  qwtest::TempDir dir_;
  TestCa ca_;
  int fd_ = -1;
  std::string used_;
};

// ---- stash files -------------------------------------------------------

TEST_F(BrellTest, StashFilesGiveTheirPasswordOrNothing) {
  struct Case {
    const char* what;
    std::string text;
    const char* password;  // null: no password
  };
  static const std::string max128(128, 'p');
  static const char nulInPlain[] = "QW5250 STASH 1\nplain:a\0b\n";
  const Case cases[] = {
      {"plain", StashText("s3cret pw", false), "s3cret pw"},
      {"obfuscated", StashText("s3cret\xff\x01pw", true), "s3cret\xff\x01pw"},
      {"no final newline", "QW5250 STASH 1\nplain:abc", "abc"},
      {"CRLF lines", "QW5250 STASH 1\r\nplain:abc\r\n", "abc"},
      {"upper-case hex", "QW5250 STASH 1\nxor:C4\n", "a"},
      {"wrong header", "QW5250 STASH 2\nplain:abc\n", nullptr},
      {"header only", "QW5250 STASH 1\n", nullptr},
      {"empty file", "", nullptr},
      {"empty password", "QW5250 STASH 1\nplain:\n", nullptr},
      {"unknown method", "QW5250 STASH 1\nrot13:abc\n", nullptr},
      {"odd hex", "QW5250 STASH 1\nxor:c4c\n", nullptr},
      {"not hex", "QW5250 STASH 1\nxor:zz\n", nullptr},
      {"hex of a NUL", "QW5250 STASH 1\nxor:a5\n", nullptr},
      {"NUL in plain", std::string(nulInPlain, sizeof nulInPlain - 1), nullptr},
      {"a line after the password", "QW5250 STASH 1\nplain:abc\nmore\n", nullptr},
      {"129 bytes", StashText(std::string(129, 'p'), false), nullptr},
      {"128 bytes", StashText(max128, true), max128.c_str()},
      {"over 1,024 bytes", "QW5250 STASH 1\nplain:abc\n" + std::string(1100, '\n'), nullptr},
  };
  for (const auto& c : cases) {
    const std::string path = dir_.WriteFile("s.sth", c.text);
    char* pw = brell_stash_password(path.c_str());
    if (c.password) {
      ASSERT_NE(pw, nullptr) << c.what;
      EXPECT_STREQ(pw, c.password) << c.what;
    } else {
      EXPECT_EQ(pw, nullptr) << c.what;
    }
    brell_free_password(pw);
  }
  EXPECT_EQ(brell_stash_password((dir_.Path() + "/missing.sth").c_str()), nullptr);
  EXPECT_EQ(brell_stash_password(dir_.Path().c_str()), nullptr) << "a directory";
  EXPECT_EQ(brell_stash_password(nullptr), nullptr);
}

// ---- key rings -----------------------------------------------------------

// Key rings and stash files are for their owner alone: one that the group
// or others may use is refused, with a line that names it and its mode.
TEST_F(BrellTest, KeyRingsAndStashesOpenToOthersAreRefused) {
  const std::string ring = dir_.WriteFile("modes.kyr", ca_.CertPem());
  const std::string stash = dir_.WriteFile("modes.sth", StashText("pw", false));
  struct Case {
    mode_t mode;
    bool refused;
  } cases[] = {
      {0600, false}, {0400, false}, {0700, false}, {0640, true}, {0604, true},
      {0644, true},  {0660, true},  {0620, true},  {0602, true}, {0610, true},
  };
  for (const Case& c : cases) {
    char mode[8];
    std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(c.mode));
    SCOPED_TRACE(mode);
    ASSERT_EQ(chmod(ring.c_str(), c.mode), 0);
    ASSERT_EQ(chmod(stash.c_str(), c.mode), 0);
    qwtest::LogCapture log;
    brell_init_block b{"SSLV3", ring.c_str(), nullptr, 100, 1000};
    EXPECT_EQ(brell_initialize(&b), c.refused ? BRELL_INIT_CANNOT_OPEN : BRELL_INIT_OK);
    char* pw = brell_stash_password(stash.c_str());
    EXPECT_EQ(pw == nullptr, c.refused);
    brell_free_password(pw);
    EXPECT_EQ(log.Count("key-ring file " + ring + " has mode " + mode), c.refused ? 1 : 0);
    EXPECT_EQ(log.Count("stash file " + stash + " has mode " + mode), c.refused ? 1 : 0);
  }
}

TEST_F(BrellTest, KeyRingsAreCheckedWhenLoaded) {
  CertSpec clientSpec;
  clientSpec.commonName = "client";
  const TestCredential client = ca_.Issue(clientSpec);
  CertSpec expiredSpec = clientSpec;
  expiredSpec.validFromSeconds = -2 * 86400;
  expiredSpec.validToSeconds = -86400;
  const TestCredential expiredClient = ca_.Issue(expiredSpec);
  const TestCredential other = ca_.Issue(clientSpec);
  const std::string encKey = qwtest::EncryptKeyPem(client.keyPem, "ring pw");
  const std::string ca = ca_.CertPem();
  std::string truncated = ca.substr(0, ca.size() - 30);

  struct Case {
    const char* what;
    std::string text;
    const char* password;
    int rc;
  } cases[] = {
      {"one CA", ca, nullptr, 0},
      {"CA with comments around it", "trusted:\n" + ca + "end\n", nullptr, 0},
      {"CA and plain client key", ca + client.certPem + client.keyPem, nullptr, 0},
      {"key before its certificate", client.keyPem + ca + client.certPem, nullptr, 0},
      {"encrypted key, right password", ca + client.certPem + encKey, "ring pw", 0},
      {"encrypted key, wrong password", ca + client.certPem + encKey, "wrong", 4},
      {"encrypted key, no password", ca + client.certPem + encKey, nullptr, 4},
      {"empty", "", nullptr, 3},
      {"no PEM at all", "just some text\n", nullptr, 3},
      {"truncated block", truncated, nullptr, 3},
      {"unknown block", ca + "-----BEGIN FOO-----\nAAAA\n-----END FOO-----\n", nullptr, 3},
      {"key without its certificate", ca + other.certPem + client.keyPem, nullptr, 3},
      {"two keys", ca + client.certPem + client.keyPem + other.keyPem, nullptr, 3},
      {"only the client credential", client.certPem + client.keyPem, nullptr, 3},
      {"garbage in a certificate block",
       "-----BEGIN CERTIFICATE-----\nAAAAAAAA\n-----END CERTIFICATE-----\n", nullptr, 3},
      {"legacy encryption header",
       "-----BEGIN CERTIFICATE-----\nProc-Type: 4,ENCRYPTED\nDEK-Info: AES-128-CBC,00\n\nAAAA\n"
       "-----END CERTIFICATE-----\n",
       nullptr, 3},
      {"expired client certificate", ca + expiredClient.certPem + expiredClient.keyPem, nullptr,
       105},
      {"over 1 MiB", ca + std::string(1024 * 1024, '\n'), nullptr, 3},
  };
  for (const auto& c : cases) EXPECT_EQ(Init(c.text, c.password), c.rc) << c.what;
}

TEST_F(BrellTest, InitialisationArgumentsAreChecked) {
  const std::string ring = dir_.WriteFile("ring.kyr", ca_.CertPem());
  const std::string missing = dir_.Path() + "/missing.kyr";
  struct Case {
    const char* what;
    brell_init_block block;
    int rc;
  } cases[] = {
      {"good", {"SSLV3", ring.c_str(), nullptr, 100, 1000}, 0},
      {"version defaults", {nullptr, ring.c_str(), nullptr, 0, 0}, 0},
      {"lower-case version", {"sslv3", ring.c_str(), nullptr, 1, 86400}, 0},
      {"no key ring", {"SSLV3", nullptr, "pw", 100, 1000}, 101},
      {"empty key-ring name", {"SSLV3", "", nullptr, 100, 1000}, 101},
      {"version 2", {"SSLV2", ring.c_str(), nullptr, 100, 1000}, 102},
      {"V2 time-out negative", {"SSLV3", ring.c_str(), nullptr, -1, 1000}, 103},
      {"V2 time-out too large", {"SSLV3", ring.c_str(), nullptr, 101, 1000}, 103},
      {"V3 time-out negative", {"SSLV3", ring.c_str(), nullptr, 100, -5}, 104},
      {"V3 time-out too large", {"SSLV3", ring.c_str(), nullptr, 100, 86401}, 104},
      {"missing file", {"SSLV3", missing.c_str(), nullptr, 100, 1000}, 2},
      {"a directory", {"SSLV3", dir_.Path().c_str(), nullptr, 100, 1000}, 2},
  };
  for (const auto& c : cases) EXPECT_EQ(brell_initialize(&c.block), c.rc) << c.what;
  EXPECT_EQ(brell_initialize(nullptr), 101);
}

// ---- handshakes ------------------------------------------------------------

TEST_F(BrellTest, HandshakeResultsFollowThePeerCertificate) {
  TrustCa();
  CertSpec good;
  CertSpec expired;
  expired.validFromSeconds = -2 * 86400;
  expired.validToSeconds = -86400;
  CertSpec notYet;
  notYet.validFromSeconds = 86400;
  notYet.validToSeconds = 2 * 86400;
  CertSpec otherName;
  otherName.altNames = {"DNS:elsewhere.example", "IP:10.9.8.7"};
  TestCa strangerCa("Stranger CA");

  struct Case {
    const char* what;
    TestCredential server;
    const char* peer;
    int error;
  } cases[] = {
      {"trusted, by address", ca_.Issue(good), "127.0.0.1", 0},
      {"trusted, by name", ca_.Issue(good), "localhost", 0},
      {"trusted, no name given", ca_.Issue(good), nullptr, 0},
      {"self-signed", qwtest::SelfSigned(good), "127.0.0.1", BRELL_SOC_SELF_SIGNED},
      {"expired", ca_.Issue(expired), "127.0.0.1", BRELL_SOC_BAD_CERTIFICATE},
      {"not yet valid", ca_.Issue(notYet), "127.0.0.1", BRELL_SOC_BAD_CERTIFICATE},
      {"unknown CA", strangerCa.Issue(good), "127.0.0.1", BRELL_SOC_UNKNOWN_ISSUER},
      {"another address", ca_.Issue(otherName), "127.0.0.1", BRELL_SOC_BAD_PEER},
      {"another name", ca_.Issue(otherName), "localhost", BRELL_SOC_BAD_PEER},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TlsTestServer server(ServerWith(c.server), [](TlsPeer& peer) { peer.Shutdown(); });
    int error = 1;
    const brell_handle h = Handshake(server, &error, c.peer);
    EXPECT_EQ(error, c.error);
    if (c.error == 0) {
      EXPECT_NE(h, 0u);
      EXPECT_EQ(used_, "TLSV13");
      EXPECT_EQ(brell_secure_soc_close(h), 0);
    } else {
      EXPECT_EQ(h, 0u);
    }
    close(fd_);
    fd_ = -1;
    server.Join();
    EXPECT_EQ(server.HandshakeOk(), c.error == 0) << server.HandshakeError();
  }
}

TEST_F(BrellTest, OldProtocolsAreRefusedAndTls12IsReported) {
  TrustCa();
  struct Case {
    int serverMax;
    int error;
    const char* used;
  } cases[] = {
      {TLS1_2_VERSION, 0, "TLSV12"},
      {TLS1_1_VERSION, BRELL_SOC_UNSUPPORTED, ""},
  };
  for (const auto& c : cases) {
    TlsServerConfig cfg = ServerWith(ca_.Issue(CertSpec{}));
    cfg.maxProtocol = c.serverMax;
    TlsTestServer server(cfg, [](TlsPeer& peer) { peer.Shutdown(); });
    int error = 1;
    const brell_handle h = Handshake(server, &error);
    EXPECT_EQ(error, c.error) << c.serverMax;
    EXPECT_EQ(used_, c.used);
    if (h) brell_secure_soc_close(h);
    close(fd_);
    fd_ = -1;
  }
}

TEST_F(BrellTest, ClientCertificateFromTheKeyRing) {
  CertSpec clientSpec;
  clientSpec.commonName = "terminal";
  const TestCredential client = ca_.Issue(clientSpec);
  ASSERT_EQ(Init(ca_.CertPem() + client.certPem + qwtest::EncryptKeyPem(client.keyPem, "pw"), "pw"),
            0);
  TlsServerConfig cfg = ServerWith(ca_.Issue(CertSpec{}));
  cfg.clientCaPem = ca_.CertPem();
  std::string got;
  TlsTestServer server(cfg, [&](TlsPeer& peer) {
    peer.ReadExact(5, &got);
    peer.Shutdown();
  });
  int error = 1;
  const brell_handle h = Handshake(server, &error);
  ASSERT_EQ(error, 0);
  EXPECT_EQ(brell_secure_soc_write(h, "hello", 5), 5);
  server.Join();
  EXPECT_TRUE(server.HandshakeOk()) << server.HandshakeError();
  EXPECT_EQ(got, "hello");
  brell_secure_soc_close(h);
}

TEST_F(BrellTest, SocketBlockArgumentsAreChecked) {
  TrustCa();
  struct Case {
    const char* what;
    const char* type;
    const char* v2;
    const char* v3;
    bool readFn, writeFn;
    int error;
  } cases[] = {
      {"security type", "SSLV2", "2", "03", true, true, BRELL_SOC_BAD_SECURITY_TYPE},
      {"no security type", nullptr, "2", "03", true, true, BRELL_SOC_BAD_SECURITY_TYPE},
      {"V2 ciphers", "SSLV3", "9", "03", true, true, BRELL_SOC_BAD_V2_CIPHER},
      {"no V2 ciphers", "SSLV3", "", "03", true, true, BRELL_SOC_BAD_V2_CIPHER},
      {"V3 ciphers odd", "SSLV3", "2", "030", true, true, BRELL_SOC_BAD_V3_CIPHER},
      {"V3 ciphers not hex", "SSLV3", "2", "0x", true, true, BRELL_SOC_BAD_V3_CIPHER},
      {"no read function", "SSLV3", "2", "03", false, true, BRELL_SOC_NO_READ_FUNCTION},
      {"no write function", "SSLV3", "2", "03", true, false, BRELL_SOC_NO_WRITE_FUNCTION},
  };
  for (const auto& c : cases) {
    brell_soc_block b{};
    b.fd = 0;  // never touched: the arguments fail first
    b.security_type = c.type;
    b.v2_cipher_specs = c.v2;
    b.v3_cipher_specs = c.v3;
    b.read_fn = c.readFn ? RecvCallback : nullptr;
    b.write_fn = c.writeFn ? SendCallback : nullptr;
    EXPECT_EQ(brell_secure_soc_init(&b), 0u) << c.what;
    EXPECT_EQ(b.error, c.error) << c.what;
  }
  EXPECT_EQ(brell_secure_soc_init(nullptr), 0u);
}

// Peers that do not speak TLS give an error at once (or at the bound for a
// silent one), never a hang.
TEST_F(BrellTest, PeersThatDoNotSpeakTls) {
  TrustCa();
  struct Case {
    const char* what;
    std::string reply;  // sent after the client's first bytes
    bool silent;
    int error;
  } cases[] = {
      {"HTTP reply", "HTTP/1.1 400 Bad Request\r\nContent-Length: 0\r\n\r\n", false,
       BRELL_SOC_BAD_MESSAGE},
      {"Telnet negotiation", std::string("\xff\xfd\x18\xff\xfd\x19\xff\xfd\x00", 9), false,
       BRELL_SOC_BAD_MESSAGE},
      {"a huge record", std::string("\x16\x03\x03\xff\xff", 5) + std::string(64, '\xff'), false,
       BRELL_SOC_BAD_MESSAGE},
      {"closes at once", "", false, BRELL_SOC_SOCKET_CLOSED},
      {"says nothing", "", true, BRELL_SOC_TIMEOUT},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    int clientDone[2];
    ASSERT_EQ(pipe(clientDone), 0);
    TlsTestServer server([&](int fd) {
      char buf[512];
      (void)!recv(fd, buf, sizeof buf, 0);  // the client hello
      if (c.silent) {
        // Hold the connection until the client has given up.
        pollfd p{clientDone[0], POLLIN, 0};
        poll(&p, 1, 10000);
        return;
      }
      if (!c.reply.empty()) (void)!send(fd, c.reply.data(), c.reply.size(), MSG_NOSIGNAL);
    });
    int error = 1;
    const brell_handle h = Handshake(server, &error, "127.0.0.1", c.silent ? 200 : 0);
    (void)!write(clientDone[1], "x", 1);
    EXPECT_EQ(h, 0u);
    EXPECT_EQ(error, c.error);
    server.Join();
    close(clientDone[0]);
    close(clientDone[1]);
    close(fd_);
    fd_ = -1;
  }
}

TEST_F(BrellTest, HandshakeLeavesABlockingSocketBlocking) {
  TrustCa();
  TlsTestServer server(ServerWith(ca_.Issue(CertSpec{})), [](TlsPeer& peer) { peer.Shutdown(); });
  int error = 1;
  const brell_handle h = Handshake(server, &error);
  ASSERT_EQ(error, 0);
  EXPECT_EQ(fcntl(fd_, F_GETFL) & O_NONBLOCK, 0);
  brell_secure_soc_close(h);
}

// ---- data ------------------------------------------------------------------

std::string RandomBytes(std::mt19937& rng, size_t n) {
  std::string s(n, '\0');
  for (auto& ch : s) ch = static_cast<char>(rng() % 4 == 0 ? 0xFF : rng() & 0xFF);
  return s;
}

// Reads `n` bytes from a non-blocking secure session in random pieces.
bool ReadAll(brell_handle h, int fd, size_t n, std::mt19937& rng, std::string* out,
             int* wouldBlocks) {
  out->clear();
  char buf[20000];
  while (out->size() < n) {
    const int want = 1 + static_cast<int>(rng() % 3000);
    const int got = brell_secure_soc_read(h, buf, want);
    if (got > 0) {
      out->append(buf, static_cast<size_t>(got));
      continue;
    }
    if (got != BRELL_RC_WOULD_BLOCK) return false;
    EXPECT_EQ(errno, EAGAIN);
    ++*wouldBlocks;
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, 10000) != 1) return false;
  }
  return true;
}

// Writes all of `data`, waiting for the socket when it is full, and
// offering the bytes not taken again (from a copy, at another address).
bool WriteAll(brell_handle h, int fd, const std::string& data) {
  std::string copy;
  for (size_t off = 0; off < data.size();) {
    copy.assign(data, off, std::string::npos);
    const int n = brell_secure_soc_write(h, copy.data(), static_cast<int>(copy.size()));
    if (n > 0) {
      off += static_cast<size_t>(n);
      continue;
    }
    if (n != BRELL_RC_WOULD_BLOCK) return false;
    pollfd p{fd, POLLOUT, 0};
    if (poll(&p, 1, 10000) != 1) return false;
  }
  return true;
}

TEST_F(BrellTest, DataRoundTripsByteExactInRandomPieces) {
  TrustCa();
  std::mt19937 rng(5250);
  const std::string up = RandomBytes(rng, 200000);
  const std::string down = RandomBytes(rng, 150000);
  std::string received;
  TlsTestServer server(ServerWith(ca_.Issue(CertSpec{})), [&](TlsPeer& peer) {
    std::mt19937 srng(17);
    // Down: records of random sizes, and the records' bytes cut into random
    // TCP pieces, so that the client meets partly arrived records.
    for (size_t off = 0; off < down.size();) {
      const size_t n = std::min<size_t>(1 + srng() % 5000, down.size() - off);
      const std::string record = peer.EncryptRecord(down.substr(off, n));
      for (size_t r = 0; r < record.size();) {
        const size_t piece = std::min<size_t>(1 + srng() % 700, record.size() - r);
        if (!peer.SendRaw(record.substr(r, piece))) return;
        r += piece;
      }
      off += n;
    }
    peer.ReadExact(up.size(), &received);
    peer.ExpectCloseNotify();
  });
  int error = 1;
  const brell_handle h = Handshake(server, &error);
  ASSERT_EQ(error, 0);
  ASSERT_EQ(fcntl(fd_, F_SETFL, fcntl(fd_, F_GETFL) | O_NONBLOCK), 0);

  std::string got;
  int wouldBlocks = 0;
  ASSERT_TRUE(ReadAll(h, fd_, down.size(), rng, &got, &wouldBlocks));
  EXPECT_TRUE(got == down) << "downstream bytes differ";
  for (size_t off = 0; off < up.size();) {
    const size_t n = std::min<size_t>(1 + rng() % 9000, up.size() - off);
    ASSERT_TRUE(WriteAll(h, fd_, up.substr(off, n)));
    off += n;
  }
  EXPECT_EQ(brell_secure_soc_close(h), 0);
  server.Join();
  EXPECT_EQ(received.size(), up.size());
  EXPECT_TRUE(received == up) << "upstream bytes differ";
}

TEST_F(BrellTest, APartlyArrivedRecordReadsAsWouldBlock) {
  TrustCa();
  int go[2];
  ASSERT_EQ(pipe(go), 0);
  TlsTestServer server(ServerWith(ca_.Issue(CertSpec{})), [&](TlsPeer& peer) {
    const std::string record = peer.EncryptRecord(std::string("\xff\xff\x00payload", 10));
    peer.SendRaw(record.substr(0, record.size() / 2));
    pollfd p{go[0], POLLIN, 0};
    if (poll(&p, 1, 10000) != 1) return;
    peer.SendRaw(record.substr(record.size() / 2));
    peer.Shutdown();
  });
  int error = 1;
  const brell_handle h = Handshake(server, &error);
  ASSERT_EQ(error, 0);
  ASSERT_EQ(fcntl(fd_, F_SETFL, fcntl(fd_, F_GETFL) | O_NONBLOCK), 0);
  char buf[64];
  // Until the first half is there (and after it) there is nothing to read.
  pollfd p{fd_, POLLIN, 0};
  ASSERT_EQ(poll(&p, 1, 10000), 1);
  EXPECT_EQ(brell_secure_soc_read(h, buf, sizeof buf), BRELL_RC_WOULD_BLOCK);
  ASSERT_EQ(write(go[1], "x", 1), 1);
  std::string got;
  std::mt19937 rng(1);
  int wouldBlocks = 0;
  ASSERT_TRUE(ReadAll(h, fd_, 10, rng, &got, &wouldBlocks));
  EXPECT_EQ(got, std::string("\xff\xff\x00payload", 10));
  brell_secure_soc_close(h);
  server.Join();
  close(go[0]);
  close(go[1]);
}

TEST_F(BrellTest, WritesTakeWhatAPeerThatStopsReadingLeavesRoom) {
  TrustCa();
  std::mt19937 rng(3179);
  const std::string up = RandomBytes(rng, 4 * 1024 * 1024);
  int go[2];
  ASSERT_EQ(pipe(go), 0);
  std::string received;
  TlsTestServer server(ServerWith(ca_.Issue(CertSpec{})), [&](TlsPeer& peer) {
    // Reads nothing until told to, then everything.
    pollfd p{go[0], POLLIN, 0};
    if (poll(&p, 1, 20000) != 1) return;
    peer.ReadExact(up.size(), &received);
    peer.ExpectCloseNotify();
  });
  int error = 1;
  // A write that waited for room would give up after 5 s with a time-out.
  const brell_handle h = Handshake(server, &error, "127.0.0.1", 5000);
  ASSERT_EQ(error, 0);
  const int small = 4096;
  ASSERT_EQ(setsockopt(fd_, SOL_SOCKET, SO_SNDBUF, &small, sizeof small), 0);
  const int flags = fcntl(fd_, F_GETFL);

  // Offers of 64 KiB: each call takes part of them (at least one byte) or,
  // once the peer's socket and ours are full, nothing.
  size_t off = 0;
  int partial = 0;
  int wouldBlock = 0;
  while (off < up.size() && wouldBlock == 0) {
    const int want = static_cast<int>(std::min<size_t>(65536, up.size() - off));
    errno = 0;
    const int n = brell_secure_soc_write(h, up.data() + off, want);
    if (n == BRELL_RC_WOULD_BLOCK) {
      EXPECT_EQ(errno, EAGAIN);
      ++wouldBlock;
      break;
    }
    ASSERT_GT(n, 0);
    ASSERT_LE(n, want);
    if (n < want) ++partial;
    off += static_cast<size_t>(n);
  }
  ASSERT_EQ(wouldBlock, 1) << "the peer took all " << up.size() << " bytes unread";
  EXPECT_GT(partial, 0);
  EXPECT_EQ(fcntl(fd_, F_GETFL), flags) << "the socket's mode is left as it was";
  // The same bytes offered again, now from another address and with more
  // after them: refused the same way while the socket is full (the kernel
  // may have made a little room meanwhile); the session lives on.
  std::string rest = up.substr(off);
  const int again =
      brell_secure_soc_write(h, rest.data(), static_cast<int>(std::min<size_t>(rest.size(), 100000)));
  ASSERT_TRUE(again == BRELL_RC_WOULD_BLOCK || again > 0) << again;
  if (again > 0) rest.erase(0, static_cast<size_t>(again));

  // The peer reads again: what follows, offered again as it was, arrives
  // once and in order.
  ASSERT_EQ(write(go[1], "x", 1), 1);
  ASSERT_TRUE(WriteAll(h, fd_, rest));
  EXPECT_EQ(brell_secure_soc_close(h), 0);
  server.Join();
  EXPECT_EQ(received.size(), up.size());
  EXPECT_TRUE(received == up) << "the bytes differ";
  close(go[0]);
  close(go[1]);
}

// ---- closing -----------------------------------------------------------------

TEST_F(BrellTest, ClosingIsCleanFromEitherSide) {
  TrustCa();
  {
    SCOPED_TRACE("client closes");
    bool gotCloseNotify = false;
    std::string rest;
    TlsTestServer server(ServerWith(ca_.Issue(CertSpec{})),
                         [&](TlsPeer& peer) { gotCloseNotify = peer.ExpectCloseNotify(&rest); });
    int error = 1;
    const brell_handle h = Handshake(server, &error);
    ASSERT_EQ(error, 0);
    ASSERT_EQ(brell_secure_soc_write(h, "bye", 3), 3);
    EXPECT_EQ(brell_secure_soc_close(h), 0);
    server.Join();
    EXPECT_TRUE(gotCloseNotify);
    EXPECT_EQ(rest, "bye");
    // The handle is gone for good.
    char buf[8];
    EXPECT_EQ(brell_secure_soc_close(h), BRELL_RC_BAD_HANDLE);
    EXPECT_EQ(brell_secure_soc_read(h, buf, sizeof buf), BRELL_RC_BAD_HANDLE);
    EXPECT_EQ(brell_secure_soc_write(h, "x", 1), BRELL_RC_BAD_HANDLE);
    close(fd_);
    fd_ = -1;
  }
  {
    SCOPED_TRACE("server closes");
    TlsTestServer server(ServerWith(ca_.Issue(CertSpec{})), [&](TlsPeer& peer) {
      peer.WriteAll("last words");
      peer.Shutdown();
    });
    int error = 1;
    const brell_handle h = Handshake(server, &error);
    ASSERT_EQ(error, 0);
    std::string got;
    char buf[64];
    int n;
    while ((n = brell_secure_soc_read(h, buf, sizeof buf)) > 0) got.append(buf, n);
    EXPECT_EQ(n, 0) << "the closing alert reads as end of connection";
    EXPECT_EQ(got, "last words");
    EXPECT_EQ(brell_secure_soc_close(h), 0);
    close(fd_);
    fd_ = -1;
  }
  {
    SCOPED_TRACE("server drops the connection without the alert");
    TlsTestServer server(ServerWith(ca_.Issue(CertSpec{})),
                         [&](TlsPeer& peer) { peer.WriteAll("cut"); });
    int error = 1;
    const brell_handle h = Handshake(server, &error);
    ASSERT_EQ(error, 0);
    server.Join();
    std::string got;
    char buf[64];
    int n;
    while ((n = brell_secure_soc_read(h, buf, sizeof buf)) > 0) got.append(buf, n);
    EXPECT_EQ(n, BRELL_RC_FAILED) << "a cut connection is not a clean end";
    EXPECT_EQ(got, "cut");
    EXPECT_EQ(brell_secure_soc_read(h, buf, sizeof buf), BRELL_RC_FAILED);
    EXPECT_EQ(brell_secure_soc_write(h, "x", 1), BRELL_RC_FAILED);
    EXPECT_EQ(brell_secure_soc_close(h), 0);
  }
}

TEST_F(BrellTest, BadBuffersAndHandles) {
  TrustCa();
  TlsTestServer server(ServerWith(ca_.Issue(CertSpec{})), [](TlsPeer& peer) { peer.Shutdown(); });
  int error = 1;
  const brell_handle h = Handshake(server, &error);
  ASSERT_EQ(error, 0);
  char buf[4];
  EXPECT_EQ(brell_secure_soc_read(h, nullptr, 4), BRELL_RC_BAD_BUFFER);
  EXPECT_EQ(brell_secure_soc_read(h, buf, 0), BRELL_RC_BAD_BUFFER);
  EXPECT_EQ(brell_secure_soc_read(h, buf, -1), BRELL_RC_BAD_BUFFER);
  EXPECT_EQ(brell_secure_soc_write(h, nullptr, 4), BRELL_RC_BAD_BUFFER);
  EXPECT_EQ(brell_secure_soc_write(h, buf, 0), BRELL_RC_BAD_BUFFER);
  for (brell_handle bad : {brell_handle{0}, h + 1000, ~brell_handle{0}}) {
    EXPECT_EQ(brell_secure_soc_read(bad, buf, 4), BRELL_RC_BAD_HANDLE);
    EXPECT_EQ(brell_secure_soc_write(bad, buf, 4), BRELL_RC_BAD_HANDLE);
    EXPECT_EQ(brell_secure_soc_close(bad), BRELL_RC_BAD_HANDLE);
  }
  EXPECT_EQ(brell_secure_soc_close(h), 0);
}

}  // namespace
