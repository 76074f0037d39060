// The 5250 query reply of a whole session on the loopback host reports the
// device type and model of the terminal type that the session named in its
// negotiation, from the first query on.
#include <gtest/gtest.h>

#include <string>

#include "datastream/TerminalTypes.h"
#include "tests/session/ConnectedSession.h"
#include "tests/support/RegisteredTerminalTypes.h"

namespace {

using namespace session_test;

// Write Structured Field with one 5250 query.
const Bytes kQuery = Record(0x03, B({0x04, 0xF3, 0x00, 0x05, 0xD9, 0x70, 0x00}), 0, 0x40);

// A type name's device type and model as EBCDIC characters: "IBM-3487-HC"
// gives "3487" and "HC ", "IBM-5291-1" gives "5291" and "001".
Bytes Expected(const std::string& name) {
  const std::string type = name.substr(4, 4);
  std::string model = name.substr(9);
  if (model.find_first_not_of("0123456789") == std::string::npos)
    model = std::string(3 - model.size(), '0') + model;
  else
    model += std::string(3 - model.size(), ' ');
  return Ebcdic(type + model);
}

TEST(QueryDeviceTypeTest, EveryRegisteredTypeAnswersWithItsDeviceTypeAndModel) {
  for (const char* name : tn5250_host::kRegisteredDisplayTypes) {
    SCOPED_TRACE(name);
    ConnectedSession s(false);
    ASSERT_TRUE(s.host.Start());
    ASSERT_EQ(s.block->telnet->tel_init("127.0.0.1", s.host.Port()), 0);
    ASSERT_EQ(s.block->telnet->tel_setup(0, name, nullptr), 0);
    ASSERT_TRUE(s.host.WaitNegotiated(kWaitMs, s.pump));
    s.block->telnet->addSocketInput();
    ASSERT_EQ(s.host.TerminalType(), name);

    Bytes replies[2];
    for (Bytes& reply : replies) {
      s.Send(kQuery);
      reply = s.Next();
      ASSERT_EQ(reply.size(), 10u + 71u);
      reply.erase(reply.begin(), reply.begin() + 10);  // the record header
      EXPECT_EQ(reply[2], 0x88);
      EXPECT_EQ(reply[29], 0x01);  // a display station
    }
    const Bytes device(replies[0].begin() + 30, replies[0].begin() + 37);
    EXPECT_EQ(device, Expected(name));
    EXPECT_EQ(Bytes(replies[1].begin() + 30, replies[1].begin() + 37), device);
  }
}

TEST(QueryDeviceTypeTest, BeforeAnyNegotiationTheDefaultTypeIsReported) {
  ConnectedSession s(false);
  EXPECT_EQ(std::string(kTn5250DefaultType), "IBM-3487-HC");
  const DisplayCharacteristics& c = s.display().characteristics();
  Bytes device;
  for (unsigned k = 6; k <= 12; ++k) device.push_back(c.recordByte(k));
  EXPECT_EQ(device, Expected("IBM-3487-HC"));
}

TEST(QueryDeviceTypeTest, NamesThatAreNoDeviceAreRefused) {
  unsigned char type[4], model[3];
  for (const char* bad : {"", "IBM-", "IBM-348-HC", "IBM-3487", "IBM-3487-", "IBM-3487-HCXX", "IBM-3487-H_",
                          "DEC-3487-HC", "IBM-34X7-HC"})
    EXPECT_FALSE(Tn5250DeviceIdentity(bad, type, model)) << bad;
  EXPECT_FALSE(Tn5250DeviceIdentity(nullptr, type, model));
}

}  // namespace
