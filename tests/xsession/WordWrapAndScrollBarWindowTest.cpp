// Fields of a real session window under a private X server, driven through
// XTEST against the loopback host: the arrows of a scroll bar clicked with
// the pointer send the scroll AID with one row, and words typed into a
// word-wrap field stay whole on the screen and in the host's read. (The
// file's name puts this suite after those that make the program's toolkit.)
#include <gtest/gtest.h>  // before Xlib, whose None and Bool macros clash with it

#include <X11/keysym.h>

#include <string>
#include <vector>

#include "display/DisplayBag.h"
#include "display/ScrollBarField.h"
#include "tests/xsession/SessionWindowFixture.h"

namespace {

using namespace qwtest::session_toolkit;
using namespace session_window;

// A vertical scroll bar whose attribute stands at (row, column): cells
// rows, over total rows at position.
Bytes ScrollBar(int row, int column, uint32_t total, uint32_t position, uint8_t cells) {
  Bytes sf = {0x00, 15, 0xD9, 0x53, 0x00, 0x00};
  for (uint32_t v : {total, position})
    for (int shift = 24; shift >= 0; shift -= 8) sf.push_back(static_cast<uint8_t>(v >> shift));
  sf.push_back(cells);
  return Cat({Sba(row, column), {0x15}, sf});
}

class FieldWindowTest : public SessionWindowTest {};

// A bar of 10 cells over 100 rows: at position 5 the slider stands below
// the first shaft cell, so the up arrow steps one row back; at position 88
// it stands above the last, so the down arrow steps one row on.
TEST_P(FieldWindowTest, ScrollBarArrowsClickedSendOneRow) {
  struct Case {
    uint32_t position;
    int row;  // the arrow's row (the bar stands in rows 5 to 14)
    uint8_t aid;
  };
  for (const Case& c : {Case{5, 5, 0xF4}, Case{88, 14, 0xF5}}) {
    SCOPED_TRACE(c.position);
    SessionControlBlock* s = Open(HostScreen(ScrollBar(5, 70, 100, c.position, 10), 1, 1));
    ASSERT_NE(s, nullptr);
    Field* f = s->display->formatTable().firstRecord();
    ASSERT_NE(f, nullptr);
    ASSERT_EQ(f->getFieldClassID(), kVerticalScrollBar);
    EXPECT_EQ(static_cast<ScrollBarField*>(f)->sliderOffset(), c.position == 5 ? 2u : 7u);
    Click(s, c.row, 71);
    const Bytes record = NextRecord();
    ASSERT_GE(record.size(), 17u);
    EXPECT_EQ(record[12], c.aid);
    EXPECT_EQ(Bytes(record.end() - 4, record.end()), Bytes({0, 0, 0, 1})) << "one row";
    EndSessions(1);
    Pump(20);
    host_.Stop();
  }
}

// A word-wrap field of 20 positions from row 10, column 71: ten on row 10,
// ten on row 11. Typed through XTEST, the word that does not fit on row 10
// moves down whole; the host reads the text without the nulls between.
TEST_P(FieldWindowTest, TypedWordsWrapWhole) {
  const Bytes field = Cat({Sba(10, 70), {0x1D, 0x40, 0x00, 0x86, 0x80, 0x20, 0x00, 20}});
  SessionControlBlock* s = Open(HostScreen(field, 10, 71));
  ASSERT_NE(s, nullptr);
  ASSERT_EQ(s->display->formatTable().firstRecord()->getFieldClassID(), kWordWrapField);
  ASSERT_TRUE(qwtest::TypeText(test_, "HELLO WORLD"));
  XSync(test_, False);
  PresentationSpaceScreenBuffer& ps = s->display->presentationSpace();
  const unsigned int columns = s->display->columns();
  const auto row = [&](int r) {
    Bytes b;
    for (unsigned int c = 0; c < 10; ++c) b.push_back(ps.getCharacter((r - 1) * columns + (r == 10 ? 70 : 0) + c));
    return b;
  };
  EXPECT_TRUE(RunUntil([&] { return row(11)[4] != 0; }));
  EXPECT_EQ(row(10), Cat({Host("HELLO "), Bytes(4, 0)}));
  EXPECT_EQ(row(11), Cat({Host("WORLD"), Bytes(5, 0)}));
  ASSERT_TRUE(qwtest::PressKey(test_, XK_Return));
  XSync(test_, False);
  const Bytes record = NextRecord();
  const Bytes text = Cat({Sba(10, 71), Host("HELLO WORLD")});
  ASSERT_GE(record.size(), text.size());
  EXPECT_EQ(Bytes(record.end() - static_cast<long>(text.size()), record.end()), text);
}

INSTANTIATE_TEST_SUITE_P(Locales, FieldWindowTest, qwtest::TestLocales(), qwtest::TestLocaleName);

}  // namespace
