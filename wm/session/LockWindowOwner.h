#pragma once
// The lock window belongs to an X connection of its own. A client that
// kills the owner of the lock window (xkill, XKillClient) ends only that
// connection: Teldra's own stays, sees the window go and makes a new one.
#include <X11/Xlib.h>

struct EvtAppContext;

struct LockWindowOwner {
  Display* display;     // the connection that owns the window
  Window window;
  EvtAppContext* app;
  unsigned long input;  // the watch of the connection's descriptor
  int lost;             // the server closed the connection
};

// A new override-redirect window, child of `parent`, owned by a new
// connection to the display `main` is connected to, selecting nothing on
// that connection (Teldra's own selects what it needs). Null when no
// connection or window can be had.
LockWindowOwner* CreateLockWindowOwner(Display* main, EvtAppContext* app, Window parent, int x, int y,
                                       unsigned int width, unsigned int height, unsigned long background);
// Closes the connection: the window goes with it.
void DestroyLockWindowOwner(LockWindowOwner* owner);
