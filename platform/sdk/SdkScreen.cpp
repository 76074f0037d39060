#include "platform/sdk/SdkScreen.h"

#include <X11/cursorfont.h>

#include <clocale>
#include <cstring>

#include "platform/sdk/MessageBox.h"
#include "platform/sdk/SdkScreenPrivate.h"
#include "platform/sdk/SimpleMenu.h"
#include "platform/sdk/SimpleWindow.h"

namespace {

void DrainX(SdkScreen* screen) {
  Display* d = screen->display;
  while (!screen->sdk->quit && XPending(d) > 0) {
    XEvent ev;
    XNextEvent(d, &ev);
    SdkDispatchEvent(screen, &ev);
  }
}

void XReadable(void* closure, int) {
  auto* screen = static_cast<SdkScreen*>(closure);
  DrainX(screen);
}

bool IsInputEvent(int type) {
  return type == KeyPress || type == KeyRelease || type == ButtonPress || type == ButtonRelease ||
         type == MotionNotify;
}

int CallSlot(SimpleWindow* w, XEvent* ev) {
  SimpleWindowProc slot = nullptr;
  switch (ev->type) {
    case Expose:
      slot = w->expose;
      break;
    case ButtonPress:
      slot = w->press;
      break;
    case ButtonRelease:
      slot = w->release;
      break;
    case MotionNotify:
      slot = w->motion;
      break;
    default:
      break;
  }
  if (slot) {  // a specific slot always consumes
    slot(w, ev);
    return 1;
  }
  return w->event ? w->event(w, ev) : 0;
}

}  // namespace

int InitScreenInfo(SdkScreen* screen, const char* applicationName, int, int, char**,
                   const char* displayName) {
  std::memset(screen, 0, sizeof *screen);
  Display* d = XOpenDisplay(displayName);
  if (!d) return -1;
  EvtAppContext* app = EvtCreateAppContext();
  if (!app) {
    XCloseDisplay(d);
    return -1;
  }
  screen->app = app;
  screen->display = d;
  screen->screenNumber = DefaultScreen(d);
  screen->depth = DefaultDepth(d, screen->screenNumber);
  screen->root = RootWindow(d, screen->screenNumber);
  screen->width = DisplayWidth(d, screen->screenNumber);
  screen->height = DisplayHeight(d, screen->screenNumber);
  screen->colormap = DefaultColormap(d, screen->screenNumber);
  screen->blackPixel = BlackPixel(d, screen->screenNumber);
  screen->whitePixel = WhitePixel(d, screen->screenNumber);
  static const unsigned int shapes[SdkCursorCount] = {
      XC_left_ptr,         XC_watch,         XC_X_cursor,       XC_top_left_corner,
      XC_top_right_corner, XC_bottom_left_corner, XC_bottom_right_corner, XC_top_side,
      XC_bottom_side,      XC_right_side,    XC_left_side,      XC_fleur};
  for (int i = 0; i < SdkCursorCount; ++i) screen->cursors[i] = XCreateFontCursor(d, shapes[i]);
  screen->selectButton = Button1;
  screen->selectButtonMask = Button1Mask;
  screen->middleButton = Button2;
  screen->middleButtonMask = Button2Mask;
  screen->menuButton = Button3;
  screen->menuButtonMask = Button3Mask;
  screen->doubleClickTime = 250;
  screen->applicationName = applicationName;
  screen->sdk = new SdkScreenPrivate;
  screen->sdk->xInputId = EvtAppAddInput(app, ConnectionNumber(d), XReadable, screen);
  return 0;
}

void CloseScreenInfo(SdkScreen* screen) {
  if (!screen->sdk) return;
  PopDownMessageBox(screen);
  PopDownMenu(screen);
  while (!screen->sdk->order.empty()) DestroySimpleWindow(screen->sdk->order.back());
  for (Cursor c : screen->cursors)
    if (c) XFreeCursor(screen->display, c);
  XCloseDisplay(screen->display);
  EvtDestroyAppContext(screen->app);
  delete screen->sdk;
  std::memset(screen, 0, sizeof *screen);
}

void SdkDispatchEvent(SdkScreen* screen, XEvent* ev) {
  SdkScreenPrivate* p = screen->sdk;
  if (IsInputEvent(ev->type) && !p->grabStack.empty()) {
    // The grabs send all input to the top of the stack; input that names
    // another window was queued before the grab changed and is dropped.
    SimpleWindow* top = p->grabStack.back();
    if (ev->xany.window == top->window) CallSlot(top, ev);
    return;
  }
  if ((ev->type == EnterNotify || ev->type == LeaveNotify) && screen->handleEnterLeave) {
    auto it = p->windows.find(ev->xany.window);
    if (it == p->windows.end() || !CallSlot(it->second, ev)) screen->handleEnterLeave(screen, ev);
    return;
  }
  auto it = p->windows.find(ev->xany.window);
  if (it != p->windows.end() && CallSlot(it->second, ev)) return;
  if (screen->handleUnknownEvent) screen->handleUnknownEvent(screen, ev);
}

void SdkProcessOnce(SdkScreen* screen, int maxWaitMs) {
  if (screen->mainLoopHead) screen->mainLoopHead(screen);
  // Events already read into Xlib's queue would not wake poll().
  DrainX(screen);
  XFlush(screen->display);
  EvtAppProcessOnce(screen->app, XPending(screen->display) > 0 ? 0 : maxWaitMs);
}

void MainEventLoop(SdkScreen* screen) {
  screen->sdk->quit = false;
  while (!screen->sdk->quit) SdkProcessOnce(screen, -1);
}

void SdkQuitMainLoop(SdkScreen* screen) { screen->sdk->quit = true; }

unsigned long AddSelectFile(SdkScreen* screen, int fd, SelectFileProc proc, void* closure) {
  return EvtAppAddInput(screen->app, fd, proc, closure);
}

void RemoveSelectFile(SdkScreen* screen, int fd) { EvtAppRemoveInputFd(screen->app, fd); }

int ScreenResetLocale(SdkScreen*) {
  if (!setlocale(LC_ALL, "")) setlocale(LC_ALL, "C");
  XSetLocaleModifiers("");
  return XSupportsLocale() ? 0 : -1;
}
