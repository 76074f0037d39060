// Painting of host records under a private X server: a flood of dense
// screens is painted in far fewer flushes than records and ends exactly on
// the last screen (pixel probes) and a Read Screen answers that screen byte
// for byte; so does a flood of application screens (format table cleared,
// input fields, keyboard locked and unlocked by every record), whose status
// line shows the last record's keyboard state; every alarm of a flood rings; a single record is on the window before the event loop waits
// (another X client reads it without any further event); keys typed through
// XTEST while the host floods reach the host in order; a host that sends one
// byte at a time still ends with the right screen.
#include <gtest/gtest.h>  // before Xlib, whose None and Bool macros clash with it

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <Xm/Xm.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

#include "display/DisplayBag.h"
#include "session/ResourceKeywords.h"
#include "tests/datastream/RecordGlueFixtures.h"
#include "tests/support/TestClock.h"
#include "tests/support/TestHost5250.h"
#include "tests/support/XFlushCounter.h"
#include "tests/support/XKeys.h"
#include "tests/xpaint/PaintSession.h"
#include "xfront/Win3270.h"
#include "xfront/XStuff.h"

namespace {

using namespace glue_test;
using namespace paint_test;

constexpr int kDepth = 24;
constexpr int kFlood = 400;

// The attributes of the dense screens and the colour each shows its text in
// (0x21 is reverse image: a green cell).
const uint8_t kAttributes[] = {0x20, 0x22, 0x24, 0x28, 0x3A, 0x21, 0x30, 0x26};
enum Colour { kGreen, kWhite, kRed, kBlue, kTurquoise, kColours };
Colour ColourOf(uint8_t attribute) {
  switch (attribute) {
    case 0x22:
    case 0x26:
      return kWhite;
    case 0x28:
      return kRed;
    case 0x3A:
      return kBlue;
    case 0x30:
      return kTurquoise;
    default:
      return kGreen;
  }
}

uint8_t AttributeOf(int variant, int row, int run) { return kAttributes[(row + run + variant) % 8]; }
uint8_t GlyphOf(int variant, int row, int run, int i) {
  static const uint8_t glyphs[] = {0xC1, 0xC2, 0xC3, 0xC4, 0xC5, 0xC6, 0xC7, 0xC8, 0xC9, 0xD1, 0xD2, 0xD3,
                                   0xD4, 0xD5, 0xD6, 0xD7, 0xD8, 0xD9, 0xE2, 0xE3, 0xE4, 0xE5, 0xE6, 0xE7,
                                   0xE8, 0xE9, 0xF0, 0xF1, 0xF2, 0xF3, 0xF4, 0xF5, 0xF6, 0xF7, 0xF8, 0xF9};
  return glyphs[(row * 7 + run * 19 + i + variant * 5) % sizeof glyphs];
}

// Rows `first` to `last` of dense screen `variant`: each row four runs of an
// attribute and 19 letters or digits, each variant different from the one
// before.
Bytes DenseRows(int variant, int first, int last) {
  Bytes d = B({0x04, 0x11, 0x00, 0x00});
  for (int row = first; row <= last; ++row) {
    d.insert(d.end(), {0x11, static_cast<uint8_t>(row), 1});
    for (int run = 0; run < 4; ++run) {
      d.push_back(AttributeOf(variant, row, run));
      for (int i = 0; i < 19; ++i) d.push_back(GlyphOf(variant, row, run, i));
    }
  }
  return d;
}
Bytes DenseScreen(int variant) { return DenseRows(variant, 1, 24); }

// The presentation space that dense screen `variant` leaves, as a Read
// Screen answers it.
Bytes DenseImage(int variant) {
  Bytes image;
  for (int row = 1; row <= 24; ++row)
    for (int run = 0; run < 4; ++run) {
      image.push_back(AttributeOf(variant, row, run));
      for (int i = 0; i < 19; ++i) image.push_back(GlyphOf(variant, row, run, i));
    }
  return image;
}

// Application screen `variant`: the format table cleared, a Write To
// Display (unlocking the keyboard or not), on every row a colour attribute
// and text, on every third row an input field at column 26 with 20
// characters of data, the cursor in the first field.
const uint8_t kFieldColours[] = {0x20, 0x22, 0x28, 0x3A, 0x30};
uint8_t FieldColourOf(int variant, int row, int part) { return kFieldColours[(row + variant + part * 2) % 5]; }
bool FieldRow(int row) { return row % 3 == 0; }
constexpr int kFieldColumn = 26;  // the field attribute; its data follows
Bytes FieldRowBytes(int variant, int row) {
  Bytes r = {FieldColourOf(variant, row, 0)};
  const int text = FieldRow(row) ? 24 : 39;
  for (int i = 0; i < text; ++i) r.push_back(GlyphOf(variant, row, 0, i));
  if (FieldRow(row)) {
    r.push_back(0x24);
    for (int i = 0; i < 20; ++i) r.push_back(GlyphOf(variant, row, 1, i));
  }
  r.push_back(FieldColourOf(variant, row, 1));
  while (r.size() < 80) r.push_back(GlyphOf(variant, row, 2, static_cast<int>(r.size())));
  return r;
}
Bytes FieldScreen(int variant, bool unlock) {
  Bytes d = B({0x04, 0x50, 0x04, 0x11, 0x00, static_cast<uint8_t>(unlock ? 0x08 : 0x00)});
  for (int row = 1; row <= 24; ++row) {
    const Bytes r = FieldRowBytes(variant, row);
    d.insert(d.end(), {0x11, static_cast<uint8_t>(row), 1});
    d.insert(d.end(), r.begin(), r.begin() + (FieldRow(row) ? kFieldColumn - 1 : 80));
    if (!FieldRow(row)) continue;
    d.insert(d.end(), {0x1D, 0x40, 0x00, 0x24, 0x00, 20});
    d.insert(d.end(), r.begin() + kFieldColumn, r.end());
  }
  d.insert(d.end(), {0x13, 3, kFieldColumn + 1});
  return d;
}
Bytes FieldImage(int variant) {
  Bytes image;
  for (int row = 1; row <= 24; ++row) {
    const Bytes r = FieldRowBytes(variant, row);
    image.insert(image.end(), r.begin(), r.end());
  }
  return image;
}

class BurstPaintingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!Toolkit(kDepth)) QW_RUN_IN_OWN_PROCESS(ToolkitText());
    saved_ = AppResources();
    AppResources().MAX_SESSIONS = 99;
    ASSERT_TRUE(host_.Start());
    block_ = NewSession(host_.Port());
    ASSERT_NE(block_, nullptr);
    ASSERT_TRUE(host_.WaitNegotiated(kWaitMs, [] { Pump(); }));
    XStuff& x = block_->xstuff;
    drawing_ = x.x_get_text_widget();
    ASSERT_TRUE(RunUntil([&] { return x.mapped() && XtIsRealized(drawing_); }));
    XSetInputFocus(ToolkitDisplay(), XtWindow(drawing_), RevertToParent, CurrentTime);
    ASSERT_TRUE(RunUntil([&] { return x.hasFocus() && !x.repaintPending(); }));
    ASSERT_TRUE(qwtest::CountXFlushes(ToolkitDisplay()));
    XtVaGetValues(drawing_, QwNextGreen, &colours_[kGreen], QwNextWhite, &colours_[kWhite], QwNextRed,
                  &colours_[kRed], QwNextBlue, &colours_[kBlue], QwNextTurquoise, &colours_[kTurquoise], nullptr);
  }
  void TearDown() override {
    if (!block_) return;
    EndSessions(1);
    Pump(20);
    AppResources() = saved_;
  }
  // Waits until the session took everything sent and painted it.
  void Settle() {
    ASSERT_TRUE(host_.Barrier(kWaitMs, [] { Pump(); }));
    ASSERT_TRUE(RunUntil([&] { return !block_->xstuff.repaintPending(); }));
  }
  // The window's pixels as another client of the server sees them.
  void Probe(Display* display, CellProbe* probe) {
    Dimension w = 0, h = 0;
    XtVaGetValues(drawing_, XmNwidth, &w, XmNheight, &h, nullptr);
    probe->image = XGetImage(display, XtWindow(drawing_), 0, 0, w, h, AllPlanes, ZPixmap);
    ASSERT_NE(probe->image, nullptr);
    probe->cellWidth = block_->xstuff.cellWidth();
    probe->cellHeight = block_->xstuff.cellHeight();
  }
  // Whether the first text cell of every run of rows `first` to `last`
  // shows the colour of dense screen `variant` and no other text colour.
  void ExpectDenseScreen(const CellProbe& probe, int variant, int first = 1, int last = 24) {
    const int cell = probe.cellWidth * probe.cellHeight;
    const int cursor = block_->xstuff.cursorPosition();
    for (int row = first; row <= last; ++row)
      for (int run = 0; run < 4; ++run) {
        const int column = run * 20 + 2;
        if ((row - 1) * 80 + column - 1 == cursor) continue;
        const uint8_t attribute = AttributeOf(variant, row, run);
        const Colour want = ColourOf(attribute);
        SCOPED_TRACE("row " + std::to_string(row) + ", column " + std::to_string(column));
        if (attribute == 0x21)
          EXPECT_GT(probe.count(row, column, colours_[kGreen]), cell / 2);
        else
          EXPECT_GT(probe.count(row, column, colours_[want]), 0);
        for (int c = 0; c < kColours; ++c)
          if (c != want) EXPECT_EQ(probe.count(row, column, colours_[c]), 0) << "colour " << c;
      }
  }
  Bytes ReadScreen() {
    host_.SendRecord(Record(0x03, B({0x04, 0x62})));
    Bytes answer;
    EXPECT_TRUE(host_.WaitForRecord(kWaitMs, [] { Pump(); }, &answer));
    return answer.size() >= 10 ? Bytes(answer.begin() + 10, answer.end()) : Bytes{};
  }

  qwtest::TestHost5250 host_;
  SessionControlBlock* block_ = nullptr;
  Widget drawing_ = nullptr;
  Pixel colours_[kColours] = {};
  AppResourceStruct saved_{};
};

