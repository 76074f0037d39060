#pragma once
// The desktop shell's part of the process's state: the hot keys, the root
// menus, the root's background and the colour theme's pictures.
#include <X11/Xlib.h>

#include "wm/services/ServiceState.h"
#include "wm/shell/HotKeys.h"

struct SimpleMenu;

struct ShellState : ServiceState {
  int noSwitchBox;
  unsigned int altMask, numLockMask, scrollLockMask;
  KeyBinding hotKeys[HotKeyCount];
  int hotKeyCount;
  SimpleMenu* rootMenu;
  SimpleMenu* iconPlacementMenu;
  Time lastIconPress;  // of the select button on a desktop icon

  int backgroundFromServerPrefs;
  Pixmap backgroundTile;
  char* splashFile;     // owned
  Pixmap splashPixmap;  // the splash picture scaled to the screen, while at the log-in screen
  int splashMissing;    // the splash file could not be read
  // The colour theme's published pictures and its menu.
  Pixmap toolbarPixmap, appbarPixmap, themeBackgroundPixmap;
  SimpleMenu* themeMenu;
};
