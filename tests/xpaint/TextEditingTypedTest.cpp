// Editing a text-assist page in the session window with keys typed through
// XTEST: the loopback host sends an empty page (margins at columns 2 and 30)
// and a read; a sentence typed in insert mode spills its last word to the
// next row, a word there is typed between Underscore and End Attribute, the
// row is centred, and Enter sends the text record that the host receives
// (golden bytes).
#include <gtest/gtest.h>  // before Xlib, whose None and Bool macros clash with it

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <string>
#include <vector>

#include "display/ASD.h"
#include "display/PresentationSpaceScreenBuffer.h"
#include "textassist/TextSession.h"
#include "tests/support/TestHost5250.h"
#include "tests/support/XKeys.h"
#include "tests/xpaint/TextSessionPainting.h"

namespace {

using namespace paint_test;

using TextEditingTyped = TextSessionPainting;

Bytes Row(std::initializer_list<Bytes> parts) {
  Bytes r;
  for (const Bytes& p : parts) r = r + p;
  r.resize(80, 0x00);
  return r;
}

TEST_F(TextEditingTyped, AParagraphWithSpillAnUnderscoredWordCentredAndSent) {
  Send(PageRecord(0x00, 0x80, ScaleLine(1, {{2, 1}, {30, 2}}), PageLines(Bytes{0x00}), true));
  DisplayBag& d = *block_->display;
  ASSERT_EQ(d.keyboardState().state(), KeyboardState::kWordProcessing);
  ASSERT_EQ(d.textSession()->cursorPos, 161u);

  Display* keys = XOpenDisplay(DisplayString(ToolkitDisplay()));
  ASSERT_NE(keys, nullptr);
  ASSERT_TRUE(qwtest::HasXTest(keys));
  XSetInputFocus(keys, XtWindow(drawing_), RevertToParent, CurrentTime);
  XSync(keys, False);
  ASSERT_TRUE(RunUntil([&] { return block_->xstuff.hasFocus(); }));

  TextSession& t = *d.textSession();
  ASSERT_TRUE(qwtest::PressKey(keys, XK_Insert));
  ASSERT_TRUE(qwtest::TypeText(keys, "THE QUICK BROWN FOX JUMPS OVER THE LAZY DOG "));
  XSync(keys, False);
  // The last key leaves the cursor after "DOG " on row 4.
  ASSERT_TRUE(RunUntil([&] { return t.cursorPos == 3 * 80 + 19; })) << t.cursorPos;
  ASSERT_TRUE(qwtest::PressKey(keys, XK_u, {XK_Alt_L}));  // underscore
  ASSERT_TRUE(qwtest::TypeText(keys, "NOW"));
  ASSERT_TRUE(qwtest::PressKey(keys, XK_j, {XK_Alt_L}));  // end attribute
  XSync(keys, False);
  ASSERT_TRUE(RunUntil([&] { return t.cursorPos == 3 * 80 + 24; })) << t.cursorPos;
  ASSERT_TRUE(qwtest::PressKey(keys, XK_c, {XK_Alt_L}));  // centre
  XSync(keys, False);
  ASSERT_TRUE(RunUntil([&] { return t.cursorPos == 3 * 80 + 26; })) << t.cursorPos;
  EXPECT_FALSE(t.errorFlag()) << t.lastOperatorError();
  ASSERT_TRUE(qwtest::PressKey(keys, XK_Return));
  XSync(keys, False);

  Bytes record;
  ASSERT_TRUE(host_.WaitForRecord(kWaitMs, [] { Pump(); }, &record));
  XCloseDisplay(keys);
  ASSERT_GE(record.size(), 10u);
  const Bytes data(record.begin() + 10, record.end());

  // The head: the cursor (row 4, column 27), Enter, the length of the
  // record up to the status field, the field's id and the saved cursor.
  const Bytes head = {0x04, 0x1B, 0xF1, 0x00, 0xC8, 0xD9, 0x32, 0x00, 0xD0, 0x00, 0x00, 0x00, 0x03, 0x00, 0x02};
  // Row 3: the sentence up to the blank before the spilled word, and the
  // carrier return that ends it.
  const Bytes lcd3 = {0x98, 0x02, 0x00, 0x03, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01};
  const Bytes row3 = Row({Bytes{0x00}, Ebc("THE QUICK BROWN FOX JUMPS "), Bytes{0x03}});
  // Row 4: the attribute left by the spill in column 1, the centred text
  // (three blanks, the words, underscore 0x24 before "NOW" and its end
  // 0x20 after it, the carrier return), and the end of the underscore after
  // the right margin in column 31.
  const Bytes lcd4 = {0x98, 0x02, 0x00, 0x04, 0x00, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x01};
  Bytes row4 = Row({Bytes{0x20}, Ebc("   OVER THE LAZY DOG "), Bytes{0x24}, Ebc("NOW"), Bytes{0x20, 0x03}});
  row4[30] = 0x20;
  // The status field: insert mode on, the last character typed (0x20).
  Bytes status(18, 0x00);
  status[1] = 0x10;
  status[2] = 0xD9;
  status[3] = 0x38;
  status[5] = 0x80;
  status[14] = 0x20;
  const Bytes golden = head + Bytes{94} + lcd3 + row3 + Bytes{94} + lcd4 + row4 + status;
  EXPECT_EQ(data, golden);
  EXPECT_TRUE(d.keyboardState().isLockedState());
}

// A right-to-left line of a bidirectional page under the Arabic shaper,
// typed through XTEST in insert mode: one free position on the line leaves
// no room for a seen (the key of code point 0x77 in this session's code
// page, I-diaeresis), the blank after it and the tail the seen then needs.
// The shaper's insert spills the line's last word to the next line, as
// typing without the shaper does; no error shows and no text is lost.
TEST_F(TextEditingTyped, TheShapersInsertOnAFullRightToLeftLineSpills) {
  constexpr unsigned char kBidi = 0x01, kRtl = 0x80, kSeen = 0x77, kTail = 0x45;
  Display* keys = XOpenDisplay(DisplayString(ToolkitDisplay()));
  ASSERT_NE(keys, nullptr);
  ASSERT_TRUE(qwtest::HasXTest(keys));
  ASSERT_TRUE(qwtest::BindKeysyms(keys, {XK_Idiaeresis}));
  // 68 characters and a free position at the end of the 69 between the
  // margins.
  Bytes words;
  for (int i = 0; i < 13; ++i) words = words + Ebc("AAAA ");
  words = words + Ebc("BBB");
  Bytes lines;
  for (unsigned int r = 3; r <= 23; ++r) {
    TextLine l{r, r == 3 ? Bytes{0x00} + words : Bytes{0x00}, r - 2};
    if (r <= 4) l.byte4 = kRtl;
    lines = lines + LineRecord(l);
  }
  Send(Wsf(Dftxt(kBidi, 0x80) + Dfscl(ScaleLine(1, {{2, 1}, {70, 2}})) + Wrtxt(0x80, 0x00, 0x08, 3, 2, lines) +
           Rdtxt()));
  DisplayBag& d = *block_->display;
  ASSERT_EQ(d.keyboardState().state(), KeyboardState::kWordProcessing);
  TextSession& t = *d.textSession();
  d.asd().setASDLanguage(ASD::kArabic);  // the Arabic keyboard's shaper
  t.textFlagsA |= 1u << 13;              // the host's language is shaped
  XSetInputFocus(keys, XtWindow(drawing_), RevertToParent, CurrentTime);
  XSync(keys, False);
  ASSERT_TRUE(RunUntil([&] { return block_->xstuff.hasFocus(); }));
  PresentationSpaceScreenBuffer& ps = d.presentationSpace();
  // Row r in typing order from column 79, n positions.
  const auto logical = [&](unsigned int r, unsigned int n) {
    Bytes out;
    for (unsigned int i = 0; i < n; ++i) out.push_back(ps.getCharacter((r - 1) * 80 + 78 - i));
    return out;
  };

  // A click on the line's first position (column 79, the left margin's
  // mirror).
  int rx = 0, ry = 0;
  RootOf(2 * 80 + 78, &rx, &ry);
  XTestFakeMotionEvent(keys, -1, rx, ry, CurrentTime);
  XTestFakeButtonEvent(keys, 1, True, 400);
  XTestFakeButtonEvent(keys, 1, False, CurrentTime);
  XSync(keys, False);
  ASSERT_TRUE(RunUntil([&] { return t.cursorPos == 2u * 80 + 78; })) << t.cursorPos;
  ASSERT_TRUE(qwtest::PressKey(keys, XK_Insert));
  ASSERT_TRUE(qwtest::PressKey(keys, XK_Idiaeresis));
  XSync(keys, False);
  ASSERT_TRUE(RunUntil([&] { return t.cursorPos == 2u * 80 + 77; })) << t.cursorPos;
  ASSERT_TRUE(qwtest::PressKey(keys, XK_space));
  XSync(keys, False);
  // The cursor after the seen, its tail and the blank.
  EXPECT_TRUE(RunUntil([&] { return t.cursorPos == 2u * 80 + 75; })) << t.cursorPos;
  XCloseDisplay(keys);
  EXPECT_FALSE(t.errorFlag()) << t.lastOperatorError();
  // The seen stands in its final form with its tail; the last word went on
  // to the next line, and no text is lost.
  EXPECT_EQ(logical(3, 7), (Bytes{kSeen, kTail, 0x40} + Ebc("AAAA")));
  EXPECT_EQ(logical(4, 3), Ebc("BBB"));
  Bytes text;
  for (unsigned int r = 3; r <= 5; ++r)
    for (unsigned char b : logical(r, 69))
      if (b >= 0x40) text.push_back(b);
  const Bytes expected = Bytes{kSeen, kTail, 0x40} + words;
  EXPECT_EQ(text, expected);
}

}  // namespace
