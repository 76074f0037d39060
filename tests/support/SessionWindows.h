// The session windows of qw5250 programs on a test server, as a user sees
// them.
#pragma once

#include <X11/Xlib.h>

#include <vector>

namespace qwtest {

// The viewable top-level windows of instance and class "QW5250" (windows
// may go while they are looked at: errors are trapped).
std::vector<Window> ViewableSessionWindows(Display* display);
// Waits until `count` session windows are viewable; all of them, or an
// empty list when they did not come in time.
std::vector<Window> WaitForSessionWindows(Display* display, size_t count, int timeoutMs);
// Waits until a session window is viewable; the first one, or None when
// none came in time.
Window WaitForSessionWindow(Display* display, int timeoutMs);
// The largest viewable window inside `shell`: the session's drawing area.
Window DrawingWindow(Display* display, Window shell);

}  // namespace qwtest
