#pragma once
// SDK simple windows: an X window with a record whose handler slots the
// loop calls, and the grab stack that routes all pointer and keyboard input
// to its topmost window with real X grabs.
#include <X11/Xlib.h>

struct SdkScreen;
struct SimpleWindow;

// A slot returns nonzero when it consumed the event.
typedef int (*SimpleWindowProc)(SimpleWindow* window, XEvent* event);
typedef void (*SimpleWindowNotifyProc)(SimpleWindow* window);

struct SimpleWindow {
  SdkScreen* owner;
  SimpleWindow* link;  // free for the program's own lists
  Window window;
  int inUse;
  SimpleWindowNotifyProc destroy;  // before the window goes
  SimpleWindowProc event;          // every event without a more specific slot
  SimpleWindowProc expose;
  SimpleWindowProc press;
  SimpleWindowProc release;
  SimpleWindowProc motion;
  SimpleWindowNotifyProc timeout;  // AddSimpleWindowTimeout
  void* data;                      // the program's extension of the record
  // The SDK's own.
  int ownsWindow;
  unsigned long timeoutId;
};

// A new child window of `parent` (0: the root) selecting `eventMask`.
SimpleWindow* CreateSimpleWindow(SdkScreen* screen, Window parent, int x, int y,
                                 unsigned int width, unsigned int height,
                                 unsigned long background, long eventMask);
// A record around an existing window (the root for the desktop window); the
// window is not destroyed with the record. Adds eventMask to what the
// window selects.
SimpleWindow* WrapSimpleWindow(SdkScreen* screen, Window window, long eventMask);
void MapSimpleWindow(SimpleWindow* window);
void UnmapSimpleWindow(SimpleWindow* window);
void DestroySimpleWindow(SimpleWindow* window);
// Shapes the window's bounding region with a 1-bit mask (0: unshaped).
void SetSimpleWindowShape(SimpleWindow* window, Pixmap mask);
void MoveWindowToEndOfList(SimpleWindow* window);
int IsValidWindowHandle(SdkScreen* screen, const SimpleWindow* window);
SimpleWindow* FindSimpleWindow(SdkScreen* screen, Window window);
// Calls the window's timeout slot once after `microseconds`; replaces an
// earlier request of the same window; 0 cancels.
void AddSimpleWindowTimeout(SimpleWindow* window, unsigned long microseconds);

// The grab stack. Adding a window takes the pointer and keyboard for it;
// removing the top gives them to the next window, or releases them when the
// stack is empty. Return GrabSuccess or the X status of the grab that failed
// (the window stays on the stack and is grabbed again when it returns to the top).
int GrabStackAdd(SdkScreen* screen, SimpleWindow* window);
int GrabStackChange(SdkScreen* screen, SimpleWindow* oldWindow, SimpleWindow* newWindow);
int GrabStackRemove(SdkScreen* screen, SimpleWindow* window);
SimpleWindow* GrabStackTop(SdkScreen* screen);
// Takes the grabs for the top of the stack again (after another client's
// grab ended, or the grab window was unmapped); GrabSuccess or the X status.
int GrabStackRetake(SdkScreen* screen);
