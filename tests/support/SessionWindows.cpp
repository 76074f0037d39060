#include "tests/support/SessionWindows.h"

#include <X11/Xutil.h>

#include <string>
#include <vector>

#include "tests/support/XWindows.h"

namespace qwtest {

Window WaitForSessionWindow(Display* display, int timeoutMs) {
  Window found = None;
  WaitUntil(
      [&] {
        for (Window w : FindWindowsByClass(display, "QW5250")) {
          XClassHint hint = {};
          if (!XGetClassHint(display, w, &hint)) continue;
          const bool session = std::string(hint.res_name) == "QW5250";
          XFree(hint.res_name);
          XFree(hint.res_class);
          XWindowAttributes a;
          if (session && XGetWindowAttributes(display, w, &a) && a.map_state == IsViewable) found = w;
        }
        return found != None;
      },
      timeoutMs, display);
  return found;
}

Window DrawingArea(Display* display, Window shell) {
  Window best = None;
  long bestArea = 0;
  std::vector<Window> todo = {shell};
  while (!todo.empty()) {
    Window w = todo.back();
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
