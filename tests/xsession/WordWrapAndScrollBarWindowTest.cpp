// Fields of a real session window under a private X server, driven through
// XTEST against the loopback host: the arrows of a scroll bar clicked with
// the pointer send the scroll AID with one row, and words typed into a
// word-wrap field stay whole on the screen and in the host's read. (The
// file's name puts this suite after those that make the program's toolkit.)
#include <gtest/gtest.h>  // before Xlib, whose None and Bool macros clash with it

#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <Xm/Xm.h>
#include <iconv.h>

#include <string>
#include <vector>

#include "base/LogMsg.h"
#include "display/DisplayBag.h"
#include "display/ScrollBarField.h"
#include "session/AppInit.h"
#include "session/AppResources.h"
#include "session/ErrorDialogs.h"
#include "session/SessionControlBlock.h"
#include "session/SessionTable.h"
#include "session/StartOptions.h"
#include "tests/support/SessionToolkit.h"
#include "tests/support/TestHost5250.h"
#include "tests/support/TestLocales.h"
#include "tests/support/XKeys.h"
#include "xfront/XStuff.h"

namespace {

using namespace qwtest::session_toolkit;
using Bytes = std::vector<uint8_t>;

Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes v;
  for (const auto& p : parts) v.insert(v.end(), p.begin(), p.end());
  return v;
}
// Text in the host code page of the euro sessions.
Bytes Host(const std::string& text) {
  iconv_t cd = iconv_open("IBM1140", "UTF-8");
  Bytes out(text.size() * 2 + 4);
  char* in = const_cast<char*>(text.data());
  size_t inLeft = text.size();
  char* o = reinterpret_cast<char*>(out.data());
  size_t outLeft = out.size();
  iconv(cd, &in, &inLeft, &o, &outLeft);
  iconv_close(cd);
  out.resize(out.size() - outLeft);
  return out;
}
Bytes Record(const Bytes& data) {
  const size_t n = data.size() + 10;
  Bytes r = {static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(n), 0x12, 0xA0, 0, 0, 0x04, 0x00, 0x40, 0x03};
  r.insert(r.end(), data.begin(), data.end());
  return r;
}
Bytes Sba(int row, int column) { return {0x11, static_cast<uint8_t>(row), static_cast<uint8_t>(column)}; }
// Clear Unit and a Write to Display that unlocks, the orders, the cursor at
// (row, column), then a read of the modified fields.
Bytes Screen(const Bytes& orders, int row, int column) {
  return Record(Cat({{0x04, 0x40}, {0x04, 0x11, 0x00, 0x08}, orders,
                     {0x13, static_cast<uint8_t>(row), static_cast<uint8_t>(column)}, {0x04, 0x52, 0x00, 0x00}}));
}
// A vertical scroll bar whose attribute stands at (row, column): cells
// rows, over total rows at position.
Bytes ScrollBar(int row, int column, uint32_t total, uint32_t position, uint8_t cells) {
  Bytes sf = {0x00, 15, 0xD9, 0x53, 0x00, 0x00};
  for (uint32_t v : {total, position})
    for (int shift = 24; shift >= 0; shift -= 8) sf.push_back(static_cast<uint8_t>(v >> shift));
  sf.push_back(cells);
  return Cat({Sba(row, column), {0x15}, sf});
}

class FieldWindowTest : public ::testing::TestWithParam<qwtest::TestLocale> {
 protected:
  static void TearDownTestSuite() {
    if (test_) XCloseDisplay(test_);
    test_ = nullptr;
  }
  void SetUp() override {
    const std::string lang = qwtest::LocaleName(GetParam());
    if (!ApplicationContext()) {
      std::string error;
      ASSERT_TRUE(StartToolkit(0, &error, lang)) << error;
      SetDebugFlag(true);
    }
    if (g_lang != lang) GTEST_SKIP() << "this process runs the toolkit in locale " << g_lang;
    if (!test_) {
      ASSERT_GE(TheErrorDialogs().createWarningDialog(TopLevelWidget(), "ErrorMsgUnknownHost", nullptr, nullptr), 0);
      test_ = XOpenDisplay(DisplayString(XtDisplay(TopLevelWidget())));
      ASSERT_NE(test_, nullptr);
    }
    ASSERT_TRUE(qwtest::HasXTest(test_));
    started_ = true;
    saved_ = AppResources();
    AppResources().MAX_SESSIONS = 99;
  }
  void TearDown() override {
    if (!started_) return;
    EndSessions(1);
    Pump(20);
    AppResources() = saved_;
  }

  SessionControlBlock* Open(const Bytes& screen) {
    EXPECT_TRUE(host_.Start());
    SessionStartOptions o;
    o.hostName = "127.0.0.1";
    o.port = host_.Port();
    o.EuroOption = 1;
    createSessionUnderThisProcess(o, nullptr, nullptr);
    SessionControlBlock* s = NewestSession();
    EXPECT_NE(s, nullptr);
    if (!s) return nullptr;
    EXPECT_TRUE(host_.WaitNegotiated(kWaitMs, HostPump()));
    Widget drawing = s->xstuff.x_get_text_widget();
    EXPECT_TRUE(RunUntil([&] {
      XWindowAttributes a;
      return XGetWindowAttributes(test_, XtWindow(drawing), &a) && a.map_state == IsViewable;
    }));
    host_.SendRecord(screen);
    EXPECT_TRUE(host_.Barrier(kWaitMs, HostPump()));
    Pump(20);
    XSetInputFocus(test_, XtWindow(drawing), RevertToParent, CurrentTime);
    XSync(test_, False);
    return s;
  }
  // A click of the first button on the cell at (row, column).
  void Click(SessionControlBlock* s, int row, int column) {
    XStuff& x = s->xstuff;
    int rx = 0, ry = 0;
    Window child = 0;
    XTranslateCoordinates(test_, XtWindow(x.x_get_text_widget()), DefaultRootWindow(test_),
                          x.originX() + (column - 1) * x.cellWidth() + x.cellWidth() / 2,
                          x.originY() + (row - 1) * x.cellHeight() + x.cellHeight() / 2, &rx, &ry, &child);
    XTestFakeMotionEvent(test_, -1, rx, ry, CurrentTime);
    // Held back so that it never makes a double click with an earlier one.
    XTestFakeButtonEvent(test_, 1, True, 400);
    XTestFakeButtonEvent(test_, 1, False, CurrentTime);
    XSync(test_, False);
  }
  // The host's next record, or an empty one after the barrier.
  Bytes NextRecord() {
    Bytes record;
    if (!host_.WaitForRecord(kWaitMs, HostPump(), &record)) return {};
    return record;
  }

  static Display* test_;
  qwtest::TestHost5250 host_;
  AppResourceStruct saved_{};
  bool started_ = false;
};

Display* FieldWindowTest::test_ = nullptr;

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
    SessionControlBlock* s = Open(Screen(ScrollBar(5, 70, 100, c.position, 10), 1, 1));
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
  SessionControlBlock* s = Open(Screen(field, 10, 71));
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
