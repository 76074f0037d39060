// The configuration daemon client against a fake daemon on a loopback
// address: the request it sends, the replies it takes, and the replies it
// refuses (a daemon that closes early, an oversize length, an unterminated
// string, a daemon that never answers) without hanging.
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <string>
#include <vector>

#include "session/ConfigDaemonClient.h"
#include "tests/support/FakeConfigDaemon.h"
#include "tests/support/ScopedEnv.h"

namespace qwtest {
namespace {

// ROT47, the scrambling the daemon applies to a credential.
std::string Scramble(std::string s) {
  qwgetcredDecode(s.data(), static_cast<int>(s.size()));
  return s;
}

class ConfigDaemonClientTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(daemon_.Start()); }
  FakeConfigDaemon daemon_;
  ScopedEnv address_{"IPADDRESS", FakeConfigDaemon::PrivateAddress().c_str()};
  ScopedEnv registry_{"QX_REGISTRY_DIR", "/nonexistent-registry"};
};

TEST_F(ConfigDaemonClientTest, MountSendsTheRequestAndReturnsTheDaemonsCode) {
  daemon_.SetReply(FakeConfigDaemon::Reply({"MESSAGETYPE", "0000000E", "RETURNCODE", "0"}));
  EXPECT_EQ(kdvmountAPI(), 0);
  const std::vector<std::string> requests = daemon_.Requests();
  ASSERT_EQ(requests.size(), 1u);
  const std::string strings = std::string("MESSAGETYPE") + '\0' + "0000000E" + '\0' + "KDVMOUNT" + '\0' +
                              "00000000" + '\0' + "CONFIGDPASSWORD" + '\0' + '\0' + "TIMING" + '\0' +
                              "         1" + '\0';
  ASSERT_EQ(requests[0].size(), 32 + strings.size() + 64);
  EXPECT_EQ(requests[0].substr(32, strings.size()), strings);
  EXPECT_EQ(static_cast<unsigned char>(requests[0][15]), strings.size());
  EXPECT_EQ(requests[0][19], 4);
  // The index: the second string ("0000000E") at offset 12, length 8.
  const std::string index = requests[0].substr(32 + strings.size());
  EXPECT_EQ(index.substr(8, 8), std::string("\0\0\0\x0c\0\0\0\x08", 8));
}

TEST_F(ConfigDaemonClientTest, CredentialComesBackUnscrambled) {
  struct Case {
    std::vector<std::string> reply;
    int rc;
    std::string password;
  };
  const Case cases[] = {
      {{"RETURNCODE", "0", "PASSWORD", Scramble("se%cr%s t")}, 0, "se%cr%s t"},
      {{"returncode", "0", "userid", "QSECOFR", "password", Scramble("lower")}, 0, "lower"},
      {{"RETURNCODE", "0"}, -1, ""},                          // no password
      {{"RETURNCODE", "5", "PASSWORD", Scramble("x")}, -1, ""},  // a refusal
      {{"UNKNOWN", "RETURNCODE", "0", "PASSWORD", Scramble("after")}, 0, "after"},
  };
  for (const Case& c : cases) {
    daemon_.SetReply(FakeConfigDaemon::Reply(c.reply));
    char buffer[64] = "untouched";
    EXPECT_EQ(qwgetcredAPI(buffer, sizeof buffer), c.rc);
    if (c.rc == 0) EXPECT_STREQ(buffer, c.password.c_str());
  }
  daemon_.SetReply(FakeConfigDaemon::Reply({"RETURNCODE", "0", "PASSWORD", Scramble("longpassword")}));
  char shortBuffer[5];
  EXPECT_EQ(qwgetcredAPI(shortBuffer, sizeof shortBuffer), 0);
  EXPECT_STREQ(shortBuffer, "long");
}

TEST_F(ConfigDaemonClientTest, BadRepliesAreRefusedWithinTheTimeLimit) {
  std::vector<unsigned char> good = FakeConfigDaemon::Reply({"RETURNCODE", "0", "PASSWORD", "x"});
  std::vector<unsigned char> oversize = good;
  oversize[12] = 0x7F;  // a length of two gigabytes
  std::vector<unsigned char> unterminated = good;
  unterminated.back() = 'x';
  struct Case {
    const char* name;
    std::vector<unsigned char> bytes;
    bool holdOpen;
  };
  const Case cases[] = {
      {"closes before the header", {0, 0, 0}, false},
      {"closes inside the strings", std::vector<unsigned char>(good.begin(), good.end() - 3), false},
      {"oversize length", oversize, true},
      {"unterminated string", unterminated, false},
      {"never answers", {}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    daemon_.SetReply(c.bytes, c.holdOpen);
    const auto start = std::chrono::steady_clock::now();
    char buffer[16];
    EXPECT_EQ(qwgetcredAPI(buffer, sizeof buffer), -1);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  }
}

TEST(ConfigDaemonClientNoDaemonTest, NoAddressOrNoDaemonGivesMinusOne) {
  for (const char* address : {"not-an-address", "127.255.254.253"}) {
    ScopedEnv env("IPADDRESS", address);
    EXPECT_EQ(kdvmountAPI(), -1) << address;
  }
}

TEST(ConfigReplyTest, ParsesKeysWithoutCaseAndBoundsEveryValue) {
  const std::string longValue(400, 'v');
  std::string area = std::string("Boolean") + '\0' + "yes" + '\0' + "AUTHSERVER" + '\0' + longValue + '\0';
  response_struct reply;
  ASSERT_TRUE(ParseConfigReply(reinterpret_cast<const unsigned char*>(area.data()), area.size(), reply));
  EXPECT_EQ(reply.returnCode, -1);
  EXPECT_EQ(reply.present, static_cast<unsigned>(ConfigHasBoolean | ConfigHasAuthServer));
  EXPECT_STREQ(reply.strings[ConfigBoolean], "yes");
  EXPECT_EQ(std::strlen(reply.strings[ConfigAuthServer]), 255u);
  // A key whose value is missing at the end of the area.
  const std::string cut = std::string("PASSWORD") + '\0';
  EXPECT_FALSE(ParseConfigReply(reinterpret_cast<const unsigned char*>(cut.data()), cut.size(), reply));
  EXPECT_EQ(reply.present, 0u);
}

}  // namespace
}  // namespace qwtest
