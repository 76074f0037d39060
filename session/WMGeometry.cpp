#include "session/WMGeometry.h"

#include <X11/Xatom.h>

#include <cstdint>

#include "base/LogMsg.h"

namespace {

struct FrameMetrics {
  int left = 0;
  int right = 0;
  int top = 0;
  int bottom = 0;
  int title = 0;
  bool known = false;
};

FrameMetrics& Metrics() {
  static FrameMetrics metrics;
  return metrics;
}

Display*& TheDisplay() {
  static Display* display = nullptr;
  return display;
}

WMMeasureHooks& Hooks() {
  static WMMeasureHooks hooks;
  return hooks;
}

// Frame and work-area values beyond this are not pixels of any real screen.
constexpr long kMaxPixels = 32767;

// A format-32 item as Xlib hands it over (a long), taken as the signed
// 32-bit value the client stored.
long Item32(const unsigned char* data, unsigned long index) {
  long raw = reinterpret_cast<const long*>(data)[index];
  return static_cast<int32_t>(static_cast<uint32_t>(raw & 0xffffffffL));
}

enum class ReadResult { Ok, Failed, Missing, Malformed };

// Reads the first four format-32 items of a root-window property.
ReadResult ReadFourItems(Display* display, const char* name, long items[4], int* format,
                         unsigned long* count) {
  *format = 0;
  *count = 0;
  if (!display) return ReadResult::Failed;
  Atom property = XInternAtom(display, name, False);
  Atom type = None;
  unsigned long after = 0;
  unsigned char* data = nullptr;
  int rc = XGetWindowProperty(display, DefaultRootWindow(display), property, 0, 4, False,
                              AnyPropertyType, &type, format, count, &after, &data);
  if (rc != Success) return ReadResult::Failed;
  ReadResult result = ReadResult::Ok;
  if (type == None || *count == 0) {
    result = ReadResult::Missing;
  } else if (*format != 32 || *count < 4 || !data) {
    result = ReadResult::Malformed;
  } else {
    for (unsigned long i = 0; i < 4; ++i) items[i] = Item32(data, i);
  }
  if (data) XFree(data);
  return result;
}

}  // namespace

void SetWMDisplay(Display* display) { TheDisplay() = display; }
Display* WMDisplay() { return TheDisplay(); }

int GetRealTimeWorkSpaceInfo(int& x, int& y, int& width, int& height) {
  long items[4];
  int format;
  unsigned long count;
  switch (ReadFourItems(TheDisplay(), "_WIN_WORKAREA", items, &format, &count)) {
    case ReadResult::Failed:
      LogMsg(LevelError, "%s: Could not get the Window Workspace property.\n", "QWC0200");
      return -1;
    case ReadResult::Missing:
      // Most window managers publish none: the whole screen is the work area.
      LogMsg(LevelInformational,
             "%s: The Window Workspace property does not exist; the whole screen is used.\n", "QWC0199");
      return -1;
    case ReadResult::Malformed:
      LogMsg(LevelError,
             "%s: The Window Workspace property is not four 32-bit items (format %d, %lu items).\n",
             "QWC0199", format, count);
      return -1;
    case ReadResult::Ok:
      break;
  }
  for (long v : items) {
    if (v < -kMaxPixels || v > kMaxPixels) {
      LogMsg(LevelError, "%s: The Window Workspace property holds %ld, not a screen position.\n",
             "QWC0199", v);
      return -1;
    }
  }
  x = static_cast<int>(items[0]);
  y = static_cast<int>(items[1]);
  width = static_cast<int>(items[2]);
  height = static_cast<int>(items[3]);
  return 0;
}

void GetWMBorderSizes() {
  long items[4];
  int format;
  unsigned long count;
  switch (ReadFourItems(TheDisplay(), "_QX_BORDER_SIZES", items, &format, &count)) {
    case ReadResult::Failed:
      LogMsg(LevelError, "%s: Could not get the _QX_BORDER_SIZES property.\n", "QWC0215");
      return;
    case ReadResult::Missing:
      // The normal case under any other window manager.
      LogMsg(LevelInformational,
             "%s: The _QX_BORDER_SIZES property does not exist; window frames of 0 pixels are assumed.\n",
             "QWC0214");
      return;
    case ReadResult::Malformed:
      LogMsg(LevelError,
             "%s: The _QX_BORDER_SIZES property is not four 32-bit items (format %d, %lu items).\n",
             "QWC0214", format, count);
      return;
    case ReadResult::Ok:
      break;
  }
  // Item 0 is the frame above the client, so it holds the border (item 2).
  bool sane = items[0] >= items[2];
  for (long v : items) sane = sane && v >= 0 && v <= kMaxPixels;
  if (!sane) {
    LogMsg(LevelError,
           "%s: The _QX_BORDER_SIZES property holds %ld, %ld, %ld, %ld: not frame sizes.\n",
           "QWC0214", items[0], items[1], items[2], items[3]);
    return;
  }
  FrameMetrics& m = Metrics();
  m.left = static_cast<int>(items[2]);
  m.top = static_cast<int>(items[2]);
  m.bottom = static_cast<int>(items[1]);
  m.right = static_cast<int>(items[3]);
  m.title = static_cast<int>(items[0] - items[2]);
  m.known = true;
  if (DebugFlag()) {
    LogMsg(LevelDebug, "wm left border width = %d, wm right border width = %d.\n", m.left, m.right);
    LogMsg(LevelDebug,
           "wm top border height = %d, wm bottom border height = %d, wm title height = %d.\n",
           m.top, m.bottom, m.title);
  }
}

