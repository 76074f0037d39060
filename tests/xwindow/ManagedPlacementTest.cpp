// A session window under a real window manager (openbox with Debian's
// configuration): the user drags it by its title bar, it has the focus, the
// window manager closes it, and the session opened again with the same id
// stands where the user left it.
#include "tests/xwindow/WindowFixture.h"

#include <X11/extensions/XTest.h>

#include "session/SessionTable.h"
#include "tests/support/WindowManager.h"
#include "tests/support/XKeys.h"
#include "tests/support/XWindows.h"

namespace {

using qwtest::RunUntil;

class ManagedPlacement : public qwtest::WindowFixture<1024, 768> {
 protected:
  static Window Shell(SessionControlBlock* b) { return XtWindow(b->xstuff.shell()); }
  static bool Managed(SessionControlBlock* b) {
    XSync(test_, False);
    return qwtest::TopLevelAncestor(test_, Shell(b)) != Shell(b);
  }
  // XTEST pointer motion, the server's round trip after it.
  static void MoveTo(int x, int y) {
    XTestFakeMotionEvent(test_, -1, x, y, CurrentTime);
    XSync(test_, False);
  }
};

TEST_F(ManagedPlacement, AWindowMovedFocusedAndClosedReopensWhereItWasLeft) {
  ASSERT_TRUE(qwtest::HasXTest(test_));
  qwtest::TestWindowManager wm(qwtest::TestWindowManager::Kind::Openbox);
  ASSERT_TRUE(wm.Start(test_, DisplayString(test_))) << wm.Error();

  SessionControlBlock* b = NewSession("MOVED");
  ASSERT_NE(b, nullptr);
  ASSERT_TRUE(RunUntil([&] { return Managed(b); })) << "openbox did not frame the window";
  // The frame settles where openbox places it.
  qwtest::Rect before;
  int same = 0;
  ASSERT_TRUE(RunUntil([&] {
    const qwtest::Rect now = ShellRect(b);
    same = now.x == before.x && now.y == before.y ? same + 1 : 0;
    before = now;
    return same >= 3;
  }));
  const qwtest::Rect frame = WindowRect(qwtest::TopLevelAncestor(test_, Shell(b)));
  ASSERT_GT(before.y, frame.y) << "no title bar above the window";

  // Drag the title bar 120 pixels right and 90 down.
  const int grabX = frame.x + frame.width / 2, grabY = frame.y + (before.y - frame.y) / 2;
  MoveTo(grabX, grabY);
  XTestFakeButtonEvent(test_, 1, True, CurrentTime);
  XSync(test_, False);
  // The press gave openbox the pointer: another grab is refused.
  ASSERT_TRUE(RunUntil([] {
    const int status = XGrabPointer(test_, DefaultRootWindow(test_), False, ButtonReleaseMask, GrabModeAsync,
                                    GrabModeAsync, None, None, CurrentTime);
    if (status == GrabSuccess) XUngrabPointer(test_, CurrentTime);
    XSync(test_, False);
    return status == AlreadyGrabbed;
  }));
  for (int step = 1; step <= 6; ++step) MoveTo(grabX + 20 * step, grabY + 15 * step);
  // The move starts once openbox has seen the drag: the pointer goes on
  // moving by a pixel until the window follows, then rests at the target.
  int nudge = 0;
  ASSERT_TRUE(RunUntil([&] {
    nudge ^= 1;
    MoveTo(grabX + 120 + nudge, grabY + 90);
    return ShellRect(b).x != before.x;
  })) << "openbox does not move the window";
  MoveTo(grabX + 120, grabY + 90);
  ASSERT_TRUE(RunUntil([&] { return ShellRect(b).x == before.x + 120; }));
  XTestFakeButtonEvent(test_, 1, False, CurrentTime);
  XSync(test_, False);
  qwtest::Rect moved;
  ASSERT_TRUE(RunUntil([&] {
    moved = ShellRect(b);
    return moved.x == before.x + 120 && moved.y == before.y + 90;
  })) << "at " << moved.x << "," << moved.y << ", was " << before.x << "," << before.y;
  // The click on the title gave it the focus.
  ASSERT_TRUE(RunUntil([&] { return b->xstuff.hasFocus(); }));

  // The window manager closes it (the close button's message).
  qwtest::SendDeleteWindow(test_, Shell(b));
  ASSERT_TRUE(RunUntil([] { return getNumberOfSessions() == 0; }));

  SessionControlBlock* again = NewSession("MOVED");
  ASSERT_NE(again, nullptr);
  ASSERT_TRUE(RunUntil([&] { return Managed(again); }));
  qwtest::Rect reopened;
  EXPECT_TRUE(RunUntil([&] {
    reopened = ShellRect(again);
    return reopened.x == moved.x && reopened.y == moved.y;
  })) << "reopened at " << reopened.x << "," << reopened.y << ", left at " << moved.x << "," << moved.y;
  EndSessions(1);
  qwtest::Pump(20);
  wm.Stop();
}

}  // namespace
