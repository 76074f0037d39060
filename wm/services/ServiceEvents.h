#pragma once
// What the local services ask of the parts of Teldra above them: launching
// programs, the desktop's menus, lock and log-off, the system information
// boxes. The session connects them at start-up; until then such requests do
// nothing (a launch fails).
#include <X11/Xlib.h>

struct ServiceState;

struct ServiceEvents {
  // A launch request: flags as sent, the three strings (command line or
  // arguments, application name, class path) and the kill priority; true
  // with the new program's id.
  bool (*launchProgram)(ServiceState* state, unsigned flags, const char* first, const char* second,
                        const char* third, int priority, unsigned char id[8]) = nullptr;
  // A desktop program says that one of its programs is no longer its.
  void (*applicationUnregistered)(const unsigned char id[8]) = nullptr;
  // Menus: every menu up goes; the root menu pops up at a press.
  void (*popDownMenus)(ServiceState* state) = nullptr;
  void (*popupRootMenu)(ServiceState* state, const XEvent* press) = nullptr;
  // Lock the screen or log off, after the user's confirmation when asked.
  void (*lockOrLogoff)(ServiceState* state, bool lock, bool confirm) = nullptr;
  // The desktop command ended of itself.
  void (*desktopCommandEnded)(ServiceState* state) = nullptr;
  // 0 the build date, 1 the network configuration, 2 the user logged in.
  void (*showSystemInformation)(ServiceState* state, int kind) = nullptr;
};

void SetServiceEvents(const ServiceEvents& events);
const ServiceEvents& TheServiceEvents();
