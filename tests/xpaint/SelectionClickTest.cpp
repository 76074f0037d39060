// Clicks on the choices of host selection fields, pressed through XTEST on a
// session window under a private X server: a click selects a choice of a
// single-choice list (its indicator changes on the screen) and Enter then
// brings the host the record the keys bring; a click on an unavailable
// choice is an operator error; a click on an auto-enter choice sends its AID.
// Each case has its own session, so that no two clicks make a double click.
#include <gtest/gtest.h>  // before Xlib, whose None and Bool macros clash with it

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <Xm/Xm.h>

#include <string>
#include <vector>

#include "display/DisplayBag.h"
#include "display/FormatTable.h"
#include "display/SelectionField.h"
#include "tests/datastream/RecordGlueFixtures.h"
#include "tests/support/TestHost5250.h"
#include "tests/support/XKeys.h"
#include "tests/xpaint/PaintSession.h"
#include "xfront/XStuff.h"

namespace {

using namespace glue_test;
using namespace paint_test;

Bytes Sba(int row, int column) { return B({0x11, row, column}); }

Bytes ChoiceText(int flags1, const std::string& text, const Bytes& items = {}) {
  const Bytes t = Ebcdic(text);
  return Cat({B({int(5 + items.size() + t.size()), 0x10, flags1, 0, 0xE0}), items, t});
}

// Define selection field with one device parameter for every display.
Bytes SelectionField(int flags1, int type, int parameter, int textSize, int rows, int columns, int padding,
                     const Bytes& minors) {
  const size_t n = 20 + minors.size();
  return Cat({B({0x15, int(n >> 8), int(n & 0xFF), 0xD9, 0x50, flags1, 0, 0, type, parameter, parameter, parameter,
                 0, 0, textSize, rows, columns, padding, 0, 0, 0}),
              minors});
}

// A single-choice list with radio indicators at row 7 (Apple; Banana
// selected; Cherry unavailable) and a menu bar at row 3 whose choices post
// their AIDs on selection (Edit: F3); the cursor on Banana, then a read of
// the modified fields.
Bytes Screen() {
  const Bytes menu = SelectionField(
      0x06, 0x01, 0xF2, 6, 1, 2, 1, Cat({ChoiceText(0x08, "File", B({0})), ChoiceText(0x0C, "Edit", B({0, 0xF3}))}));
  const Bytes list = SelectionField(0, 0x21, 0x02, 10, 3, 1, 0,
                                    Cat({ChoiceText(0, "Apple"), ChoiceText(0x40, "Banana"), ChoiceText(0x80, "Cherry")}));
  return Cat({B({0x04, 0x40}), B({0x04, 0x11, 0x00, 0x08}), Sba(3, 8), menu, Sba(7, 12), list, B({0x13, 8, 13}),
              B({0x04, 0x52, 0x00, 0x08})});
}

class SelectionClick : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!Toolkit(24)) QW_RUN_IN_OWN_PROCESS(ToolkitText());
    ASSERT_TRUE(qwtest::HasXTest(ToolkitDisplay()));
    saved_ = AppResources();
    AppResources().MAX_SESSIONS = 99;
    ASSERT_TRUE(host_.Start());
    block_ = NewSession(host_.Port());
    ASSERT_NE(block_, nullptr);
    ASSERT_TRUE(host_.WaitNegotiated(kWaitMs, [] { Pump(); }));
    XStuff& x = block_->xstuff;
    drawing_ = x.x_get_text_widget();
    ASSERT_TRUE(RunUntil([&] { return x.mapped() && XtIsRealized(drawing_); }));
    ASSERT_NO_FATAL_FAILURE(Send(Screen()));
    ASSERT_TRUE(host_.Records().empty()) << "every structure is accepted";
  }
  void TearDown() override {
    if (!block_) return;
    EndSessions(1);
    Pump(20);
    AppResources() = saved_;
  }
  DisplayBag& display() { return *block_->display; }
  void Send(const Bytes& data) {
    host_.SendRecord(Record(0x03, data, 0, 0x40));
    ASSERT_TRUE(host_.Barrier(kWaitMs, [] { Pump(); }));
    Settle();
  }
  void Settle() {
    XSync(ToolkitDisplay(), False);
    ASSERT_TRUE(RunUntil([&] { return !block_->xstuff.repaintPending(); }));
    XSync(ToolkitDisplay(), False);
  }
  // The selection field at row, column (1-based).
  ::SelectionField* FieldAt(int row, int column) {
    const unsigned int offset = (row - 1) * display().columns() + column - 1;
    auto* f = static_cast<::SelectionField*>(display().formatTable().getArea(offset));
    EXPECT_EQ(f->getFieldClassID(), kSelectionField);
    return f;
  }
  // A click in the middle of the cell at the screen offset.
  void Click(unsigned int offset) {
    Display* dpy = ToolkitDisplay();
    XStuff& x = block_->xstuff;
    const int cx = x.originX() + int(offset % display().columns()) * x.cellWidth() + x.cellWidth() / 2;
    const int cy = x.originY() + int(offset / display().columns()) * x.cellHeight() + x.cellHeight() / 2;
    int rx = 0, ry = 0;
    Window child = 0;
    XTranslateCoordinates(dpy, XtWindow(drawing_), DefaultRootWindow(dpy), cx, cy, &rx, &ry, &child);
    block_->glue.activity = 0;
    XTestFakeMotionEvent(dpy, -1, rx, ry, CurrentTime);
    XTestFakeButtonEvent(dpy, 1, True, CurrentTime);
    XTestFakeButtonEvent(dpy, 1, False, CurrentTime);
    XSync(dpy, False);
    // The key glue marks the session active once the press is taken.
    ASSERT_TRUE(RunUntil([&] { return block_->glue.activity != 0; }));
    ASSERT_NO_FATAL_FAILURE(Settle());
  }
  // The ink of the cell at the screen offset, in pixels that differ from
  // the background.
  int Ink(unsigned int offset) {
    XStuff& x = block_->xstuff;
    Pixel background = 0;
    XtVaGetValues(drawing_, XmNbackground, &background, nullptr);
    Dimension w = 0, h = 0;
    XtVaGetValues(drawing_, XmNwidth, &w, XmNheight, &h, nullptr);
    CellProbe probe;
    probe.image = XGetImage(ToolkitDisplay(), XtWindow(drawing_), 0, 0, w, h, AllPlanes, ZPixmap);
    EXPECT_NE(probe.image, nullptr);
    if (!probe.image) return -1;
    probe.cellWidth = x.cellWidth();
    probe.cellHeight = x.cellHeight();
    probe.originX = x.originX();
    probe.originY = x.originY();
    const int row = int(offset / display().columns()) + 1, column = int(offset % display().columns()) + 1;
    return probe.cellWidth * probe.cellHeight - probe.count(row, column, background);
  }
  Bytes NextRecord() {
    Bytes record;
    EXPECT_TRUE(host_.WaitForRecord(kWaitMs, [] { Pump(); }, &record));
    return record;
  }

  qwtest::TestHost5250 host_;
  SessionControlBlock* block_ = nullptr;
  Widget drawing_ = nullptr;
  AppResourceStruct saved_{};
};

