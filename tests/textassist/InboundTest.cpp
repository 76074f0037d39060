// The inbound text record beyond the smallest records: line ids after a
// send, and a page too large for one record, which keeps the unsent rows
// changed for the next.
#include <gtest/gtest.h>

#include "tests/textassist/TextStation.h"

namespace {

DisplayCharacteristics Wide() {
  DisplayCharacteristics c;
  c.word[1] |= 1u << kWord1Wide27x132Bit;
  c.word[5] = (3696u << 16) | (27u << 8) | 132u;
  return c;
}

TEST(Inbound, UnnumberedLinesAreNumberedAfterASend) {
  TextStation s;
  Bytes lines;
  for (unsigned int r = 3; r <= 8; ++r) {
    TextLine l{r, Ebc("L"), r * 10};
    if (r == 5) l.newLine = 1;
    lines = lines + LineRecord(l);
  }
  ASSERT_EQ(s.run(PageRecord(0x00, 0x80, ScaleLine(1, {{2, 1}, {70, 2}}), lines, true)), 0u);
  s.enter();
  ASSERT_EQ(s.host.sent.size(), 1u);
  const TextSession& t = *s.text();
  EXPECT_EQ(t.lineTable[4].newLine, 0);
  EXPECT_EQ(t.lineTable[3].lineId, 40u);
  EXPECT_EQ(t.lineTable[4].lineId, 51u);
  EXPECT_EQ(t.lineTable[7].lineId, 81u);
}

TEST(Inbound, APageLargerThanOneRecordGoesInTwo) {
  TextStation s(Wide());
  // Extended-attribute planes: 2-byte lengths.
  ASSERT_EQ(s.run(Wsf(Dftxt(0x00, 0xC0) + Dfscl(ScaleLine(1, {{2, 1}, {130, 2}})))), 0u);
  ASSERT_EQ(s.text()->cols, 132u);
  Bytes lines;
  for (unsigned int r = 3; r <= 26; ++r) lines = lines + LineRecord({r, Bytes(132, 0xC1), r}, true);
  ASSERT_EQ(s.run(Wsf(Wrtxt(0x80, 0x00, 0x08, 3, 2, lines) + Rdtxt())), 0u);
  // Every position of every text row carries an attribute of its own:
  // four bytes each.
  TextSession& t = *s.text();
  for (unsigned int r = 3; r <= 26; ++r) {
    for (unsigned int c = 1; c <= 132; ++c)
      s.display.primaryPlane().writeCharacter(s.offset(r, c), (c & 1) ? 0x82 : 0x84);
    t.setModifiedLineTags(s.offset(r, 2), 0, 0);
  }
  s.enter();
  ASSERT_EQ(s.host.sent.size(), 1u);
  ASSERT_LE(s.host.sent[0].size(), TextSession::kRecordBuffer) << s.host.sent[0].size();
  EXPECT_GT(s.host.sent[0].size(), 7000u);
  unsigned int stillChanged = 0;
  for (unsigned int r = 3; r <= 26; ++r) stillChanged += (t.lineTable[r - 1].ctl & line_ctl::kChanged) ? 1 : 0;
  EXPECT_GT(stillChanged, 0u);
  EXPECT_LT(stillChanged, 24u);
  // The next read sends the rest.
  ASSERT_EQ(s.run(Wsf(Wrtxt(0x80, 0x00, 0x08, 0, 0, {}) + Rdtxt())), 0u);
  s.enter();
  ASSERT_EQ(s.host.sent.size(), 2u);
  for (unsigned int r = 3; r <= 26; ++r) EXPECT_FALSE(t.lineTable[r - 1].ctl & line_ctl::kChanged) << r;
  // Each record's entries and status field add up to its length.
  for (const Bytes& rec : s.host.sent) {
    size_t at = 15, entries = 0;
    const size_t textEnd = 3 + ((rec[3] << 8) | rec[4]);
    while (at < textEnd) {
      at += (rec[at] << 8) | rec[at + 1];
      ++entries;
    }
    EXPECT_EQ(at, textEnd);
    EXPECT_EQ(rec.size(), textEnd + 18);
    EXPECT_GT(entries, 0u);
  }
}

TEST(Inbound, DftxtOnAWideScreenDefinesA27By132Page) {
  TextStation s(Wide());
  ASSERT_EQ(s.run(Wsf(Dftxt(0x00, 0x80))), 0u);
  EXPECT_EQ(s.display.rows(), 27u);
  EXPECT_EQ(s.text()->textDef.lastTextRow, 26u);
  EXPECT_EQ(s.text()->textDef.promptRow, 27u);
}

}  // namespace

