#include "wm/session/LockWindowOwner.h"

#include <fcntl.h>

#include <algorithm>
#include <new>
#include <vector>

#include "platform/sdk/EvtApp.h"

namespace {

// The open owner connections: their loss is survived, every other
// connection's is handled as before.
std::vector<LockWindowOwner*> owners;
XIOErrorHandler previousHandler = nullptr;

LockWindowOwner* OwnerOf(Display* d) {
  for (LockWindowOwner* o : owners)
    if (o->display == d) return o;
  return nullptr;
}

int SurviveOwnerLoss(Display* d) {
  if (LockWindowOwner* o = OwnerOf(d)) {
    o->lost = 1;
    return 0;
  }
  return previousHandler ? previousHandler(d) : 0;
}

// After the handler above, Xlib ends the process unless told otherwise.
void KeepRunning(Display*, void* closure) { static_cast<LockWindowOwner*>(closure)->lost = 1; }

// The server sends a few events to every client (keyboard mapping changes):
// read so that they never pile up, and learn of the connection's end.
void Drain(void* closure, int) {
  auto* o = static_cast<LockWindowOwner*>(closure);
  while (!o->lost && XPending(o->display) > 0) {
    XEvent ev;
    XNextEvent(o->display, &ev);
  }
  if (o->lost && o->input) {
    EvtAppRemoveInput(o->app, o->input);
    o->input = 0;
  }
}

}  // namespace

LockWindowOwner* CreateLockWindowOwner(Display* main, EvtAppContext* app, Window parent, int x, int y,
                                       unsigned int width, unsigned int height, unsigned long background) {
  Display* d = XOpenDisplay(DisplayString(main));
  if (!d) return nullptr;
  // Programs Teldra starts do not inherit the connection (it would keep the
  // window after Teldra ended).
  fcntl(ConnectionNumber(d), F_SETFD, FD_CLOEXEC);
  if (!previousHandler) previousHandler = XSetIOErrorHandler(SurviveOwnerLoss);
  auto* o = new (std::nothrow) LockWindowOwner{d, None, app, 0, 0};
  if (!o) {
    XCloseDisplay(d);
    return nullptr;
  }
  owners.push_back(o);
  XSetIOErrorExitHandler(d, KeepRunning, o);
  XSetWindowAttributes a;
  a.background_pixel = background;
  a.border_pixel = background;
  a.override_redirect = True;
  o->window = XCreateWindow(d, parent, x, y, width ? width : 1, height ? height : 1, 0, CopyFromParent,
                            InputOutput, CopyFromParent, CWBackPixel | CWBorderPixel | CWOverrideRedirect, &a);
  // Made before Teldra's own connection uses it.
  XSync(d, False);
  if (o->lost || !o->window) {
    DestroyLockWindowOwner(o);
    return nullptr;
  }
  if (app) o->input = EvtAppAddInput(app, ConnectionNumber(d), Drain, o);
  return o;
}

void DestroyLockWindowOwner(LockWindowOwner* o) {
  if (!o) return;
  if (o->input) EvtAppRemoveInput(o->app, o->input);
  XCloseDisplay(o->display);
  owners.erase(std::remove(owners.begin(), owners.end(), o), owners.end());
  delete o;
}
