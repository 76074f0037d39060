// Mouse events through the input-object generator on a station with its
// translator: clicks that place the cursor, hot spots that post AIDs or type
// a menu option, the marking of an area by a drag, the clicks and drags of
// scroll bars (the increments the host reads), and the events that end a
// state. Every path a click can take ends without a halt.
#include <gtest/gtest.h>
#include <iconv.h>

#include <random>
#include <string>
#include <vector>

#include "datastream/ScrollBarLayout.h"
#include "display/EntryField.h"
#include "display/ScrollBarField.h"
#include "keyboard/InObjGen.h"
#include "tests/keyboard/KeyStation.h"

namespace {

enum : unsigned char {
  kMove = 0, kLeftPress = 1, kLeftRelease = 2, kLeftDouble = 3, kRightPress = 4, kMiddlePress = 7,
  kShiftLeftPress = 10, kShiftLeftRelease = 11,
};

std::vector<unsigned char> Cp037(const std::string& text) {
  iconv_t cd = iconv_open("CP037", "ISO-8859-1");
  std::vector<unsigned char> out(text.size() + 1);
  char* in = const_cast<char*>(text.data());
  size_t inLeft = text.size();
  char* o = reinterpret_cast<char*>(out.data());
  size_t outLeft = out.size();
  iconv(cd, &in, &inLeft, &o, &outLeft);
  iconv_close(cd);
  out.resize(out.size() - outLeft);
  return out;
}

class MouseEvents : public ::testing::Test {
 protected:
  DisplayBag& d() { return st.display; }
  unsigned int At(unsigned int row, unsigned int column) { return (row - 1) * d().columns() + column - 1; }
  void Put(unsigned int row, unsigned int column, const std::string& text) {
    const std::vector<unsigned char> b = Cp037(text);
    d().presentationSpace().writeData(b.data(), static_cast<unsigned int>(b.size()), At(row, column));
  }
  void Mouse(unsigned char code, unsigned int offset) {
    FunctionWord w{27, code};
    d().inObjGen().processMouseEvent(&d(), &w, offset);
  }
  void Click(unsigned int offset) {
    Mouse(kLeftPress, offset);
    Mouse(kLeftRelease, offset);
  }
  unsigned int Cursor() { return d().cursor().getCursorOffset(); }
  bool Locked() { return d().keyboardState().state() == KeyboardState::kNormalLocked; }
  unsigned char LastAid() { return d().readMgr().lastActivatedAid(); }
  unsigned int Aids() { return d().readMgr().activations(); }
  // A vertical scroll bar at column 70 from row 3: size cells, total rows,
  // position.
  ScrollBarField* Bar(unsigned int size, unsigned int total, unsigned int position) {
    auto* bar = static_cast<ScrollBarField*>(d().formatTable().createField(kVerticalScrollBar, nullptr, 0));
    EXPECT_NE(bar, nullptr);
    bar->setColumns(d().columns());
    bar->setScrollBarParameters(At(3, 70), total, position, size);
    bar->setBarCharacters(0x7A, 0x5C);
    return bar;
  }
  unsigned int Cell(ScrollBarField* bar, unsigned int i) { return bar->getStartOffset() + i * d().columns(); }
  // The last record's AID and the bytes after it.
  std::vector<unsigned char> Sent() {
    const auto& r = st.hostInterface.records;
    if (r.empty() || r.back().size() < 3) return {};
    return std::vector<unsigned char>(r.back().begin() + 2, r.back().end());
  }
  void Unlock() {
    d().keyboardState().enterNormalUnlockState();
    d().readMgr().setReadPending(1);
  }
  KeyStation st;
};

TEST_F(MouseEvents, LeftClickMovesTheCursorToThePointer) {
  Click(At(10, 33));
  EXPECT_EQ(Cursor(), At(10, 33));
  EXPECT_EQ(Aids(), 0u);
  EXPECT_FALSE(Locked());
}

TEST_F(MouseEvents, NoReadPendingDropsClicks) {
  d().readMgr().resetPendingRead();
  const unsigned int before = Cursor();
  Click(At(12, 5));
  EXPECT_EQ(Cursor(), before);
}

TEST_F(MouseEvents, SingleClickHotSpotsPostTheirAid) {
  d().options().hotSpotClickMode = 1;
  Put(24, 2, "F3=Exit   F12=Cancel");
  Put(20, 70, "More...");
  Put(21, 70, "Bottom");
  const struct {
    unsigned int offset;
    unsigned char aid;
  } cases[] = {{At(24, 4), 0x33}, {At(24, 14), 0x3C}, {At(20, 72), 0xF5}, {At(21, 75), 0xF4}};
  for (const auto& c : cases) {
    if (Locked()) Unlock();
    d().readMgr().setReadPending(1);
    st.rendering.calls.clear();
    Mouse(kLeftPress, c.offset);
    EXPECT_EQ(LastAid(), c.aid);
    EXPECT_TRUE(Locked());
    bool flashed = false;
    for (const std::string& call : st.rendering.calls) flashed |= call.rfind("drawPushButton(", 0) == 0;
    EXPECT_TRUE(flashed) << "the hot spot shows pressed";
  }
}

TEST_F(MouseEvents, DoubleClickHotSpots) {
  d().options().hotSpotClickMode = 2;
  Put(24, 2, "F3=Exit");
  Click(At(24, 5));
  EXPECT_EQ(Aids(), 0u) << "a single click only places the cursor";
  EXPECT_EQ(Cursor(), At(24, 5));
  Mouse(kLeftDouble, At(24, 5));
  EXPECT_EQ(LastAid(), 0x33);
  // Without a click that armed it, a double click does nothing.
  d().keyboardState().enterNormalUnlockState();
  d().readMgr().setReadPending(1);
  const unsigned int aids = Aids();
  Mouse(kLeftDouble, At(24, 5));
  EXPECT_EQ(Aids(), aids);
}

TEST_F(MouseEvents, DoubleClickOnPlainTextIsEnter) {
  d().options().hotSpotClickMode = 1;
  Click(At(8, 8));
  Mouse(kLeftDouble, At(8, 8));
  EXPECT_EQ(LastAid(), 0xF1);
}

TEST_F(MouseEvents, MenuOptionIsTypedAndEntered) {
  d().options().hotSpotClickMode = 1;
  Put(5, 6, "1. User tasks");
  Put(6, 5, "12. Sign off");
  EntryField* f = st.inputField(At(20, 10), At(20, 12));
  ASSERT_NE(f, nullptr);
  Mouse(kLeftPress, At(6, 12));
  EXPECT_EQ(LastAid(), 0xF1);
  unsigned char typed[3] = {};
  d().presentationSpace().getData(At(20, 10), 3, typed);
  EXPECT_EQ(typed[0], 0xF1);
  EXPECT_EQ(typed[1], 0xF2);
  EXPECT_EQ(typed[2], 0x00);
  EXPECT_TRUE(f->isModified());
}

TEST_F(MouseEvents, MenuOptionWithoutInputFieldsOnlyMovesTheCursor) {
  d().options().hotSpotClickMode = 1;
  Put(5, 6, "1. User tasks");
  Click(At(5, 9));
  EXPECT_EQ(Aids(), 0u);
  EXPECT_EQ(Cursor(), At(5, 9));
}

TEST_F(MouseEvents, DragMarksAnAreaAndAClickOnlyMovesTheCursor) {
  d().options().set(StationOptions::kCopyPaste, true);
  d().options().set(StationOptions::kLeftDragMarking, true);
  KeyboardState& k = d().keyboardState();
  Mouse(kLeftPress, At(4, 10));
  EXPECT_EQ(k.state(), KeyboardState::kCopy);
  Mouse(kMove, At(4, 20));
  Mouse(kMove, At(6, 30));
  Mouse(kLeftRelease, At(6, 30));
  EXPECT_EQ(k.state(), KeyboardState::kPostCopy);
  EXPECT_EQ(k.copyFrom(), At(4, 10));
  EXPECT_EQ(k.copyTo(), At(6, 30));
  const KeyboardState::CopyAreaInfo info = k.getCopyAreaInfo();
  EXPECT_EQ(info.marked, 1u);
  // The next click ends the marking and places the cursor.
  Click(At(9, 9));
  EXPECT_EQ(k.state(), KeyboardState::kNormalUnlocked);
  Click(At(9, 9));
  EXPECT_EQ(Cursor(), At(9, 9));
  // A right click marks from the cursor to the pointer.
  Mouse(kRightPress, At(10, 40));
  EXPECT_EQ(k.state(), KeyboardState::kPostCopy);
  EXPECT_EQ(k.copyFrom(), At(9, 9));
  EXPECT_EQ(k.copyTo(), At(10, 40));
}

TEST_F(MouseEvents, ShiftedDragMarksWithCopyAndPasteOn) {
  d().options().set(StationOptions::kCopyPaste, true);
  KeyboardState& k = d().keyboardState();
  Mouse(kShiftLeftPress, At(2, 2));
  Mouse(kMove, At(3, 5));
  Mouse(kShiftLeftRelease, At(3, 5));
  EXPECT_EQ(k.state(), KeyboardState::kPostCopy);
  EXPECT_EQ(k.copyTo(), At(3, 5));
}

TEST_F(MouseEvents, ScrollBarClicksPostPagesAndSteps) {
  ScrollBarField* bar = Bar(10, 100, 0);
  EXPECT_EQ(bar->sliderOffset(), 1u);
  // The up arrow with the slider at the top: nothing.
  Click(Cell(bar, 0));
  EXPECT_EQ(Aids(), 0u);
  Click(Cell(bar, 5));  // the shaft below the slider: a page down
  EXPECT_EQ(LastAid(), 0xF5);
  EXPECT_EQ(Sent(), std::vector<unsigned char>({0xF5, 0, 0, 0, 0})) << "the host reads 0: a page";
  EXPECT_TRUE(bar->isModified());
  Unlock();
  Click(Cell(bar, 9));  // the down arrow: one row
  EXPECT_EQ(Sent(), std::vector<unsigned char>({0xF5, 0, 0, 0, 1}));
  EXPECT_EQ(bar->pendingIncrement(), 0u) << "the read starts a new increment";
}

// The slider of (cells, total, position) and what each arrow sends: the
// slider takes (cells - 4) x cells / (total - 2) of the cells between the
// arrows (at least 1), stands on the first of them at position 0 and on the
// last ones on the last page, and shares the cells between for the rest; an
// arrow sends its AID with one row unless the slider already stands at its
// end. Hosts lay out their lists for this arithmetic.
TEST_F(MouseEvents, ScrollBarSliderAndArrowsFollowTheBarArithmetic) {
  struct Case {
    unsigned int cells, total, position, size, offset;
    bool up, down;  // the arrow sends its AID
  };
  const Case cases[] = {
      {10, 100, 0, 1, 1, false, true},   {10, 100, 1, 1, 2, true, true},   {10, 100, 5, 1, 2, true, true},
      {10, 100, 88, 1, 7, true, true},   {10, 100, 89, 1, 7, true, true},  {10, 100, 90, 1, 8, true, false},
      {10, 20, 0, 3, 1, false, true},    {10, 20, 5, 3, 3, true, true},    {10, 20, 10, 3, 6, true, false},
      {10, 10, 0, 8, 1, false, false},   {10, 11, 0, 7, 1, false, true},   {10, 11, 1, 7, 2, true, false},
      {5, 20, 0, 1, 1, false, true},     {5, 20, 1, 1, 2, true, true},     {5, 20, 14, 1, 2, true, true},
      {5, 20, 15, 1, 3, true, false},    {10, 0x2000000, 0x1000000, 1, 5, true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.cells) + " cells, total " + std::to_string(c.total) + ", position " +
                 std::to_string(c.position));
    d().formatTable().clearFormatTable();
    Unlock();
    ScrollBarField* bar = Bar(c.cells, c.total, c.position);
    EXPECT_EQ(bar->sliderSize(), c.size);
    EXPECT_EQ(bar->sliderOffset(), c.offset);
    const unsigned int aids = Aids();
    Click(Cell(bar, 0));
    if (c.up) {
      EXPECT_EQ(Sent(), std::vector<unsigned char>({0xF4, 0, 0, 0, 1}));
      Unlock();
    }
    Click(Cell(bar, c.cells - 1));
    if (c.down) EXPECT_EQ(Sent(), std::vector<unsigned char>({0xF5, 0, 0, 0, 1}));
    EXPECT_EQ(Aids(), aids + (c.up ? 1u : 0u) + (c.down ? 1u : 0u));
  }
  // Without arrows (4 cells) the end cells are shaft: a page.
  d().formatTable().clearFormatTable();
  Unlock();
  ScrollBarField* bar = Bar(4, 8, 2);
  EXPECT_EQ(bar->sliderSize(), 1u);
  EXPECT_EQ(bar->sliderOffset(), 1u);
  Click(Cell(bar, 0));
  EXPECT_EQ(Sent(), std::vector<unsigned char>({0xF4, 0, 0, 0, 0}));
}