int WMLeftBorderWidth() { return Metrics().left; }
int WMRightBorderWidth() { return Metrics().right; }
int WMTopBorderHeight() { return Metrics().top; }
int WMBottomBorderHeight() { return Metrics().bottom; }
int WMTitleHeight() { return Metrics().title; }
bool WMBorderSizesKnown() { return Metrics().known; }
void ResetWMBorderSizesForTesting() { Metrics() = FrameMetrics(); }

void SetWMMeasureHooks(const WMMeasureHooks& hooks) { Hooks() = hooks; }

namespace {

bool CopyRequestPending() {
  const WMMeasureHooks& h = Hooks();
  return h.copyRequestPending && h.copyRequestPending();
}

Widget ShellOf(int sessionIndex) {
  const WMMeasureHooks& h = Hooks();
  return h.sessionShell ? h.sessionShell(sessionIndex) : nullptr;
}

}  // namespace

void calculateWMWindowBorderAndTitleSizes(int sessionIndex) {
  if (Metrics().known && !CopyRequestPending()) return;
  // The timer needs the session's application context; an entry that is not
  // in use has nothing to measure, which is what the timer would find too.
  Widget shell = ShellOf(sessionIndex);
  if (!shell) return;
  XtAppAddTimeOut(XtWidgetToApplicationContext(shell), 1000, WMMeasurementTimer,
                  reinterpret_cast<XtPointer>(static_cast<intptr_t>(sessionIndex)));
}

bool MeasureWMBordersFromShell(Widget shell) {
  if (!shell || !XtIsRealized(shell)) return false;
  Display* display = XtDisplay(shell);
  Window window = XtWindow(shell);
  Window root = 0, parent = 0, *children = nullptr;
  unsigned int count = 0;
  Status rc = XQueryTree(display, window, &root, &parent, &children, &count);
  Status rc2 = 0;
  bool measured = false;
  if (rc) {
    if (children) XFree(children);
    if (parent != root) {
      XWindowAttributes attributes;
      rc2 = XGetWindowAttributes(display, window, &attributes);
      if (rc2) {
        FrameMetrics& m = Metrics();
        m.left = m.right = m.top = m.bottom = attributes.x;
        m.title = attributes.y - attributes.x;
        m.known = true;
        measured = true;
        if (DebugFlag())
          LogMsg(LevelDebug, "WM border widths and heights = %d. WM title height = %d\n", m.left,
                 m.title);
      }
    }
  }
  if (!measured && DebugFlag())
    LogMsg(LevelDebug, "calculating WM sizes failed. rc = %d, root = %lx, parent = %lx, rc2 = %d\n",
           rc, root, parent, rc2);
  return measured;
}

void WMMeasurementTimer(XtPointer clientData, XtIntervalId*) {
  int sessionIndex = static_cast<int>(reinterpret_cast<intptr_t>(clientData));
  if (!ShellOf(sessionIndex)) return;
  const WMMeasureHooks& h = Hooks();
  if (CopyRequestPending() && h.sessionCount && h.maxSessions) {
    int sessions = h.sessionCount();
    int limit = h.maxSessions();
    if (sessions <= limit) {
      if (sessions == limit && h.clearCopyRequest) h.clearCopyRequest();
      if (h.createSessionFromSession) h.createSessionFromSession(sessionIndex);
    }
  }
  // Creating a session may have ended this one: look the shell up again.
  Widget shell = ShellOf(sessionIndex);
  if (!Metrics().known && shell) MeasureWMBordersFromShell(shell);
}

void initStateAtom(Atom atom, Display* display) {
  if (!display) return;
  Window root = DefaultRootWindow(display);
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(display, root, atom, 0, 1, False, AnyPropertyType, &type, &format, &count,
                         &after, &data) != Success) {
    LogMsg(LevelError, "%s: The XGetWindowProperty was NOT a success.\n", "QWC0008");
    return;
  }
  if (data) XFree(data);
  if (type != None && DebugFlag())
    LogMsg(LevelDebug, "The state atom property already exists but initiazing it anyway.\n");
  // Replaced, not prepended: a prepend on every start lets the property grow.
  static const unsigned char kInitial[2] = {'0', '\0'};
  XChangeProperty(display, root, atom, XA_STRING, 8, PropModeReplace, kInitial, 2);
}
