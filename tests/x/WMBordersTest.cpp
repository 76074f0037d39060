// Window-manager work area, frame sizes, their measurement from a reparented
// shell, and the helper state properties, on a private X server.
#include <gtest/gtest.h>  // before Xlib, whose None and Bool macros clash with it

#include "session/WMGeometry.h"
#include "tests/support/LogCapture.h"
#include "tests/support/WindowManager.h"
#include "tests/support/XProps.h"
#include "tests/support/XServerTest.h"
#include "tests/support/XWindows.h"

#include <X11/Shell.h>
#include <X11/StringDefs.h>

namespace qwtest {
namespace {

class WMGeometryTest : public XServerTest {
 protected:
  void SetUp() override {
    XServerTest::SetUp();
    ResetWMBorderSizesForTesting();
    SetWMDisplay(display_);
  }
  void TearDown() override {
    SetWMDisplay(nullptr);
    SetWMMeasureHooks(WMMeasureHooks());
    ResetWMBorderSizesForTesting();
    XServerTest::TearDown();
  }
};

struct Metrics {
  bool known;
  int left, right, top, bottom, title;
};
Metrics Current() {
  return {WMBorderSizesKnown(), WMLeftBorderWidth(),    WMRightBorderWidth(),
          WMTopBorderHeight(),  WMBottomBorderHeight(), WMTitleHeight()};
}

TEST_F(WMGeometryTest, BorderSizesTakeTheItemsInTheirRoles) {
  SetRootProperty32(display_, "_QX_BORDER_SIZES", "CARDINAL", {27, 5, 7, 2, 99});
  GetWMBorderSizes();
  Metrics m = Current();
  EXPECT_TRUE(m.known);
  EXPECT_EQ(m.left, 7);
  EXPECT_EQ(m.right, 2);
  EXPECT_EQ(m.top, 7);
  EXPECT_EQ(m.bottom, 5);
  EXPECT_EQ(m.title, 20);
}

// Any client can write the property: whatever is not four sane 32-bit items
// leaves the sizes unknown with a log line.
TEST_F(WMGeometryTest, UnusableBorderPropertiesLeaveTheSizesUnknown) {
  struct Case {
    const char* what;
    int format;  // 0: property absent
    std::vector<long> items;
    const char* logId;
  };
  const Case cases[] = {
      {"missing", 0, {}, "QWC0214"},
      {"empty", 32, {}, "QWC0214"},
      {"two items", 32, {27, 5}, "QWC0214"},
      {"format 16", 16, {27, 5, 7, 2}, "QWC0214"},
      {"format 8", 8, {27, 5, 7, 2}, "QWC0214"},
      {"negative size", 32, {27, -5, 7, 2}, "QWC0214"},
      {"huge size", 32, {27, 5, 7, 0x7fffffff}, "QWC0214"},
      {"frame above smaller than border", 32, {3, 5, 7, 2}, "QWC0214"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ResetWMBorderSizesForTesting();
    DeleteRootProperty(display_, "_QX_BORDER_SIZES");
    if (c.format == 32) {
      SetRootProperty32(display_, "_QX_BORDER_SIZES", "CARDINAL", c.items);
    } else if (c.format == 16) {
      SetRootProperty16(display_, "_QX_BORDER_SIZES", "CARDINAL",
                        std::vector<short>(c.items.begin(), c.items.end()));
    } else if (c.format == 8) {
      SetRootProperty8(display_, "_QX_BORDER_SIZES", "STRING",
                       std::string(c.items.begin(), c.items.end()));
    }
    LogCapture log;
    GetWMBorderSizes();
    Metrics m = Current();
    EXPECT_FALSE(m.known);
    EXPECT_EQ(m.left + m.right + m.top + m.bottom + m.title, 0);
    EXPECT_TRUE(log.Contains(c.logId));
  }
}

TEST_F(WMGeometryTest, WorkAreaIsReadAnewOnEachCall) {
  int x = -1, y = -1, w = -1, h = -1;
  {
    LogCapture log;
    EXPECT_EQ(GetRealTimeWorkSpaceInfo(x, y, w, h), -1);
    EXPECT_TRUE(log.Contains("QWC0199: The Window Workspace property does not exist; the whole screen is used."));
  }
  SetRootProperty32(display_, "_WIN_WORKAREA", "CARDINAL", {0, 30, 1024, 738});
  ASSERT_EQ(GetRealTimeWorkSpaceInfo(x, y, w, h), 0);
  EXPECT_EQ((std::vector<int>{x, y, w, h}), (std::vector<int>{0, 30, 1024, 738}));
  // A panel came: the next call sees the new area.
  SetRootProperty32(display_, "_WIN_WORKAREA", "CARDINAL", {64, 0, 960, 768, 0, 0, 5, 5});
  ASSERT_EQ(GetRealTimeWorkSpaceInfo(x, y, w, h), 0);
  EXPECT_EQ((std::vector<int>{x, y, w, h}), (std::vector<int>{64, 0, 960, 768}));
}

TEST_F(WMGeometryTest, UnusableWorkAreaGivesMinusOneAndKeepsTheCallersValues) {
  struct Case {
    const char* what;
    int format;
    std::vector<long> items;
  };
  const Case cases[] = {
      {"two items", 32, {0, 30}},
      {"format 16", 16, {0, 30, 1024, 738}},
      {"format 8", 8, {0, 30, 100, 100}},
      {"absurd value", 32, {0, 30, 1L << 30, 738}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.format == 32) {
      SetRootProperty32(display_, "_WIN_WORKAREA", "CARDINAL", c.items);
    } else if (c.format == 16) {
      SetRootProperty16(display_, "_WIN_WORKAREA", "CARDINAL",
                        std::vector<short>(c.items.begin(), c.items.end()));
    } else {
      SetRootProperty8(display_, "_WIN_WORKAREA", "STRING",
                       std::string(c.items.begin(), c.items.end()));
    }
    int x = 11, y = 12, w = 13, h = 14;
    LogCapture log;
    EXPECT_EQ(GetRealTimeWorkSpaceInfo(x, y, w, h), -1);
    EXPECT_EQ((std::vector<int>{x, y, w, h}), (std::vector<int>{11, 12, 13, 14}));
    EXPECT_TRUE(log.Contains("QWC0199"));
  }
}

TEST_F(WMGeometryTest, StateAtomIsReplacedNotPrepended) {
  Atom atom = InternAtom(display_, "QW_TEST_HELPER_STATE");
  const std::string initial("0\0", 2);
  // Absent, holding "1", and holding something long: always exactly "0\0",
  // also after repeated starts.
  for (const std::string& before : {std::string(), std::string("1"), std::string(5000, '9')}) {
    SCOPED_TRACE(before.size());
    if (before.empty())
      DeleteRootProperty(display_, "QW_TEST_HELPER_STATE");
    else
      SetRootProperty8(display_, "QW_TEST_HELPER_STATE", "STRING", before);
    for (int start = 0; start < 3; ++start) initStateAtom(atom, display_);
    PropertyValue p = ReadRootProperty(display_, "QW_TEST_HELPER_STATE");
    ASSERT_TRUE(p.exists);
    EXPECT_EQ(p.typeName, "STRING");
    EXPECT_EQ(p.format, 8);
    EXPECT_EQ(p.bytes, initial);
  }
}

// An Xt shell on the test display, realized and mapped, for the measurement.
class ShellFixture : public WMGeometryTest {
 protected:
  void SetUp() override {
    WMGeometryTest::SetUp();
    if (HasFatalFailure()) return;
    XtToolkitInitialize();
    app_ = XtCreateApplicationContext();
    int argc = 0;
    shellDisplay_ = XtOpenDisplay(app_, server_.DisplayName().c_str(), "qwmeasure", "QwMeasure",
                                  nullptr, 0, &argc, nullptr);
    ASSERT_NE(shellDisplay_, nullptr);
    shell_ =
        XtVaAppCreateShell("qwmeasure", "QwMeasure", applicationShellWidgetClass, shellDisplay_,
                           XtNwidth, 300, XtNheight, 200, XtNx, 40, XtNy, 40, nullptr);
    s_shell = shell_;
    WMMeasureHooks hooks;
    hooks.sessionShell = [](int index) -> Widget { return index == 3 ? s_shell : nullptr; };
    SetWMMeasureHooks(hooks);
  }
  void TearDown() override {
    s_shell = nullptr;
    if (app_) XtDestroyApplicationContext(app_);  // closes shellDisplay_
    WMGeometryTest::TearDown();
  }
  // Runs the Xt loop until cond() holds (bounded).
  bool RunUntil(const std::function<bool()>& cond, int timeoutMs) {
    return WaitUntil(
        [&] {
          while (XtAppPending(app_)) XtAppProcessEvent(app_, XtIMAll);
          return cond();
        },
        timeoutMs, shellDisplay_);
  }
  void RealizeAndMap() {
    XtRealizeWidget(shell_);
    XSync(shellDisplay_, False);
  }

  static Widget s_shell;
  XtAppContext app_ = nullptr;
  Display* shellDisplay_ = nullptr;
  Widget shell_ = nullptr;
};
Widget ShellFixture::s_shell = nullptr;

TEST_F(ShellFixture, UnreparentedShellLeavesTheSizesUnknown) {
  RealizeAndMap();
  EXPECT_FALSE(MeasureWMBordersFromShell(shell_));
  EXPECT_FALSE(WMBorderSizesKnown());
}

TEST_F(ShellFixture, TimerMeasuresTheFrameOfAReparentedShell) {
  TestWindowManager wm;
  ASSERT_TRUE(wm.Start(display_, server_.DisplayName())) << wm.Error();
  RealizeAndMap();
  Window window = XtWindow(shell_);
  ASSERT_TRUE(RunUntil([&] { return TopLevelAncestor(display_, window) != window; }, 10000))
      << "twm did not reparent the shell";

  // The frame as the test sees it: the client's offset inside its parent.
  XWindowAttributes a;
  ASSERT_TRUE(XGetWindowAttributes(display_, window, &a));
  ASSERT_GT(a.y, a.x) << "twm puts a title bar above the client";

  calculateWMWindowBorderAndTitleSizes(5);  // not a session in use: nothing armed
  calculateWMWindowBorderAndTitleSizes(3);
  EXPECT_FALSE(WMBorderSizesKnown());  // not before the timer
  ASSERT_TRUE(RunUntil([] { return WMBorderSizesKnown(); }, 10000));
  Metrics m = Current();
  EXPECT_EQ(m.left, a.x);
  EXPECT_EQ(m.right, a.x);
  EXPECT_EQ(m.top, a.x);
  EXPECT_EQ(m.bottom, a.x);
  EXPECT_EQ(m.title, a.y - a.x);
}

// With the sizes known only a pending copy request arms the timer, which
// then starts a session from this one and ends the request at the limit.
struct CopyRequest {
  static bool pending;
  static int sessions, limit, created, lookups;
};
bool CopyRequest::pending = false;
int CopyRequest::sessions = 0, CopyRequest::limit = 0, CopyRequest::created = 0,
    CopyRequest::lookups = 0;

TEST_F(ShellFixture, KnownSizesArmOnlyForACopyRequest) {
  WMMeasureHooks hooks;
  hooks.sessionShell = [](int index) -> Widget {
    ++CopyRequest::lookups;
    return index == 3 ? s_shell : nullptr;
  };
  hooks.copyRequestPending = [] { return CopyRequest::pending; };
  hooks.clearCopyRequest = [] { CopyRequest::pending = false; };
  hooks.sessionCount = [] { return CopyRequest::sessions; };
  hooks.maxSessions = [] { return CopyRequest::limit; };
  hooks.createSessionFromSession = [](int index) {
    EXPECT_EQ(index, 3);
    ++CopyRequest::created;
    ++CopyRequest::sessions;
  };
  SetWMMeasureHooks(hooks);
  SetRootProperty32(display_, "_QX_BORDER_SIZES", "CARDINAL", {27, 5, 7, 2});
  GetWMBorderSizes();
  ASSERT_TRUE(WMBorderSizesKnown());
  RealizeAndMap();

  CopyRequest::pending = false;
  CopyRequest::lookups = 0;
  calculateWMWindowBorderAndTitleSizes(3);
  EXPECT_EQ(CopyRequest::lookups, 0) << "nothing to do: no timer armed";

  // Below the limit: a further session, the request stays.
  CopyRequest::pending = true;
  CopyRequest::sessions = 1;
  CopyRequest::limit = 2;
  CopyRequest::created = 0;
  calculateWMWindowBorderAndTitleSizes(3);
  ASSERT_TRUE(RunUntil([] { return CopyRequest::created == 1; }, 10000));
  EXPECT_TRUE(CopyRequest::pending);
  // At the limit: the request ends (the session creation reports the limit itself).
  calculateWMWindowBorderAndTitleSizes(3);
  ASSERT_TRUE(RunUntil([] { return CopyRequest::created == 2; }, 10000));
  EXPECT_FALSE(CopyRequest::pending);
  // Known sizes are kept: an unreparented shell is not measured again.
  EXPECT_EQ(WMTitleHeight(), 20);
  EXPECT_EQ(WMLeftBorderWidth(), 7);
}

}  // namespace
}  // namespace qwtest
