#include "platform/sdk/SimpleWindow.h"

#include <X11/extensions/shape.h>

#include <algorithm>

#include "platform/sdk/SdkScreen.h"
#include "platform/sdk/SdkScreenPrivate.h"

namespace {

SimpleWindow* Register(SdkScreen* screen, Window window, bool owns) {
  auto* w = new SimpleWindow{};
  w->owner = screen;
  w->window = window;
  w->inUse = 1;
  w->ownsWindow = owns ? 1 : 0;
  screen->sdk->windows[window] = w;
  screen->sdk->order.push_back(w);
  return w;
}

void WindowTimeout(void* closure, unsigned long) {
  auto* w = static_cast<SimpleWindow*>(closure);
  w->timeoutId = 0;
  if (w->timeout) w->timeout(w);
}

int TakeGrab(SdkScreen* screen, SimpleWindow* w) {
  Display* d = screen->display;
  const unsigned int mask = ButtonPressMask | ButtonReleaseMask | PointerMotionMask;
  int status = XGrabPointer(d, w->window, False, mask, GrabModeAsync, GrabModeAsync, None, None,
                            CurrentTime);
  if (status != GrabSuccess) return status;
  status = XGrabKeyboard(d, w->window, False, GrabModeAsync, GrabModeAsync, CurrentTime);
  if (status != GrabSuccess) XUngrabPointer(d, CurrentTime);
  return status;
}

int GrabTopOrRelease(SdkScreen* screen) {
  auto& stack = screen->sdk->grabStack;
  if (stack.empty()) {
    XUngrabKeyboard(screen->display, CurrentTime);
    XUngrabPointer(screen->display, CurrentTime);
    XFlush(screen->display);
    return GrabSuccess;
  }
  return TakeGrab(screen, stack.back());
}

}  // namespace

SimpleWindow* CreateSimpleWindow(SdkScreen* screen, Window parent, int x, int y,
                                 unsigned int width, unsigned int height,
                                 unsigned long background, long eventMask) {
  if (!parent) parent = screen->root;
  XSetWindowAttributes a;
  a.background_pixel = background;
  a.border_pixel = screen->blackPixel;
  a.event_mask = eventMask;
  Window win = XCreateWindow(screen->display, parent, x, y, width ? width : 1, height ? height : 1,
                             0, CopyFromParent, InputOutput, CopyFromParent,
                             CWBackPixel | CWBorderPixel | CWEventMask, &a);
  if (!win) return nullptr;
  return Register(screen, win, true);
}

SimpleWindow* WrapSimpleWindow(SdkScreen* screen, Window window, long eventMask) {
  if (eventMask) {
    XWindowAttributes a;
    if (XGetWindowAttributes(screen->display, window, &a))
      XSelectInput(screen->display, window, a.your_event_mask | eventMask);
  }
  return Register(screen, window, false);
}

void MapSimpleWindow(SimpleWindow* w) {
  if (w) XMapWindow(w->owner->display, w->window);
}

void UnmapSimpleWindow(SimpleWindow* w) {
  if (w) XUnmapWindow(w->owner->display, w->window);
}

void DestroySimpleWindow(SimpleWindow* w) {
  if (!w) return;
  SdkScreen* screen = w->owner;
  SdkScreenPrivate* p = screen->sdk;
  if (w->destroy) w->destroy(w);
  auto& stack = p->grabStack;
  const bool wasTop = !stack.empty() && stack.back() == w;
  stack.erase(std::remove(stack.begin(), stack.end(), w), stack.end());
  if (wasTop) GrabTopOrRelease(screen);
  if (w->timeoutId) EvtAppRemoveTimeOut(screen->app, w->timeoutId);
  // A window of another connection may have been given the same id since.
  auto it = p->windows.find(w->window);
  if (it != p->windows.end() && it->second == w) p->windows.erase(it);
  p->order.erase(std::remove(p->order.begin(), p->order.end(), w), p->order.end());
  if (w->ownsWindow) XDestroyWindow(screen->display, w->window);
  delete w;
}

void SetSimpleWindowShape(SimpleWindow* w, Pixmap mask) {
  if (!w) return;
  int event, error;
  if (!XShapeQueryExtension(w->owner->display, &event, &error)) return;
  XShapeCombineMask(w->owner->display, w->window, ShapeBounding, 0, 0, mask, ShapeSet);
}

void MoveWindowToEndOfList(SimpleWindow* w) {
  if (!w) return;
  auto& order = w->owner->sdk->order;
  auto it = std::find(order.begin(), order.end(), w);
  if (it == order.end()) return;
  order.erase(it);
  order.push_back(w);
}

int IsValidWindowHandle(SdkScreen* screen, const SimpleWindow* w) {
  if (!w || !screen->sdk) return 0;
  const auto& order = screen->sdk->order;
  return std::find(order.begin(), order.end(), w) != order.end() ? 1 : 0;
}

SimpleWindow* FindSimpleWindow(SdkScreen* screen, Window window) {
  auto it = screen->sdk->windows.find(window);
  return it == screen->sdk->windows.end() ? nullptr : it->second;
}

void AddSimpleWindowTimeout(SimpleWindow* w, unsigned long microseconds) {
  if (!w) return;
  EvtAppContext* app = w->owner->app;
  if (w->timeoutId) EvtAppRemoveTimeOut(app, w->timeoutId);
  w->timeoutId = 0;
  if (microseconds == 0) return;
  w->timeoutId = EvtAppAddTimeOut(app, (microseconds + 999) / 1000, WindowTimeout, w);
}

int GrabStackAdd(SdkScreen* screen, SimpleWindow* w) {
  if (!w) return BadValue;
  auto& stack = screen->sdk->grabStack;
  stack.erase(std::remove(stack.begin(), stack.end(), w), stack.end());
  stack.push_back(w);
  return TakeGrab(screen, w);
}

int GrabStackChange(SdkScreen* screen, SimpleWindow* oldWindow, SimpleWindow* newWindow) {
  if (!newWindow) return BadValue;
  auto& stack = screen->sdk->grabStack;
  auto it = std::find(stack.begin(), stack.end(), oldWindow);
  if (it == stack.end()) return GrabStackAdd(screen, newWindow);
  *it = newWindow;
  return stack.back() == newWindow ? TakeGrab(screen, newWindow) : GrabSuccess;
}

int GrabStackRemove(SdkScreen* screen, SimpleWindow* w) {
  auto& stack = screen->sdk->grabStack;
  const bool wasTop = !stack.empty() && stack.back() == w;
  stack.erase(std::remove(stack.begin(), stack.end(), w), stack.end());
  return wasTop ? GrabTopOrRelease(screen) : GrabSuccess;
}

SimpleWindow* GrabStackTop(SdkScreen* screen) {
  auto& stack = screen->sdk->grabStack;
  return stack.empty() ? nullptr : stack.back();
}

int GrabStackRetake(SdkScreen* screen) {
  SimpleWindow* top = GrabStackTop(screen);
  return top ? TakeGrab(screen, top) : BadValue;
}