TEST_F(BurstPaintingTest, AFloodIsPaintedInFewFlushesAndEndsOnTheLastScreen) {
  XStuff& x = block_->xstuff;
  Display* d = ToolkitDisplay();
  const qwtest::XFlushCount before = qwtest::XFlushesOf(d);
  const unsigned long paints = x.paintStats().flushes;
  for (int v = 0; v < kFlood; ++v) host_.SendRecord(Record(0x01, DenseScreen(v)));
  ASSERT_NO_FATAL_FAILURE(Settle());
  const unsigned long xFlushes = qwtest::XFlushesOf(d).flushes - before.flushes;
  const unsigned long windowPaints = x.paintStats().flushes - paints;
  // One paint per record would be kFlood of each.
  EXPECT_LT(windowPaints, static_cast<unsigned long>(kFlood / 10));
  EXPECT_LT(xFlushes, static_cast<unsigned long>(kFlood / 10));
  RecordProperty("windowPaints", static_cast<int>(windowPaints));
  RecordProperty("xFlushes", static_cast<int>(xFlushes));

  XSync(d, False);
  CellProbe probe;
  ASSERT_NO_FATAL_FAILURE(Probe(d, &probe));
  ExpectDenseScreen(probe, kFlood - 1);
  EXPECT_EQ(ReadScreen(), DenseImage(kFlood - 1));
}

