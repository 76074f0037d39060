// Host windows, mouse buttons, GUI removal and grid lines: the structured
// fields of a Write to Display's structured field order that build them.
#include <gtest/gtest.h>

#include <vector>

#include "datastream/DsmSense.h"
#include "display/CursorClass.h"
#include "display/ProgrammableMouseButtonsTable.h"
#include "tests/datastream/DsmRecords.h"

namespace {

using Bytes = std::vector<unsigned char>;

constexpr uint32_t kGuiCapable = 0x00400000u;
constexpr uint32_t kColour = 0x10000000u;

DisplayCharacteristics Characteristics(uint32_t clear) {
  DisplayCharacteristics c;
  c.word[0] &= ~clear;
  return c;
}

// The structured field order 0x15 around `sf`.
Record& Wdsf(Record& r, const Bytes& sf) {
  r.bytes({0x15});
  r.data.insert(r.data.end(), sf.begin(), sf.end());
  return r;
}

// A create window structured field of depth x width with the given minors.
Bytes CreateWindow(unsigned char flags, unsigned char depth, unsigned char width,
                   const Bytes& minors = {}) {
  const size_t n = 9 + minors.size();
  Bytes sf = {static_cast<unsigned char>(n >> 8), static_cast<unsigned char>(n), 0xD9, 0x51,
              flags, 0x00, 0x00, depth, width};
  sf.insert(sf.end(), minors.begin(), minors.end());
  return sf;
}

// A title (or footer) minor: flags, monochrome and colour attribute, text.
Bytes TitleMinor(unsigned char flags, unsigned char mono, unsigned char colour,
                 const std::string& text) {
  const Bytes t = Cp037(text);
  Bytes m = {static_cast<unsigned char>(6 + t.size()), 0x10, flags, mono, colour, 0x00};
  m.insert(m.end(), t.begin(), t.end());
  return m;
}

TEST(HostWindow, BorderCharactersAndAttributeByDisplay) {
  struct Case {
    const char* name;
    uint32_t clear;  // characteristics bits taken away
    unsigned char attribute;
    Bytes corners;   // UL, top, UR, left, right, LL, bottom, LR
  };
  const Case cases[] = {
      {"monochrome character display", kGuiCapable | kColour, 0x20,
       {0x4B, 0x4B, 0x4B, 0x7A, 0x7A, 0x7A, 0x4B, 0x7A}},
      {"colour character display", kGuiCapable, 0x3A, {0x4B, 0x4B, 0x4B, 0x7A, 0x7A, 0x7A, 0x4B, 0x7A}},
      {"GUI-capable colour display", 0, 0x3A, {0x0C, 0x13, 0x0B, 0x12, 0x12, 0x0A, 0x13, 0x0D}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DsmStation s(Characteristics(c.clear));
    Record r;
    r.clearUnit().wtd(0, 0).sba(5, 5);
    ASSERT_EQ(s.run(Wdsf(r, CreateWindow(0x00, 3, 10))), dsm_sense::kAccepted);
    const unsigned int a = s.offset(5, 5);
    const unsigned char A = c.attribute;
    Bytes top = {A, c.corners[0]};
    top.insert(top.end(), 12, c.corners[1]);
    top.insert(top.end(), {c.corners[2], 0x20});
    EXPECT_EQ(s.screen(a, 16), top);
    Bytes middle = {A, c.corners[3], 0x20};
    middle.insert(middle.end(), 10, 0x00);
    middle.insert(middle.end(), {A, c.corners[4], 0x20});
    for (unsigned int row = 1; row <= 3; ++row) EXPECT_EQ(s.screen(a + row * 80, 16), middle);
    Bytes bottom = {A, c.corners[5]};
    bottom.insert(bottom.end(), 12, c.corners[6]);
    bottom.insert(bottom.end(), {c.corners[7], 0x20});
    EXPECT_EQ(s.screen(a + 4 * 80, 16), bottom);
    EXPECT_EQ((s.display.modeFlagsB() & DisplayBag::kBEnptuiSymbols) != 0, c.clear == 0);
  }
}

TEST(HostWindow, BorderMinorReplacesAttributeAndNonNullCharacters) {
  DsmStation s(Characteristics(kGuiCapable | kColour));
  Record r;
  // Monochrome attribute 0x24, colour 0x30 (not this display's), then UL,
  // top kept (0x00), UR.
  const Bytes border = {0x08, 0x01, 0x00, 0x24, 0x30, 0x5C, 0x00, 0x5C};
  r.clearUnit().wtd(0, 0).sba(2, 1);
  ASSERT_EQ(s.run(Wdsf(r, CreateWindow(0x00, 1, 4, border))), dsm_sense::kAccepted);
  EXPECT_EQ(s.screen(s.offset(2, 1), 10),
            (Bytes{0x24, 0x5C, 0x4B, 0x4B, 0x4B, 0x4B, 0x4B, 0x4B, 0x5C, 0x20}));
  EXPECT_EQ(s.screen(s.offset(3, 1), 10),
            (Bytes{0x24, 0x7A, 0x20, 0x00, 0x00, 0x00, 0x00, 0x24, 0x7A, 0x20}));
}

Bytes Cat(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

TEST(HostWindow, TitleAndFooterPlacement) {
  struct Case {
    const char* name;
    Bytes minor;
    bool footer;
    unsigned int at;  // from the window's start
    Bytes expected;
  };
  const Bytes t = Cp037("Ti");
  const Case cases[] = {
      // Inner width 10: the top run is positions 2 to 13.
      {"left, no attribute", TitleMinor(0x80, 0, 0, "Ti"), false, 2, {0x4B, t[0], t[1], 0x4B}},
      {"right, no attribute", TitleMinor(0x40, 0, 0, "Ti"), false, 10, {0x4B, t[0], t[1], 0x4B}},
      {"centred, no attribute", TitleMinor(0x00, 0, 0, "Ti"), false, 6, {0x4B, t[0], t[1], 0x4B}},
      {"centred with an attribute", TitleMinor(0x00, 0x22, 0x3C, "Ti"), false, 6,
       {0x22, t[0], t[1], 0x4B}},
      {"left with an attribute resumes the border attribute", TitleMinor(0x80, 0x22, 0, "Ti"),
       false, 2, {0x22, t[0], t[1], 0x20}},
      {"footer", TitleMinor(0xA0, 0, 0, "Ti"), true, 2, {0x4B, t[0], t[1], 0x4B}},
      {"a title longer than the row is cut",
       TitleMinor(0x80, 0, 0, "Far too long a title"), false, 3, Cat(Cp037("Far too lo"), {0x4B, 0x4B})},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DsmStation s(Characteristics(kGuiCapable | kColour));
    Record r;
    r.clearUnit().wtd(0, 0).sba(5, 5);
    ASSERT_EQ(s.run(Wdsf(r, CreateWindow(0x00, 2, 10, c.minor))), dsm_sense::kAccepted);
    const unsigned int row = s.offset(5, 5) + (c.footer ? 3 * 80 : 0);
    EXPECT_EQ(s.screen(row + c.at, static_cast<unsigned int>(c.expected.size())), c.expected);
  }
}

TEST(HostWindow, PullDownWindowHasNoTopRowAndNoTitle) {
  DsmStation s(Characteristics(kGuiCapable | kColour));
  Record r;
  r.clearUnit().wtd(0, 0).sba(5, 5).text("keep");
  r.sba(5, 5);
  ASSERT_EQ(s.run(Wdsf(r, CreateWindow(0x40, 2, 10, TitleMinor(0x80, 0, 0, "T")))),
            dsm_sense::kAccepted);
  EXPECT_EQ(s.screen(s.offset(5, 5), 4), Cp037("keep"));
  EXPECT_EQ(s.screen(s.offset(6, 5), 3), (Bytes{0x20, 0x7A, 0x20}));
}

// A double-byte run open where the border begins is closed before it,
// whole characters kept.
TEST(HostWindow, BorderClosesADoubleByteRunOnItsLeft) {
  struct Case {
    const char* name;
    Bytes before;    // written from column 1 of row 5; the window starts at column 6
    Bytes expected;  // columns 1 to 5 afterwards
  };
  const Case cases[] = {
      {"run closed", {0x0E, 0x42, 0xC1, 0x0F, 0x40}, {0x0E, 0x42, 0xC1, 0x0F, 0x40}},
      {"split character", {0x40, 0x0E, 0x42, 0xC1, 0x42}, {0x40, 0x0E, 0x42, 0xC1, 0x0F}},
      {"whole characters", {0x0E, 0x42, 0xC1, 0x42, 0xC2}, {0x0E, 0x42, 0xC1, 0x0F, 0x40}},
      {"shift-out just before", {0x40, 0x40, 0x40, 0x40, 0x0E}, {0x40, 0x40, 0x40, 0x40, 0x40}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DsmStation s(Characteristics(kGuiCapable | kColour));
    Record r;
    r.clearUnit().wtd(0, 0).sba(5, 1);
    for (unsigned char b : c.before) r.bytes({b});
    r.sba(5, 6);
    ASSERT_EQ(s.run(Wdsf(r, CreateWindow(0x00, 1, 4))), dsm_sense::kAccepted);
    EXPECT_EQ(s.screen(s.offset(5, 1), 6), Cat(c.expected, {0x20}));
  }
}

TEST(HostWindow, CursorRestrictionAndItsEnd) {
  DsmStation s;
  Record r;
  r.clearUnit().wtd(0, 0).sba(5, 5);
  ASSERT_EQ(s.run(Wdsf(r, CreateWindow(0x80, 3, 10))), dsm_sense::kAccepted);
  ASSERT_TRUE(s.display.cursor().hasWindow());
  const CursorClass::Window w = s.display.cursor().getWindow();
  EXPECT_EQ(w.left, 8);
  EXPECT_EQ(w.right, 17);
  EXPECT_EQ(w.top, 6);
  EXPECT_EQ(w.bottom, 8);

  Record u;
  u.wtd(0, 0);
  ASSERT_EQ(s.run(Wdsf(u, {0x00, 0x06, 0xD9, 0x52, 0x00, 0x00})), dsm_sense::kAccepted);
  EXPECT_FALSE(s.display.cursor().hasWindow());

  // Remove GUI window at the window's address ends the restriction too.
  Record g;
  g.wtd(0, 0).sba(5, 5);
  Wdsf(g, CreateWindow(0x80, 3, 10));
  ASSERT_EQ(s.run(Wdsf(g, {0x00, 0x07, 0xD9, 0x59, 0x00, 0x00, 0x00})), dsm_sense::kAccepted);
  EXPECT_FALSE(s.display.cursor().hasWindow());
}

TEST(HostWindow, RemoveAllGuiConstructsReplacesSymbols) {
  DsmStation s;
  Record r;
  r.clearUnit().wtd(0, 0).sba(5, 5);
  Wdsf(r, CreateWindow(0x80, 1, 4));
  ASSERT_EQ(s.run(Wdsf(r, {0x00, 0x07, 0xD9, 0x5F, 0x80, 0x00, 0x00})), dsm_sense::kAccepted);
  EXPECT_EQ(s.screen(s.offset(5, 5), 10),
            (Bytes{0x3A, 0x4B, 0x4B, 0x4B, 0x4B, 0x4B, 0x4B, 0x4B, 0x4B, 0x20}));
  EXPECT_EQ(s.screen(s.offset(6, 5), 10),
            (Bytes{0x3A, 0x7A, 0x20, 0x00, 0x00, 0x00, 0x00, 0x3A, 0x7A, 0x20}));
  EXPECT_FALSE(s.display.cursor().hasWindow());
}

// A host window ends text mode: the text session's attributes in the
// secondary plane go with it, unless no text-assist data came or the text
// session is in word processing and keeps its plane.
TEST(HostWindow, CreateWindowClearsTheWordProcessingPlaneOfTextMode) {
  struct Case {
    const char* name;
    bool textAssistData;
    bool wordProcessing;
    bool cleared;
  };
  const Case cases[] = {
      {"after text-assist data", true, false, true},
      {"without text-assist data", false, false, false},
      {"while word processing goes on", true, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DsmStation s;
    ASSERT_EQ(s.run(Record().clearUnit()), dsm_sense::kAccepted);
    const unsigned int at = s.offset(20, 3);
    s.display.secondaryPlane().writeCharacter(at, 0x84);
    if (c.textAssistData) s.manager().setWPModeChars();
    if (c.wordProcessing) s.display.modeFlagsB() |= DisplayBag::kBWPMode;
    Record r;
    r.wtd(0, 0).sba(5, 5);
    const uint32_t sense = s.run(Wdsf(r, CreateWindow(0x00, 1, 4)));
    s.display.modeFlagsB() &= ~DisplayBag::kBWPMode;
    if (!c.wordProcessing) ASSERT_EQ(sense, dsm_sense::kAccepted);
    EXPECT_EQ(s.display.secondaryPlane().getCharacter(at), c.cleared ? 0x00 : 0x84);
    EXPECT_EQ(s.display.secondaryPlane().isClear(), c.cleared);
  }
}

TEST(ProgrammableMouseButtons, EntriesStoredBadOnesSkippedAndALoneHeaderClears) {
  DsmStation s;
  Record r;
  r.clearUnit().wtd(0, 0);
  // Button 1 posts Enter; button 2 with a second event 19 is refused; button
  // 3 with 0x00 (not an AID) is refused; button 4, two events 4 then 5,
  // moves the cursor first and posts PF1.
  ASSERT_EQ(s.run(Wdsf(r, {0x00, 0x17, 0xD9, 0x55, 0x00, 0x00, 0x00,
                           0x00, 0x01, 0x00, 0xF1,
                           0x80, 0x02, 0x13, 0xF1,
                           0x00, 0x03, 0x00, 0x00,
                           0xC0, 0x04, 0x05, 0x31})),
            dsm_sense::kAccepted);
  ProgrammableMouseButtonsTable& t = s.display.mouseButtons();
  ASSERT_TRUE(t.isProgrammed(1));
  EXPECT_EQ(t.entry(1)->aid, 0xF1);
  EXPECT_FALSE(t.isProgrammed(2));
  EXPECT_FALSE(t.isProgrammed(3));
  ASSERT_TRUE(t.isProgrammed(4));
  EXPECT_EQ(t.entry(4)->flags, 0xC0);
  EXPECT_EQ(t.entry(4)->secondButton, 5);
  EXPECT_EQ(t.entry(4)->aid, 0x31);

  // One entry and two spare bytes: refused, the table as it was.
  Record bad;
  bad.wtd(0, 0);
  EXPECT_EQ(s.run(Wdsf(bad, {0x00, 0x0D, 0xD9, 0x55, 0x00, 0x00, 0x00, 0x00, 0x06, 0x00, 0xF1,
                             0x00, 0x00})),
            dsm_sense::kBadLength);
  EXPECT_TRUE(t.isProgrammed(1));
  EXPECT_FALSE(t.isProgrammed(6));

  Record clear;
  clear.wtd(0, 0);
  ASSERT_EQ(s.run(Wdsf(clear, {0x00, 0x07, 0xD9, 0x55, 0x00, 0x00, 0x00})), dsm_sense::kAccepted);
  EXPECT_TRUE(t.isClear());
  EXPECT_FALSE(t.isProgrammed(1));
}

}  // namespace
