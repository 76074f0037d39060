// The windows of a qw5250 program under test: its session window and the
// drawing area in it.
#pragma once

#include <X11/Xlib.h>

namespace qwtest {

// Waits (bounded) until a viewable window of class "QW5250" with instance
// name "QW5250" (a session window) exists; None on time-out.
Window WaitForSessionWindow(Display* display, int timeoutMs);

// The largest viewable window below the shell's first level: the drawing
// area of a session window. None when there is none.
Window DrawingArea(Display* display, Window shell);

}  // namespace qwtest