TEST_F(BurstPaintingTest, AFloodOfApplicationScreensEndsOnTheLastScreenAndItsKeyboardState) {
  XStuff& x = block_->xstuff;
  Display* d = ToolkitDisplay();
  struct Case {
    const char* name;
    bool lastUnlocks;
  } cases[] = {{"the last record unlocks", true}, {"the last record leaves the keyboard locked", false}};
  int variant = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const unsigned long paints = x.paintStats().flushes, requests = XNextRequest(d);
    for (int i = 0; i < kFlood; ++i, ++variant)
      host_.SendRecord(Record(0x01, FieldScreen(variant, i < kFlood - 1 || c.lastUnlocks)));
    ASSERT_NO_FATAL_FAILURE(Settle());
    EXPECT_LT(x.paintStats().flushes - paints, static_cast<unsigned long>(kFlood / 10));
    // The status line changes twice a record; the server hears of the last
    // state only (a record that spoke to the server would make kFlood).
    EXPECT_LT(XNextRequest(d) - requests, static_cast<unsigned long>(kFlood));
    const int last = variant - 1;

    // The status line and the pointer say what the last record left.
    EXPECT_EQ(x.getXsys(), !c.lastUnlocks);
    Widget label = XtNameToWidget(x.statusForm(), "inputInhMsg1");
    ASSERT_NE(label, nullptr);
    XSync(d, False);
    XWindowAttributes a;
    ASSERT_TRUE(XGetWindowAttributes(d, XtWindow(label), &a));
    EXPECT_EQ(a.map_state == IsViewable, !c.lastUnlocks);

    CellProbe probe;
    ASSERT_NO_FATAL_FAILURE(Probe(d, &probe));
    const int cursor = x.cursorPosition();
    EXPECT_EQ(cursor, 2 * 80 + kFieldColumn);
    for (int row = 1; row <= 24; ++row) {
      const Bytes r = FieldRowBytes(last, row);
      for (int column = 2; column <= 80; ++column) {
        if ((row - 1) * 80 + column - 1 == cursor) continue;
        const uint8_t attribute = [&] {
          for (int k = column - 1; k >= 0; --k)
            if (r[k] >= 0x20 && r[k] <= 0x3F) return r[k];
          return uint8_t{0x20};
        }();
        // The first text cell after each attribute.
        if (!(r[column - 2] >= 0x20 && r[column - 2] <= 0x3F)) continue;
        SCOPED_TRACE("row " + std::to_string(row) + ", column " + std::to_string(column));
        const Colour want = ColourOf(attribute);
        EXPECT_GT(probe.count(row, column, colours_[want]), 0);
        for (int k = 0; k < kColours; ++k)
          if (k != want) EXPECT_EQ(probe.count(row, column, colours_[k]), 0) << "colour " << k;
      }
    }
    EXPECT_EQ(ReadScreen(), FieldImage(last));
  }
}

