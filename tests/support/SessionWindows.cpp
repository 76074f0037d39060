#include "tests/support/SessionWindows.h"

#include <X11/Xutil.h>

#include <string>

#include "tests/support/XWindows.h"

namespace qwtest {

std::vector<Window> ViewableSessionWindows(Display* display) {
  XErrorTrap trap(display);
  std::vector<Window> found;
  for (Window w : FindWindowsByClass(display, "QW5250")) {
    XClassHint hint = {};
    if (!XGetClassHint(display, w, &hint)) continue;
    const bool session = hint.res_name && std::string(hint.res_name) == "QW5250";
    if (hint.res_name) XFree(hint.res_name);
    if (hint.res_class) XFree(hint.res_class);
    XWindowAttributes a;
    if (session && XGetWindowAttributes(display, w, &a) && a.map_state == IsViewable) found.push_back(w);
  }
  return found;
}

std::vector<Window> WaitForSessionWindows(Display* display, size_t count, int timeoutMs) {
  std::vector<Window> found;
  WaitUntil(
      [&] {
        found = ViewableSessionWindows(display);
        return found.size() == count;
      },
      timeoutMs, display);
  if (found.size() != count) found.clear();
  return found;
}

Window WaitForSessionWindow(Display* display, int timeoutMs) {
  std::vector<Window> found;
  WaitUntil(
      [&] {
        found = ViewableSessionWindows(display);
        return !found.empty();
      },
      timeoutMs, display);
  return found.empty() ? None : found[0];
}

Window DrawingWindow(Display* display, Window shell) {
  XErrorTrap trap(display);
  Window best = None;
  long bestArea = 0;
  std::vector<Window> todo = {shell};
  while (!todo.empty()) {
    const Window w = todo.back();
    todo.pop_back();
    Window root, parent, *kids = nullptr;
    unsigned n = 0;
    if (!XQueryTree(display, w, &root, &parent, &kids, &n)) continue;
    for (unsigned i = 0; i < n; ++i) {
      XWindowAttributes a;
      if (XGetWindowAttributes(display, kids[i], &a) && a.map_state == IsViewable) {
        const long area = static_cast<long>(a.width) * a.height;
        if (area > bestArea && w != shell) {
          bestArea = area;
          best = kids[i];
        }
        todo.push_back(kids[i]);
      }
    }
    if (kids) XFree(kids);
  }
  return best;
}

}  // namespace qwtest
