// Keys of a real session window under a private X server reaching the
// loopback host through the key glue: the Control menu's Enter item, the
// Return key pressed through XTEST on the drawing widget, and a click. (The file's
// name puts this suite after those that make the program's toolkit.)
#include <gtest/gtest.h>  // before Xlib, whose None and Bool macros clash with it

#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <Xm/Xm.h>

#include <cstdlib>
#include <functional>
#include <vector>

#include "session/AppInit.h"
#include "session/AppResources.h"
#include "session/ErrorDialogs.h"
#include "session/KeyGlue.h"
#include "session/SessionControlBlock.h"
#include "session/SessionTable.h"
#include "session/StartOptions.h"
#include "session/XtEventSources.h"
#include "base/LogMsg.h"
#include "tests/support/SessionToolkit.h"
#include "tests/support/TestLocales.h"
#include "tests/support/TestClock.h"
#include "tests/support/TestHost5250.h"
#include "tests/support/XKeys.h"
#include "tests/support/XTestServer.h"
#include "xfront/XStuff.h"

namespace {

using namespace qwtest::session_toolkit;
using Bytes = std::vector<uint8_t>;

// In the C locale and in a UTF-8 locale: a test whose locale is not the one
// this process made its toolkit in is skipped (ctest runs every test in its
// own process, so both run there).
class KeyGlueWindowTest : public ::testing::TestWithParam<qwtest::TestLocale> {
 protected:
  static void TearDownTestSuite() {
    if (test_) XCloseDisplay(test_);
    test_ = nullptr;
  }

  void SetUp() override {
    const std::string lang = qwtest::LocaleName(GetParam());
    // One toolkit per process: another suite of this program may have made it.
    if (!ApplicationContext()) {
      std::string error;
      ASSERT_TRUE(qwtest::session_toolkit::StartToolkit(0, &error, lang)) << error;
      SetDebugFlag(true);
    }
    if (g_lang != lang) GTEST_SKIP() << "this process runs the toolkit in locale " << g_lang;
    if (!test_) {
      // An open dialog keeps the master alive when a test ends its last session.
      ASSERT_GE(TheErrorDialogs().createWarningDialog(TopLevelWidget(), "ErrorMsgUnknownHost", nullptr, nullptr), 0);
      test_ = XOpenDisplay(DisplayString(XtDisplay(TopLevelWidget())));
      ASSERT_NE(test_, nullptr);
    }
    ASSERT_NE(ApplicationContext(), nullptr);
    started_ = true;
    saved_ = AppResources();
    AppResources().MAX_SESSIONS = 99;
    ASSERT_TRUE(host_.Start());
    SessionStartOptions o;
    o.hostName = "127.0.0.1";
    o.port = host_.Port();
    createSessionUnderThisProcess(o, nullptr, nullptr);
    session_ = NewestSession();
    ASSERT_NE(session_, nullptr);
    ASSERT_TRUE(host_.WaitNegotiated(kWaitMs, HostPump()));
    Widget drawing = session_->xstuff.x_get_text_widget();
    ASSERT_TRUE(RunUntil([&] { return Viewable(XtWindow(drawing)); }));
    // A screen without input fields, the cursor at row 9, column 33, the
    // host waiting for an AID.
    host_.SendRecord(Bytes{0x00, 0x17, 0x12, 0xA0, 0x00, 0x00, 0x04, 0x00, 0x40, 0x03,  // put/get
                           0x04, 0x40,                                                  // clear unit
                           0x04, 0x11, 0x00, 0x08, 0x13, 9, 33,                         // write, cursor
                           0x04, 0x52, 0x00, 0x00});                                    // read MDT fields
    ASSERT_TRUE(host_.Barrier(kWaitMs, HostPump()));
  }
  void TearDown() override {
    if (!started_) return;
    EndSessions(1);
    Pump(20);
    AppResources() = saved_;
  }

  static bool Viewable(Window w) {
    XWindowAttributes a;
    return XGetWindowAttributes(test_, w, &a) && a.map_state == IsViewable;
  }
  // The Enter AID from row 9, column 33, as the host receives it.
  static Bytes EnterRecord() {
    return Bytes{0x00, 0x0D, 0x12, 0xA0, 0x00, 0x00, 0x04, 0x00, 0x40, 0x03, 9, 33, 0xF1};
  }

  static Display* test_;
  qwtest::TestHost5250 host_;
  SessionControlBlock* session_ = nullptr;
  AppResourceStruct saved_{};
  bool started_ = false;
};

Display* KeyGlueWindowTest::test_ = nullptr;

TEST_P(KeyGlueWindowTest, ControlMenuEnterReachesTheHost) {
  Widget item = XtNameToWidget(session_->xstuff.shell(), "*enterkeyButton");
  ASSERT_NE(item, nullptr);
  XmPushButtonCallbackStruct cbs = {};
  cbs.reason = XmCR_ACTIVATE;
  XtCallCallbacks(item, XmNactivateCallback, &cbs);
  std::vector<uint8_t> record;
  ASSERT_TRUE(host_.WaitForRecord(kWaitMs, HostPump(), &record));
  EXPECT_EQ(record, EnterRecord());
}

TEST_P(KeyGlueWindowTest, ReturnOnTheDrawingWidgetReachesTheHost) {
  ASSERT_TRUE(qwtest::HasXTest(test_));
  Widget drawing = session_->xstuff.x_get_text_widget();
  XSetInputFocus(test_, XtWindow(drawing), RevertToParent, CurrentTime);
  XSync(test_, False);
  ASSERT_TRUE(qwtest::PressKey(test_, XK_Return));
  XSync(test_, False);
  std::vector<uint8_t> record;
  ASSERT_TRUE(host_.WaitForRecord(kWaitMs, HostPump(), &record));
  EXPECT_EQ(record, EnterRecord());
}

TEST_P(KeyGlueWindowTest, ClickOnTheDrawingWidgetReachesTheTranslator) {
  ASSERT_TRUE(qwtest::HasXTest(test_));
  Widget drawing = session_->xstuff.x_get_text_widget();
  int x = 0, y = 0;
  Window child = 0;
  XTranslateCoordinates(test_, XtWindow(drawing), DefaultRootWindow(test_), 20, 20, &x, &y, &child);
  session_->glue.activity = 0;
  XTestFakeMotionEvent(test_, -1, x, y, CurrentTime);
  XTestFakeButtonEvent(test_, 1, True, CurrentTime);
  XTestFakeButtonEvent(test_, 1, False, CurrentTime);
  XSync(test_, False);
  EXPECT_TRUE(RunUntil([&] { return session_->glue.activity != 0; }));
  // A click sends nothing while the host has not asked for mouse events.
  ASSERT_TRUE(host_.Barrier(kWaitMs, HostPump()));
  EXPECT_FALSE(host_.WaitForRecord(0, HostPump()));
}

INSTANTIATE_TEST_SUITE_P(Locales, KeyGlueWindowTest, qwtest::TestLocales(), qwtest::TestLocaleName);

}  // namespace
