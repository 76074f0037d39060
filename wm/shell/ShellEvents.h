#pragma once
// What the desktop shell asks of the session: the end of the session, the
// lock, the screen saver and the log-in screen. The session connects them at
// start-up; until then none is called (and the end of a session only ends
// the process).
#include <X11/Xlib.h>

struct ShellState;

struct ShellEvents {
  // The user asked to log off: restart actions are dropped and the log-off
  // reported.
  void (*logoffRequested)(ShellState* state) = nullptr;
  // The end-session sequence of a desktop command; it exits the process.
  void (*endSession)(ShellState* state, int command) = nullptr;
  // Lock now, as the desktop's lock command does.
  void (*lockNow)(ShellState* state) = nullptr;
  // The root menu turned the screen saver on (1) or off (0).
  void (*screenSaverSwitched)(ShellState* state, int enabled) = nullptr;
  // Every event of the desktop window while the screen is locked.
  void (*lockedDesktopEvent)(ShellState* state, XEvent* event) = nullptr;
  // A press on the background of the log-in screen.
  void (*loginScreenPressed)(ShellState* state) = nullptr;
  // Change PIN was chosen and no desktop program is connected to run it.
  void (*changePin)(ShellState* state) = nullptr;
};

void SetShellEvents(const ShellEvents& events);
const ShellEvents& TheShellEvents();
