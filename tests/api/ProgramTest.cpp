// The programming interface of the qw5250 program itself: started with -ECL
// against the loopback host, it listens on the loopback address only, answers
// a client that speaks the wire format and reports its session to a listener.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/EclClient.h"
#include "tests/support/FreePort.h"
#include "tests/support/Qw5250ProgramTest.h"
#include "tests/support/TestClock.h"
#include "tests/support/TestHost5250.h"

namespace qwtest {
namespace {

constexpr int kWaitMs = 30000;

std::vector<uint8_t> Gds(const std::vector<uint8_t>& body) {
  const size_t n = body.size() + 10;
  std::vector<uint8_t> r = {static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(n), 0x12, 0xA0, 0x00, 0x00,
                            0x04, 0x00, 0x00, 0x03};
  r.insert(r.end(), body.begin(), body.end());
  return r;
}

// The local addresses (hex, as the kernel shows them) that listen on `port`.
std::vector<std::string> ListeningAddresses(int port) {
  std::vector<std::string> out;
  std::ifstream in("/proc/net/tcp");
  std::string line;
  std::getline(in, line);
  char wanted[8];
  std::snprintf(wanted, sizeof wanted, "%04X", port);
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string slot, local, remote, state;
    fields >> slot >> local >> remote >> state;
    if (state == "0A" && local.size() > 5 && local.substr(local.size() - 4) == wanted)
      out.push_back(local.substr(0, local.size() - 5));
  }
  return out;
}

class EclProgramTest : public Qw5250ProgramTest {};

TEST_F(EclProgramTest, ProgramServesClientsOnTheLoopbackAddressOnly) {
  TestHost5250 host;
  ASSERT_TRUE(host.Start());
  EclEventListener listener;
  ASSERT_TRUE(listener.Start());
  const int port = FreeLoopbackPort();
  ASSERT_NE(port, 0);
  ChildProcess& qw = startQw({"-ECL", "-PORT", std::to_string(host.Port()), "-RETRY_COUNT", "0", "127.0.0.1"},
                             {"QW_ECL_PORT=" + std::to_string(port), "QW_ECL_EVENT_HOST=127.0.0.1",
                              "QW_ECL_EVENT_PORT=" + std::to_string(listener.Port())});
  ASSERT_TRUE(host.WaitNegotiated(kWaitMs)) << qw.Output();
  host.SendRecord(Gds({0x04, 0x40, 0x04, 0x11, 0x00, 0x08, 0x11, 1, 1, 0xC8, 0xC5, 0xD3, 0xD3, 0xD6, 0x04, 0x52, 0x00, 0x00}));  // "HELLO", Read MDT Fields
  ASSERT_TRUE(host.Barrier(kWaitMs)) << qw.Output();

  // The session's start reached the listener.
  EclEventListener::Event e;
  ASSERT_TRUE(listener.Next(&e, kWaitMs)) << qw.Output();
  EXPECT_EQ(e.type, 2u);
  ASSERT_FALSE(e.data.empty());
  EXPECT_EQ(e.data[0], 1);
  EXPECT_EQ(std::string(e.data.begin() + 9, e.data.end()), "127.0.0.11");

  EclClient client;
  uint32_t handshake = 0;
  Deadline deadline(kWaitMs);
  while (!client.Connect(port, &handshake) && !deadline.Expired()) {
  }
  ASSERT_EQ(handshake, 1u) << qw.Output();
  EXPECT_EQ(ListeningAddresses(port), std::vector<std::string>{"0100007F"});

  std::vector<std::string> names;
  ASSERT_TRUE(client.SessionNames(&names));
  ASSERT_EQ(names, std::vector<std::string>{"127.0.0.1 1"});
  int32_t rc = 0;
  uint32_t handle = 0, number = 0;
  ASSERT_TRUE(client.FindSession(names[0], &rc, &handle, &number));
  ASSERT_EQ(rc, 1);
  EclClient::Screen screen;
  ASSERT_TRUE(client.ReadScreen(handle, &rc, &screen));
  ASSERT_EQ(rc, 1);
  EXPECT_EQ(screen.text.substr(0, 5), "HELLO");

  // SendKeys reaches the host as an Enter record.
  ASSERT_TRUE(client.Call(13, 2, EclHandleText(handle, "[enter]"), 0, &rc));
  EXPECT_EQ(rc, 1);
  std::vector<uint8_t> record;
  ASSERT_TRUE(host.WaitForRecord(kWaitMs, nullptr, &record)) << qw.Output();
  ASSERT_GT(record.size(), 12u);
  EXPECT_EQ(record[12], 0xF1);

  // Stopping the last session answers first, then the program ends.
  ASSERT_TRUE(client.Call(3, 1, EclHandle(handle), 0, &rc));
  EXPECT_EQ(rc, 1);
  EXPECT_TRUE(client.WaitClosed(kWaitMs));
  EXPECT_TRUE(listener.Next(&e, kWaitMs));
  EXPECT_EQ(e.type, 2u);
  EXPECT_TRUE(!e.data.empty() && e.data[0] == 0);
}

}  // namespace
}  // namespace qwtest
