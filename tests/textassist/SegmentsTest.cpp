// Text lines with attributes (the combined write and word underscore), segments
// marked by attribute bytes, the cursor inside a segment, and the mirroring of
// characters that run right to left; each written and read back.
#include <string>

#include "tests/textassist/TextStation.h"
#include "textassist/TextSession.h"

namespace {

constexpr unsigned char kOpen = 0x4D, kClose = 0x5D;  // ( and )

// A station in text assist on an 80-column screen: scale line 1 with its
// left margin at column 2 and its right margin at column 70.
uint32_t Page(TextStation& s, unsigned char defFlags, unsigned char flags2) {
  return s.run(Wsf(Dftxt(defFlags, flags2) + Dfscl(ScaleLine(1, {{2, 1}, {70, 2}}))));
}

// The text of the single line entry of a text record.
Bytes SentText(const Bytes& r, bool twoByteLength) {
  const unsigned int lengthBytes = twoByteLength ? 2 : 1;
  const unsigned int entry = twoByteLength ? (r[15] << 8) | r[16] : r[15];
  return Bytes(r.begin() + 15 + lengthBytes + 13, r.begin() + 15 + entry);
}

TEST(CombinedWrite, AttributesAreWrittenAndReadBack) {
  TextStation s;
  ASSERT_EQ(Page(s, 0x00, 0xC0), 0u);
  const Bytes text = Bytes{0x10, 0x01, 0x84} + Ebc("AB") + Bytes{0x10, 0x02, 0x81} + Ebc("C");
  ASSERT_EQ(s.run(Wsf(Wrtxt(0x80, 0x00, 0x08, 3, 2, LineRecord({3, text, 1}, true)) + Rdtxt())), 0u);
  EXPECT_EQ(s.screen(s.offset(3, 1), 4), Ebc("ABC") + Bytes{0x00});
  const unsigned char primary[] = {0x84, 0, 0, 0}, secondary[] = {0, 0, 0x81, 0};
  for (unsigned int c = 0; c < 4; ++c) {
    EXPECT_EQ(s.display.primaryPlane().getCharacter(s.offset(3, 1 + c)), primary[c]) << c;
    EXPECT_EQ(s.display.secondaryPlane().getCharacter(s.offset(3, 1 + c)), secondary[c]) << c;
  }
  // Changed and sent: the host gets the line as it wrote it.
  s.text()->setModifiedLineTags(s.offset(3, 2), 0, 0);
  s.enter();
  ASSERT_EQ(s.host.sent.size(), 1u);
  EXPECT_EQ(SentText(s.host.sent[0], true), text);
}

// A second write of the row without clearing it first replaces the
// attributes of the positions it writes.
TEST(CombinedWrite, AWriteWithoutClearingReplacesTheAttributesItCovers) {
  TextStation s;
  ASSERT_EQ(Page(s, 0x00, 0xC0), 0u);
  const Bytes first = Bytes{0x10, 0x01, 0x84} + Ebc("A") + Bytes{0x10, 0x01, 0x85} + Ebc("B") +
                      Bytes{0x10, 0x01, 0x86} + Ebc("C");
  const Bytes second = Bytes{0x10, 0x02, 0x82} + Ebc("X");
  TextLine again{3, second, 1};
  again.ctl = 0x00;
  ASSERT_EQ(s.run(Wsf(Wrtxt(0x80, 0x00, 0x08, 3, 2, LineRecord({3, first, 1}, true)) +
                      Wrtxt(0x80, 0x00, 0x08, 3, 2, LineRecord(again, true)))),
            0u);
  EXPECT_EQ(s.screen(s.offset(3, 1), 3), Ebc("XBC"));
  EXPECT_EQ(s.display.primaryPlane().getCharacter(s.offset(3, 1)), 0x00);
  EXPECT_EQ(s.display.secondaryPlane().getCharacter(s.offset(3, 1)), 0x82);
  EXPECT_EQ(s.display.primaryPlane().getCharacter(s.offset(3, 2)), 0x85);
}

TEST(CombinedWrite, DamagedAttributeDataIsRefusedBeforeAnythingIsWritten) {
  struct Case {
    const char* name;
    Bytes text;
  };
  const Bytes eighty = Bytes(80, 0xC1);
  const Case cases[] = {
      {"escape cut short", Bytes{0x10, 0x01}},
      {"escape without its value", Bytes{0x10}},
      {"unknown plane", Bytes{0x10, 0x03, 0x84, 0xC1}},
      {"plane 0", Bytes{0x10, 0x00, 0x84, 0xC1}},
      {"value below the attribute range", Bytes{0x10, 0x01, 0x40, 0xC1}},
      {"secondary value beyond its plane", Bytes{0x10, 0x02, 0x8F, 0xC1}},
      {"attribute without its character", Bytes{0x10, 0x01, 0x84, 0xC1, 0x10, 0x02, 0x81}},
      {"81 characters on an 80-column row", Bytes{0x10, 0x01, 0x84} + eighty + Bytes{0xC2}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TextStation s;
    ASSERT_EQ(Page(s, 0x00, 0xC0), 0u);
    // A good line first: the refusal leaves it unwritten too.
    const uint32_t sense = s.run(Wsf(Wrtxt(0x80, 0x00, 0x08, 3, 2,
                                           LineRecord({4, Ebc("GOOD"), 2}, true) + LineRecord({3, c.text, 1}, true))));
    EXPECT_EQ(sense, 0x10050112u);
    EXPECT_EQ(s.row(3), Bytes(80, 0x00));
    EXPECT_EQ(s.row(4), Bytes(80, 0x00));
    EXPECT_EQ(s.display.primaryPlane().getCharacter(s.offset(3, 1)), 0x00);
  }
  // Exactly one row of characters is fine, and so is the ender of a read.
  TextStation s;
  ASSERT_EQ(Page(s, 0x00, 0xC0), 0u);
  EXPECT_EQ(s.run(Wsf(Wrtxt(0x80, 0x00, 0x08, 3, 2,
                            LineRecord({3, Bytes{0x10, 0x01, 0x84} + eighty + Bytes{0xFF}, 1}, true)))),
            0u);
  EXPECT_EQ(s.row(3), eighty);
}

// With the line's word-underscore flag, a secondary value 0x80 marks the
// characters of an underscored word: 0x84 up to its last character, which
// keeps 0x80.
TEST(CombinedWrite, WordUnderscore) {
  struct Case {
    const char* name;
    unsigned char lineFlags;  // line control byte 4: 0x02 word underscore
    unsigned char a, b, c, d; // secondary attributes of A, B, C and D
  };
  const Case cases[] = {
      {"word underscore", 0x02, 0x84, 0x84, 0x80, 0x00},
      {"attributes as written", 0x00, 0x80, 0x80, 0x80, 0x00},
  };
  const Bytes u{0x10, 0x02, 0x80};
  const Bytes text = Bytes{0x10, 0x01, 0x80, 0x40} + u + Ebc("A") + u + Ebc("B") + u + Ebc("C") + Bytes{0x40} + Ebc("D");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TextStation s;
    ASSERT_EQ(Page(s, 0x00, 0xC0), 0u);
    ASSERT_EQ(s.run(Wsf(Wrtxt(0x80, 0x00, 0x08, 3, 2, LineRecord({3, text, 1, 0x80, 2, c.lineFlags}, true)))), 0u);
    EXPECT_EQ(s.screen(s.offset(3, 2), 5), Ebc("ABC D"));
    const unsigned char want[] = {c.a, c.b, c.c, 0x00, c.d};
    for (unsigned int i = 0; i < 5; ++i)
      EXPECT_EQ(s.display.secondaryPlane().getCharacter(s.offset(3, 2 + i)), want[i]) << i;
    TextSession& t = *s.text();
    unsigned int start = 0, end = 0;
    const bool underscored = c.lineFlags != 0;
    EXPECT_EQ(t.WUSIsActive(s.offset(3, 3), Plane0, start, end), underscored);
    if (underscored) {
      EXPECT_EQ(start, s.offset(3, 2));
      EXPECT_EQ(end, s.offset(3, 4));
      EXPECT_FALSE(t.WUSIsActive(s.offset(3, 4), Plane0, start, end));  // the last character itself
      EXPECT_TRUE(t.WUSIsActive(s.offset(3, 4), Plane2, start, end));
      EXPECT_FALSE(t.WUSIsActive(s.offset(3, 6), Plane0, start, end));  // D
    }
    EXPECT_TRUE(t.wordUnderscoreOnLine(3));
    EXPECT_FALSE(t.wordUnderscoreOnLine(4));
  }
}

// Segments opened and closed by attribute bytes with bit 0x10: written
// without the bit and reversed; under restricted editing the closing
// attribute takes the opening position and a blank the closing one.
TEST(Segments, MarkedByAttributeBytes) {
  struct Case {
    const char* name;
    unsigned char defFlags;   // DFTXT byte 5: 0x01 bidirectional editor, 0x08 restricted editing
    unsigned char lineFlags;  // line control byte 4: 0x80 right to left, 0x40 attribute segments, 0x20 marker segments
    uint32_t sense;
    Bytes shown;              // from the row's first position in the line's direction
    bool endsWithAttribute;
  };
  const Bytes written = Ebc("AB") + Bytes{0x31} + Ebc("XYZ") + Bytes{0x32} + Ebc("CD");
  const Case cases[] = {
      {"left to right", 0x01, 0x60, 0, Ebc("AB") + Bytes{0x21} + Ebc("ZYX") + Bytes{0x22} + Ebc("CD"), true},
      {"right to left", 0x01, 0xC0, 0, Ebc("AB") + Bytes{0x21} + Ebc("ZYX") + Bytes{0x22} + Ebc("CD"), true},
      {"restricted editing", 0x09, 0x60, 0, Ebc("AB") + Bytes{0x22} + Ebc("ZYX") + Bytes{0x40} + Ebc("CD"), true},
      {"no attribute segments on the line", 0x01, 0x20, 0x10050112u, Bytes(9, 0x00), false},
      {"right to left without attribute segments", 0x01, 0x80, 0x10050112u, Bytes(9, 0x00), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TextStation s;
    ASSERT_EQ(Page(s, c.defFlags, 0x80), 0u);
    EXPECT_EQ(s.run(Wsf(Wrtxt(0x80, 0x00, 0x08, 3, 2, LineRecord({3, written, 1, 0x80, 2, c.lineFlags})))), c.sense);
    const bool rtl = (c.lineFlags & 0x80) != 0;
    for (unsigned int i = 0; i < c.shown.size(); ++i) {
      const unsigned int column = rtl ? 80 - i : 1 + i;
      EXPECT_EQ(s.screen(s.offset(3, column), 1)[0], c.shown[i]) << i;
    }
    EXPECT_EQ(s.text()->lineTable[2].segments != 0, c.endsWithAttribute);
  }
}

// A line written with attribute segments and sent back unchanged gives the
// host its own bytes: segments in reading order again, the attributes with
// their segment bit, right-to-left characters mirrored back.
TEST(Segments, AttributeSegmentsGoBackInTheHostsOrder) {
  struct Case {
    const char* name;
    unsigned char defFlags;   // DFTXT byte 5: 0x01 bidirectional editor, 0x08 restricted editing
    unsigned char lineFlags;  // 0x80 right to left, 0x40 attribute segments, 0x20 marker segments
    bool mirrorLanguage;      // a language that mirrors ( ) and < >
    Bytes written;
    Bytes sent;               // golden: the line's text in the inbound record, before its nulls
  };
  const Bytes segment = Ebc("AB") + Bytes{0x31} + Ebc("XYZ") + Bytes{0x32} + Ebc("CD");
  const Bytes open = Ebc("AB") + Bytes{0x3A} + Ebc("XYZ");
  const Bytes two = Ebc("A") + Bytes{0x31} + Ebc("XY") + Bytes{0x32} + Ebc("B") + Bytes{0x3F} + Ebc("PQ") +
                    Bytes{0x30} + Ebc("C");
  const Bytes both = Ebc("A") + Bytes{0x0B} + Ebc("XY") + Bytes{0x0D} + Ebc("B") + Bytes{0x31} + Ebc("PQ") +
                     Bytes{0x32} + Ebc("C");
  const Bytes mirrored = Ebc("A") + Bytes{kOpen} + Bytes{0x31} + Ebc("X") + Bytes{kOpen} + Ebc("Y") +
                         Bytes{0x32} + Bytes{kClose} + Ebc("B");
  const Bytes restricted = Ebc("AB") + Bytes{0x22} + Ebc("ZYX") + Bytes{0x40} + Ebc("CD");
  const Case cases[] = {
      {"left to right", 0x01, 0x60, false, segment, segment},
      {"right to left", 0x01, 0xC0, false, segment, segment},
      {"left to right, the segment runs to the line's end", 0x01, 0x60, false, open, open},
      {"right to left, the segment runs to the line's end", 0x01, 0xC0, false, open, open},
      {"left to right, two segments", 0x01, 0x60, false, two, two},
      {"right to left, two segments", 0x01, 0xC0, false, two, two},
      {"left to right, marker and attribute segments", 0x01, 0x60, false, both, both},
      {"right to left, marker and attribute segments", 0x01, 0xE0, false, both, both},
      {"left to right, mirrored characters", 0x01, 0x60, true, mirrored, mirrored},
      {"right to left, mirrored characters", 0x01, 0xC0, true, mirrored, mirrored},
      {"attribute segments only, left to right: written as they come", 0x01, 0x40, false, segment, segment},
      // The opening attribute is not kept on the screen and the segment's end
      // is no longer marked: the line goes back as it is shown.
      {"restricted editing", 0x09, 0x60, false, segment, restricted},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TextStation s;
    ASSERT_EQ(Page(s, c.defFlags, 0x80), 0u);
    if (c.mirrorLanguage) s.text()->textFlagsA |= 1u << 15;
    ASSERT_EQ(s.run(Wsf(Wrtxt(0x80, 0x00, 0x08, 3, 2, LineRecord({3, c.written, 1, 0x80, 2, c.lineFlags})) +
                        Rdtxt())),
              0u);
    s.text()->setModifiedLineTags(s.offset(3, 40), 0, 0);
    s.enter();
    ASSERT_EQ(s.host.sent.size(), 1u);
    const Bytes sent = SentText(s.host.sent[0], false);
    ASSERT_EQ(sent.size(), 80u);
    EXPECT_EQ(Bytes(sent.begin(), sent.begin() + static_cast<long>(c.sent.size())), c.sent);
    EXPECT_EQ(Bytes(sent.begin() + static_cast<long>(c.sent.size()), sent.end()), Bytes(80 - c.sent.size(), 0x00));
  }
}

// The host places the cursor in its own (reading) order: inside a segment
// the position is reflected to where that character is shown, on an end
// marker the cursor goes to the segment's begin marker. The cursor runs in
// the segment's direction, and the poll type tells the translator.
TEST(Segments, TheCursorInsideASegment) {
  struct Case {
    const char* name;
    unsigned char lineFlags;  // 0x20 marker segments, 0x80 right to left
    unsigned int hostColumn;
    unsigned int shownColumn;
    bool segmentEnd;          // the cursor stands for the segment's end
    bool rightToLeft;         // the cursor's direction
    bool inSegment;
    unsigned int poll;        // with a language that mirrors right-to-left text
  };
  // The host wrote "AB[XYZ]CD": left to right A B [ Z Y X ] C D from column
  // 1, right to left the same from column 80 leftwards.
  const Case cases[] = {
      {"on X", 0x20, 4, 6, false, true, true, 2},
      {"on Z", 0x20, 6, 4, false, true, true, 2},
      {"on Y", 0x20, 5, 5, false, true, true, 2},
      {"on the end marker", 0x20, 7, 3, true, true, true, 2},
      {"after the segment", 0x20, 8, 8, false, false, false, 1},
      {"before the segment", 0x20, 2, 2, false, false, false, 1},
      {"right-to-left line, on X", 0xA0, 4, 75, false, false, true, 6},
      {"right-to-left line, before the segment", 0xA0, 2, 79, false, true, false, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TextStation s;
    ASSERT_EQ(Page(s, 0x01, 0x80), 0u);
    const Bytes text = Ebc("AB") + Bytes{0x0B} + Ebc("XYZ") + Bytes{0x0D} + Ebc("CD");
    ASSERT_EQ(s.run(Wsf(Wrtxt(0x80, 0x00, 0x08, 3, c.hostColumn, LineRecord({3, text, 1, 0x80, 2, c.lineFlags})) +
                        Rdtxt())),
              0u);
    EXPECT_EQ(s.display.cursor().getCursorOffset(), s.offset(3, c.shownColumn));
    TextSession& t = *s.text();
    EXPECT_EQ((t.modes & (1u << 19)) != 0, c.segmentEnd);
    EXPECT_EQ((s.display.modeFlagsA() & DisplayBag::kARTLCursor) != 0, c.rightToLeft);
    EXPECT_EQ(t.positionInSegment(s.offset(3, c.shownColumn)), c.inSegment);
    t.textFlagsA |= 1u << 15;
    unsigned int changed = 1;
    EXPECT_EQ(t.determinePollType(changed), c.poll);
  }
}

// Characters that run right to left are shown mirrored when the language
// asks for it (paired brackets swap); the host reads them back as written.
TEST(Segments, RightToLeftCharactersAreMirrored) {
  struct Case {
    const char* name;
    bool language;            // the keyboard's language mirrors right-to-left text
    unsigned char lineFlags;  // 0x80 right to left, 0x20 marker segments
    Bytes written;
    Bytes shown;              // from the row's first position in the line's direction
  };
  const Bytes ltrSegment = Ebc("A") + Bytes{0x0B, kOpen} + Ebc("X") + Bytes{kClose, 0x0D} + Ebc("B");
  const Case cases[] = {
      {"right-to-left line", true, 0x80, Ebc("A") + Bytes{kOpen} + Ebc("B") + Bytes{kClose},
       Ebc("A") + Bytes{kClose} + Ebc("B") + Bytes{kOpen}},
      {"right-to-left line, language without mirroring", false, 0x80,
       Ebc("A") + Bytes{kOpen} + Ebc("B") + Bytes{kClose}, Ebc("A") + Bytes{kOpen} + Ebc("B") + Bytes{kClose}},
      {"segment of a left-to-right line", true, 0x20, ltrSegment,
       Ebc("A") + Bytes{0x0B, kOpen} + Ebc("X") + Bytes{kClose, 0x0D} + Ebc("B")},
      {"left-to-right segment of a right-to-left line", true, 0xA0,
       Ebc("A") + Bytes{kOpen, 0x0B, kOpen} + Ebc("X") + Bytes{0x0D},
       Ebc("A") + Bytes{kClose, 0x0B} + Ebc("X") + Bytes{kOpen, 0x0D}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TextStation s;
    ASSERT_EQ(Page(s, 0x01, 0x80), 0u);
    if (c.language) s.text()->textFlagsA |= 1u << 15;
    ASSERT_EQ(s.run(Wsf(Wrtxt(0x80, 0x00, 0x08, 4, 2,
                              LineRecord({3, c.written, 1, 0x80, 2, c.lineFlags}) + LineRecord({4, {}, 2})) +
                        Rdtxt())),
              0u);
    const bool rtl = (c.lineFlags & 0x80) != 0;
    for (unsigned int i = 0; i < c.shown.size(); ++i) {
      const unsigned int column = rtl ? 80 - i : 1 + i;
      EXPECT_EQ(s.screen(s.offset(3, column), 1)[0], c.shown[i]) << i;
    }
    s.text()->setModifiedLineTags(s.offset(3, 40), 0, 0);
    s.enter();
    ASSERT_EQ(s.host.sent.size(), 1u);
    const Bytes sent = SentText(s.host.sent[0], false);
    EXPECT_EQ(Bytes(sent.begin(), sent.begin() + static_cast<long>(c.written.size())), c.written);
  }
}

// The shaper's deletion of one character closes the row up in the row's
// direction.
TEST(Segments, DeletingOneCharacterInEachDirection) {
  struct Case {
    const char* name;
    unsigned char lineFlags;
    int direction;
    unsigned int a, b;  // columns
    const char* left;   // columns 1..5 afterwards
  };
  const Case cases[] = {
      {"left to right, at b", 0x00, 1, 1, 2, "ACD  "},
      {"left to right, at a", 0x00, 0, 1, 2, "BCD  "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TextStation s;
    ASSERT_EQ(Page(s, 0x01, 0x80), 0u);
    ASSERT_EQ(s.run(Wsf(Wrtxt(0x80, 0x00, 0x08, 3, 2, LineRecord({3, Ebc("ABCD"), 1, 0x80, 2, c.lineFlags})))), 0u);
    s.text()->delCharAtCursor(s.offset(3, c.a), s.offset(3, c.b), c.direction);
    Bytes want = Ebc(c.left);
    for (auto& ch : want) if (ch == 0x40) ch = 0x00;
    EXPECT_EQ(s.screen(s.offset(3, 1), 5), want);
  }
  // A right-to-left row closes up towards its end at the right.
  TextStation s;
  ASSERT_EQ(Page(s, 0x01, 0x80), 0u);
  ASSERT_EQ(s.run(Wsf(Wrtxt(0x80, 0x00, 0x08, 3, 2, LineRecord({3, Ebc("ABCD"), 1, 0x80, 2, 0x80})))), 0u);
  s.text()->delCharAtCursor(0, s.offset(3, 79), 1);  // B
  const Bytes closedUp = Bytes{0x00, 0x00} + Ebc("DCA");
  EXPECT_EQ(s.screen(s.offset(3, 76), 5), closedUp);
}

}  // namespace
