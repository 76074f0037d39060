// Records that the data stream refuses: each maps to its negative-response
// sense code, changes no plane or cursor position it should not, and leaves
// the station ready for the next record.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "datastream/DsmSense.h"
#include "tests/datastream/DsmRecords.h"

namespace {

struct Case {
  const char* name;
  std::vector<unsigned int> bytes;
  uint32_t sense;
};

// `head` followed by `count` bytes of `fill`.
std::vector<unsigned int> Filled(std::vector<unsigned int> head, size_t count, unsigned int fill) {
  head.insert(head.end(), count, fill);
  return head;
}

const Case kCases[] = {
    // The command level.
    {"escape ends the record", {0x04}, 0x10050121},
    {"no escape", {0xC1, 0xC2}, 0x10050131},
    {"write to display without control characters", {0x04, 0x11}, 0x10050121},
    {"write to display with one control character", {0x04, 0x11, 0x00}, 0x10050121},
    {"read input fields without control characters", {0x04, 0x42, 0x00}, 0x10050121},
    {"command 0x34 in display mode", {0x04, 0x34}, 0x1003011C},
    {"copy to printer", {0x04, 0x16}, 0x10030103},
    {"unknown command", {0x04, 0x99}, 0x10030101},
    {"save screen not last", {0x04, 0x02, 0x00}, 0x10050121},
    {"read screen not last", {0x04, 0x62, 0x00}, 0x10050121},
    {"read immediate not last", {0x04, 0x72, 0x04, 0x40}, 0x10050121},
    {"clear unit alternate without its parameter", {0x04, 0x20}, 0x10050121},
    {"clear unit alternate to 27 x 132 on a 24 x 80 station", {0x04, 0x20, 0x00}, 0x10030101},
    {"clear unit alternate to 32 x 80 on a 24 x 80 station", {0x04, 0x20, 0x01}, 0x10030101},
    {"clear unit alternate to 43 x 80 on a 24 x 80 station", {0x04, 0x20, 0x02}, 0x10030101},
    {"clear unit alternate, unknown parameter", {0x04, 0x20, 0x05}, 0x10030105},
    {"display customisation not interpreted", {0x04, 0xF4, 0x00, 0x06, 0xD9, 0x71, 0x00, 0x00}, 0x10050110},
    {"structured field of length 0", {0x04, 0xF3, 0x00, 0x00, 0xD9, 0x70}, 0x10050110},
    // Set buffer address.
    {"SBA cut short", {0x04, 0x11, 0x00, 0x00, 0x11, 0x05}, 0x10050121},
    {"SBA row 0", {0x04, 0x11, 0x00, 0x00, 0x11, 0x00, 0x05}, 0x10050122},
    {"SBA row beyond the screen", {0x04, 0x11, 0x00, 0x00, 0x11, 25, 0x01}, 0x10050122},
    {"SBA column beyond the screen", {0x04, 0x11, 0x00, 0x00, 0x11, 0x01, 81}, 0x10050122},
    {"SBA column 0 on row 2", {0x04, 0x11, 0x00, 0x00, 0x11, 0x02, 0x00}, 0x10050122},
    {"SBA row 1 column 0 before data", {0x04, 0x11, 0x00, 0x00, 0x11, 0x01, 0x00, 0xC1}, 0x10050122},
    // Repeat to address.
    {"RA before the display address", {0x04, 0x11, 0x00, 0x00, 0x11, 5, 10, 0x02, 5, 5, 0x5C}, 0x10050123},
    {"RA row beyond the screen", {0x04, 0x11, 0x00, 0x00, 0x02, 25, 1, 0x5C}, 0x10050122},
    {"RA column 0", {0x04, 0x11, 0x00, 0x00, 0x02, 2, 0, 0x5C}, 0x10050122},
    {"RA without its character", {0x04, 0x11, 0x00, 0x00, 0x02, 5, 5}, 0x10050121},
    // Erase to address.
    {"EA with no types", {0x04, 0x11, 0x00, 0x00, 0x03, 2, 1, 0x01, 0x00}, 0x10050110},
    {"EA with five types", {0x04, 0x11, 0x00, 0x00, 0x03, 2, 1, 0x06, 0, 1, 2, 3, 0xFF}, 0x10050110},
    {"EA type 4", {0x04, 0x11, 0x00, 0x00, 0x03, 2, 1, 0x02, 0x04}, 0x1005012D},
    {"EA good type then bad", {0x04, 0x11, 0x00, 0x00, 0x03, 2, 1, 0x03, 0x00, 0x09}, 0x1005012D},
    {"EA types cut short", {0x04, 0x11, 0x00, 0x00, 0x03, 2, 1, 0x03, 0x00}, 0x10050121},
    {"EA before the display address", {0x04, 0x11, 0x00, 0x00, 0x11, 3, 1, 0x03, 2, 1, 0x02, 0x00}, 0x10050123},
    // Cursor orders.
    {"IC column 0", {0x04, 0x11, 0x00, 0x00, 0x13, 2, 0}, 0x10050122},
    {"IC cut short", {0x04, 0x11, 0x00, 0x00, 0x13, 2}, 0x10050121},
    {"MC row beyond the screen", {0x04, 0x11, 0x00, 0x00, 0x14, 30, 1}, 0x10050122},
    // Write extended attribute.
    {"WEA type 4", {0x04, 0x11, 0x00, 0x00, 0x12, 0x04, 0x80}, 0x1005012D},
    {"WEA type 5", {0x04, 0x11, 0x00, 0x00, 0x12, 0x05, 0x80}, 0x1005012F},
    {"WEA primary value 0x40", {0x04, 0x11, 0x00, 0x00, 0x12, 0x01, 0x40}, 0x1005012F},
    {"WEA colour value 0x90", {0x04, 0x11, 0x00, 0x00, 0x12, 0x03, 0x90}, 0x1005012F},
    {"WEA cut short", {0x04, 0x11, 0x00, 0x00, 0x12, 0x01}, 0x10050121},
    // A null at the last display position moves the address onto the message line.
    {"WEA on the message line", {0x04, 0x11, 0x00, 0x00, 0x11, 24, 80, 0x00, 0x12, 0x01, 0x80}, 0x10050110},
    // Data.
    {"data past the last display position", {0x04, 0x11, 0x00, 0x00, 0x11, 24, 79, 0xC1, 0xC2, 0xC3}, 0x1005012A},
    // Transparent data.
    {"TD longer than the record", {0x04, 0x11, 0x00, 0x00, 0x10, 0x00, 0x05, 0xC1}, 0x10050110},
    {"TD with one length byte", {0x04, 0x11, 0x00, 0x00, 0x10, 0x00}, 0x10050110},
    {"TD order ends the record", {0x04, 0x11, 0x00, 0x00, 0x10}, 0x10050121},
    {"TD past the screen", {0x04, 0x11, 0x00, 0x00, 0x11, 24, 80, 0x10, 0x00, 0x60}, 0x1005012A},
    {"TD into the message line", Filled({0x04, 0x11, 0x00, 0x00, 0x11, 24, 80, 0x10, 0x00, 80}, 80, 0xC1), 0x1005012A},
    {"TD of two at the last display position", {0x04, 0x11, 0x00, 0x00, 0x11, 24, 80, 0x10, 0x00, 0x02, 0xC1, 0xC2},
     0x1005012A},
    // Start of header.
    {"SOH length 0", {0x04, 0x11, 0x00, 0x00, 0x01, 0x00}, 0x1005012B},
    {"SOH length 8", {0x04, 0x11, 0x00, 0x00, 0x01, 0x08, 0, 0, 0, 0, 0, 0, 0, 0}, 0x1005012B},
    {"SOH cut short", {0x04, 0x11, 0x00, 0x00, 0x01, 0x03, 0x00}, 0x10050121},
    {"SOH order ends the record", {0x04, 0x11, 0x00, 0x00, 0x01}, 0x10050121},
    // Orders interpreted by later machines.
    {"start field attribute outside 0x20-0x3F", {0x04, 0x11, 0x00, 0x00, 0x1D, 0x1F, 0x00, 0x05}, 0x10050130},
    {"structured field order of length 0", {0x04, 0x11, 0x00, 0x00, 0x15, 0x00, 0x00, 0xD9, 0x52}, 0x10050110},
};

class Malformed : public ::testing::TestWithParam<Case> {};

TEST_P(Malformed, MapsToItsSenseAndChangesNoPlane) {
  const Case& c = GetParam();
  DsmStation s;
  ASSERT_EQ(s.run(Record().clearUnit().wtd(0, 0x08).sba(3, 1).text("Existing screen").ic(4, 4)), 0u);
  ASSERT_EQ(s.run(Record().wtd(0, 0).sba(2, 1).wea(3, 0x85).text("more")), 0u);
  const std::string before = s.planes();

  std::vector<unsigned char> r(c.bytes.begin(), c.bytes.end());
  EXPECT_EQ(s.run(r), c.sense);
  EXPECT_EQ(s.planes(), before);
  EXPECT_TRUE(s.manager().arena().isEmpty());
  EXPECT_EQ(s.manager().rootMachine().state, 0);
  EXPECT_EQ(s.manager().rootMachine().child, nullptr);
  EXPECT_EQ(s.table().validateFormatTable(nullptr), 0);

  // The next record is interpreted as if nothing had happened.
  ASSERT_EQ(s.run(Record().wtd(0, 0).sba(20, 1).text("after")), 0u);
  EXPECT_EQ(s.screen(s.offset(20, 1), 5), Cp037("after"));
}

INSTANTIATE_TEST_SUITE_P(Records, Malformed, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& info) {
                           std::string n;
                           for (const char* p = info.param.name; *p; ++p)
                             n += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
                           return n;
                         });

// What the orders before the bad one wrote stays on the screen.
TEST(Malformed, OrdersBeforeTheBadOneKeepWhatTheyWrote) {
  DsmStation s;
  ASSERT_EQ(s.run(Record().clearUnit()), 0u);
  EXPECT_EQ(s.run(Record().wtd(0, 0).sba(2, 1).text("kept").sba(0, 1)), dsm_sense::kBadRowColumn);
  EXPECT_EQ(s.screen(s.offset(2, 1), 4), Cp037("kept"));
}

// A rejected record clears the format table (outside word processing).
TEST(Malformed, RejectionClearsTheFormatTable) {
  DsmStation s;
  ASSERT_EQ(s.run(Record().clearUnit()), 0u);
  s.entry(kLTRField, {{100, 109}});
  ASSERT_EQ(s.table().fieldCount(), 1u);
  EXPECT_EQ(s.run(Record().bytes({0x04, 0x99})), dsm_sense::kUnknownCommand);
  EXPECT_EQ(s.table().fieldCount(), 0u);
}

}  // namespace
