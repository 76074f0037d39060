// A headless session on the loopback TN5250 host: the real Telnet
// transport, the record glue, the TCP host interface, the data stream
// manager and a display station over a recording device.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "datastream/TelnetLAN.h"
#include "datastream/TelnetSessionLink.h"
#include "tests/datastream/RecordGlueFixtures.h"
#include "tests/support/HostRecords.h"
#include "tests/support/PollEventSources.h"
#include "tests/support/TestHost5250.h"

namespace glue_test {

using qwtest::TestHost5250;

constexpr int kLoopbackWaitMs = 10000;



// The session side: what a session block does for the transport and the
// glue, without a window.
class HeadlessSession : public TelnetSessionLink, public RecordGlueLink {
 public:
  explicit HeadlessSession(EventSources& events) : events_(events) {}

  // TelnetSessionLink.
  EventSources& eventSources() override { return events_; }
  int s5250_accept(const unsigned char* data, int length) override {
    return length > 0 ? ::s5250_accept(*glue, data, static_cast<size_t>(length)) : 0;
  }
  void s5250_accept_eor() override { ::s5250_accept_eor(*glue); }
  void connectError(const char* msgName, int) override { errors.emplace_back(msgName); }
  int negotiateTimeoutSeconds() const override { return 5; }
  int connectTimeoutSeconds() const override { return 5; }

  // RecordGlueLink.
  int tel_senddata(const char* data, int length) override { return telnet->tel_senddata(data, length); }
  int tel_sendeor() override { return telnet->tel_sendeor(); }

  TelnetLAN* telnet = nullptr;
  RecordGlue* glue = nullptr;
  std::vector<std::string> errors;

 private:
  EventSources& events_;
};

struct Loopback {
  qwtest::PollEventSources events;
  HeadlessSession session{events};
  TelnetLAN telnet{session};
  std::vector<unsigned char> outbound = std::vector<unsigned char>(kRecordBufferSize);
  std::vector<unsigned char> reassembly = std::vector<unsigned char>(kRecordBufferSize);
  RecordGlue glue{session, outbound.data(), reassembly.data()};
  std::unique_ptr<StationWith<HostInterfaceTCP>> station;
  TestHost5250 host;
  TestHost5250::Pump pump = [this] { events.ProcessPending(10); };

  Loopback() {
    session.telnet = &telnet;
    session.glue = &glue;
    station = std::make_unique<StationWith<HostInterfaceTCP>>(&glue);
    glue.setHostInterface(&station->host);
    EXPECT_TRUE(host.Start());
    EXPECT_EQ(telnet.tel_init("127.0.0.1", host.Port()), 0);
    EXPECT_EQ(telnet.tel_setup(0, nullptr, nullptr), 0);
    EXPECT_TRUE(host.WaitNegotiated(kLoopbackWaitMs, pump));
    telnet.addSocketInput();
  }
  ~Loopback() {
    telnet.tel_close();
    glue.setHostInterface(nullptr);
  }

  DisplayBag& display() { return station->display; }
  // Sends a record and waits until the session has taken it.
  void Send(const Bytes& record) { qwtest::SendRecordAndSettle(host, pump, kLoopbackWaitMs, record); }
  Bytes Next() { return qwtest::NextRecord(host, pump, kLoopbackWaitMs); }
  // Everything the session sent that has not been taken yet.
  std::vector<Bytes> Pending() { return qwtest::PendingRecords(host, pump, kLoopbackWaitMs); }
};

inline Bytes Header(uint8_t opcode, size_t n, uint8_t flags1, uint8_t flags2) {
  const size_t len = n + 10;
  return {static_cast<uint8_t>(len >> 8), static_cast<uint8_t>(len), 0x12, 0xA0, 0, 0, 0x04, flags1, flags2, opcode};
}

// 04 11 (Write to Display) with CC1 0x00 and CC2 0x08 (unlock), the orders
// given.
inline Bytes WriteToDisplay(const Bytes& orders) { return Cat({B({0x04, 0x11, 0x00, 0x08}), orders}); }
inline Bytes SetBufferAddress(int row, int column) { return B({0x11, row, column}); }

}  // namespace glue_test
