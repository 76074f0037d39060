#pragma once
// A real session window on its own loopback host, in the C locale and in a
// UTF-8 locale (a test whose locale is not the one this process made its
// toolkit in is skipped), with the host records and the pointer actions
// (clicks and drags through XTEST) that the window tests share.
#include <gtest/gtest.h>  // before Xlib, whose None and Bool macros clash with it

#include <X11/extensions/XTest.h>
#include <iconv.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "base/LogMsg.h"
#include "display/DisplayBag.h"
#include "keyboard/KeyboardState.h"
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

namespace session_window {

using Bytes = std::vector<uint8_t>;

inline Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes v;
  for (const auto& p : parts) v.insert(v.end(), p.begin(), p.end());
  return v;
}
// Text in the host code page of the euro sessions.
inline Bytes Host(const std::string& text) {
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
// A record of the given opcode (3, put/get, by default).
inline Bytes Record(const Bytes& data, uint8_t opcode = 0x03) {
  const size_t n = data.size() + 10;
  Bytes r = {static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(n), 0x12, 0xA0, 0, 0, 0x04, 0x00, 0x40, opcode};
  r.insert(r.end(), data.begin(), data.end());
  return r;
}
inline Bytes Sba(int row, int column) { return {0x11, static_cast<uint8_t>(row), static_cast<uint8_t>(column)}; }
// Clear Unit and a Write to Display that unlocks, the orders, the cursor at
// (row, column), then a read of the modified fields.
inline Bytes HostScreen(const Bytes& orders, int row, int column) {
  return Record(Cat({{0x04, 0x40}, {0x04, 0x11, 0x00, 0x08}, orders,
                     {0x13, static_cast<uint8_t>(row), static_cast<uint8_t>(column)}, {0x04, 0x52, 0x00, 0x00}}));
}

class SessionWindowTest : public ::testing::TestWithParam<qwtest::TestLocale> {
 protected:
  static void TearDownTestSuite() {
    if (test_) XCloseDisplay(test_);
    test_ = nullptr;
  }
  void SetUp() override {
    using namespace qwtest::session_toolkit;
    const std::string lang = qwtest::LocaleName(GetParam());
    if (!ApplicationContext()) {
      std::string error;
      ASSERT_TRUE(StartToolkit(0, &error, lang)) << error;
      SetDebugFlag(true);
    }
    if (g_lang != lang) GTEST_SKIP() << "this process runs the toolkit in locale " << g_lang;
    if (!test_) {
      // An open dialog keeps the master alive when a test ends its last session.
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
    qwtest::session_toolkit::Pump(20);
    AppResources() = saved_;
  }

  // A euro session on the host, showing `screen`, its drawing window focused.
  SessionControlBlock* Open(const Bytes& screen) {
    using namespace qwtest::session_toolkit;
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
  // The root coordinates of the middle of the cell at (row, column).
  void CellOnRoot(SessionControlBlock* s, int row, int column, int* rx, int* ry) {
    XStuff& x = s->xstuff;
    Window child = 0;
    XTranslateCoordinates(test_, XtWindow(x.x_get_text_widget()), DefaultRootWindow(test_),
                          x.originX() + (column - 1) * x.cellWidth() + x.cellWidth() / 2,
                          x.originY() + (row - 1) * x.cellHeight() + x.cellHeight() / 2, rx, ry, &child);
  }
  // A click of the first button on the cell at (row, column).
  void Click(SessionControlBlock* s, int row, int column) {
    int rx = 0, ry = 0;
    CellOnRoot(s, row, column, &rx, &ry);
    XTestFakeMotionEvent(test_, -1, rx, ry, CurrentTime);
    // Held back so that it never makes a double click with an earlier one.
    XTestFakeButtonEvent(test_, 1, True, 400);
    XTestFakeButtonEvent(test_, 1, False, CurrentTime);
    XSync(test_, False);
  }
  // Drags button 1 from the cell at (fromRow, fromColumn) to (toRow,
  // toColumn).
  void Drag(SessionControlBlock* s, int fromRow, int fromColumn, int toRow, int toColumn) {
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    CellOnRoot(s, fromRow, fromColumn, &x0, &y0);
    CellOnRoot(s, toRow, toColumn, &x1, &y1);
    XTestFakeMotionEvent(test_, -1, x0, y0, CurrentTime);
    // The press held back so that it never makes a double press with an
    // earlier one; the move held back past the time in which motion after a
    // press counts as part of the click.
    XTestFakeButtonEvent(test_, 1, True, 400);
    XTestFakeMotionEvent(test_, -1, x1, y1, 400);
    XTestFakeButtonEvent(test_, 1, False, CurrentTime);
    XSync(test_, False);
  }
  // Marks from (fromRow, fromColumn) to (toRow, toColumn) with a drag of
  // button 1: the keyboard ends in the post-copy state.
  void DragToMark(SessionControlBlock* s, int fromRow, int fromColumn, int toRow, int toColumn) {
    ASSERT_NO_FATAL_FAILURE(Drag(s, fromRow, fromColumn, toRow, toColumn));
    KeyboardState& k = s->display->keyboardState();
    ASSERT_TRUE(qwtest::session_toolkit::RunUntil([&] { return k.state() == KeyboardState::kPostCopy; }))
        << "the drag marked nothing; keyboard state " << int(k.state());
  }
  // The host's next record, or an empty one after the wait.
  Bytes NextRecord() {
    Bytes record;
    if (!host_.WaitForRecord(qwtest::session_toolkit::kWaitMs, qwtest::session_toolkit::HostPump(), &record)) return {};
    return record;
  }

  inline static Display* test_ = nullptr;
  qwtest::TestHost5250 host_;
  AppResourceStruct saved_{};
  bool started_ = false;
};

}  // namespace session_window
