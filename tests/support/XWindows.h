// Finding the windows of a program under test, waiting on X conditions, and
// catching the X errors a test provokes on purpose.
#pragma once

#include <X11/Xlib.h>

#include <functional>
#include <string>
#include <vector>

namespace qwtest {

// All windows below the root (any depth, so a client reparented into a
// window manager's frame is found too) whose WM_CLASS class (or instance)
// name, or WM_NAME, equals the text.
std::vector<Window> FindWindowsByClass(Display* display, const std::string& className);
std::vector<Window> FindWindowsByName(Display* display, const std::string& wmName);

// Waits (bounded) until such a window exists; None on time-out.
Window WaitForWindowByClass(Display* display, const std::string& className, int timeoutMs = 10000);
Window WaitForWindowByName(Display* display, const std::string& wmName, int timeoutMs = 10000);

// Waits until cond() holds, re-checking after each round trip and whenever
// events arrive on `display` (which may be null); false on time-out.
bool WaitUntil(const std::function<bool()>& cond, int timeoutMs = 10000,
               Display* display = nullptr);

// Sends the window what a window manager sends when the user closes it (a
// WM_PROTOCOLS message with WM_DELETE_WINDOW), and flushes.
void SendDeleteWindow(Display* display, Window window);

// The top-level ancestor of a window: its child of the root (the frame when
// a window manager reparented it).
Window TopLevelAncestor(Display* display, Window window);

// True when another client selected SubstructureRedirect on the root, i.e.
// a window manager runs.
bool WindowManagerRunning(Display* display);

// Collects X protocol errors while alive instead of Xlib's default exit.
// Traps nest; the innermost one collects.
class XErrorTrap {
 public:
  explicit XErrorTrap(Display* display);
  ~XErrorTrap();
  XErrorTrap(const XErrorTrap&) = delete;
  XErrorTrap& operator=(const XErrorTrap&) = delete;
  // Round trip, then the error codes seen so far (BadAccess, BadWindow ...).
  std::vector<int> Errors();

 private:
  Display* display_;
  XErrorHandler previous_;
  std::vector<int> errors_;
  std::vector<int>* outer_;
};

}  // namespace qwtest
