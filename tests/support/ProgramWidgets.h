// The widgets of a program under test as its windows show them: dialogs
// found by the instance name of their shell, the controls inside a dialog
// by where they lie, and clicks through XTEST.
#pragma once

#include <X11/Xlib.h>

#include <string>
#include <vector>

namespace qwtest {

// A viewable window and its place on the screen.
struct PlacedWindow {
  Window window = 0;
  int x = 0, y = 0, width = 0, height = 0;
};

// A viewable top-level window whose WM_CLASS instance is `instance` (a
// Motif dialog's is "<dialog name>_popup"); None when there is none.
Window ViewableByInstance(Display* display, const std::string& instance);

// The viewable windows inside `top` that have no viewable child: the
// buttons, labels, lists and text fields of a dialog (gadgets excepted).
std::vector<PlacedWindow> ViewableLeaves(Display* display, Window top);

// Of the windows, those on the row lowest on the screen (bottom edge on the
// lowest one's, within `slack` pixels), left to right.
std::vector<PlacedWindow> LowestRow(const std::vector<PlacedWindow>& windows, int slack = 0);
// Of the windows, the one whose top edge is highest (the first one on a tie).
PlacedWindow Topmost(const std::vector<PlacedWindow>& windows);

// Button 1 pressed and released at (x, y) of the window, through XTEST.
void ClickAt(Display* display, Window window, int x, int y);
void ClickMiddleOf(Display* display, Window window);

// The tree of windows below `top` with places and map states, for failure
// messages.
std::string WindowTree(Display* display, Window top);

}  // namespace qwtest
