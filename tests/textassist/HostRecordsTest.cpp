// The smallest host records of a text-assist session, driven through the
// real data stream manager and display station: the screen they set up,
// the text record that Enter sends, an AID that waits for the host's read,
// Clear Unit, and the same page in both writing directions.
#include <gtest/gtest.h>

#include "tests/textassist/TextStation.h"

namespace {

constexpr unsigned char kLess = 0x4C, kGreater = 0x6E, kT = 0xE3, kR = 0xD9;

Bytes Nulls(unsigned int n) { return Bytes(n, 0x00); }

// The status field of a record with no pending operation.
// The status field; byte 14 carries the last character typed (the locate
// character).
Bytes QuietStatus(unsigned char locate = 0x00) {
  Bytes s(18, 0x00);
  s[1] = 0x10;
  s[2] = 0xD9;
  s[3] = 0x38;
  s[14] = locate;
  return s;
}

TEST(HostRecords, R1SetsUpAnUnlockedTextPage) {
  TextStation s;
  ASSERT_EQ(s.run(R1()), 0u);
  EXPECT_EQ(s.keyboard().state(), KeyboardState::kWordProcessing);
  EXPECT_FALSE(s.keyboard().isLockedState());
  EXPECT_EQ(s.display.cursor().getCursorOffset(), 161u);
  EXPECT_EQ(s.text()->cursorPos, 161u);
  EXPECT_TRUE(s.text()->stateWord() & text_mode::kHostWaits);
  EXPECT_TRUE(s.host.sent.empty());
  // The scale row: the ruler from column 2 with the margins and the tab.
  const Bytes scale = s.row(2);
  EXPECT_EQ(scale[1], kLess);
  EXPECT_EQ(scale[9], kT);
  EXPECT_EQ(scale[69], kGreater);
  EXPECT_EQ(scale[0], 0x00);
  EXPECT_EQ(scale[5], 0x7A);   // the ruler's fifth position, ":"
  EXPECT_EQ(scale[10], 0xF1);  // '1' at the ruler's tenth position
  // The text and the line records.
  EXPECT_EQ(s.screen(s.offset(3, 2), 11), Ebc("HELLO WORLD"));
  EXPECT_EQ(s.text()->lineTable[2].lineId, 1u);
  EXPECT_EQ(s.text()->lineTable[22].lineId, 21u);
  EXPECT_EQ(s.text()->lineTable[23].ctl & line_ctl::kNotText, line_ctl::kNotText);
  // The status row shows line 1 at column 76.
  EXPECT_EQ(s.screen(s.offset(1, 76), 4), (Bytes{0xF1, 0x40, 0x40, 0x40}));
}

TEST(HostRecords, XThenEnterSendsOneLineAndTheStatusField) {
  TextStation s;
  ASSERT_EQ(s.run(R1()), 0u);
  s.type("X");
  s.enter();
  ASSERT_EQ(s.host.sent.size(), 1u);
  const Bytes head = {0x03, 0x03, 0xF1, 0x00, 0x6A, 0xD9, 0x32, 0x00, 0xD0, 0x00, 0x00, 0x00, 0x03, 0x00, 0x02};
  const Bytes lcd = {0x98, 0x02, 0x00, 0x03, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01};
  const Bytes text = Bytes{0x00} + Ebc("XELLO WORLD") + Bytes{0x03} + Nulls(67);
  const Bytes golden = head + Bytes{94} + lcd + text + QuietStatus(0xE7);
  EXPECT_EQ(s.host.sent[0], golden);
  EXPECT_TRUE(s.keyboard().isLockedState());
  EXPECT_FALSE(s.text()->stateWord() & text_mode::kHostWaits);
  // Sent lines are no longer changed: a second read finds nothing to send.
  EXPECT_FALSE(s.text()->lineTable[2].ctl & line_ctl::kChanged);
}

TEST(HostRecords, EnterBeforeTheReadWaitsForR2) {
  TextStation s;
  ASSERT_EQ(s.run(R1(false)), 0u);
  s.type("X");
  s.enter();
  EXPECT_TRUE(s.host.sent.empty());
  EXPECT_TRUE(s.text()->stateWord() & text_mode::kAidPending);
  EXPECT_TRUE(s.keyboard().isLockedState());
  ASSERT_EQ(s.run(R2()), 0u);
  ASSERT_EQ(s.host.sent.size(), 1u);
  const Bytes& r = s.host.sent[0];
  // The write of R2 put the cursor back where the host last placed it.
  EXPECT_EQ(Bytes(r.begin(), r.begin() + 3), (Bytes{0x03, 0x02, 0xF1}));
  ASSERT_EQ(r.size(), 15u + 94u + 18u);
  EXPECT_EQ(Bytes(r.begin() + 16, r.begin() + 29),
            (Bytes{0x98, 0x02, 0x00, 0x03, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01}));
  EXPECT_FALSE(s.text()->stateWord() & text_mode::kAidPending);
  // Nothing more goes with a second read.
  ASSERT_EQ(s.run(Wsf(Rdtxt())), 0u);
  EXPECT_EQ(s.host.sent.size(), 1u);
}

TEST(HostRecords, AReadWithNothingChangedSendsTheHeadAndTheStatusOnly) {
  TextStation s;
  ASSERT_EQ(s.run(R1()), 0u);
  s.enter();
  ASSERT_EQ(s.host.sent.size(), 1u);
  const Bytes& r = s.host.sent[0];
  ASSERT_EQ(r.size(), 15u + 18u);
  EXPECT_EQ(r[3], 0x00);
  EXPECT_EQ(r[4], 12);
  EXPECT_EQ(Bytes(r.begin() + 15, r.end()), QuietStatus());
}

TEST(HostRecords, R3ClearUnitLeavesTextMode) {
  TextStation s;
  ASSERT_EQ(s.run(R1()), 0u);
  ASSERT_EQ(s.run(R3()), 0u);
  EXPECT_NE(s.keyboard().state(), KeyboardState::kWordProcessing);
  EXPECT_FALSE(s.display.modeFlagsB() & DisplayBag::kBWPMode);
  // Text-assist fields are refused outside text mode.
  EXPECT_EQ(s.run(Wsf(Rdtxt())), 0x1005011Cu);
}

// One page in each writing direction: the screen is laid out in the line's
// direction, while the host sees the same logical columns and text.
TEST(HostRecords, BothWritingDirections) {
  struct Case {
    const char* name;
    unsigned char defFlags;   // DFTXT byte 5: 0x01 bidirectional host editor
    unsigned char lineFlags;  // line control byte 4: 0x80 right-to-left line
    unsigned int a, b, c;     // screen columns of "ABC"
    unsigned int cursorAfterWrite, cursorAfterKey;
    unsigned int leftMarginMark, tabMark, rightMarginMark;
    unsigned char leftSymbol, tabSymbol, rightSymbol;
  };
  const Case cases[] = {
      {"left to right", 0x00, 0x00, 1, 2, 3, 2, 3, 2, 10, 70, kLess, kT, kGreater},
      {"right to left", 0x01, 0x80, 80, 79, 78, 79, 78, 79, 71, 11, kGreater, kR, kLess},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TextStation s;
    const Bytes page = Dftxt(c.defFlags, 0x80) + Dfscl(ScaleLine(1, {{2, 1}, {10, 3}, {70, 2}})) +
                       Wrtxt(0x80, 0x00, 0x08, 3, 2, LineRecord({3, Ebc("ABC"), 1, 0x80, 2, c.lineFlags})) +
                       Rdtxt();
    ASSERT_EQ(s.run(Wsf(page)), 0u);
    EXPECT_EQ(s.screen(s.offset(3, c.a), 1), Ebc("A"));
    EXPECT_EQ(s.screen(s.offset(3, c.b), 1), Ebc("B"));
    EXPECT_EQ(s.screen(s.offset(3, c.c), 1), Ebc("C"));
    EXPECT_EQ(s.display.cursor().getCursorOffset(), s.offset(3, c.cursorAfterWrite));
    const Bytes scale = s.row(2);
    EXPECT_EQ(scale[c.leftMarginMark - 1], c.leftSymbol);
    EXPECT_EQ(scale[c.tabMark - 1], c.tabSymbol);
    EXPECT_EQ(scale[c.rightMarginMark - 1], c.rightSymbol);
    s.type("X");
    EXPECT_EQ(s.screen(s.offset(3, c.b), 1), Ebc("X"));
    EXPECT_EQ(s.display.cursor().getCursorOffset(), s.offset(3, c.cursorAfterKey));
    s.enter();
    ASSERT_EQ(s.host.sent.size(), 1u);
    const Bytes& r = s.host.sent[0];
    EXPECT_EQ(Bytes(r.begin(), r.begin() + 3), (Bytes{0x03, 0x03, 0xF1}));
    EXPECT_EQ(r[14], 0x02);
    EXPECT_EQ(r[16 + 4], c.lineFlags);
    EXPECT_EQ(Bytes(r.begin() + 29, r.begin() + 29 + 80), Ebc("AXC") + Nulls(77));
  }
}

}  // namespace

