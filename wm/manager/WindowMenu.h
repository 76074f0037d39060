#pragma once
// The window menu of a frame: restore, move, size, minimise, maximise and
// close, each offered only when it applies.
#include <X11/Xlib.h>

struct ManagedWindow;

enum WindowMenuAction {
  ActionRestore = 0,
  ActionMinimize = 1,
  ActionMaximize = 2,
  ActionRaise = 3,
  ActionLower = 4,
  ActionClose = 5,
  ActionMove = 6,
  ActionSize = 7,
};

int WindowMenuItemSensitive(ManagedWindow* frame, int action);
void DoWindowMenuAction(ManagedWindow* frame, int action);
// Pops the menu up for the frame at a press, or at root x, y.
void PopupWindowMenu(ManagedWindow* frame, const XEvent* press);
void PopupWindowMenuAt(ManagedWindow* frame, int x, int y);
// The frame goes: a menu up for it forgets it.
void ForgetWindowMenu(ManagedWindow* frame);
