// The text of entry fields in the three read formats and through the
// writers.
#include <gtest/gtest.h>

#include <vector>

#include "display/FieldFormatBits.h"
#include "tests/display/StationFixture.h"

namespace {

using Bytes = std::vector<unsigned char>;

Bytes Read(Station& s, EntryField* f, int format) {
  Bytes out(200, 0xEE);
  const int n = format == 0   ? f->readFieldMDTFormat(&s.display, out.data(), 200)
                : format == 1 ? f->readFieldMDTAltFormat(&s.display, out.data(), 200)
                              : f->readFieldNormalFormat(&s.display, out.data(), 200);
  out.resize(n > 0 ? n : 0);
  return out;
}

void Put(Station& s, unsigned int at, const Bytes& b) {
  s.display.presentationSpace().writeData(b.data(), static_cast<unsigned int>(b.size()), at);
}

TEST(FieldData, ReadFormatsOfTable) {
  struct Case {
    const char* name;
    FieldClassID id;
    bool transparent;
    Bytes screen;
    Bytes mdt, alternate, normal;
  };
  const Case cases[] = {
      {"letters, an inner null, trailing nulls", kLTRField, false, {0xC1, 0xC2, 0x00, 0xC3, 0x00, 0x00},
       {0xC1, 0xC2, 0x40, 0xC3}, {0xC1, 0xC2, 0x00, 0xC3}, {0xC1, 0xC2, 0x40, 0xC3, 0x40, 0x40}},
      {"transparent", kLTRField, true, {0xC1, 0x00, 0x00}, {0xC1, 0x00, 0x00}, {0xC1, 0x00, 0x00},
       {0xC1, 0x00, 0x00}},
      {"empty", kLTRField, false, {0, 0, 0}, {}, {}, {0x40, 0x40, 0x40}},
      {"signed numeric minus", kSignedNumericField, false, {0xF0, 0xF0, 0xF1, 0xF2, 0x60},
       {0xF0, 0xF0, 0xF1, 0xD2}, {0xF0, 0xF0, 0xF1, 0xD2}, {0xF0, 0xF0, 0xF1, 0xD2}},
      {"signed numeric plus", kSignedNumericField, false, {0xF1, 0xF2, 0x00, 0x00, 0x40},
       {0xF1, 0xF2, 0x40, 0x40}, {0xF1, 0xF2, 0x00, 0x00}, {0xF1, 0xF2, 0x40, 0x40}},
      {"signed numeric without sign", kSignedNumericField, false, {0xF1, 0xF2, 0x00, 0x00, 0x00},
       {0xF1, 0xF2}, {0xF1, 0xF2}, {0xF1, 0xF2, 0x40, 0x40}},
      {"word wrap drops nulls", kWordWrapField, false, {0xC1, 0x00, 0xC2, 0x00}, {0xC1, 0xC2},
       {0xC1, 0xC2}, {0xC1, 0xC2, 0x40, 0x40}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Station s;
    const unsigned int n = static_cast<unsigned int>(c.screen.size());
    EntryField* f = s.entry(c.id, {{100, 100 + n - 1}});
    ASSERT_NE(f, nullptr);
    if (c.transparent) f->setFormatByte(field_format::kControl, field_format::kTransparent);
    Put(s, 100, c.screen);
    EXPECT_EQ(Read(s, f, 0), c.mdt);
    EXPECT_EQ(Read(s, f, 1), c.alternate);
    EXPECT_EQ(Read(s, f, 2), c.normal);
  }
}

TEST(FieldData, KeepNullsOptionKeepsTrailingNullsInAlternateReads) {
  Station s;
  EntryField* f = s.entry(kLTRField, {{100, 104}});
  Put(s, 100, {0xC1, 0x00, 0x00, 0x00, 0x00});
  s.display.options().keepNullsOnAlternateRead = true;
  EXPECT_EQ(Read(s, f, 1), (Bytes{0xC1, 0, 0, 0, 0}));
}

TEST(FieldData, ReadsNeverPassTheirRoom) {
  Station s;
  EntryField* f = s.entry(kSignedNumericField, {{100, 109}});
  Put(s, 100, Bytes(10, 0xF1));
  unsigned char out[4] = {0, 0, 0, 0};
  EXPECT_LE(f->readFieldNormalFormat(&s.display, out, 3), 3);
  EXPECT_EQ(out[3], 0);
  EXPECT_LE(f->readFieldMDTFormat(&s.display, out, 1), 1);
}

TEST(FieldData, ContinuedFieldsReadSegmentBySegment) {
  Station s;
  EntryField* f = s.entry(kLTRField, {{78, 79}, {80, 82}});
  Put(s, 78, {0xC1, 0xC2, 0xC3, 0x00, 0x00});
  EXPECT_EQ(Read(s, f, 2), (Bytes{0xC1, 0xC2, 0xC3, 0x40, 0x40}));
}

TEST(FieldData, PlainWritersFillAndNullTheRest) {
  Station s;
  EntryField* ltr = s.entry(kLTRField, {{10, 14}});
  Put(s, 10, Bytes(5, 0x5C));
  const Bytes ab = {0xC1, 0xC2};
  unsigned int cursor = 0;
  ASSERT_EQ(ltr->writeDataToEntryField(&s.display, ab.data(), 2, 1, cursor), 0);
  EXPECT_EQ(Bytes(s.psBuffer.begin() + 10, s.psBuffer.begin() + 15), (Bytes{0xC1, 0xC2, 0, 0, 0}));
  EXPECT_EQ(cursor, 11u);

  EntryField* rtl = s.entry(kRTLField, {{20, 24}});
  ASSERT_EQ(rtl->writeDataToEntryField(&s.display, ab.data(), 2, 0, cursor), 0);
  EXPECT_EQ(Bytes(s.psBuffer.begin() + 20, s.psBuffer.begin() + 25), (Bytes{0, 0, 0, 0xC2, 0xC1}));
  EXPECT_EQ(cursor, 24u);

  // Too long: error 12 and nothing written. A signed-numeric field keeps
  // its sign position out of the text.
  EntryField* sn = s.entry(kSignedNumericField, {{30, 32}});
  Put(s, 30, {0xF9, 0xF9, 0x60});
  const Bytes three = {0xF1, 0xF2, 0xF3};
  EXPECT_EQ(sn->writeDataToEntryField(&s.display, three.data(), 3, 0, cursor), 12);
  EXPECT_EQ(Bytes(s.psBuffer.begin() + 30, s.psBuffer.begin() + 33), (Bytes{0xF9, 0xF9, 0x60}));
}

TEST(FieldData, AnEmptyWriteNullsTheFieldInsteadOfHalting) {
  Station s;
  EntryField* f = s.entry(kLTRField, {{10, 14}});
  EntryField* w = s.entry(kWordWrapField, {{80, 89}});
  Put(s, 10, Bytes(5, 0x5C));
  Put(s, 80, Bytes(10, 0x5C));
  EXPECT_EQ(f->writeData(&s.display, nullptr, 0), 0);
  EXPECT_EQ(w->writeData(&s.display, nullptr, 0), 0);
  EXPECT_EQ(Bytes(s.psBuffer.begin() + 10, s.psBuffer.begin() + 15), Bytes(5, 0));
  EXPECT_EQ(Bytes(s.psBuffer.begin() + 80, s.psBuffer.begin() + 90), Bytes(10, 0));
}

// A word-wrap field of three 5-position lines (rows end at column 80).
TEST(FieldData, WordWrapWriterKeepsWordsWhole) {
  struct Case {
    const char* name;
    std::string text;
    int result;
    std::string screen;  // '.' for null
  };
  const Case cases[] = {
      {"words move to the next line", "AB CDE FG", 0, "AB ..CDE .FG..."},
      {"a word exactly one line long", "ABCDE FGH", 0, "ABCDE FGH....."},
      {"a line filled before a blank", "ABCD EFGH", 0, "ABCD EFGH......"},
      {"a word longer than a line", "ABCDEFGHIJKLMNOP", 12, "***************"},
      {"the last line takes what fits", "ABCD EFGH IJKLM", 0, "ABCD EFGH IJKLM"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Station s;
    EntryField* f = s.entry(kWordWrapField, {{75, 79}, {155, 159}, {235, 239}});
    ASSERT_NE(f, nullptr);
    for (unsigned int p : {75u, 155u, 235u}) Put(s, p, Bytes(5, 0x5C));
    const Bytes text(c.text.begin(), c.text.end());  // ASCII letters stand for word bytes
    unsigned int cursor = 0;
    EXPECT_EQ(f->writeDataToEntryField(&s.display, text.data(), static_cast<unsigned int>(text.size()), 0,
                                       cursor),
              c.result);
    std::string got;
    for (unsigned int p : {75u, 155u, 235u})
      for (unsigned int i = 0; i < 5; ++i) {
        const unsigned char b = s.psBuffer[p + i];
        got += b == 0 ? '.' : b == 0x5C ? '*' : static_cast<char>(b);
      }
    std::string want = c.screen;
    want.resize(15, '.');
    EXPECT_EQ(got, want);
    EXPECT_EQ(f->wordWrapOverflow(), c.result != 0);
  }
}

}  // namespace
