#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "platform/Auth.h"
#include "platform/AuthSession.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"
#include "tests/support/TestUser.h"

namespace {

// "openssl passwd -6 -salt abcdefgh secret"
const char* kSecretHash =
    "$6$abcdefgh$ltjgWl6579NluT/Vi1nwEvcil.G5Nbc4NiXZaNGStk8PSwGfQv72N2CKPPrVACtLtip/cZ/1GM/O6IND4WQhG.";

class AuthTest : public ::testing::Test {
 protected:
  AuthTest()
      : file_(dir_.WriteFile("passwd", std::string("alice:") + kSecretHash + "\nroot:" + kSecretHash +
                                           "\nlocked:!" + kSecretHash + "\nempty:\n")),
        env_("QX_AUTH_FILE", file_.c_str()) {
    chmod(file_.c_str(), 0600);
  }
  qwtest::TempDir dir_;
  std::string file_;
  qwtest::ScopedEnv env_;
};

TEST_F(AuthTest, PasswordsAreCheckedAgainstTheFile) {
  struct {
    const char* user;
    const char* password;
    int allowRoot;
    int result;
  } cases[] = {
      {"alice", "secret", 0, AuthOk},      {"alice", "Secret", 0, AuthRejected},
      {"alice", "", 0, AuthRejected},      {"bob", "secret", 0, AuthRejected},
      {"root", "secret", 0, AuthRejected}, {"root", "secret", 1, AuthOk},
      {"locked", "secret", 0, AuthRejected}, {"empty", "", 0, AuthRejected},
      {"ali", "secret", 0, AuthRejected},  {"alice:x", "secret", 0, AuthBadArgument},
      {"", "secret", 0, AuthBadArgument},  {nullptr, "secret", 0, AuthBadArgument},
  };
  for (const auto& c : cases) {
    AuthLoginInfo info;
    EXPECT_EQ(AuthSimplePassword(c.user, c.password, &info, c.allowRoot, 0), c.result)
        << (c.user ? c.user : "null") << "/" << c.password;
    if (c.result == AuthOk) EXPECT_STREQ(info.user, c.user);
  }
  AuthLoginInfo info;
  void* home = &info;
  void* profile = &info;
  EXPECT_EQ(AuthAnyLogin("pcnfsd", "alice", "secret", &info, &home, 0, 0, &profile), AuthOk);
  EXPECT_STREQ(info.server, "pcnfsd");
  EXPECT_EQ(home, nullptr);
  EXPECT_EQ(profile, nullptr);
  EXPECT_EQ(AuthAnyLogin("pcnfsd", "root", "secret", &info, nullptr, 0, 0, nullptr), AuthRejected);
  EXPECT_EQ(AuthACTLoginPresent("pcnfsd"), 0);
}

TEST_F(AuthTest, AFileOthersMayWriteIsNotTrusted) {
  chmod(file_.c_str(), 0666);
  AuthLoginInfo info;
  EXPECT_EQ(AuthSimplePassword("alice", "secret", &info, 0, 0), AuthNoFile);
  qwtest::ScopedEnv none("QX_AUTH_FILE", (dir_.Path() + "/missing").c_str());
  EXPECT_EQ(AuthSimplePassword("alice", "secret", &info, 0, 0), AuthNoFile);
}

TEST_F(AuthTest, ANameWithoutAnAccountGetsNoSession) {
  qwtest::ScopedEnv user("USER", "nobody"), logname("LOGNAME", nullptr);
  AuthLoginInfo info;
  ASSERT_EQ(AuthSimplePassword("alice", "secret", &info, 0, 0), AuthOk);
  // The file vouches for the password; the session's programs would need
  // an account of the system to run as.
  EXPECT_EQ(AuthSetLoginInfo(&info, 0, 0, nullptr, "/qxhome", 0, nullptr, 0, 0, 0), AuthRejected);
  EXPECT_FALSE(AuthSessionOpen());
  EXPECT_STREQ(getenv("USER"), "nobody");
  EXPECT_EQ(getenv("LOGNAME"), nullptr);
}

}  // namespace

namespace {

// Without QX_AUTH_FILE the system's accounts decide, through PAM.
TEST(PamAuthTest, PasswordsOfTheSystemsAccounts) {
  qwtest::ScopedEnv noFile("QX_AUTH_FILE", nullptr);
  qwtest::TestUser user("S3cret-pass");
  ASSERT_TRUE(user.Ok()) << user.Error();
  const char* name = user.Name().c_str();
  struct {
    const char* user;
    const char* password;
    int result;
  } cases[] = {
      {name, "S3cret-pass", AuthOk},
      {name, "s3cret-pass", AuthRejected},
      {name, "", AuthRejected},
      {name, "S3cret-pass ", AuthRejected},
      {"qwt-no-such-user", "S3cret-pass", AuthRejected},
      {"root", "anything", AuthRejected},  // root only with allowRoot
  };
  for (const auto& c : cases) {
    AuthLoginInfo info;
    EXPECT_EQ(AuthSimplePassword(c.user, c.password, &info, 0, 0), c.result) << c.user << "/" << c.password;
    if (c.result == AuthOk) EXPECT_STREQ(info.user, c.user);
  }
  AuthLoginInfo info;
  EXPECT_EQ(AuthAnyLogin("server", name, "S3cret-pass", &info, nullptr, 0, 0, nullptr), AuthOk);
  EXPECT_STREQ(info.server, "server");
  // A service PAM does not know falls back to its "other" rules, which
  // still check the account; the name is kept for later checks.
  AuthSetServiceName("qwt-unknown-service");
  EXPECT_STREQ(AuthServiceName(), "qwt-unknown-service");
  EXPECT_EQ(AuthSimplePassword(name, "wrong", &info, 0, 0), AuthRejected);
  AuthSetServiceName(nullptr);
  EXPECT_STREQ(AuthServiceName(), "login");
}

}  // namespace
