// Typed characters on right-to-left text lines through the Arabic shaper:
// with a shaping language active the letters typed take their joined
// shapes and change the shapes of the letters around them, in replace and
// insert mode; a character the shaper cannot place is refused with
// operator error 69 and Reset takes it out; without shaping the bytes are
// the ones typed.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "display/ASD.h"
#include "tests/textassist/TextStation.h"
#include "textassist/TextSession.h"

namespace {

constexpr unsigned char kBidi = 0x01;  // DFTXT byte 5
constexpr unsigned char kRtl = 0x80;   // line control byte 4
constexpr unsigned int kShapedLanguage = 1u << 13;

// CP420: beh is 0x58 alone or at a word's end and 0x59 at its start or
// inside; seen (0x77) alone or at a word's end takes a tail (0x45) after
// it; ain is 0x9C initial, 0x9D middle, 0x9B final; reh (0x75) never joins
// the next letter.
constexpr unsigned char kBeh = 0x58, kBehJoined = 0x59, kSeen = 0x77, kReh = 0x75;

// Row 3 right to left with `text` from column 79 (the margins are columns 2
// and 70: the text runs from column 79 down to column 11), row 4 empty.
class ShapedRow {
 public:
  ShapedRow(const Bytes& text, unsigned int language, bool shapedFlag, bool insert) {
    const Bytes scale = ScaleLine(1, {{2, 1}, {70, 2}});
    Bytes lines;
    for (unsigned int r = 3; r <= 23; ++r) {
      TextLine l{r, r == 3 ? Bytes{0x00} + text : Bytes{0x00}, r - 2};
      if (r <= 4) l.byte4 = kRtl;
      lines = lines + LineRecord(l);
    }
    ok = s.run(Wsf(Dftxt(kBidi, 0x80) + Dfscl(scale) + Wrtxt(0x80, 0x00, 0x08, 3, 2, lines) + Rdtxt())) == 0;
    s.display.asd().setASDLanguage(language);
    if (shapedFlag) s.text()->textFlagsA |= kShapedLanguage;
    if (insert) s.key(FunctionWord{3, 1});
  }
  // Row 3 from column 79 leftwards, n positions.
  Bytes logical(unsigned int n) {
    Bytes out;
    for (unsigned int i = 0; i < n; ++i) out.push_back(s.screen(s.offset(3, 79 - i), 1)[0]);
    return out;
  }
  void type(const Bytes& keys) {
    for (unsigned char k : keys) s.key(FunctionWord{10, k});
  }
  TextStation s;
  bool ok = false;
};

TEST(ShapedTyping, TypedLettersReshapeTheirNeighbours) {
  struct Case {
    const char* name;
    unsigned int language;
    bool shapedFlag;
    bool insert;
    Bytes text;           // row 3 from column 79 before
    unsigned int column;  // where typing starts
    Bytes keys;
    Bytes typed;          // row 3 from column 79 while the shaping run goes on
    Bytes ended;          // and after Left ended it
    unsigned int cursor;  // column after typing
  };
  const Case cases[] = {
      {"replace: a second beh joins the first", ASD::kArabic, true, false, {}, 79, {kBeh, kBeh},
       {kBehJoined, kBehJoined, 0x00}, {kBehJoined, kBeh, 0x00}, 77},
      {"insert: a second beh joins the first", ASD::kArabic, true, true, {}, 79, {kBeh, kBeh},
       {kBehJoined, kBehJoined, 0x00}, {kBehJoined, kBeh, 0x00}, 77},
      {"insert: a beh typed in front of a word joins it", ASD::kArabic, true, true, {kBeh}, 79, {kBeh},
       {kBehJoined, kBeh, 0x00}, {kBehJoined, kBeh, 0x00}, 78},
      {"insert: a beh typed after a beh changes it to its joined shape", ASD::kArabic, true, true, {kBeh}, 78,
       {kBeh}, {kBehJoined, kBehJoined, 0x00}, {kBehJoined, kBeh, 0x00}, 77},
      {"replace: a beh typed after a beh changes it to its joined shape", ASD::kArabic, true, false, {kBeh}, 78,
       {kBeh}, {kBehJoined, kBehJoined, 0x00}, {kBehJoined, kBeh, 0x00}, 77},
      {"no shaping language: a beh after a beh stays as it was", ASD::kNoLanguage, true, true, {kBeh}, 78, {kBeh},
       {kBeh, kBeh, 0x00}, {kBeh, kBeh, 0x00}, 77},
      {"insert: a beh after a reh stays apart", ASD::kArabic, true, true, {}, 79, {kReh, kBeh},
       {kReh, kBehJoined, 0x00}, {kReh, kBeh, 0x00}, 77},
      {"no shaping language: the bytes typed", ASD::kNoLanguage, true, true, {}, 79, {kBeh, kBeh},
       {kBeh, kBeh, 0x00}, {kBeh, kBeh, 0x00}, 77},
      {"the host's language is not shaped: the bytes typed", ASD::kArabic, false, false, {}, 79, {kBeh, kBeh},
       {kBeh, kBeh, 0x00}, {kBeh, kBeh, 0x00}, 77},
      {"no shaping language, insert in front of text", ASD::kNoLanguage, true, true, {kBeh}, 79, {kBeh},
       {kBeh, kBeh, 0x00}, {kBeh, kBeh, 0x00}, 78},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ShapedRow p(c.text, c.language, c.shapedFlag, c.insert);
    ASSERT_TRUE(p.ok);
    p.s.text()->moveCursor(p.s.offset(3, c.column), Plane0);
    p.type(c.keys);
    EXPECT_FALSE(p.s.text()->errorFlag()) << p.s.text()->lastOperatorError();
    EXPECT_EQ(p.logical(static_cast<unsigned int>(c.typed.size())), c.typed);
    EXPECT_EQ(p.s.text()->cursorPos, p.s.offset(3, c.cursor));
    EXPECT_EQ(p.s.display.cursor().getCursorOffset(), p.s.text()->cursorPos);
    EXPECT_TRUE(p.s.text()->lineTable[2].ctl & line_ctl::kChanged);
    p.s.key(FunctionWord{1, 2});  // Left ends the shaping run
    EXPECT_EQ(p.logical(static_cast<unsigned int>(c.ended.size())), c.ended);
  }
}

}  // namespace
namespace {

// The blank after a seen needs the seen's tail in front of it: with one
// position left on a row that never spills (insert) or none (replace) the
// shaper refuses it. Operator error 69 shows; in insert mode the blank stands unshaped
// under the cursor and Reset takes it out (the rest of the row closes up),
// in replace mode the row stays as it was and Reset takes out the
// character the blank was to replace. kSeen + 1 is the seen's initial
// shape.
TEST(ShapedTyping, ARefusedCharacterAndReset) {
  struct Case {
    const char* name;
    bool insert;
    Bytes text;     // row 3 from column 79
    Bytes refused;  // row 3 from column 79 after the blank, the error shown
    Bytes reset;    // and after Reset
  };
  const Bytes as66(66, 0xC1);
  const Case cases[] = {
      {"insert", true, as66 + Bytes{0x00, 0x00, 0xD2},
       Bytes{kSeen + 1, 0x40} + as66 + Bytes{0xD2, 0x00}, Bytes{kSeen + 1} + as66 + Bytes{0xD2, 0x00, 0x00}},
      {"replace", false, Bytes(69, 0xC1), Bytes{kSeen + 1} + Bytes(68, 0xC1) + Bytes{0x00},
       Bytes{kSeen + 1} + Bytes(67, 0xC1) + Bytes{0x00, 0x00}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ShapedRow p(c.text, ASD::kArabic, true, c.insert);
    ASSERT_TRUE(p.ok);
    p.s.text()->lineTable[2].ctl |= 0x04000000u;  // a line that never spills
    p.s.text()->moveCursor(p.s.offset(3, 79), Plane0);
    p.type({kSeen});
    ASSERT_FALSE(p.s.text()->errorFlag()) << p.s.text()->lastOperatorError();
    ASSERT_EQ(p.s.text()->cursorPos, p.s.offset(3, 78));
    p.type({0x40});
    ASSERT_TRUE(p.s.text()->errorFlag());
    EXPECT_EQ(p.s.text()->lastOperatorError(), 69u);
    EXPECT_EQ(p.logical(70), c.refused);
    EXPECT_EQ(p.s.text()->cursorPos, p.s.offset(3, 78));
    EXPECT_EQ(p.s.display.cursor().getCursorOffset(), p.s.offset(3, 78));
    p.s.key(FunctionWord{4, 1});  // Reset
    EXPECT_FALSE(p.s.text()->errorFlag());
    EXPECT_EQ(p.logical(70), c.reset);
    EXPECT_EQ(p.s.text()->cursorPos, p.s.offset(3, 78));
    // Without the shaper the same blank just goes in.
    ShapedRow plain(c.text, ASD::kNoLanguage, true, c.insert);
    plain.s.text()->moveCursor(plain.s.offset(3, 79), Plane0);
    plain.type({kSeen, 0x40});
    EXPECT_FALSE(plain.s.text()->errorFlag()) << plain.s.text()->lastOperatorError();
    EXPECT_EQ(plain.logical(2), (Bytes{kSeen, 0x40}));
  }
}

}  // namespace
namespace {

// A letter typed into the last word of a full row: the word spills to a
// new row and the cursor stays right after the letter, with the shaper as
// without it.
TEST(ShapedTyping, ASpillKeepsTheCursorAfterTheTypedLetter) {
  Bytes text;
  for (int w = 0; w < 14; ++w) text = text + Bytes{0xC1, 0xC2, 0xC3, 0xC4, 0x40};
  text.resize(69);  // the last word, ABCD, ends on column 11
  for (const unsigned int language : {ASD::kArabic, ASD::kNoLanguage}) {
    SCOPED_TRACE(language == ASD::kArabic ? "shaping" : "no shaping");
    ShapedRow p(text, language, true, true);
    ASSERT_TRUE(p.ok);
    p.s.text()->moveCursor(p.s.offset(3, 13), Plane0);  // on the B: E goes in front of it
    p.type({0xC5});
    EXPECT_FALSE(p.s.text()->errorFlag()) << p.s.text()->lastOperatorError();
    Bytes row4;
    for (unsigned int c = 80; c >= 74; --c) row4.push_back(p.s.screen(p.s.offset(4, c), 1)[0]);
    EXPECT_EQ(row4, (Bytes{0x20, 0xC1, 0xC5, 0xC2, 0xC3, 0xC4, 0x03}));
    EXPECT_EQ(p.s.text()->cursorPos, p.s.offset(4, 77));
  }
}

}  // namespace
namespace {

// The host wrote the row's last letter one past its margin (column 10):
// the first letter typed fills the null in the row, the second would push
// the text over that letter and is refused, with the shaper as without it.
TEST(ShapedTyping, InsertNeverOverwritesALetterPastTheMargin) {
  const Bytes as66(66, 0xC1), tail{0x40, 0xC2, 0xC2};
  for (const unsigned int language : {ASD::kArabic, ASD::kNoLanguage}) {
    SCOPED_TRACE(language == ASD::kArabic ? "shaping" : "no shaping");
    ShapedRow p(as66 + Bytes{0x00} + tail, language, true, true);
    ASSERT_TRUE(p.ok);
    p.s.text()->moveCursor(p.s.offset(3, 79), Plane0);
    p.type({0xC3});
    EXPECT_FALSE(p.s.text()->errorFlag()) << p.s.text()->lastOperatorError();
    p.type({0xC4});
    EXPECT_TRUE(p.s.text()->errorFlag());
    EXPECT_EQ(p.logical(70), Bytes{0xC3} + as66 + tail);
    EXPECT_EQ(p.s.screen(p.s.offset(4, 79), 1)[0], 0x00);
  }
}

}  // namespace
