#pragma once
// The head of the window manager's screen record as the SDK fills it, and
// the SDK's main loop. The loop calls the program back through the hooks of
// the head (the SDK's callbacks by name): mainLoopHead at the head of every
// pass, handleUnknownEvent for each X event that no simple window consumed,
// messageBoxResetFocus when a message box goes away.
#include <X11/Xlib.h>

#include "platform/sdk/EvtApp.h"

struct SdkScreenPrivate;
struct SdkScreen;

enum SdkCursor {
  SdkCursorNormal,
  SdkCursorBusy,
  SdkCursorLogoff,
  SdkCursorResizeTopLeft,
  SdkCursorResizeTopRight,
  SdkCursorResizeBottomLeft,
  SdkCursorResizeBottomRight,
  SdkCursorResizeTop,
  SdkCursorResizeBottom,
  SdkCursorResizeRight,
  SdkCursorResizeLeft,
  SdkCursorMove,
  SdkCursorCount
};

struct SdkScreen {
  EvtAppContext* app;
  Display* display;
  int screenNumber;
  int depth;
  Window root;
  int width;
  int height;
  Colormap colormap;
  unsigned long blackPixel;
  unsigned long whitePixel;
  Cursor cursors[SdkCursorCount];
  unsigned int selectButton, selectButtonMask;
  unsigned int middleButton, middleButtonMask;
  unsigned int menuButton, menuButtonMask;
  int doubleClickTime;  // milliseconds
  const char* applicationName;

  // The program's callbacks; any may be null.
  void (*mainLoopHead)(SdkScreen* screen);
  void (*handleUnknownEvent)(SdkScreen* screen, XEvent* event);
  void (*handleEnterLeave)(SdkScreen* screen, XEvent* event);
  void (*messageBoxResetFocus)(SdkScreen* screen);

  SdkScreenPrivate* sdk;  // the SDK's own bookkeeping
};

// Opens the display (displayName, or DISPLAY when null), makes the
// application context and fills the head. Returns 0, or -1 when the display
// cannot be opened or the context made (the head is then left zero).
int InitScreenInfo(SdkScreen* screen, const char* applicationName, int flags, int argc,
                   char** argv, const char* displayName);
// Frees what InitScreenInfo made and closes the display.
void CloseScreenInfo(SdkScreen* screen);

// Runs until SdkQuitMainLoop is called (the program normally exits from a
// callback instead).
void MainEventLoop(SdkScreen* screen);
void SdkQuitMainLoop(SdkScreen* screen);
// One pass of the loop, waiting at most maxWaitMs (-1: until something
// happens). For tests and for modal waits.
void SdkProcessOnce(SdkScreen* screen, int maxWaitMs);
// Hands one event to the simple windows, the grab stack or the hooks.
void SdkDispatchEvent(SdkScreen* screen, XEvent* event);

// Watched descriptors of the screen's context.
typedef void (*SelectFileProc)(void* closure, int fd);
unsigned long AddSelectFile(SdkScreen* screen, int fd, SelectFileProc proc, void* closure);
void RemoveSelectFile(SdkScreen* screen, int fd);
// Takes the locale of the environment again (after LANG changed), for the
// text and fonts made afterwards; 0 when X supports it.
int ScreenResetLocale(SdkScreen* screen);