namespace {

// A line with attributes goes out with the escape triples of the primary
// and secondary planes before its positions (no colour), nulls included up
// to its last position that holds anything.
TEST(Inbound, ALineWithAttributesCarriesItsEscapes) {
  TextStation s;
  ASSERT_EQ(s.run(Wsf(Dftxt(0x00, 0xC0) + Dfscl(ScaleLine(1, {{2, 1}, {70, 2}})) +
                      Wrtxt(0x80, 0x00, 0x08, 3, 2, LineRecord({3, Ebc("AB"), 1}, true)) + Rdtxt())),
            0u);
  const unsigned int at = s.offset(3, 4);
  s.display.primaryPlane().writeCharacter(at, 0x84);
  s.display.secondaryPlane().writeCharacter(at, 0x80);
  s.display.colourPlane().writeCharacter(at, 0x8A);
  s.display.presentationSpace().writeCharacter(at, Ebc("C")[0]);
  s.text()->setModifiedLineTags(at, 0, 0);
  s.enter();
  ASSERT_EQ(s.host.sent.size(), 1u);
  const Bytes& r = s.host.sent[0];
  const Bytes lcdAndText(r.begin() + 17, r.end() - 18);
  EXPECT_EQ(lcdAndText[4] & 0x08, 0x08);  // the line carries attributes
  const Bytes text(lcdAndText.begin() + 13, lcdAndText.end());
  const Bytes want = Ebc("AB") + Bytes{0x00, 0x10, 0x01, 0x84, 0x10, 0x02, 0x80} + Ebc("C");
  EXPECT_EQ(text, want);
  EXPECT_EQ((r[15] << 8) | r[16], 2 + 13 + static_cast<int>(want.size()));
}

// The text of the first line entry of a record with two-byte entry lengths.
Bytes FirstLineText(const Bytes& r) {
  const unsigned int n = (r[15] << 8) | r[16];
  return Bytes(r.begin() + 15 + 2 + 13, r.begin() + 15 + n);
}

// A placeholder under the cursor never reaches the host: an AID merges it
// into the next position when that one carries attributes, and otherwise
// sends it, and shows it, as a blank.
TEST(Inbound, APlaceholderUnderTheCursorGoesAsABlank) {
  struct Case {
    const char* name;
    Bytes row3;
    Bytes sent;
  };
  const Bytes placeholder{0x10, 0x01, 0x82, 0x12};
  const Case cases[] = {
      {"a blank", Bytes{0x00} + Ebc("AB") + placeholder + Ebc("CD"),
       Bytes{0x00} + Ebc("XB") + Bytes{0x10, 0x01, 0x82, 0x40} + Ebc("CD")},
      {"merged", Bytes{0x00} + Ebc("AB") + placeholder + Bytes{0x10, 0x01, 0x84} + Ebc("CD"),
       // The merged attribute is still in effect at the margin: the row's
       // closing attribute stands one past it (column 71).
       Bytes{0x00} + Ebc("XB") + Bytes{0x10, 0x01, 0x84} + Ebc("CD") + Bytes(65, 0x00) +
           Bytes{0x10, 0x01, 0x80, 0x00}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TextStation s;
    ASSERT_EQ(s.run(Wsf(Dftxt(0x00, 0xC0) + Dfscl(ScaleLine(1, {{2, 1}, {70, 2}})) +
                        Wrtxt(0x80, 0x00, 0x08, 3, 2, LineRecord({3, c.row3, 1, 0x80, 2, 0x08}, true)) +
                        Rdtxt())),
              0u);
    s.type("X");
    s.key(FunctionWord{1, 3});  // onto the placeholder's attribute
    s.key(FunctionWord{1, 3});  // onto its character
    ASSERT_EQ(s.text()->cursorPos, s.offset(3, 4));
    ASSERT_EQ(s.text()->cursorPlane, Plane0);
    s.enter();
    ASSERT_EQ(s.host.sent.size(), 1u);
    EXPECT_EQ(s.host.sent[0][2], 0xF1);
    EXPECT_EQ(FirstLineText(s.host.sent[0]), c.sent);
    const unsigned char shown = std::string(c.name) == "merged" ? Ebc("C")[0] : 0x40;
    EXPECT_EQ(s.screen(s.offset(3, 4), 1), Bytes{shown});
  }
}

// With attribute planes a line's text ends at its last character or
// attribute; when the host edits by columns with its margin rule, what lies
// beyond the right margin (column 20) is not the line's; an attribute just
// beyond the margin takes the text one past it.
TEST(Inbound, TheEndOfALinesTextWithAttributePlanes) {
  struct Case {
    const char* name;
    unsigned char flags;
    Bytes row3;
    Bytes sent;
    unsigned char lineFlags = 0;  // the host's attribute summary of the line
  };
  const Bytes hello = Bytes{0x00} + Ebc("HELLO"), jello = Bytes{0x00} + Ebc("JELLO");
  const Bytes beyond = Bytes(23, 0x00) + Ebc("BEYOND");
  const Case cases[] = {
      {"column editing with its margin rule", 0xA0, hello + beyond, jello},
      {"column editing", 0x80, hello + beyond, jello + beyond},
      {"free editing", 0x00, hello + beyond, jello + beyond},
      {"an attribute past the margin", 0x00, hello + Bytes(14, 0x00) + Bytes{0x10, 0x01, 0x81, 0x00},
       jello + Bytes(15, 0x00), 0x04},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TextStation s;
    ASSERT_EQ(s.run(Wsf(Dftxt(c.flags, 0xC0) + Dfscl(ScaleLine(1, {{2, 1}, {20, 2}})) +
                        Wrtxt(0x80, 0x00, 0x08, 3, 2, LineRecord({3, c.row3, 1, 0x80, 2, c.lineFlags}, true)) +
                        Rdtxt())),
              0u);
    s.type("J");
    s.enter();
    ASSERT_EQ(s.host.sent.size(), 1u);
    EXPECT_EQ(FirstLineText(s.host.sent[0]), c.sent);
  }
}

}  // namespace
