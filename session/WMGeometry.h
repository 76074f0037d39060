#pragma once
// The window manager's work area and frame sizes, read from the root-window
// properties _WIN_WORKAREA and _QX_BORDER_SIZES, or measured from a session
// window once the window manager has reparented it; and the initial value
// of the helper programs' state properties.
#include <X11/Intrinsic.h>

// The display whose root window carries the window manager's properties.
// Start-up sets it once the top-level widget exists.
void SetWMDisplay(Display* display);
Display* WMDisplay();

// Items 0-3 of _WIN_WORKAREA, read anew on every call: 0 with the values
// filled, -1 (and a log line) when the property is missing or unusable.
int GetRealTimeWorkSpaceInfo(int& x, int& y, int& width, int& height);

// Reads _QX_BORDER_SIZES into the frame metrics (once at start-up).
void GetWMBorderSizes();

// The frame metrics in pixels; 0 while unknown.
int WMLeftBorderWidth();
int WMRightBorderWidth();
int WMTopBorderHeight();
int WMBottomBorderHeight();
int WMTitleHeight();
bool WMBorderSizesKnown();
// Tests: back to unknown, all metrics 0.
void ResetWMBorderSizesForTesting();

// What the measurement needs of the session table, which the session code
// keeps. sessionShell is required; the copy-request members may be null
// (no copy request is ever pending then).
struct WMMeasureHooks {
  Widget (*sessionShell)(int sessionIndex) = nullptr;  // null: entry not in use
  bool (*copyRequestPending)() = nullptr;              // the "__startmaxsessions" repeat flag
  void (*clearCopyRequest)() = nullptr;
  int (*sessionCount)() = nullptr;
  int (*maxSessions)() = nullptr;                                // MAX_SESSIONS
  void (*createSessionFromSession)(int sessionIndex) = nullptr;  // empty geometry
};
void SetWMMeasureHooks(const WMMeasureHooks& hooks);

// Arms the 1,000 ms measurement for a completed session unless the metrics
// are known and no copy request is pending.
void calculateWMWindowBorderAndTitleSizes(int sessionIndex);
// The measurement timer's procedure (client data: the session index).
void WMMeasurementTimer(XtPointer sessionIndex, XtIntervalId* id);
// The measurement itself on a shell: true when it set the metrics.
bool MeasureWMBordersFromShell(Widget shell);

// Sets the state property `atom` of the root window to "0" and a NUL.
void initStateAtom(Atom atom, Display* display);