TEST_F(BurstPaintingTest, EveryAlarmOfAFloodRings) {
  XStuff& x = block_->xstuff;
  const unsigned long bells = x.paintStats().bells;
  constexpr int kAlarms = 60;
  // Write to Display with the alarm bit of its second control character,
  // between records without it.
  for (int v = 0; v < 2 * kAlarms; ++v) {
    Bytes record = DenseRows(v, 1, 2);
    record[3] = v % 2 ? 0x04 : 0x00;
    host_.SendRecord(Record(0x01, record));
  }
  ASSERT_NO_FATAL_FAILURE(Settle());
  EXPECT_EQ(x.paintStats().bells - bells, static_cast<unsigned long>(kAlarms));
}

TEST_F(BurstPaintingTest, ASingleRecordIsOnTheWindowBeforeTheLoopWaits) {
  host_.SendRecord(Record(0x01, DenseScreen(0)));
  ASSERT_NO_FATAL_FAILURE(Settle());
  Display* other = XOpenDisplay(DisplayString(ToolkitDisplay()));
  ASSERT_NE(other, nullptr);
  // Rows 10 to 12 of another screen: the record is taken by one turn of
  // the loop, and nothing runs after that turn.
  host_.SendRecord(Record(0x01, DenseRows(3, 10, 12)));
  DisplayBag* station = block_->display;
  const uint8_t first = AttributeOf(3, 10, 0);
  ASSERT_NE(first, AttributeOf(0, 10, 0));
  ASSERT_TRUE(RunUntil([&] { return station->presentationSpace().getCharacter(9 * 80) == first; }));
  // The other client sees the new rows at its first look, or after the
  // server has caught up with what the session wrote (bounded).
  bool seen = false;
  qwtest::Deadline deadline(5000);
  while (!seen && !deadline.Expired()) {
    CellProbe probe;
    ASSERT_NO_FATAL_FAILURE(Probe(other, &probe));
    seen = probe.count(10, 2, colours_[ColourOf(AttributeOf(3, 10, 0))]) > 0 &&
           probe.count(12, 62, colours_[ColourOf(AttributeOf(3, 12, 3))]) > 0 &&
           probe.count(12, 62, colours_[ColourOf(AttributeOf(0, 12, 3))]) == 0;
  }
  EXPECT_TRUE(seen);
  CellProbe probe;
  ASSERT_NO_FATAL_FAILURE(Probe(other, &probe));
  ExpectDenseScreen(probe, 3, 10, 12);
  ExpectDenseScreen(probe, 0, 1, 9);
  XCloseDisplay(other);
}

