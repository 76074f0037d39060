#include "tests/support/XWindows.h"

#include "tests/support/TestClock.h"

#include <X11/Xutil.h>
#include <poll.h>

namespace qwtest {

namespace {

void walk(Display* d, Window w, int depth, const std::function<void(Window)>& visit) {
  if (depth > 32) return;
  Window root = None, parent = None, *children = nullptr;
  unsigned int n = 0;
  if (!XQueryTree(d, w, &root, &parent, &children, &n)) return;
  std::vector<Window> kids(children, children + n);
  if (children) XFree(children);
  for (Window c : kids) {
    visit(c);
    walk(d, c, depth + 1, visit);
  }
}

// Windows vanish while we walk; their BadWindow errors are expected.
std::vector<int>* g_trapped = nullptr;
int trapHandler(Display*, XErrorEvent* e) {
  if (g_trapped) g_trapped->push_back(e->error_code);
  return 0;
}

}  // namespace

XErrorTrap::XErrorTrap(Display* display) : display_(display), outer_(g_trapped) {
  XSync(display_, False);
  g_trapped = &errors_;
  previous_ = XSetErrorHandler(trapHandler);
}

XErrorTrap::~XErrorTrap() {
  XSync(display_, False);
  XSetErrorHandler(previous_);
  g_trapped = outer_;
}

std::vector<int> XErrorTrap::Errors() {
  XSync(display_, False);
  return errors_;
}

std::vector<Window> FindWindowsByClass(Display* display, const std::string& className) {
  std::vector<Window> found;
  XErrorTrap trap(display);
  walk(display, DefaultRootWindow(display), 0, [&](Window w) {
    XClassHint hint = {nullptr, nullptr};
    if (XGetClassHint(display, w, &hint)) {
      bool match = (hint.res_class && className == hint.res_class) ||
                   (hint.res_name && className == hint.res_name);
      if (hint.res_name) XFree(hint.res_name);
      if (hint.res_class) XFree(hint.res_class);
      if (match) found.push_back(w);
    }
  });
  return found;
}

std::vector<Window> FindWindowsByName(Display* display, const std::string& wmName) {
  std::vector<Window> found;
  XErrorTrap trap(display);
  walk(display, DefaultRootWindow(display), 0, [&](Window w) {
    char* name = nullptr;
    if (XFetchName(display, w, &name) && name) {
      if (wmName == name) found.push_back(w);
      XFree(name);
    }
  });
  return found;
}

bool WaitUntil(const std::function<bool()>& cond, int timeoutMs, Display* display) {
  Deadline deadline(timeoutMs);
  for (;;) {
    if (display) XSync(display, False);
    if (cond()) return true;
    if (deadline.Expired()) return false;
    // Wake on the next event of the connection, else re-check shortly.
    int wait = deadline.RemainingMs(25);
    if (display) {
      struct pollfd p = {ConnectionNumber(display), POLLIN, 0};
      poll(&p, 1, wait);
      while (XPending(display)) {
        XEvent ev;
        XNextEvent(display, &ev);
      }
    } else {
      poll(nullptr, 0, wait);
    }
  }
}

void SendDeleteWindow(Display* display, Window window) {
  XEvent ev = {};
  ev.xclient.type = ClientMessage;
  ev.xclient.window = window;
  ev.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
  ev.xclient.format = 32;
  ev.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
  ev.xclient.data.l[1] = CurrentTime;
  XSendEvent(display, window, False, NoEventMask, &ev);
  XFlush(display);
}

Window WaitForWindowByClass(Display* display, const std::string& className, int timeoutMs) {
  Window found = None;
  WaitUntil(
      [&] {
        auto v = FindWindowsByClass(display, className);
        if (!v.empty()) found = v.front();
        return found != None;
      },
      timeoutMs, display);
  return found;
}

Window WaitForWindowByName(Display* display, const std::string& wmName, int timeoutMs) {
  Window found = None;
  WaitUntil(
      [&] {
        auto v = FindWindowsByName(display, wmName);
        if (!v.empty()) found = v.front();
        return found != None;
      },
      timeoutMs, display);
  return found;
}

Window TopLevelAncestor(Display* display, Window window) {
  Window w = window;
  for (int i = 0; i < 64; ++i) {
    Window root = None, parent = None, *children = nullptr;
    unsigned int n = 0;
    if (!XQueryTree(display, w, &root, &parent, &children, &n)) return None;
    if (children) XFree(children);
    if (parent == root || parent == None) return w;
    w = parent;
  }
  return None;
}

bool WindowManagerRunning(Display* display) {
  XWindowAttributes a;
  if (!XGetWindowAttributes(display, DefaultRootWindow(display), &a)) return false;
  return (a.all_event_masks & SubstructureRedirectMask) != 0;
}

}  // namespace qwtest
