// A session window's menus as a user works them: the pointer moved onto a
// widget or a gadget and button 1 pressed and released there through XTEST,
// on the test's own connection to the server, while the toolkit of this
// process runs.
#pragma once

#include <gtest/gtest.h>  // before Xlib, whose None and Bool macros clash with it

#include <X11/extensions/XTest.h>
#include <Xm/RowColumn.h>
#include <Xm/Xm.h>

#include <string>

#include "session/SessionControlBlock.h"
#include "tests/support/SessionToolkit.h"
#include "xfront/XStuff.h"

namespace qwtest::session_toolkit {

inline bool ViewableOn(Display* test, Window w) {
  XWindowAttributes a;
  return w && XGetWindowAttributes(test, w, &a) && a.map_state == IsViewable;
}

// The widget's window is viewable (a gadget's: its parent's).
inline bool WidgetViewable(Display* test, Widget w) {
  Widget holder = XtIsWidget(w) ? w : XtParent(w);
  return holder && XtIsRealized(holder) && ViewableOn(test, XtWindow(holder));
}

// Moves the pointer to (x, y) of a widget or gadget, or to its middle;
// false when it does not come up.
inline bool PointAtWidget(Display* test, Widget w, int x = -1, int y = -1) {
  if (!w || !RunUntil([&] { return WidgetViewable(test, w); })) return false;
  Widget holder = XtIsWidget(w) ? w : XtParent(w);
  Position ox = 0, oy = 0;
  Dimension width = 0, height = 0;
  XtVaGetValues(w, XmNwidth, &width, XmNheight, &height, nullptr);
  if (!XtIsWidget(w)) XtVaGetValues(w, XmNx, &ox, XmNy, &oy, nullptr);
  int rx = 0, ry = 0;
  Window child = 0;
  XTranslateCoordinates(test, XtWindow(holder), DefaultRootWindow(test), ox + (x < 0 ? width / 2 : x),
                        oy + (y < 0 ? height / 2 : y), &rx, &ry, &child);
  XTestFakeMotionEvent(test, -1, rx, ry, CurrentTime);
  XSync(test, False);
  return true;
}

inline void PressButton1(Display* test, bool down) {
  XTestFakeButtonEvent(test, 1, down ? True : False, CurrentTime);
  XSync(test, False);
}

// A click of button 1 in the middle of a widget or gadget.
inline bool ClickWidget(Display* test, Widget w) {
  if (!PointAtWidget(test, w)) return false;
  PressButton1(test, true);
  PressButton1(test, false);
  Pump(20);
  return true;
}

// The entry `item` of the session's menu bar chosen by clicks: the menu bar
// button whose pull-down holds it (unless that menu is up already), then
// the entry. False, with the reason in *why, when a step cannot be done.
inline bool ChooseMenuByClicks(Display* test, SessionControlBlock* b, const char* item, std::string* why) {
  Widget shell = b ? b->xstuff.shell() : nullptr;
  Widget entry = shell ? XtNameToWidget(shell, (std::string("*") + item).c_str()) : nullptr;
  Widget menuBar = shell ? XtNameToWidget(shell, "*menuBar") : nullptr;
  if (!entry || !menuBar) {
    *why = std::string("no menu entry ") + item;
    return false;
  }
  Widget pane = XtParent(entry);
  if (!WidgetViewable(test, pane)) {
    Widget cascade = nullptr;
    WidgetList kids = nullptr;
    Cardinal n = 0;
    XtVaGetValues(menuBar, XmNchildren, &kids, XmNnumChildren, &n, nullptr);
    for (Cardinal i = 0; i < n && !cascade; ++i) {
      Widget sub = nullptr;
      XtVaGetValues(kids[i], XmNsubMenuId, &sub, nullptr);
      if (sub == pane) cascade = kids[i];
    }
    if (!cascade) {
      *why = std::string("no menu bar button opens the menu of ") + item;
      return false;
    }
    if (!ClickWidget(test, cascade) || !RunUntil([&] { return WidgetViewable(test, pane); })) {
      *why = std::string("the menu of ") + item + " is not shown";
      return false;
    }
  }
  if (!XtIsSensitive(entry)) {
    *why = std::string(item) + " is greyed out";
    return false;
  }
  if (!ClickWidget(test, entry)) {
    *why = std::string(item) + " is not shown";
    return false;
  }
  return true;
}

}  // namespace qwtest::session_toolkit
