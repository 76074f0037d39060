#pragma once
// The Alt+Tab switcher: a popup in the middle of the work area with the
// icons of the client windows in stacking order, four at a time, and the
// selected window's title; releasing Alt raises (or restores) the selected
// window.
#include <X11/Xlib.h>

#include <vector>

struct ManagerState;
struct SimpleWindow;

struct SwitcherEntry {
  Pixmap icon, mask;
  int width, height;
  int depth;  // 1: a bitmap, drawn in the switcher's colours
  Window frame;
};

struct WindowSwitcher {
  SimpleWindow* window;
  std::vector<SwitcherEntry> entries;
  int selected, firstVisible;
  int cellWidth, tallest, leftOffset;
  int width, height;
};

// At least two windows to switch between, or one that is minimised.
int CanSwitchWindows(ManagerState* state);
// Opens the popup (kept in the state) and takes the keyboard for it.
void BeginWindowSwitch(ManagerState* state, int forward);
void StepWindowSwitch(ManagerState* state, int forward);
// Keys while the popup is open: Tab steps, releasing Alt or Meta ends it.
void SwitcherKeyEvent(ManagerState* state, XEvent* event);
