#pragma once
// The terminal's display, input and power settings applied to the X server
// at session start: root background, screen-saver settings (handed on to
// the saver), mouse buttons and acceleration, keyboard auto-repeat, host
// access control, the initial resource database, DPMS power management and
// the default icon placement. They come from the registry objects
// "/config" and "/desktop/mwm". The allowed hosts of access control are the
// values "xserver-access-control-list.<entry>.family", ".host" and ".name"
// of "/config", one <entry> per host.
#include <X11/Xlib.h>

struct ServerPreferences {
  int backgroundSet = 0;
  int saverEnable = 2;  // 2: not configured
  char saverStyle[63] = {};
  int saverTime = 180;
  char* saverBitmapFile = nullptr;  // owned
  int iconPlacement = -1;           // -1: not configured
};

void ApplyServerPreferences(Display* display, ServerPreferences* settings);
void FreeServerPreferences(ServerPreferences* settings);
// The pixel of a colour name in the default colormap; when it cannot be
// had, white for "#FFFFFF" and "#808080", black for any other name.
unsigned long AllocNamedColor(Display* display, const char* name);

// The clamping rules, for the tests.
int ClampAcceleration(long hundredths);
int ClampRepeatRate(long rate);
int ClampRepeatDelay(long milliseconds);
// Standby, suspend and power-off minutes as DPMS will get them.
void PowerTimes(long standby, long suspend, long off, int minutes[3]);
// "left top" 0 ... "bottom right" 7 (any case); other texts 1; empty -1.
int IconPlacementCode(const char* text);