TEST_F(MouseEvents, ScrollBarDragReportsTheRowsItStandsFor) {
  ScrollBarField* bar = Bar(10, 100, 0);
  Mouse(kLeftPress, Cell(bar, 1));
  EXPECT_EQ(d().keyboardState().state(), KeyboardState::kDragAndDrop);
  Mouse(kMove, Cell(bar, 3));
  Mouse(kMove, Cell(bar, 5));
  EXPECT_EQ(bar->sliderOffset(), 5u);
  Mouse(kLeftRelease, Cell(bar, 5));
  EXPECT_EQ(LastAid(), 0xF5);
  EXPECT_EQ(bar->calculateSliderOffset(), 5u) << "the new position puts the slider where it was dropped";
  const unsigned int rows = bar->position();
  EXPECT_GT(rows, 0u);
  EXPECT_EQ(Sent(), std::vector<unsigned char>({0xF5, 0, 0, 0, static_cast<unsigned char>(rows)}));
  // Dragged past the end: to the end.
  Unlock();
  Mouse(kLeftPress, Cell(bar, 5));
  Mouse(kMove, Cell(bar, 9));
  Mouse(kMove, At(23, 70));  // beyond the bar
  Mouse(kLeftRelease, At(23, 70));
  EXPECT_EQ(bar->sliderOffset(), 8u);
  EXPECT_EQ(Sent(), std::vector<unsigned char>({0xF5, 0xFF, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(bar->position(), 90u);
}

TEST_F(MouseEvents, HorizontalBarsPostTheirOwnAids) {
  auto* bar = static_cast<ScrollBarField*>(d().formatTable().createField(kHorizontalScrollBar, nullptr, 0));
  ASSERT_NE(bar, nullptr);
  bar->setColumns(d().columns());
  bar->setScrollBarParameters(At(20, 11), 200, 100, 10);
  bar->setBarCharacters(0x60, 0x5C);
  ASSERT_EQ(bar->sliderOffset(), 5u);
  Click(At(20, 11 + 7));  // the shaft after the slider: a page right
  EXPECT_EQ(Sent(), std::vector<unsigned char>({0xDA, 0, 0, 0, 0}));
  Unlock();
  Click(At(20, 11));  // the left arrow: one column back
  EXPECT_EQ(Sent(), std::vector<unsigned char>({0xD9, 0, 0, 0, 1}));
  Unlock();
  // The slider dragged two cells left.
  Mouse(kLeftPress, At(20, 16));
  Mouse(kMove, At(20, 14));
  Mouse(kLeftRelease, At(20, 14));
  EXPECT_EQ(bar->sliderOffset(), 3u);
  EXPECT_EQ(bar->calculateSliderOffset(), 3u);
  EXPECT_EQ(Sent()[0], 0xD9);
  EXPECT_LT(bar->position(), 100u);
}

TEST_F(MouseEvents, AClickOnAReversedScreenPlacesTheCursorUnderThePointer) {
  d().modeFlagsB() |= DisplayBag::kBReversed;
  Click(At(5, 10));  // the cell as the window shows it
  EXPECT_EQ(Cursor(), d().presentationSpace().reverseAddress(At(5, 10)));
  EXPECT_EQ(Cursor(), At(5, 71));
}

TEST_F(MouseEvents, AnotherButtonCancelsTheDrag) {
  ScrollBarField* bar = Bar(10, 100, 0);
  Mouse(kLeftPress, Cell(bar, 1));
  Mouse(kMove, Cell(bar, 4));
  EXPECT_EQ(bar->sliderOffset(), 4u);
  Mouse(kRightPress, Cell(bar, 4));
  EXPECT_EQ(d().keyboardState().state(), KeyboardState::kNormalUnlocked);
  EXPECT_EQ(bar->sliderOffset(), 1u);
  EXPECT_EQ(Aids(), 0u);
}

// Every bar the host may define, every drag: the release never halts, the
// slider stays on the shaft, and the position stays in range.
TEST_F(MouseEvents, DragsOnAnyBarStayInRange) {
  std::mt19937 random(7);
  for (int i = 0; i < 300; ++i) {
    d().formatTable().clearFormatTable();
    d().keyboardState().enterNormalUnlockState();
    d().readMgr().setReadPending(1);
    const unsigned int size = 3 + random() % 18;
    const unsigned int total = size + (random() % 3 == 0 ? random() % 3 : random() % 100000);
    const unsigned int position = total > size ? random() % (total - size + 1) : 0;
    ScrollBarField* bar = Bar(size, total, position);
    SCOPED_TRACE("size " + std::to_string(size) + " total " + std::to_string(total) + " position " +
                 std::to_string(position));
    Mouse(kLeftPress, Cell(bar, bar->sliderOffset()));
    Mouse(kMove, Cell(bar, random() % size));
    Mouse(kMove, At(3 + random() % 22, 70));
    Mouse(kLeftRelease, 0);
    EXPECT_NE(d().keyboardState().state(), KeyboardState::kDragAndDrop);
    const unsigned int first = size > 4 ? 1 : 0, cells = size > 4 ? size - 2 : size;
    EXPECT_GE(bar->sliderOffset(), first);
    EXPECT_LE(bar->sliderOffset() + bar->sliderSize(), first + cells);
    EXPECT_LE(bar->position() + size, std::max(total, size));
  }
}

TEST_F(MouseEvents, ProgrammedTwoEventButtonSendsTheMouseAid) {
  ProgrammableMouseButtonsTable& t = d().mouseButtons();
  ASSERT_TRUE(t.addTableEntry(d().services(), 1, {PMBTableEntry::kTwoEvent, 2, 0xF1}));
  Mouse(kLeftPress, At(7, 7));
  EXPECT_EQ(d().keyboardState().state(), KeyboardState::kTwoMouseEvents);
  Mouse(kLeftRelease, At(8, 9));
  EXPECT_EQ(LastAid(), 0x80);
  // AID 0x80, the mouse's row and column, the button's AID (Enter, whose
  // record carries the input fields: none here).
  EXPECT_EQ(Sent(), std::vector<unsigned char>({0x80, 8, 9, 0xF1}));
}

// Random mouse input in every state never halts the program.
TEST_F(MouseEvents, RandomEventsNeverHalt) {
  d().options().set(StationOptions::kCopyPaste, true);
  d().options().set(StationOptions::kLeftDragMarking, true);
  Put(24, 2, "F3=Exit  1. Option  More...");
  Bar(6, 50, 10);
  st.inputField(At(10, 10), At(10, 20));
  std::mt19937 random(3);
  const unsigned int last = d().presentationSpace().lastOffset();
  for (int i = 0; i < 3000; ++i) {
    d().options().hotSpotClickMode = static_cast<unsigned char>(random() % 3);
    if (random() % 50 == 0) {
      KeyboardState& k = d().keyboardState();
      if (k.state() == KeyboardState::kError) k.exitErrorState();
      if (k.state() == KeyboardState::kNormalLocked) k.enterNormalUnlockState();
      d().readMgr().setReadPending(1);
    }
    ASSERT_NO_THROW(Mouse(static_cast<unsigned char>(random() % 19), random() % (last + 1)));
  }
}

}  // namespace

namespace {

// New Line from the cursor's row: the first input field from the next
// line's start, a continued field's lower segment first, wrapping.
TEST(NewLine, GoesToTheNextLinesInputField) {
  KeyStation st;
  DisplayBag& d = st.display;
  auto at = [&](unsigned int row, unsigned int column) { return (row - 1) * d.columns() + column - 1; };
  FormatTable& t = d.formatTable();
  st.inputField(at(3, 10), at(3, 20));
  EntryField* continued = static_cast<EntryField*>(t.createField(kLTRField, nullptr, 0));
  t.createEntryFieldSegment(continued, at(5, 30), at(5, 40), 0);
  t.createEntryFieldSegment(continued, at(6, 30), at(6, 40), 1);
  st.inputField(at(6, 50), at(6, 55));
  st.inputField(at(9, 1), at(9, 8));
  const struct {
    unsigned int from, to;
  } cases[] = {
      {at(1, 1), at(3, 10)},   // the next line has none: the first field after it
      {at(3, 15), at(5, 30)},  // from a field
      {at(5, 35), at(6, 35)},  // the continued field's lower segment, same column
      {at(6, 35), at(9, 1)},   // a field at a line's first position
      {at(9, 4), at(3, 10)},   // wrapping
      {at(20, 7), at(3, 10)},
  };
  for (const auto& c : cases) {
    d.cursor().moveCursorToNewArea(static_cast<int>(c.from), CursorOffsetAsShown);
    ASSERT_EQ(d.cursor().getCursorOffset(), c.from);
    FunctionWord w{1, 1};  // New Line
    d.inObjGen().processKeystrokeEvent(&d, &w);
    EXPECT_EQ(d.cursor().getCursorOffset(), c.to) << "from " << c.from;
  }
}

TEST(NewLine, WithoutInputFieldsGoesToTheNextLine) {
  KeyStation st;
  DisplayBag& d = st.display;
  d.cursor().moveCursorToNewArea(165, CursorOffsetAsShown);
  FunctionWord w{1, 1};
  d.inObjGen().processKeystrokeEvent(&d, &w);
  EXPECT_EQ(d.cursor().getCursorOffset(), 240u);
}

}  // namespace
