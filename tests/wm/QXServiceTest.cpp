#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string>

#include "platform/sdk/QXService.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"

namespace {

class QXServiceTest : public ::testing::Test {
 protected:
  QXServiceTest() : env_("QX_SERVICE_DIR", (dir_.Path() + "/svc").c_str()) {}
  qwtest::TempDir dir_;
  qwtest::ScopedEnv env_;
};

TEST_F(QXServiceTest, WholeMessagesBothWaysInAPrivateDirectory) {
  QXService* listener = nullptr;
  ASSERT_EQ(QXServiceListen("tempreg", &listener), 0);
  struct stat st;
  ASSERT_EQ(stat((dir_.Path() + "/svc").c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);

  QXService* client = nullptr;
  ASSERT_EQ(QXServiceOpen("tempreg", &client), 0);
  QXService* server = nullptr;
  ASSERT_EQ(QXServiceAccept(listener, &server), 0);
  EXPECT_GE(QXServiceSelectFD(server), 0);

  const std::string big(QXServiceMaxMessage, 'b');
  ASSERT_EQ(QXServiceSend(client, "abc", 3), 0);
  ASSERT_EQ(QXServiceSend(client, big.data(), big.size()), 0);
  EXPECT_EQ(QXServiceSend(client, big.data(), big.size() + 1), EINVAL) << "bounded messages";
  char buf[QXServiceMaxMessage];
  size_t n = 0;
  ASSERT_EQ(QXServiceReceive(server, buf, sizeof buf, &n), 0);
  EXPECT_EQ(std::string(buf, n), "abc") << "message boundaries are kept";
  ASSERT_EQ(QXServiceReceive(server, buf, sizeof buf, &n), 0);
  EXPECT_EQ(n, big.size());
  EXPECT_EQ(QXServiceReceive(server, buf, sizeof buf, &n), EAGAIN);

  // A message larger than the buffer is dropped whole, not cut.
  ASSERT_EQ(QXServiceSend(server, "0123456789", 10), 0);
  EXPECT_EQ(QXServiceReceive(client, buf, 4, &n), EMSGSIZE);
  EXPECT_EQ(n, 0u);

  // A second listener under the same live name is refused.
  QXService* second = nullptr;
  EXPECT_EQ(QXServiceListen("tempreg", &second), EADDRINUSE);

  // An empty message is a message, not the peer's end.
  ASSERT_EQ(QXServiceSend(client, "", 0), 0);
  n = 99;
  EXPECT_EQ(QXServiceReceive(server, buf, sizeof buf, &n), 0);
  EXPECT_EQ(n, 0u);
  EXPECT_EQ(QXServiceReceive(server, buf, sizeof buf, &n), EAGAIN);

  QXServiceClose(client);
  EXPECT_EQ(QXServiceReceive(server, buf, sizeof buf, &n), EPIPE) << "the peer has gone";
  QXServiceClose(server);
  QXServiceClose(listener);
  EXPECT_EQ(QXServiceOpen("tempreg", &client), ENOENT) << "the listener's name goes with it";
}

TEST_F(QXServiceTest, StaleNameOfADeadListenerIsReplaced) {
  char dir[256];
  ASSERT_EQ(QXServiceDirectory(dir, sizeof dir), 0);
  // As a crash would leave it: the socket name stays, nobody listens.
  sockaddr_un addr = {};
  addr.sun_family = AF_UNIX;
  std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s/*snmp", dir);
  int fd = socket(AF_UNIX, SOCK_SEQPACKET, 0);
  ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  close(fd);
  QXService* listener = nullptr;
  ASSERT_EQ(QXServiceListen("*snmp", &listener), 0);
  QXService* client = nullptr;
  EXPECT_EQ(QXServiceOpen("*snmp", &client), 0);
  QXServiceClose(client);
  QXServiceClose(listener);
}

TEST_F(QXServiceTest, BadNamesAndUnsafeDirectoriesAreRefused) {
  const char* bad[] = {"", "..", ".hidden", "a/b", "a b", "x\n", nullptr};
  for (const char* name : bad) {
    QXService* s = reinterpret_cast<QXService*>(1);
    EXPECT_EQ(QXServiceListen(name, &s), EINVAL) << (name ? name : "null");
    EXPECT_EQ(s, nullptr);
  }
  EXPECT_FALSE(QXServiceNameValid(std::string(QXServiceMaxName + 1, 'n').c_str()));
  EXPECT_TRUE(QXServiceNameValid(std::string(QXServiceMaxName, 'n').c_str()));

  const std::string open = dir_.Path() + "/open";
  ASSERT_EQ(mkdir(open.c_str(), 0755), 0);
  qwtest::ScopedEnv env("QX_SERVICE_DIR", open.c_str());
  QXService* s = nullptr;
  EXPECT_EQ(QXServiceListen("tempreg", &s), EPERM) << "a directory others may enter";

  const std::string link = dir_.Path() + "/link";
  ASSERT_EQ(symlink((dir_.Path() + "/svc").c_str(), link.c_str()), 0);
  qwtest::ScopedEnv env2("QX_SERVICE_DIR", link.c_str());
  EXPECT_EQ(QXServiceListen("tempreg", &s), EPERM) << "a symbolic link";
}

}  // namespace
