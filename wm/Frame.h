#pragma once
// The frame of a managed client: the window that holds the client, draws the
// title bar and border, and answers the client's map, unmap, configure and
// destroy events.
#include <X11/Xlib.h>

#include <string>

struct ScreenState;
struct SimpleWindow;

struct ManagedWindow {
  ScreenState* state;
  SimpleWindow* frame;  // the SDK record of the frame window
  ManagedWindow* next;  // the state's list of managed windows
  Window client;        // 0 once the client is gone
  int top, bottom, left, right;  // border widths; top includes the title bar
  int outlineWidth;
  int x, y, width, height;  // the frame's rectangle
  std::string title;
  std::string iconTitle;
  int clientBorderWidth;  // the client's own, restored on release
  int minimized;
  int unmappedByClient;
};

// The frame offsets for a title font of `textHeight` pixels (ascent plus descent).
int FrameTitleHeight(int textHeight);

// A frame at (x, y) in root coordinates around a client area of the given
// size; the client is not yet reparented. Null
// when the frame window cannot be made.
ManagedWindow* CreateFrame(ScreenState* state, int x, int y, int clientWidth, int clientHeight,
                           Window client);
// Redraws the decoration (after a title change).
void RedrawFrame(ManagedWindow* frame);
// Tells the client where it is (ICCCM synthetic ConfigureNotify).
void SendSyntheticConfigure(ManagedWindow* frame);
// WM_STATE: Normal (1) unless minimised (0), no icon window.
void SetWMState(ManagedWindow* frame);
// Ends management: a client still there goes back to the root at its
// place with its border width; the frame is destroyed.
void ReleaseFrame(ManagedWindow* frame);
