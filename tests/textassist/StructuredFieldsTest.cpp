// The text-assist structured fields: their sense codes, and that a refused
// field changes nothing (the screen, the line records, the scale lines and
// the text definition stay as they were).
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tests/textassist/TextStation.h"

namespace {

// Everything a refused field must leave alone.
std::string Snapshot(TextStation& s) {
  TextSession& t = *s.text();
  std::string out(reinterpret_cast<const char*>(s.psBuffer.data()), s.psBuffer.size());
  for (const LineControlRecord& l : t.lineTable)
    out += std::to_string(l.ctl) + "," + std::to_string(l.lineId) + "," + std::to_string(l.newLine) + "," +
           std::to_string(l.scaleLineId) + ";";
  out.append(reinterpret_cast<const char*>(t.scaleLineTable), sizeof t.scaleLineTable);
  const TextDefinition& d = t.textDef;
  for (uint32_t v : {d.defFlags, d.defFlags2, d.textLineCount, d.statusRow, d.scaleRow, d.firstTextRow,
                     d.lastTextRow, d.promptRow, d.lineCmdFieldSize})
    out += std::to_string(v) + ",";
  out += std::to_string(t.rows) + "x" + std::to_string(t.cols) + "@" + std::to_string(t.cursorPos);
  out.append(reinterpret_cast<const char*>(t.coreCmdInvalidMask), 2);
  out.append(reinterpret_cast<const char*>(t.pfKeyInvalidMask), 4);
  return out;
}

Bytes Dfspc(const Bytes& data) { return Field(0x37, Bytes{0x00, 0x00, 0x00} + data); }
const Bytes kScale1 = ScaleLine(1, {{2, 1}, {10, 3}, {70, 2}});

TEST(StructuredFields, SenseCodesOfRefusedFields) {
  struct Case {
    const char* name;
    Bytes fields;
    uint32_t sense;
  };
  const Bytes longText(81, 0xC1);
  const Case cases[] = {
      {"class 0xD8 after a good field", Dfspc({}) + Bytes{0x00, 0x05, 0xD8, 0x32, 0x00}, 0x10050111},
      {"type 0x38", Bytes{0x00, 0x05, 0xD9, 0x38, 0x00}, 0x10050111},
      {"field one byte past the end", Bytes{0x00, 0x09, 0xD9, 0x37, 0x00, 0x00, 0x00, 0x01}, 0x10050121},
      {"two bytes of a head after a good field", Dfspc({}) + Bytes{0x00, 0x05}, 0x10050121},
      {"three bytes of a head after a good field", Dfspc({}) + Bytes{0x00, 0x05, 0xD9}, 0x10050121},
      {"DFTXT of length 8", Field(0x34, {0x00, 0x00, 0x80, 0x00}), 0x10050110},
      {"DFTXT with 4 text lines", Dftxt(0x00, 0x80, {0x00, 0x04}), 0x10050112},
      {"DFTXT status row beyond the screen", Dftxt(0x00, 0x89, {0x00, 21, 30, 2}), 0x10050112},
      {"DFTXT scale row beyond the screen", Dftxt(0x00, 0x89, {0x00, 21, 1, 25}), 0x10050112},
      {"DFTXT full screen without the midrange host", Dftxt(0x00, 0x20), 0x10050112},
      {"DFSPC selector 1 with 0x20", Dfspc({0x01, 0x20}), 0x10050112},
      {"DFSPC of length 8", Field(0x37, {0x00, 0x00, 0x00, 0x01}), 0x10050110},
      {"DFSCL right margin before left margin", Dfscl(ScaleLine(2, {{70, 2}, {2, 1}})), 0x10050112},
      {"DFSCL pair area of odd length", Dfscl(Bytes{6, 0, 2, 2, 1, 9}), 0x10050112},
      {"DFSCL entry longer than the field", Dfscl(Bytes{9, 0, 2, 2, 1}), 0x10050110},
      {"DFSCL of 399 bytes of entries", Dfscl(Bytes(399, 0x03)), 0x10050110},
      {"RDTXT with a wrong flag byte", Field(0x32, {0x00, 0x00, 0x00, 0x00}), 0x10050112},
      {"WRTXT of length 9", Field(0x36, {0x00, 0x80, 0x00, 0x00, 0x00}), 0x10050110},
      {"WRTXT of length 11", Field(0x36, {0x00, 0x80, 0x00, 0x00, 0x00, 0x03, 0x00}), 0x10050110},
      {"WRTXT write-control bit 7", Wrtxt(0x80, 0x00, 0x80, 0, 0, LineRecord({5, Ebc("NEW")})), 0x10050112},
      {"WRTXT cursor row 0", Field(0x36, {0x00, 0x80, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01}), 0x10050112},
      {"WRTXT cursor column 81", Wrtxt(0x80, 0x00, 0x00, 3, 81, {}), 0x10050112},
      {"WRTXT line text longer than the row", Wrtxt(0x80, 0x00, 0x00, 3, 2, LineRecord({5, longText})),
       0x10050110},
      {"WRTXT line record of 13 bytes", Wrtxt(0x80, 0x00, 0x00, 3, 2, Bytes{13} + Bytes(12, 0x00)), 0x10050110},
      {"WRTXT line record for row 0", Wrtxt(0x80, 0x00, 0x00, 3, 2, LineRecord({0, Ebc("A")})), 0x10050112},
      {"WRTXT line record for row 25", Wrtxt(0x80, 0x00, 0x00, 3, 2, LineRecord({25, Ebc("A")})), 0x10050112},
      {"WRTXT text row outside the text rows", Wrtxt(0x80, 0x00, 0x00, 3, 2, LineRecord({24, Ebc("A")})),
       0x10050112},
      {"WRTXT shown-only line on row 2", Wrtxt(0x80, 0x00, 0x00, 3, 2, LineRecord({2, Ebc("A"), 0, 0xC0})),
       0x10050112},
      {"WRTXT two rows with one line id",
       Wrtxt(0x80, 0x00, 0x00, 3, 2, LineRecord({5, Ebc("A"), 7}) + LineRecord({6, Ebc("B"), 7})), 0x10050112},
      {"WRTXT a good line before a bad one",
       Wrtxt(0x80, 0x00, 0x00, 3, 2, LineRecord({5, Ebc("GOOD"), 3}) + LineRecord({26, Ebc("BAD")})),
       0x10050112},
      {"WRTXT line flags with a 1-byte length", Wrtxt(0x80, 0x00, 0x00, 3, 2, LineRecord({5, Ebc("A"), 3, 0x80, 2, 0x01})),
       0x10050112},
      {"DFDPC without restricted editing", Field(0x3B, {0x00, 0x00, 0x00}), 0x1005011B},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TextStation s;
    ASSERT_EQ(s.run(R1()), 0u);
    const std::string before = Snapshot(s);
    EXPECT_EQ(s.run(Wsf(c.fields)), c.sense);
    EXPECT_EQ(Snapshot(s), before);
    EXPECT_EQ(s.keyboard().state(), KeyboardState::kWordProcessing);
  }
}

TEST(StructuredFields, AcceptedFields) {
  struct Case {
    const char* name;
    Bytes fields;
  };
  const Case cases[] = {
      {"WRTXT line record of 14 bytes", Wrtxt(0x80, 0x00, 0x00, 3, 2, LineRecord({5, {}, 3}))},
      {"WRTXT a line on row 1 that is not text", Wrtxt(0x80, 0x00, 0x00, 3, 2, LineRecord({1, Ebc("TITLE"), 0, 0xA0}))},
      {"WRTXT text as long as the row", Wrtxt(0x80, 0x00, 0x00, 3, 2, LineRecord({5, Bytes(80, 0xC1), 3}))},
      {"DFSPC of length 7", Dfspc({})},
      {"DFSPC selector 1 with 0x1F", Dfspc({0x01, 0x1F})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TextStation s;
    ASSERT_EQ(s.run(R1()), 0u);
    EXPECT_EQ(s.run(Wsf(c.fields)), 0u);
  }
}

TEST(StructuredFields, TheLongestScaleTableKeepsItsEndMark) {
  TextStation s;
  ASSERT_EQ(s.run(R1()), 0u);
  // The longest DFSCL (406 bytes): 7 + 128 x 3 + 7 bytes of entries.
  Bytes entries = ScaleLine(1, {{2, 1}, {70, 2}});
  for (unsigned char id = 10; id < 10 + 128; ++id) entries = entries + Bytes{3, 0, id};
  entries = entries + ScaleLine(200, {{2, 1}, {70, 2}});
  ASSERT_EQ(entries.size(), 398u);
  ASSERT_EQ(s.run(Wsf(Dfscl(entries))), 0u);
  EXPECT_EQ(s.text()->scaleLineTable[TextSession::kScaleTableBytes - 1], 0x00);
  EXPECT_NE(s.text()->getscaleline(1), nullptr);
  EXPECT_NE(s.text()->getscaleline(200), nullptr);
  EXPECT_EQ(s.text()->getscaleline(201), nullptr);
}

TEST(StructuredFields, DfsclAndDfspcSetTheirMembers) {
  TextStation s;
  ASSERT_EQ(s.run(R1()), 0u);
  ASSERT_EQ(s.run(Wsf(Dfspc({0x01, 0x1F}) + Dfspc({0x02, 0x60}))), 0u);
  EXPECT_EQ(s.text()->reqCarrierReturnChar, 0x1F);
  EXPECT_EQ(s.text()->hyphenChar, 0x60);
  ASSERT_EQ(s.run(Wsf(Dfscl(ScaleLine(4, {{11, 5}, {5, 1}}) + ScaleLine(5, {{5, 11}, {6, 1}, {60, 2}})))),
            0x10050112u);
  ASSERT_EQ(s.run(Wsf(Dfscl(ScaleLine(5, {{5, 11}, {6, 1}, {60, 2}}), 0, 3))), 0u);
  EXPECT_EQ(s.text()->scaleLineTable[1], 3);
  EXPECT_EQ(s.text()->getscaleline(1), nullptr);
  ASSERT_NE(s.text()->getscaleline(5), nullptr);
}

TEST(StructuredFields, WriteThenUnknownTypeKeepsTheWriteWithoutTheTimer) {
  TextStation s;
  ASSERT_EQ(s.run(R1()), 0u);
  const Bytes write = Wrtxt(0x80, 0x00, 0x00, 3, 2, LineRecord({5, Ebc("KEPT"), 3}));
  s.text()->shownLineNumber = 0;
  EXPECT_EQ(s.run(Wsf(write + Bytes{0x00, 0x05, 0xD9, 0x38, 0x00})), 0x10050111u);
  EXPECT_EQ(s.screen(s.offset(5, 1), 4), Ebc("KEPT"));
  // The status row was not updated: no timer ran after the refused record.
  EXPECT_EQ(s.text()->shownLineNumber, 0u);
}

TEST(StructuredFields, DfdpcChecksEverySubRecordFirst) {
  TextStation s;
  ASSERT_EQ(s.run(Wsf(Dftxt(0x08, 0x80))), 0u);
  // Core commands 1 and 2 invalid; PF keys 1 and 24.
  ASSERT_EQ(s.run(Wsf(Field(0x3B, {0x00, 0x00, 0x00, 4, 0x80, 0x60, 0x00, 6, 0x40, 0x80, 0x00, 0x01, 0x00}))), 0u);
  EXPECT_EQ(s.text()->coreCmdInvalidMask[0], 0x60);
  EXPECT_EQ(s.text()->pfKeyInvalidMask[2], 0x01);
  // A second field whose PF-key mask lacks its end byte changes neither mask.
  EXPECT_EQ(s.run(Wsf(Field(0x3B, {0x00, 0x00, 0x00, 4, 0x80, 0x10, 0x00, 6, 0x40, 0x01, 0x00, 0x00, 0x05}))),
            0x10050112u);
  EXPECT_EQ(s.text()->coreCmdInvalidMask[0], 0x60);
  EXPECT_EQ(s.text()->pfKeyInvalidMask[0], 0x80);
  EXPECT_EQ(s.run(Wsf(Field(0x3B, {0x00, 0x00, 0x00, 5, 0x80, 0x10, 0x00, 0x00}))), 0x10050110u);
  EXPECT_EQ(s.run(Wsf(Field(0x3B, {0x00, 0x00, 0x00, 4, 0xC0, 0x10, 0x00}))), 0x10050112u);
}

TEST(StructuredFields, DftxtDefinesTheTextRows) {
  struct Case {
    const char* name;
    Bytes field;
    unsigned int first, last, status, scale, prompt;
  };
  const Case cases[] = {
      {"defaults", Dftxt(0x00, 0x80), 3, 23, 1, 2, 24},
      {"full screen", Dftxt(0x00, 0xA0), 1, 23, 0, 0, 24},
      {"ten lines from row 5", Dftxt(0x00, 0x80, {0x00, 10, 0, 0, 0, 15, 5}), 5, 14, 1, 2, 24},
      {"level 9 status and scale rows", Dftxt(0x00, 0x89, {0x00, 21, 24, 2}), 3, 23, 24, 2, 24},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TextStation s;
    ASSERT_EQ(s.run(Wsf(c.field)), 0u);
    const TextDefinition& d = s.text()->textDef;
    EXPECT_EQ(d.firstTextRow, c.first);
    EXPECT_EQ(d.lastTextRow, c.last);
    EXPECT_EQ(d.statusRow, c.status);
    EXPECT_EQ(d.scaleRow, c.scale);
    EXPECT_EQ(d.promptRow, c.prompt);
    EXPECT_EQ(s.keyboard().state(), KeyboardState::kWordProcessing);
    EXPECT_TRUE(s.keyboard().isLockedState());
    EXPECT_EQ(s.text()->cursorPos, 1u);
  }
}

TEST(StructuredFields, DftxtNeedsTheKeyboardsTextAssistOptions) {
  TextStation s;
  s.tax.setKeyboardType(0x00);
  EXPECT_EQ(s.run(Wsf(Dftxt(0x00, 0x80))), 0x10030123u);
  EXPECT_NE(s.keyboard().state(), KeyboardState::kWordProcessing);
}

}  // namespace
