// The four kinds of tables a text-assist host defines, each kept twice.
#include <gtest/gtest.h>

#include "datastream/TextHostTables.h"
#include "tests/textassist/TextStation.h"

namespace {

Bytes Define(unsigned char id, const Bytes& entries) {
  const unsigned int n = static_cast<unsigned int>(entries.size()) + 5;
  return Bytes{static_cast<unsigned char>(n >> 8), static_cast<unsigned char>(n), 0xD9, 0x30, id} + entries;
}

TEST(HostTables, DefiningAndLookingUp) {
  TextHostTables t;
  uint32_t sense = 0;
  t.dfaud(Define(0x01, Bytes{4, 0xC1, 0xC2, 0xC3}).data(), sense);
  t.dfaud(Define(0x01, Bytes{4, 0xC1, 0xF1, 0xF2}).data(), sense);
  ASSERT_EQ(sense, 0u);
  unsigned char audit[22];
  unsigned int index = 9;
  ASSERT_TRUE(t.getAuditWindowEntry(0, 0xC1, audit, index));
  EXPECT_EQ(audit[2], 0xC2);  // the first definition stays
  EXPECT_EQ(index, 0u);
  // 0x85 is table 1; 0xFF empties both.
  t.dfaud(Define(0x85, Bytes{3, 0xC4, 0xC5}).data(), sense);
  EXPECT_TRUE(t.getAuditWindowEntry(1, 0xC4, audit, index));
  EXPECT_FALSE(t.getAuditWindowEntry(0, 0xC4, audit, index));
  t.dfaud(Define(0xFF, {}).data(), sense);
  EXPECT_FALSE(t.getAuditWindowEntry(0, 0xC1, audit, index));
  EXPECT_FALSE(t.getAuditWindowEntry(1, 0xC4, audit, index));
  EXPECT_EQ(t.getTableID(0, TextHostTables::kAudit), 0xFF);
}

TEST(HostTables, RefusedDefinitions) {
  struct Case {
    const char* name;
    unsigned int kind;
    Bytes entries;
    uint32_t sense;
  };
  const Case cases[] = {
      {"command key 25", 1, {3, 25, 1}, 0x10050112},
      {"function 7 for key 1", 1, {3, 1, 7}, 0x10050112},
      {"function 0", 1, {3, 252, 0}, 0x10050112},
      {"audit entry of 1 byte", 0, {1}, 0x10050110},
      {"audit entry of 23 bytes", 0, Bytes{23} + Bytes(22, 0xC1), 0x10050110},
      {"entry past the data", 2, {9, 0x00, 0x72, 0xC1}, 0x10050110},
      {"audit data filling the table", 0, Bytes(512, 2), 0x10050110},
      {"pitch entry of 4 bytes", 3, {4, 0xF1, 0xF2, 0xF3}, 0x10050110},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TextHostTables t;
    uint32_t sense = 0;
    const Bytes cmd = Define(0x02, c.entries);
    switch (c.kind) {
      case 0: t.dfaud(cmd.data(), sense); break;
      case 1: t.dfcdk(cmd.data(), sense); break;
      case 2: t.dfoem(cmd.data(), sense); break;
      default: t.dfpitch(cmd.data(), sense); break;
    }
    EXPECT_EQ(sense, c.sense);
    EXPECT_EQ(t.getTableID(0, c.kind), 0xFF);
  }
  TextHostTables t;
  uint32_t sense = 0;
  t.dfcdk(Define(0x02, {3, 252, 7}).data(), sense);
  EXPECT_EQ(sense, 0u);
  unsigned char key[82];
  EXPECT_TRUE(t.getCmdKeyEntry(0, 252, false, key));
}

TEST(HostTables, SixteenPitchesFillTheTable) {
  TextHostTables t;
  Bytes entries;
  for (unsigned char i = 1; i <= 16; ++i) entries = entries + Bytes{5, i, 0xC3, 0xD7, 0xC9};
  uint32_t sense = 0;
  t.dfpitch(Define(0x03, entries).data(), sense);
  ASSERT_EQ(sense, 0u);
  EXPECT_EQ(t.numPitchTableEntries(0), 16u);
  unsigned char pitch[4];
  EXPECT_TRUE(t.getPitchEntry(0, 16, pitch));
  EXPECT_EQ(pitch[0], 16);
  EXPECT_FALSE(t.getPitchEntry(0, 17, pitch));
}

TEST(HostTables, CommandKeysRemapWithTheFirstEntry) {
  TextHostTables t;
  uint32_t sense = 0;
  t.dfcdk(Define(0x04, {3, 1, 2, 3, 3, 5}).data(), sense);
  ASSERT_EQ(sense, 0u);
  unsigned char entry[82];
  // Function 2 and the mode set: key 1 becomes key 3.
  ASSERT_TRUE(t.getCmdKeyEntry(0, 1, true, entry));
  EXPECT_EQ(entry[1], 3);
  ASSERT_TRUE(t.getCmdKeyEntry(0, 1, false, entry));
  EXPECT_EQ(entry[1], 1);
}

}  // namespace
