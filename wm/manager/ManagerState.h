#pragma once
// The window manager's part of the process's state: the managed clients and
// their stacking, the colormaps, what frames and desktop icons draw with, the
// work area, the window menu and the switcher.
#include <X11/Xlib.h>

#include "wm/manager/ScreenHub.h"

struct ClassRecord;
struct ManagedWindow;
struct SimpleMenu;
struct WindowSwitcher;

struct ManagerState : ScreenHub, DesktopPreferences {
  int opaqueMoves;
  // Work area: left, top, right, bottom.
  int workArea[4];
  int iconCell[4];  // desktop icon cell geometry: 32, 32, 96, 64

  // Managed clients, newest first.
  ManagedWindow* managedWindows;
  ManagedWindow* stackTop;      // the topmost top-level frame
  ManagedWindow* activeWindow;  // focused most recently
  Window focusedClient;         // the client last given the focus, 0 for pointer root
  ManagedWindow* pressedWindow; // the frame that holds a press on its decoration
  ClassRecord* classRecords;    // remembered geometry per class key, newest first

  Colormap installedColormap, lastColormap;
  int colormapRepeats;
  Colormap serviceColormap;
  int systemColormapFlag;
  Colormap systemColormap;
  int defaultColormapInstalled;

  // What frames and desktop icons draw with.
  GC frameGC;
  unsigned long frameFace, frameHighlight, frameShadow, titleBackground, titleText;
  unsigned long inactiveTitleBackground, inactiveTitleText;
  GC outlineGC;
  GC iconGC;
  unsigned long iconLabelBackground, iconLabelText;
  int desktopIconCount;  // icons laid out at the last clearing of the root
  Pixmap defaultIcon, defaultIconMask;
  Pixmap shellIcon, shellIconMask;  // of toolkit shell windows, made on first use

  SimpleMenu* windowMenu;
  ManagedWindow* windowMenuFrame;  // the frame the window menu is up for
  WindowSwitcher* switcher;        // while Alt+Tab is held
};

// The window manager's state whose SDK record `screen` is.
inline ManagerState* ManagerOf(SdkScreen* screen) { return static_cast<ManagerState*>(HubOf(screen)); }
