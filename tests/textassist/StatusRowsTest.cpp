// The rows around the text: operator errors on the error row, the line
// number, audit window and pitch on the status row, and the scale row that
// follows the cursor's scale line.
#include <gtest/gtest.h>

#include "tests/textassist/TextStation.h"

namespace {

Bytes Table(unsigned char type, unsigned char id, const Bytes& entries) {
  return Field(type, Bytes{id} + entries);
}

TEST(StatusRows, OperatorErrors) {
  struct Case {
    const char* name;
    Bytes tables;
    unsigned int code;
    Bytes shown;
  };
  const Bytes nulls(6, 0x00);
  const Case cases[] = {
      {"no host text", {}, 72, {0x2A, 0xF0, 0xF0, 0xF7, 0xF2, 0x27}},
      {"the host's text", Table(0x39, 0x01, Bytes{7, 0x00, 0x72} + Ebc("BAD.")), 72, Ebc("BAD.") + Bytes{0, 0}},
      {"the host's text of another error", Table(0x39, 0x01, Bytes{7, 0x00, 0x71} + Ebc("BAD.")), 72,
       {0x2A, 0xF0, 0xF0, 0xF7, 0xF2, 0x27}},
      {"special error 253", {}, 253, {0x2A, 0xF1, 0xF1, 0xF1, 0xF1, 0x27}},
      {"special error 254", {}, 254, {0x2A, 0xF9, 0xF9, 0xF9, 0xF9, 0x27}},
      {"clear the error row", {}, 255, nulls},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TextStation s;
    ASSERT_EQ(s.run(R1()), 0u);
    if (!c.tables.empty()) ASSERT_EQ(s.run(Wsf(c.tables)), 0u);
    ASSERT_EQ(s.run(Wsf(Wrtxt(0x80, 0x00, 0x00, 3, 2, LineRecord({24, Ebc("PROMPT"), 0, 0xA0})))), 0u);
    const Bytes before = s.row(24);
    s.text()->operatorerror(c.code);
    EXPECT_TRUE(s.text()->errorFlag());
    EXPECT_TRUE(s.keyboard().isLockedState());
    EXPECT_EQ(s.screen(s.offset(24, 1), 6), c.shown);
    EXPECT_EQ(s.screen(s.offset(24, 7), 74), Bytes(74, 0x00));
    // A second error changes nothing; Reset puts the row back.
    const Bytes shown = s.row(24);
    s.text()->operatorerror(70);
    EXPECT_EQ(s.row(24), shown);
    s.text()->c_textreset();
    EXPECT_FALSE(s.text()->errorFlag());
    EXPECT_EQ(s.row(24), before);
    EXPECT_FALSE(s.keyboard().isLockedState());
  }
}

TEST(StatusRows, LineNumbers) {
  struct Case {
    const char* name;
    unsigned int lineId;
    bool half;
    Bytes shown;
  };
  const Bytes blank4(4, 0x40);
  const Case cases[] = {
      {"15 half lines", 7, true, {0xF7, 0xB8, 0x40, 0x40}},
      {"20 half lines", 10, false, {0xF1, 0xF0, 0x40, 0x40}},
      {"1 half line", 0, true, {0xB8, 0x40, 0x40, 0x40}},
      {"line 1234", 1234, false, {0xF1, 0xF2, 0xF3, 0xF4}},
      {"line 1234 and a half keeps three digits", 1234, true, {0xF2, 0xF3, 0xF4, 0xB8}},
      {"line 65535", 65535, false, {0xF5, 0xF5, 0xF3, 0xF5}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TextStation s;
    ASSERT_EQ(s.run(Wsf(Dftxt(0x00, 0x80) + Dfscl(ScaleLine(1, {{2, 1}, {70, 2}})) +
                        Wrtxt(c.half ? 0xC0 : 0x80, 0x00, 0x08, 3, 2, LineRecord({3, Ebc("A"), c.lineId})))),
              0u);
    EXPECT_EQ(s.screen(s.offset(1, 76), 4), c.shown);
  }
  // Line 0 leaves the field as it was.
  TextStation s;
  ASSERT_EQ(s.run(Wsf(Dftxt(0x00, 0x80))), 0u);
  s.display.presentationSpace().writeCharacter(s.offset(1, 76), 0xC1);
  ASSERT_EQ(s.run(Wsf(Dfscl(ScaleLine(1, {{2, 1}, {70, 2}})) +
                      Wrtxt(0x80, 0x00, 0x08, 3, 2, LineRecord({3, Ebc("A"), 0})))),
            0u);
  EXPECT_EQ(s.screen(s.offset(1, 76), 4), (Bytes{0xC1, 0x00, 0x00, 0x00}));
}

TEST(StatusRows, TheAuditWindowShowsOnlyItsEntry) {
  TextStation s;
  ASSERT_EQ(s.run(R1()), 0u);
  // Entries for 'H' (long) and 'E' (short).
  ASSERT_EQ(s.run(Wsf(Table(0x30, 0x01, Bytes{14, 0xC8} + Ebc("HEADING TEXT") + Bytes{3, 0xC5} + Ebc("E")) +
                      Wrtxt(0x80, 0x00, 0x08, 3, 2, {}))),
            0u);
  EXPECT_EQ(s.screen(s.offset(1, 41), 20), Ebc("HEADING TEXT") + Bytes(8, 0x00));
  ASSERT_EQ(s.run(Wsf(Wrtxt(0x80, 0x20, 0x08, 3, 3, {}))), 0u);
  EXPECT_EQ(s.screen(s.offset(1, 41), 20), Ebc("E") + Bytes(19, 0x00));
}

TEST(StatusRows, TheScaleRowFollowsTheCursorsScaleLine) {
  TextStation s;
  ASSERT_EQ(s.run(Wsf(Dftxt(0x00, 0x80) +
                      Dfscl(ScaleLine(1, {{2, 1}, {10, 3}, {70, 2}}) + ScaleLine(2, {{5, 1}, {20, 5}, {60, 2}})) +
                      Wrtxt(0x80, 0x00, 0x08, 3, 2,
                            LineRecord({3, Ebc("ONE"), 1}) + LineRecord({4, Ebc("TWO"), 2, 0x80, 2, 0, 2})))),
            0u);
  EXPECT_EQ(s.row(2)[9], 0xE3);
  // The status row is there too: the scale row is redrawn all the same.
  ASSERT_EQ(s.text()->textDef.statusRow, 1u);
  ASSERT_EQ(s.run(Wsf(Wrtxt(0x80, 0x20, 0x08, 4, 6, {}))), 0u);
  const Bytes scale = s.row(2);
  EXPECT_EQ(scale[4], 0x4C);
  EXPECT_EQ(scale[19], 0xC3);
  EXPECT_EQ(scale[59], 0x6E);
  EXPECT_NE(scale[9], 0xE3);
}

// A row that carries a line prompt shows the host's prompt for key 252 on the
// prompt row when the cursor comes onto it, and the prompt goes when the
// cursor leaves; no key is pressed, so restricted editing refuses nothing.
TEST(StatusRows, TheLinePromptFollowsTheCursor) {
  for (unsigned char flags : {0x00, 0x08}) {
    SCOPED_TRACE(flags ? "restricted editing" : "free editing");
    TextStation s;
    TextLine prompted{4, Ebc("NAME"), 2};
    prompted.spacing = 0x82;
    const Bytes lines = LineRecord({3, Ebc("FIRST"), 1}) + LineRecord(prompted) + LineRecord({5, Ebc("THIRD"), 3});
    const Bytes entry = Bytes{0x04, 13, 252, 7} + Ebc("ENTER NAME");
    ASSERT_EQ(s.run(Wsf(Dftxt(flags, 0x80) + Dfscl(ScaleLine(1, {{2, 1}, {70, 2}})) + Field(0x31, entry) +
                        Wrtxt(0x80, 0x00, 0x08, 3, 2, lines))),
              0u);
    EXPECT_EQ(s.row(24), Bytes(80, 0x00));
    s.key(FunctionWord{1, 7});
    ASSERT_EQ(s.text()->cursorPos, s.offset(4, 2));
    EXPECT_EQ(s.row(24), Ebc("ENTER NAME") + Bytes(70, 0x00));
    EXPECT_FALSE(s.text()->errorFlag());
    // Typing on the row leaves the prompt as it is.
    s.type("X");
    EXPECT_EQ(s.row(24), Ebc("ENTER NAME") + Bytes(70, 0x00));
    s.key(FunctionWord{1, 7});
    ASSERT_EQ(s.text()->cursorPos, s.offset(5, 3));
    EXPECT_EQ(s.row(24), Bytes(80, 0x00));
    s.key(FunctionWord{1, 6});
    EXPECT_EQ(s.row(24), Ebc("ENTER NAME") + Bytes(70, 0x00));
    EXPECT_FALSE(s.text()->errorFlag());
    EXPECT_TRUE(s.host.sent.empty());
  }
}

TEST(StatusRows, ThePitchOfTheScaleLine) {
  TextStation s;
  const Bytes pitches = Table(0x3A, 0x01, Bytes{5} + Ebc("10CP") + Bytes{5} + Ebc("12CP"));
  ASSERT_EQ(s.run(Wsf(Dftxt(0x00, 0x80) + pitches + Dfscl(ScaleLine(1, {{2, 1}, {70, 2}, {2, 12}})) +
                      Wrtxt(0x80, 0x00, 0x08, 3, 2, LineRecord({3, Ebc("A"), 1})))),
            0u);
  const unsigned int at = s.offset(1, 1) + s.text()->textDef.pitchColumn;
  EXPECT_EQ(s.screen(at, 4), Ebc("12CP"));
  // A scale line may not name a pitch the table does not have.
  EXPECT_EQ(s.run(Wsf(Dfscl(ScaleLine(1, {{2, 1}, {70, 2}, {3, 12}})))), 0x10050112u);
}

}  // namespace

namespace {

// The ruler has 140 positions: an offset near its end shows what is left of
// it and nothing beyond; the right-to-left ruler's offset never goes below 0.
TEST(StatusRows, RulerOffsetsStayInsideTheRuler) {
  struct Case {
    const char* name;
    unsigned char defFlags, flags2, ltr, rtl, lineFlags;
    unsigned int inked;  // positions of the scale row that show the ruler or a mark
  };
  // With defFlags bit 31 the row outside the margins (columns 2..70) is
  // nulled: the ruler's last 10 positions and the right margin mark at 130,
  // columns 2..70 at 0.
  const Case cases[] = {
      {"left to right at 130", 0x81, 0x80, 130, 0, 0x00, 11},
      {"left to right at 0", 0x81, 0x80, 0, 0, 0x00, 69},
      {"right to left at 0 with attribute planes", 0x80, 0xC0, 0, 0, 0x80, 0},
      {"right to left at 139", 0x81, 0x80, 0, 139, 0x80, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TextStation s;
    ASSERT_EQ(s.run(Wsf(Dftxt(c.defFlags, c.flags2) + Dfscl(ScaleLine(1, {{2, 1}, {70, 2}}), c.ltr, c.rtl) +
                        Wrtxt(0x80, 0x00, 0x08, 3, 2,
                              LineRecord({3, Ebc("A"), 1, 0x80, 2, c.lineFlags}, c.flags2 == 0xC0)))),
              0u);
    const Bytes scale = s.row(2);
    unsigned int inked = 0;
    for (unsigned char b : scale) inked += b != 0 ? 1 : 0;
    if (c.inked) EXPECT_EQ(inked, c.inked);
  }
  // An offset past the ruler is refused.
  TextStation s;
  ASSERT_EQ(s.run(Wsf(Dftxt(0x81, 0x80))), 0u);
  EXPECT_EQ(s.run(Wsf(Dfscl(ScaleLine(1, {{2, 1}, {70, 2}}), 140, 0))), 0x10050112u);
}

}  // namespace

namespace {

// The status row's compare looks at exactly n bytes: the strings are held in
// buffers of exactly n bytes (a read past them is caught by the address
// sanitizer), and a difference just after them is not one.
TEST(StatusRows, CompareLooksAtExactlyNBytes) {
  struct Case {
    const char* name;
    Bytes a, b;
    unsigned int n;
    int sign;
  };
  const Case cases[] = {
      {"equal", {0xF1, 0xF2, 0xF3, 0xF4}, {0xF1, 0xF2, 0xF3, 0xF4}, 4, 0},
      {"differ in the first byte", {0xF1, 0x40, 0x40, 0x40}, {0xF2, 0x40, 0x40, 0x40}, 4, -1},
      {"differ in the last byte", {0x40, 0x40, 0x40, 0xF9}, {0x40, 0x40, 0x40, 0xF1}, 4, 1},
      {"a difference after n bytes is none", {0xF1, 0xF2, 0xF3, 0xC1}, {0xF1, 0xF2, 0xF3, 0xC2}, 3, 0},
      {"one byte", {0xC1}, {0xC1}, 1, 0},
      {"no bytes", {0xC1}, {0xC2}, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    // Heap copies of exactly n bytes.
    std::vector<unsigned char> a(c.a.begin(), c.a.begin() + c.n), b(c.b.begin(), c.b.begin() + c.n);
    const int r = TextSession::mystrncmp(c.n ? a.data() : c.a.data(), c.n ? b.data() : c.b.data(), c.n);
    EXPECT_EQ((r > 0) - (r < 0), c.sign);
  }
}

}  // namespace
