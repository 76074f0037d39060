#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/sdk/EvtApp.h"
#include "platform/sdk/QXService.h"
#include "platform/sdk/SdkUtil.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"
#include "wm/services/Tempreg.h"
#include "wm/session/ScreenState.h"

namespace {

using Bytes = std::vector<unsigned char>;

class TempregServiceTest : public ::testing::Test {
 protected:
  TempregServiceTest() : env_("QX_SERVICE_DIR", (dir_.Path() + "/svc").c_str()) {}
  void SetUp() override {
    std::memset(&state_, 0, sizeof state_);
    state_.sdk.app = EvtCreateAppContext();
    ASSERT_EQ(StartTempregService(&state_), 0);
  }
  void TearDown() override {
    StopTempregService(&state_);
    EXPECT_EQ(EvtAppInputCount(state_.sdk.app), 0) << "every descriptor unwatched";
    EvtDestroyAppContext(state_.sdk.app);
  }
  QXService* Connect() {
    QXService* c = nullptr;
    EXPECT_EQ(QXServiceOpen("tempreg", &c), 0);
    return c;
  }
  // Sends a request and runs the service until the reply is there.
  Bytes Ask(QXService* c, const Bytes& req) {
    EXPECT_EQ(QXServiceSend(c, req.data(), req.size()), 0);
    unsigned char buf[2048];
    size_t n = 0;
    for (int i = 0; i < 200; ++i) {
      EvtAppProcessOnce(state_.sdk.app, 10);
      if (QXServiceReceive(c, buf, sizeof buf, &n) == 0) return Bytes(buf, buf + n);
    }
    return {};
  }
  static Bytes Open(int mode, const char* name) {
    Bytes b = {'O', static_cast<unsigned char>(mode)};
    b.insert(b.end(), name, name + std::strlen(name) + 1);
    return b;
  }
  static uint32_t StatusOf(const Bytes& b) { return b.size() == 4 ? ReadBigLong(b.data()) : 0xFFFFFFFF; }
  void Settle() {
    for (int i = 0; i < 5; ++i) EvtAppProcessOnce(state_.sdk.app, 10);
  }

  qwtest::TempDir dir_;
  qwtest::ScopedEnv env_;
  ScreenState state_;
};

TEST_F(TempregServiceTest, ClientsCreateReadUpdateAndDeleteItems) {
  QXService* a = Connect();
  ASSERT_EQ(StatusOf(Ask(a, Open(4, "note"))), 0u);
  Bytes w = {'W', 0, 0, 0, 5, 'h', 'e', 'l', 'l', 'o'};
  EXPECT_EQ(Ask(a, w), (Bytes{1, 0, 0, 0, 5}));
  EXPECT_EQ(Ask(a, Bytes{'S', 0, 0, 0, 0, 1}), (Bytes{1, 0, 0, 0, 1}));
  Bytes u = {'W', 0, 0, 0, 1, 'E'};
  EXPECT_EQ(Ask(a, u), (Bytes{1, 0, 0, 0, 1}));
  EXPECT_EQ(QXServiceSend(a, "C", 1), 0);
  Settle();  // a close has no reply to wait for

  QXService* b = Connect();
  ASSERT_EQ(StatusOf(Ask(b, Open(0, "note"))), 0u);
  EXPECT_EQ(Ask(b, Bytes{'R', 0, 0, 0, 9}), (Bytes{1, 0, 0, 0, 5, 'h', 'E', 'l', 'l', 'o'}));
  EXPECT_EQ(StatusOf(Ask(a, Open(0, "note"))), 13u) << "b holds it open";
  Bytes del = {'D', 'n', 'o', 't', 'e', 0};
  EXPECT_EQ(StatusOf(Ask(a, del)), 0u);
  EXPECT_EQ(QXServiceSend(b, "C", 1), 0);
  Settle();
  EXPECT_EQ(StatusOf(Ask(a, Open(0, "note"))), 2u) << "deleted at b's close";
  QXServiceClose(a);
  QXServiceClose(b);
  Settle();
}

TEST_F(TempregServiceTest, AnItemLeftOpenByADeadClientIsReleased) {
  QXService* dying = Connect();
  ASSERT_EQ(StatusOf(Ask(dying, Open(4, "held"))), 0u);
  QXServiceClose(dying);  // as a crash would: no close request
  Settle();
  QXService* next = Connect();
  EXPECT_EQ(StatusOf(Ask(next, Open(0, "held"))), 0u);
  QXServiceClose(next);
  Settle();
}

TEST_F(TempregServiceTest, GarbageGetsNoReplyAndLeavesTheServiceWorking) {
  QXService* c = Connect();
  const Bytes garbage[] = {{'Z'}, {'R'}, {'S', 1}, {'C'}, {0xFF, 0xFF, 0xFF}};
  for (const Bytes& g : garbage) ASSERT_EQ(QXServiceSend(c, g.data(), g.size()), 0);
  // Over-long requests are dropped whole.
  Bytes huge(3000, 'W');
  ASSERT_EQ(QXServiceSend(c, huge.data(), huge.size()), 0);
  EXPECT_EQ(StatusOf(Ask(c, Open(4, "after"))), 0u) << "the first reply is the open's";
  QXServiceClose(c);
  Settle();
}

}  // namespace
