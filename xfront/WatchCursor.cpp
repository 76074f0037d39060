#include "xfront/WatchCursor.h"

#include <X11/Intrinsic.h>
#include <X11/StringDefs.h>
#include <X11/cursorfont.h>

#include "session/SessionControlBlock.h"
#include "tools/AppStartedFlag.h"
#include "xfront/XStuff.h"

namespace {

constexpr unsigned long kCheckMs = 250;

Widget g_watched = nullptr;
XtIntervalId g_timer = 0;

void WatchedDestroyed(Widget w, XtPointer, XtPointer) {
  if (w != g_watched) return;
  // The window goes with the widget: no cursor to restore.
  g_watched = nullptr;
  if (g_timer) XtRemoveTimeOut(g_timer);
  g_timer = 0;
}

void Check(XtPointer, XtIntervalId*) {
  g_timer = 0;
  if (!g_watched) return;
  if (SetGetAppStartedFlag(false, 0, AppStartedFlagKey()) != 0) {
    Widget w = g_watched;
    XtRemoveCallback(w, XtNdestroyCallback, WatchedDestroyed, nullptr);
    g_watched = nullptr;
    if (XtIsRealized(w)) {
      XUndefineCursor(XtDisplay(w), XtWindow(w));
      XFlush(XtDisplay(w));
    }
    return;
  }
  g_timer = XtAppAddTimeOut(XtWidgetToApplicationContext(g_watched), kCheckMs, Check, nullptr);
}

}  // namespace

void MakeWatchCursorUntilAppStarts(SessionControlBlock* scb, Widget widget) {
  if (g_watched) return;
  Widget w = widget;
  while (w && !XtIsShell(w)) w = XtParent(w);
  if (!w && scb) w = scb->xstuff.shell();
  if (!w || !XtIsRealized(w)) return;
  Display* display = XtDisplay(w);
  static Cursor watch = 0;
  static Display* watchDisplay = nullptr;
  if (!watch || watchDisplay != display) {
    watch = XCreateFontCursor(display, XC_watch);
    watchDisplay = display;
  }
  XDefineCursor(display, XtWindow(w), watch);
  XFlush(display);
  g_watched = w;
  XtAddCallback(w, XtNdestroyCallback, WatchedDestroyed, nullptr);
  SetGetAppStartedFlag(true, 0, AppStartedFlagKey());
  g_timer = XtAppAddTimeOut(XtWidgetToApplicationContext(w), kCheckMs, Check, nullptr);
}

void EndWatchCursor() {
  if (!g_watched) return;
  Widget w = g_watched;
  XtRemoveCallback(w, XtNdestroyCallback, WatchedDestroyed, nullptr);
  g_watched = nullptr;
  if (g_timer) XtRemoveTimeOut(g_timer);
  g_timer = 0;
  if (XtIsRealized(w)) {
    XUndefineCursor(XtDisplay(w), XtWindow(w));
    XFlush(XtDisplay(w));
  }
}

Widget WatchCursorWidget() { return g_watched; }
