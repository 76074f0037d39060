// Session ids, instance numbers, the session event record and the trace dump.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "session/SessionIds.h"
#include "session/SessionTable.h"
#include "session/TraceDump.h"
#include "tests/support/LogCapture.h"

namespace {

TEST(SessionIdsTest, ChoiceOfTheId) {
  struct Case {
    const char* name;
    std::string requested;
    std::set<std::string> taken;
    std::string id;
    bool isDefault;
    const char* logId;  // QWC id logged, or ""
  } cases[] = {
      {"free request", "PAYROLL", {}, "PAYROLL", false, ""},
      {"taken request", "PAYROLL", {"PAYROLL"}, "A", true, "QWC0176"},
      {"numbered form", "X+3", {"X1", "X2"}, "X3", false, ""},
      {"numbered form all taken", "X+3", {"X1", "X2", "X3", "A"}, "B", true, "QWC0175"},
      {"two-digit count", "S+12", {"S1", "S2", "S3", "S4", "S5", "S6", "S7", "S8", "S9", "S10"}, "S11", false, ""},
      {"no request", "", {"A", "B"}, "C", true, ""},
      {"after Z comes AA", "", {}, "AA", true, ""},
      {"three digits are no count", "X+123", {}, "X+123", false, ""},
      {"cut to 20 characters", "ABCDEFGHIJKLMNOPQRSTUVWXYZ", {}, "ABCDEFGHIJKLMNOPQRST", false, ""},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (std::string(c.name) == "after Z comes AA")
      for (char l = 'A'; l <= 'Z'; ++l) c.taken.insert(std::string(1, l));
    qwtest::LogCapture log;
    bool isDefault = false;
    const std::string id =
        ChooseSessionId(c.requested, [&c](const std::string& s) { return c.taken.count(s) > 0; }, &isDefault);
    EXPECT_EQ(id, c.id);
    EXPECT_EQ(isDefault, c.isDefault);
    if (*c.logId) EXPECT_TRUE(log.Contains(c.logId));
  }
}

TEST(SessionIdsTest, AllDefaultIdsTakenGivesNone) {
  bool isDefault = false;
  EXPECT_EQ(ChooseSessionId("", [](const std::string&) { return true; }, &isDefault), "");
}

TEST(SessionIdsTest, InstanceIsTheSmallestFree) {
  struct Case {
    std::set<int> taken;
    int instance;
  } cases[] = {{{}, 1}, {{1}, 2}, {{2}, 1}, {{1, 2, 3}, 4}, {{1, 3}, 2}};
  for (const Case& c : cases)
    EXPECT_EQ(SmallestFreeInstance([&c](int n) { return c.taken.count(n) > 0; }), c.instance);
}

TEST(SessionEventRecordTest, InstanceNumberIsDecimalText) {
  struct Case {
    int instance;
    std::string tail;
  } cases[] = {{1, "h1"}, {9, "h9"}, {10, "h10"}, {42, "h42"}};
  for (const Case& c : cases) {
    const std::string r = SessionEventRecord(1, 3, "h", c.instance);
    const std::string expected = std::string("\x01\x00\x00\x00\x03\x00\x00\x00", 8) +
                                 static_cast<char>(c.tail.size()) + c.tail;
    EXPECT_EQ(r, expected) << c.instance;
  }
}

TEST(TraceDumpTest, LinesOfSixteenBytes) {
  unsigned char table[256] = {};
  for (int i = 0; i < 256; ++i) table[i] = static_cast<unsigned char>(i);
  table[0xC1] = 'A';
  table[0xC2] = 'B';
  struct Case {
    const char* name;
    std::vector<unsigned char> data;
    std::vector<std::string> lines;
  } cases[] = {
      {"empty", {}, {}},
      {"seventeen bytes",
       {0xC1, 0xC2, 0x40, 0x00, 0x41, 0x7E, 0x7F, 0xFF, 0xC1, 0xC1, 0xC1, 0xC1, 0xC1, 0xC1, 0xC1, 0xC1, 0xC2},
       {"00000000    C1C24000 417E7FFF C1C1C1C1 C1C1C1C1  |AB .A~..AAAAAAAA|\n",
        "00000010    C2" + std::string(35, ' ') + "|B" + std::string(15, ' ') + "|\n"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    qwtest::LogCapture log;
    DumpBytesWithTable(table, c.data.data(), static_cast<int>(c.data.size()), 8);
    ASSERT_EQ(log.Lines().size(), c.lines.size());
    for (size_t i = 0; i < c.lines.size(); ++i) {
      const std::string& got = log.Lines()[i];  // after the level prefix
      ASSERT_GE(got.size(), c.lines[i].size());
      EXPECT_EQ(got.substr(got.size() - c.lines[i].size()), c.lines[i]);
    }
  }
}

}  // namespace
