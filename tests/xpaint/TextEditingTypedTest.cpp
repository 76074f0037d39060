// Editing a text-assist page in the session window with keys typed through
// XTEST: the loopback host sends an empty page (margins at columns 2 and 30)
// and a read; a sentence typed in insert mode spills its last word to the
// next row, a word there is typed between Underscore and End Attribute, the
// row is centred, and Enter sends the text record that the host receives
// (golden bytes).
#include <gtest/gtest.h>  // before Xlib, whose None and Bool macros clash with it

#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <string>
#include <vector>

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

}  // namespace