TEST_F(SelectionClick, ClickSelectsAChoiceAsTheKeysDo) {
  ::SelectionField* list = FieldAt(7, 14);
  const unsigned int apple = list->choice(0)->start, banana = list->choice(1)->start;
  EXPECT_EQ(display().cursor().getCursorOffset(), banana);

  // The keys: Cursor Up to Apple, "/", Enter.
  Display* dpy = ToolkitDisplay();
  XSetInputFocus(dpy, XtWindow(drawing_), RevertToParent, CurrentTime);
  XSync(dpy, False);
  ASSERT_TRUE(qwtest::PressKey(dpy, XK_Up));
  ASSERT_TRUE(qwtest::PressKey(dpy, XK_slash));
  ASSERT_TRUE(qwtest::PressKey(dpy, XK_Return));
  XSync(dpy, False);
  const Bytes byKeys = NextRecord();
  // Row, column, Enter, then the list after an SBA to its first choice:
  // Apple is selected (index 0).
  const int row = int(apple / display().columns()) + 1, column = int(apple % display().columns()) + 1;
  EXPECT_EQ(byKeys, Record(0x03, Cat({B({row, column, 0xF1}), Sba(row, column), B({0x00, 0x20})}), 0, 0x40));

  // The same screen again; now a click on Apple.
  ASSERT_NO_FATAL_FAILURE(Send(Screen()));
  list = FieldAt(7, 14);
  const int appleBefore = Ink(apple - 2), bananaBefore = Ink(banana - 2);
  ASSERT_NO_FATAL_FAILURE(Click(apple));
  EXPECT_TRUE(list->choice(0)->isSelected());
  EXPECT_FALSE(list->choice(1)->isSelected()) << "a single-choice list keeps one selection";
  EXPECT_EQ(display().cursor().getCursorOffset(), apple);
  EXPECT_EQ(display().keyboardState().state(), KeyboardState::kNormalUnlocked);
  EXPECT_NE(Ink(apple - 2), appleBefore) << "Apple's indicator shows the selection";
  EXPECT_NE(Ink(banana - 2), bananaBefore) << "Banana's indicator loses it";
  EXPECT_EQ(host_.Records().size(), 1u) << "a list without auto-enter sends nothing on a click";
  ASSERT_TRUE(qwtest::PressKey(dpy, XK_Return));
  XSync(dpy, False);
  EXPECT_EQ(NextRecord(), byKeys);
}

TEST_F(SelectionClick, ClickOnAnUnavailableChoiceIsAnOperatorError) {
  ::SelectionField* list = FieldAt(7, 14);
  ASSERT_NO_FATAL_FAILURE(Click(list->choice(2)->start));
  // Error 84, handed to the host with the help flag while the host reads
  // the fields; the keyboard waits in the post-help error state.
  EXPECT_EQ(NextRecord(), Record(0x03, B({0x00, 0x84}), 0x01, 0x00));
  EXPECT_EQ(display().keyboardState().getErrorCode(), 0x84u);
  EXPECT_EQ(int(display().keyboardState().state()), int(KeyboardState::kPostHelpError));
  EXPECT_FALSE(list->choice(2)->isSelected());
  EXPECT_TRUE(list->choice(1)->isSelected()) << "the selection stays where it was";
  EXPECT_FALSE(list->isModified());
}

TEST_F(SelectionClick, ClickOnAnAutoEnterChoiceSendsItsAid) {
  ::SelectionField* menu = FieldAt(3, 12);
  const unsigned int edit = menu->choice(1)->start;
  ASSERT_NO_FATAL_FAILURE(Click(edit + 1));
  // Row and column of the cursor, now on Edit, and F3: a function-key AID
  // brings no field data.
  const int row = int(edit / display().columns()) + 1, column = int(edit % display().columns()) + 1;
  EXPECT_EQ(NextRecord(), Record(0x03, B({row, column, 0xF3}), 0, 0x40));
  EXPECT_TRUE(menu->choice(1)->isSelected());
  EXPECT_TRUE(menu->isModified());
}

}  // namespace
