// Session windows of this process on a private X server of a chosen size:
// their real geometry as the server sees it, the work area published on the
// root window, and what a user does to them (resizes, font menu, actions).
#pragma once

#include <gtest/gtest.h>  // before Xlib, whose None and Bool macros clash with it

#include <X11/Xatom.h>
#include <Xm/ToggleB.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "session/AppResources.h"
#include "session/SessionControlBlock.h"
#include "session/StartOptions.h"
#include "tests/support/OwnProcess.h"
#include "tests/support/SessionToolkit.h"
#include "tests/support/TempDir.h"
#include "xfront/DeskTopSettings.h"
#include "xfront/XStuff.h"
#include "xfront/XStuffPrivate.h"

namespace qwtest {

using namespace session_toolkit;

struct Rect {
  int x = 0, y = 0, width = 0, height = 0;
  int right() const { return x + width; }
  int bottom() const { return y + height; }
};

template <int Width, int Height, int Depth = 0>
class WindowFixture : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    static TempDir shared;
    shared_ = shared.Path();
    std::string error;
    test_ = StartSessionSuite(&error, Width, Height, Depth);
    ASSERT_NE(test_, nullptr) << error;
  }
  static void TearDownTestSuite() {
    if (test_) XCloseDisplay(test_);
    test_ = nullptr;
  }

  void SetUp() override {
    ASSERT_NE(ApplicationContext(), nullptr);
    Screen* s = DefaultScreenOfDisplay(test_);
    const int depth = Depth ? Depth : 24;
    if (WidthOfScreen(s) != Width || HeightOfScreen(s) != Height || DefaultDepthOfScreen(s) != depth)
      QW_RUN_IN_OWN_PROCESS("this process's server is " + std::to_string(WidthOfScreen(s)) + "x" +
                            std::to_string(HeightOfScreen(s)) + " at depth " +
                            std::to_string(DefaultDepthOfScreen(s)));
    // The user's shared folder (start-up may have set one of its own).
    setenv("KDVSHARED", shared_.c_str(), 1);
    saved_ = AppResources();
    AppResources().MAX_SESSIONS = 99;
    AppResources().RESIZE_TUNING = 0;
    DeskTopSettings::instance().resetForTesting();
    RemoveDeskTopFiles();
    ready_ = true;
  }
  // A window remembers its place and font when it closes: no test starts
  // from an earlier test's desktop files.
  static void RemoveDeskTopFiles() {
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(shared_ + "/QW5250", error))
      if (entry.path().filename().string().rfind("DeskTop", 0) == 0) std::filesystem::remove(entry.path(), error);
  }
  void TearDown() override {
    // A test that ran elsewhere changed nothing here to put back.
    if (!ready_) return;
    EndSessions(1);
    Pump(20);
    AppResources() = saved_;
    XDeleteProperty(test_, DefaultRootWindow(test_), XInternAtom(test_, "_WIN_WORKAREA", False));
    XSync(test_, False);
    DeskTopSettings::instance().resetForTesting();
  }

  // Publishes the work area as a window manager would.
  static void SetWorkArea(long left, long top, long right, long bottom) {
    long v[4] = {left, top, right, bottom};
    XChangeProperty(test_, DefaultRootWindow(test_), XInternAtom(test_, "_WIN_WORKAREA", False), XA_CARDINAL, 32,
                    PropModeReplace, reinterpret_cast<unsigned char*>(v), 4);
    XSync(test_, False);
  }

  static SessionControlBlock* NewSession(const std::string& id = "") {
    SessionStartOptions o;
    o.sessionId = id;
    return NewSession(o);
  }
  // A session started with the font of a table entry.
  static SessionControlBlock* NewSessionWithFont(int entry) {
    SessionStartOptions o;
    o.geometry.fontGiven = 1;
    o.geometry.fontIndex = static_cast<int16_t>(entry);
    return NewSession(o);
  }
  static SessionControlBlock* NewSession(SessionStartOptions o) {
    o.hostName = "127.0.0.1";
    o.port = 1;
    createSessionUnderThisProcess(o, nullptr, nullptr);
    SessionControlBlock* b = NewestSession();
    if (b) Settle(b);
    return b;
  }

  // Lets the toolkit handle what the server sent until the window is
  // mapped and the toolkit's sizes of the shell and the drawing area are
  // the server's (one round trip per look).
  static void Settle(SessionControlBlock* b) { SettleSessionWindow(b); }
  static bool SameSize(Widget w) { return SameSizeOnServer(test_, w); }

  // The status line and the menu bar as the server has them.
  static Rect StatusRect(SessionControlBlock* b) { return WindowRect(XtWindow(b->xstuff.privatePart()->optionArea)); }
  static Rect MenuBarRect(SessionControlBlock* b) {
    Widget m = b->xstuff.privatePart()->menuBar;
    return m ? WindowRect(XtWindow(m)) : Rect{};
  }

  // The shell window as the server has it, in root coordinates.
  static Rect ShellRect(SessionControlBlock* b) { return WindowRect(XtWindow(b->xstuff.shell())); }
  static Rect DrawingRect(SessionControlBlock* b) { return WindowRect(XtWindow(b->xstuff.x_get_text_widget())); }
  static Rect WindowRect(Window w) {
    XWindowAttributes a;
    Rect r;
    if (!XGetWindowAttributes(test_, w, &a)) return r;
    Window child;
    XTranslateCoordinates(test_, w, DefaultRootWindow(test_), 0, 0, &r.x, &r.y, &child);
    r.width = a.width;
    r.height = a.height;
    return r;
  }

  // Every row of the screen is inside the drawing window and the drawing
  // window inside the shell; all columns show unless a split view shows half.
  static void ExpectAllRowsShown(SessionControlBlock* b) {
    XStuff& x = b->xstuff;
    const Rect shell = ShellRect(b), drawing = DrawingRect(b);
    EXPECT_GE(drawing.height, x.rows() * x.cellHeight() + 2) << "rows hidden";
    EXPECT_LE(drawing.bottom(), shell.bottom());
    EXPECT_GE(drawing.y, shell.y);
    if (!x.privatePart()->placement.splitView) EXPECT_GE(drawing.width, x.columns() * x.cellWidth() + 2);
    EXPECT_LE(drawing.right(), shell.right());
  }

  static void ExpectInside(const Rect& r, const Rect& area) {
    EXPECT_GE(r.x, area.x);
    EXPECT_GE(r.y, area.y);
    EXPECT_LE(r.right(), area.right()) << "window " << r.x << "+" << r.width;
    EXPECT_LE(r.bottom(), area.bottom()) << "window " << r.y << "+" << r.height;
  }

  // The user drags the window's size (no window manager: the server does it).
  static void UserResize(SessionControlBlock* b, int width, int height) {
    XResizeWindow(test_, XtWindow(b->xstuff.shell()), width, height);
    XSync(test_, False);
    // The toolkit sees the new size, the window settles on the text size.
    RunUntil([b, width, height] {
      Dimension w = 0, h = 0;
      XtVaGetValues(b->xstuff.shell(), XtNwidth, &w, XtNheight, &h, nullptr);
      return w == width && h == height;
    }, 3000);
    Settle(b);
  }

  static int SetToggles(SessionControlBlock* b) {
    int n = 0;
    for (Widget t : b->xstuff.privatePart()->fontToggles) n += XmToggleButtonGetState(t) ? 1 : 0;
    return n;
  }

  static Display* test_;
  static std::string shared_;
  AppResourceStruct saved_{};
  bool ready_ = false;
};

template <int W, int H, int D>
Display* WindowFixture<W, H, D>::test_ = nullptr;
template <int W, int H, int D>
std::string WindowFixture<W, H, D>::shared_;

}  // namespace qwtest