TEST_F(BurstPaintingTest, KeysTypedDuringAFloodReachTheHostInOrder) {
  // An input field at row 2, column 3, the cursor in it, the keyboard
  // unlocked.
  host_.SendRecord(Record(0x03, Cat({B({0x04, 0x40, 0x04, 0x11, 0x00, 0x08, 0x11, 2, 2}),
                                     B({0x1D, 0x40, 0x00, 0x24, 0x00, 20}), B({0x13, 2, 3})})));
  ASSERT_NO_FATAL_FAILURE(Settle());
  Display* keys = XOpenDisplay(DisplayString(ToolkitDisplay()));
  ASSERT_NE(keys, nullptr);
  ASSERT_TRUE(qwtest::HasXTest(keys));
  // The flood writes rows 10 to 24 only; the keys are typed on another
  // thread (its own connection) while this one takes the flood.
  for (int v = 0; v < kFlood; ++v) host_.SendRecord(Record(0x01, DenseRows(v, 10, 24)));
  const std::string text = "QW5250FLOOD";
  std::thread typist([&] {
    for (char c : text) {
      qwtest::TypeText(keys, std::string(1, c));
      XSync(keys, False);
    }
    qwtest::PressKey(keys, XK_Return);
    XSync(keys, False);
  });
  ASSERT_NO_FATAL_FAILURE(Settle());
  typist.join();
  ASSERT_NO_FATAL_FAILURE(Settle());
  // The host reads the field: the typed text in the order typed, after the
  // Enter AID.
  host_.SendRecord(Record(0x03, B({0x04, 0x52, 0x00, 0x00})));
  Bytes record;
  ASSERT_TRUE(host_.WaitForRecord(kWaitMs, [] { Pump(); }, &record));
  ASSERT_GE(record.size(), 13u);
  EXPECT_EQ(record[12], 0xF1);  // Enter
  const Bytes typed = Ebcdic(text);
  const Bytes data(record.begin() + 10, record.end());
  EXPECT_NE(std::search(data.begin(), data.end(), typed.begin(), typed.end()), data.end())
      << "the field holds what was typed, in order";
  XCloseDisplay(keys);
}

TEST_F(BurstPaintingTest, AHostSendingOneByteAtATimeEndsWithTheRightScreen) {
  host_.SendRecord(Record(0x01, Cat({B({0x04, 0x40}), DenseScreen(0)})));
  ASSERT_NO_FATAL_FAILURE(Settle());
  // Two records of rows 5 to 7, each byte on its own (a Telnet command's
  // two): the session takes every byte before the next is sent.
  Bytes wire;
  for (int v : {1, 2}) {
    for (uint8_t b : Record(0x01, DenseRows(v, 5, 7))) {
      wire.push_back(b);
      if (b == 0xFF) wire.push_back(0xFF);
    }
    wire.insert(wire.end(), {0xFF, 0xEF});
  }
  for (size_t i = 0; i < wire.size(); ++i) {
    // An IAC goes with the byte after it (the barrier is a command).
    const size_t n = wire[i] == 0xFF ? 2 : 1;
    host_.SendRaw(Bytes(wire.begin() + i, wire.begin() + i + n));
    i += n - 1;
    ASSERT_TRUE(host_.Barrier(kWaitMs, [] { Pump(1); }));
  }
  ASSERT_TRUE(RunUntil([&] { return !block_->xstuff.repaintPending(); }));
  Display* d = ToolkitDisplay();
  XSync(d, False);
  CellProbe probe;
  ASSERT_NO_FATAL_FAILURE(Probe(d, &probe));
  ExpectDenseScreen(probe, 2, 5, 7);
  ExpectDenseScreen(probe, 0, 8, 24);
  Bytes want = DenseImage(0);
  const Bytes rows = DenseImage(2);
  std::copy(rows.begin() + 4 * 80, rows.begin() + 7 * 80, want.begin() + 4 * 80);
  EXPECT_EQ(ReadScreen(), want);
}

}  // namespace