namespace {

// Segments of the other direction: shown reversed within the line, sent
// back in the order the host wrote them.
TEST(HostRecords, SegmentsInBothWritingDirections) {
  struct Case {
    const char* name;
    unsigned char lineFlags;  // 0x20 the line has segments, 0x80 right to left
    unsigned int first;       // column of the first character
    int step;                 // +1 left to right, -1 right to left
    const char* shown;        // the screen from `first` in the line's direction ('[' 0x0B, ']' 0x0D)
  };
  const Case cases[] = {
      {"left to right", 0x20, 1, +1, "AB[ZYX]CD"},
      {"left to right, the segment ends the line", 0x20, 1, +1, "AB[ZYX"},
      {"right to left", 0xA0, 80, -1, "AB[ZYX]CD"},
      {"left to right without segments", 0x00, 1, +1, "AB[XYZ]CD"},
  };
  auto code = [](char c) -> unsigned char {
    if (c == '[') return 0x0B;
    if (c == ']') return 0x0D;
    return Ebc(std::string(1, c))[0];
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string written = std::string(c.shown).find(']') == std::string::npos ? "AB[XYZ" : "AB[XYZ]CD";
    Bytes text;
    for (char ch : written) text.push_back(code(ch));
    TextStation s;
    ASSERT_EQ(s.run(Wsf(Dftxt(0x01, 0x80) + Dfscl(ScaleLine(1, {{2, 1}, {70, 2}})) +
                        Wrtxt(0x80, 0x00, 0x08, 4, 2,
                              LineRecord({3, text, 1, 0x80, 2, c.lineFlags}) + LineRecord({4, {}, 2})) +
                        Rdtxt())),
              0u);
    const std::string shown(c.shown);
    for (size_t i = 0; i < shown.size(); ++i) {
      const int column = static_cast<int>(c.first) + c.step * static_cast<int>(i);
      EXPECT_EQ(s.screen(s.offset(3, static_cast<unsigned int>(column)), 1)[0], code(shown[i])) << i;
    }
    s.text()->setModifiedLineTags(s.offset(3, 40), 0, 0);
    s.enter();
    ASSERT_EQ(s.host.sent.size(), 1u);
    const Bytes& r = s.host.sent[0];
    EXPECT_EQ(Bytes(r.begin() + 29, r.begin() + 29 + static_cast<long>(text.size())), text);
    EXPECT_EQ(Bytes(r.begin() + 29 + static_cast<long>(text.size()), r.begin() + 29 + 80),
              Bytes(80 - text.size(), 0x00));
  }
}

}  // namespace
